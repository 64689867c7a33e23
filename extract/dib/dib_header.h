#pragma once
// The 40-byte device-independent bitmap header and the sizes measured from it.
// All size arithmetic is 32-bit two's complement: products and sums wrap, and
// nothing is range-checked, so negative or huge fields give negative or wrapped
// sizes. Callers decide what to do with those.

#include <cstddef>
#include <cstdint>
#include <span>

#include "base/bitmap_file_header.h"
#include "base/bitmap_info_header.h"

namespace gd {

inline constexpr std::size_t kInfoHeaderSize = BitmapInfoHeader::kSize;
inline constexpr std::size_t kFileHeaderSize = BitmapFileHeader::kSize;

// Encodes the header as 40 little-endian bytes into out (at least 40 bytes).
void StoreInfoHeader(const BitmapInfoHeader& h, std::span<std::uint8_t> out);

// Wrapping 32-bit arithmetic, done in unsigned so that overflow is defined.
constexpr std::int32_t Mul32(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}
constexpr std::int32_t Add32(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

// Bytes in one row of width pixels at bitCount bits, padded to alignment bits
// (a power of two).
std::int32_t BytesPerScanline(std::int32_t width, std::int32_t bitCount, std::int32_t alignment);
std::int32_t DibBitsSize(const BitmapInfoHeader& h);     // row × biHeight
std::int32_t SquareBitsSize(const BitmapInfoHeader& h);  // row × biWidth
std::int32_t SquareMaskSize(const BitmapInfoHeader& h);  // 1-bit row × biWidth
std::int32_t ColorCount(const BitmapInfoHeader& h);
std::int32_t PaletteSize(const BitmapInfoHeader& h);

}  // namespace gd
