#pragma once
// The two byte searches the scanner is made of, vectorised where the target
// allows: bitmap header candidates, and the first bytes of PNG and GIF
// and JPEG signatures.

#include <cstddef>
#include <cstdint>
#include <span>

namespace gd {

inline constexpr std::size_t kNoMatch = static_cast<std::size_t>(-1);

// The first q >= pos with q - pos even and the bytes 28 00 (the header size
// 40, little-endian) at q and q + 1; kNoMatch when there is none.
std::size_t FindHeaderMarker(std::span<const std::uint8_t> data, std::size_t pos);

// The first q >= pos holding 0x89 'P', "GI" or FF D8, the first two bytes of
// a PNG, a GIF or a JPEG signature; kNoMatch when there is none. Only pairs that lie whole
// in data are looked at, so the last byte is never a match.
std::size_t FindSignatureStart(std::span<const std::uint8_t> data, std::size_t pos);

}  // namespace gd
