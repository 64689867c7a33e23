#pragma once
// The byte search for bitmap headers of every version: a header begins with
// its own size as a 32-bit little-endian number, 12, 16 to 64, 108 or 124,
// at any offset.

#include <cstddef>
#include <cstdint>
#include <span>

namespace gd {

// The first q >= pos where data[q] is one of those sizes and the three bytes
// after it are zero (all four bytes lying in data); kNoMatch when there is
// none.
std::size_t FindHeaderSize(std::span<const std::uint8_t> data, std::size_t pos);

}  // namespace gd
