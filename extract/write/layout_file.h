#pragma once
// A bitmap file for a bitmap found in a layout other than the plain one: a
// 14-byte file header, then the bitmap as found — its header of whatever
// version, its masks, palette and rows (compressed ones stay compressed),
// with the image size in the header set to the pixel bytes it really has.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "extract/dib/dib_layout.h"

namespace gd {

// How many bytes from the header's first byte the file is made of.
std::size_t FoundBitmapLength(const DibLayout& layout);

// from_header holds FoundBitmapLength(layout) bytes from the header's first
// byte, or fewer (the rest is left zero).
std::vector<std::uint8_t> BuildFoundBitmapFile(std::span<const std::uint8_t> from_header, const DibLayout& layout);

}  // namespace gd
