#pragma once
// The standard search's pass over the bytes, vectorised where the target
// allows: 40-byte bitmap header candidates at even offsets.

#include <cstddef>
#include <cstdint>
#include <span>

namespace gd {

inline constexpr std::size_t kNoMatch = static_cast<std::size_t>(-1);

// The first q >= pos with q - pos even and the bytes 28 00 (the header size
// 40, little-endian) at q and q + 1; kNoMatch when there is none.
std::size_t FindHeaderMarker(std::span<const std::uint8_t> data, std::size_t pos);

}  // namespace gd
