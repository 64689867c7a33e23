#pragma once
// The pixels of a bitmap in any layout the every-image rules find (header
// versions, RLE, bit fields, 2 bits, top-down rows), as DecodeDibPixels gives
// them for the plain one.
//
// Where the format leaves a choice, this follows its definition: pixels that
// an RLE delta or an early end of row or bitmap skips are transparent black;
// a bit-field channel is scaled to 8 bits by its mask's width; alpha comes
// from the alpha mask (a V4/V5 or 56-byte header's, or BI_ALPHABITFIELDS)
// or from the fourth byte of 32-bit uncompressed rows, and a picture whose
// alpha is 0 everywhere is opaque. A palette index beyond the palette shows
// the grey of its value, as for the plain layout.

#include <cstdint>
#include <optional>

#include "platform/byte_source.h"
#include "extract/dib/dib_layout.h"
#include "platform/rgba_image.h"

namespace gd {

// nullopt when the layout is no picture or its bytes are not all in src.
// Throws ReadError when the bytes cannot be read and OutOfMemoryError when
// the pixels do not fit in memory.
std::optional<RgbaImage> DecodeLayoutPixels(ByteSource& src, std::uint64_t header_offset, const DibLayout& layout);

}  // namespace gd
