#pragma once
// Turns one header found in a source file into a stand-alone bitmap file:
// a 14-byte file header, the header with its height and image size set right,
// then the palette and pixel rows copied from the source.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "extract/dib/dib_header.h"
#include "extract/dib/dib_layout.h"

namespace gd {

// The whole output file for a bitmap laid out as layout, whose bytes from the
// header's first byte on are from_header. The bytes copied never reach past
// the end of from_header; should the header claim more than is there, the
// rest is left zero. Sizes are 32-bit and wrap as the standard measure does.
std::vector<std::uint8_t> BuildBitmapFile(std::span<const std::uint8_t> from_header, const DibLayout& layout);
// The same for the header at data[offset] under the standard measure.
std::vector<std::uint8_t> BuildBitmapFile(std::span<const std::uint8_t> data, std::size_t offset);
// How many bytes from the header's first byte BuildBitmapFile may copy.
std::size_t BitmapSourceLength(const DibLayout& layout);

}  // namespace gd
