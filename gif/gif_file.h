#pragma once
// A GIF file in memory (GIF87a and GIF89a) and its block reader.

#include <cstdint>
#include <memory>

#include "gif/color_table.h"
#include "gif/framework/object_list.h"
#include "gif/framework/stream.h"
#include "gif/framework/string_list.h"
#include "gif/gif_decl.h"
#include "gif/gif_sub_image.h"

namespace gd {

class TGifFile {
 public:
  TGifFile();
  TGifFile(const TGifFile&) = delete;
  TGifFile& operator=(const TGifFile&) = delete;

  // Reads a whole GIF file from position 0 of stream, appending its images.
  // Truncated data and bytes after the last image end loading quietly; the
  // images completed before a failure stay.
  void LoadFromStream(TStream& stream);
  // 1-based; an index outside 1 to the number of images raises EListError
  // with the 0-based index.
  TGifSubImage& SubImage(std::int32_t index) const { return SubImages.Items(index - 1); }

  TGifHeader Header;
  TScreenDescriptor ScreenDescriptor;
  bool HasColorTable = true;
  std::unique_ptr<TColorTable> ColorTable;
  std::uint8_t BitsPerPixel = 1;
  TObjectList<TGifSubImage> SubImages;

 private:
  void ReadHeader(TStream& stream);
  void ReadScreenDescriptor(TStream& stream);
  void DecodePackedFields();
  void ReadColorTable(TStream& stream);
  // Reads the extension blocks that start at separator and returns them; on
  // return separator holds the byte after them (";" at the end of the stream).
  std::unique_ptr<TExtensionList> ReadExtensions(TStream& stream, std::uint8_t& separator);
};

// The data sub-blocks from the stream's position up to and including the
// zero-length terminator, or to the end of the stream.
std::unique_ptr<TStringList> ReadSubBlocks(TStream& stream);

}  // namespace gd
