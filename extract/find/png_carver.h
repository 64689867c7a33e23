#pragma once
// Recognises a PNG file lying inside other bytes and measures it.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "extract/find/carved_image.h"
#include "platform/byte_source.h"

namespace gd {

inline constexpr std::array<std::uint8_t, 8> kPngSignature{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

// The eight signature bytes at the start of bytes.
bool IsPngSignature(std::span<const std::uint8_t> bytes);

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
