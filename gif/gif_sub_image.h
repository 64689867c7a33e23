#pragma once
// One image of a GIF file: its descriptor, local colour table, the
// extensions read before it, its data sub-blocks and its decoded pixels.

#include <cstdint>
#include <memory>

#include "base/bitmap_info_header.h"
#include "gif/byte_arrays.h"
#include "gif/color_table.h"
#include "gif/framework/stream.h"
#include "gif/gif_decl.h"

namespace gd {

class TGifFile;

using TBitmapInfoHeader = BitmapInfoHeader;

class TGifSubImage {
 public:
  // num_colors must be a power of two from 2 to 256; anything else raises
  // EGifException. The local table starts with the preset for num_colors.
  TGifSubImage(std::uint16_t num_colors, TGifFile* gif_file);
  TGifSubImage(const TGifSubImage&) = delete;
  TGifSubImage& operator=(const TGifSubImage&) = delete;

  // Takes over extensions; the last graphic control extension in it decides
  // DisposalMethod and Transparent.
  void SetExtensions(std::unique_ptr<TExtensionList> extensions);
  // Reads the image that follows an image separator, up to and including the
  // terminator of its data, then decodes it.
  void LoadFromStream(TStream& stream);
  // Decodes ImageData into Pixels (LZW, sequential or interlaced rows).
  void DecodeImage();
  // Writes the image as an 8-bit bitmap file from position 0 and leaves the
  // position at 0.
  void SaveToBitmapStream(TMemoryStream& stream) const;
  void FillBitmapInfoHeader(TBitmapInfoHeader& header) const;

  void DecodePackedFields();
  void EncodePackedFields();

  std::uint8_t CodeSize = 0;
  std::unique_ptr<TByteBuffer> ImageData;
  TGifFile* GifFile = nullptr;
  std::uint8_t DisposalMethod = 0;
  std::unique_ptr<TExtensionList> Extensions;
  bool Transparent = false;
  TImageDescriptor Descriptor;
  bool Interlaced = false;
  bool HasColorTable = false;
  std::uint8_t BitsPerPixel = 0;
  std::unique_ptr<TByteArray2D> Pixels;
  std::unique_ptr<TColorTable> ColorTable;

 private:
  void ReadImageDescriptor(TStream& stream);
  void ReadColorTable(TStream& stream);
  void ReadImageData(TStream& stream);
};

// Reads 3 × table.Count bytes into the table's entries from entry 0; a short
// read leaves the entries it does not reach as they were.
void ReadColorTableFrom(TStream& stream, TColorTable& table);

}  // namespace gd
