#pragma once
// Turns one header found in a source file into a stand-alone bitmap file:
// a 14-byte file header, the header with its height and image size set right,
// then the palette and pixel rows copied from the source.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "extract/dib_header.h"

namespace gd {

// The header as written: icon-, cursor- or mask-sized images are made square
// (their 1-bit mask rows are dropped) and biSizeImage is recomputed.
BitmapInfoHeader AdjustedHeader(const BitmapInfoHeader& source);

// The whole output file for the header at data[offset]. The bytes copied
// never reach past the end of data; should the header claim more than is
// there, the rest is left zero.
std::vector<std::uint8_t> BuildBitmapFile(std::span<const std::uint8_t> data, std::size_t offset);

// "<save folder><base>-<extension>-<index>.bmp".
std::string OutputName(std::string_view save_dir, std::string_view source_path, std::size_t index);

}  // namespace gd
