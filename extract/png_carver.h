#pragma once
// Recognises a PNG file lying inside other bytes and measures it.

#include <cstdint>
#include <optional>

#include "extract/byte_source.h"
#include "extract/carved_image.h"

namespace gd {

// The PNG file that starts at offset, if one does: the signature, an IHDR
// chunk first (13 bytes, width and height at least 1, a bit depth its colour
// type allows), then chunks whose type is four letters, whose length is at
// most 2^31 - 1 and stays inside src and whose CRC is right, at least one
// IDAT among them, through an empty IEND chunk. length runs through IEND's
// CRC; bits is the bit depth times the colour type's channels. The pixel
// data is not inflated. Reads src in bounded pieces, however large a chunk
// is; ReadError passes through.
std::optional<CarvedImage> CarvePng(ByteSource& src, std::uint64_t offset);

}  // namespace gd
