#pragma once
// A second opinion on a JPEG file found by its structure: a well-kept decoder
// must read its header as the walk did.

#include <cstdint>
#include <span>

namespace gd {

// Whether the decoder reads header (SOI, the tables and the frame header of
// a JPEG file, nothing after them) as a picture of width × height with that
// many components. The decoder reads 8-bit baseline, extended and
// progressive Huffman-coded frames; for any other frame this is false.
bool DecoderReadsJpegHeader(std::span<const std::uint8_t> header, std::uint32_t width, std::uint32_t height,
                            std::uint32_t components);

}  // namespace gd
