#pragma once
// Where the parts of one found bitmap lie, measured from its 40-byte header:
// how far the search jumps past it, which header it is written with, how
// many palette entries precede its rows, how many colour rows it has and
// whether a 1-bit mask follows them.
//
// Two sets of rules. The standard ones are the engine's original measure, in
// wrapping 32-bit arithmetic, and decide the default run's output byte for
// byte. The every-image rules (--all) measure icons as what they are (colour
// rows plus a mask: square ones whatever biSizeImage says, others when it
// counts half their rows), count the palette a 16-, 24- or 32-bit image may
// carry, and accept only headers that describe a picture.

#include <cstdint>
#include <optional>

#include "extract/dib/dib_format.h"
#include "extract/dib/dib_header.h"

namespace gd {

enum class MeasureRules { kStandard, kEveryImage };

struct DibLayout {
  BitmapInfoHeader source;   // the header as found
  BitmapInfoHeader written;  // as written: made square where the rules say, biSizeImage = its rows
  // Bytes from the header's first byte to the end of what the search jumps
  // over. Under the standard rules it may be zero or negative (a top-down or
  // wrapped header); such a header is never recorded.
  std::int64_t extent = 0;
  // The image's rows are followed by a 1-bit mask of as many rows: an icon
  // image written with its colour rows only (square, except for icons of
  // other shapes under the every-image rules).
  bool made_square = false;
  // Palette entries between the header and the rows.
  std::int64_t palette_entries = 0;
  // Bytes in one colour row, padded to 4 bytes, and colour rows (written.biHeight).
  std::int64_t row_bytes = 0;
  std::int64_t rows = 0;
  // Anything but the plain layout is found by the every-image rules only;
  // written then carries the picture's size and bits, and the bitmap is
  // written as it was found.
  DibFormat format;

  std::int64_t RowsOffset() const {
    return std::int64_t{format.header_bytes} + format.mask_bytes + format.entry_bytes * palette_entries + format.gap;
  }
  std::int64_t MaskOffset() const { return RowsOffset() + row_bytes * rows; }
  std::int64_t MaskRowBytes() const { return (static_cast<std::int64_t>(written.biWidth) + 31) / 32 * 4; }
  // Palette and rows, the bytes a bitmap file carries after its headers.
  std::int64_t BodySize() const { return 4 * palette_entries + row_bytes * rows; }
  // At least one pixel, and sizes that did not wrap: only such an image can
  // be turned into pixels (a standard-rules header need not be one).
  bool IsPicture() const {
    const std::int64_t true_row = (static_cast<std::int64_t>(written.biWidth) * written.biBitCount + 31) / 32 * 4;
    return written.biWidth >= 1 && rows >= 1 && row_bytes == true_row && palette_entries >= 0 &&
           BodySize() <= 0x7FFFFFFF - 54;
  }
};

// The header as the standard rules write it: icon-, cursor- or mask-sized
// images are made square (their 1-bit mask rows are dropped) and biSizeImage
// is recomputed.
BitmapInfoHeader AdjustedHeader(const BitmapInfoHeader& source);

// Bytes from the header's first byte to the end of its pixel rows, as the
// standard search measures them (height replaced by width when HasMaskSize
// holds).
std::int32_t ScanExtent(const BitmapInfoHeader& h);

// The layout under the standard rules; every header has one.
DibLayout MeasureStandard(const BitmapInfoHeader& h);

// The layout under the every-image rules, or nullopt when the header does not
// describe a picture: width or height below 1, biClrUsed above 2^bits (1 to 8
// bits) or above 256 (more bits).
std::optional<DibLayout> MeasureEveryImage(const BitmapInfoHeader& h);

std::optional<DibLayout> Measure(const BitmapInfoHeader& h, MeasureRules rules);

}  // namespace gd
