#pragma once
// What a 40-byte header is: a bitmap header the search takes at all, and the
// shapes that mark icon and cursor images.

#include <cstdint>
#include <span>

#include "extract/dib/dib_header.h"

namespace gd {

// biSize 40, one plane, uncompressed, and 1, 4, 8, 16, 24 or 32 bits.
bool IsImageHeader(std::span<const std::uint8_t, kInfoHeaderSize> header);
bool IsIconShape(const BitmapInfoHeader& h);    // width 16/32/48/64, height 2 × width
bool IsCursorShape(const BitmapInfoHeader& h);  // 32 × 64 at 1 bit
// biSizeImage equals a square colour image plus a square 1-bit mask.
bool HasMaskSize(const BitmapInfoHeader& h);

}  // namespace gd
