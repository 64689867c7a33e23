#pragma once
// The search through one source, image by image, in file order. It reads the
// source through a WindowReader, so it works in bounded memory on a file of
// any size, and yields exactly what a search of the whole file in memory
// would.
//
// Standard rules: 40-byte bitmap headers at even offsets; a rejected
// candidate is skipped whole (40 bytes), each recorded image jumped over, and
// an image running past the end of the file ends the search.
//
// Every-image rules add PNG, GIF and JPEG signatures at any offset, confirmed
// by a carver that measures the whole image; headers of every version are
// looked for at any offset and measured as pictures (ProbeBitmap). A rejected
// header hides neither a signature nor another header within it, and a header
// whose image would run past the end of the file is passed over like any
// other non-picture instead of ending the search.

#include <cstdint>
#include <optional>

#include "extract/dib/dib_layout.h"
#include "extract/find/carved_image.h"
#include "extract/find/image_kind.h"
#include "extract/source/window_reader.h"

namespace gd {

// Whether a whole image of its kind starts at offset, and how long it is.
using Carver = std::optional<CarvedImage> (*)(ByteSource& source, std::uint64_t offset);

struct SearchRules {
  MeasureRules measure = MeasureRules::kStandard;
  // Consulted under the every-image rules only.
  Carver carve_png = nullptr;
  Carver carve_gif = nullptr;
  Carver carve_jpeg = nullptr;
};

struct FoundImage {
  ImageKind kind = ImageKind::kDib;
  std::uint64_t offset = 0;  // its first byte in the source
  std::uint64_t length = 0;  // the bytes the search jumped past
  DibLayout dib;             // for a bitmap
  CarvedImage carved;        // for a PNG, GIF or JPEG
};

// The rules a run searches by: standard, or every image with the PNG, GIF
// and JPEG carvers.
SearchRules RulesFor(bool every_image);

class ImageSearch {
 public:
  ImageSearch(WindowReader& reader, SearchRules rules) : reader_(reader), rules_(rules) {}

  // The next image, or nullopt when the source holds no more (or the reader
  // has been stopped).
  std::optional<FoundImage> Next();

 private:
  std::optional<FoundImage> NextStandard();
  std::optional<FoundImage> NextEveryImage();
  // The header candidate at pos: the image when one is recorded there.
  enum class Verdict { kRecorded, kRejected, kEndOfSearch };
  Verdict Examine(std::uint64_t pos, FoundImage& image);
  std::optional<FoundImage> TrySignature(std::uint64_t pos);
  std::optional<FoundImage> TryHeader(std::uint64_t pos);
  void JumpTo(std::uint64_t pos);

  WindowReader& reader_;
  const SearchRules rules_;
  std::uint64_t pos_ = 0;  // where the search goes on (an even offset under the standard rules)
  std::uint64_t image_end_ = 0;  // where the image found last ends
  bool done_ = false;
};

}  // namespace gd
