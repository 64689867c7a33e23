#include "extract/dib/dib_header.h"

#include <algorithm>

#include "base/byte_reader.h"

namespace gd {

void StoreInfoHeader(const BitmapInfoHeader& h, std::span<std::uint8_t> out) {
  if (out.size() < kInfoHeaderSize) throw ShortRead();
  const auto bytes = RecordBytes(h);
  std::copy(bytes.begin(), bytes.end(), out.begin());
}

std::int32_t BytesPerScanline(std::int32_t width, std::int32_t bitCount, std::int32_t alignment) {
  const std::uint32_t bits = static_cast<std::uint32_t>(Mul32(width, bitCount));
  const std::uint32_t mask = static_cast<std::uint32_t>(alignment) - 1u;
  const auto padded = static_cast<std::int32_t>((bits + mask) & ~mask);
  return padded / 8;  // truncates toward zero, as the format's own tools do
}

namespace {
std::int32_t RowBytes(const BitmapInfoHeader& h) { return BytesPerScanline(h.biWidth, h.biBitCount, 32); }
}  // namespace

std::int32_t DibBitsSize(const BitmapInfoHeader& h) { return Mul32(RowBytes(h), h.biHeight); }
std::int32_t SquareBitsSize(const BitmapInfoHeader& h) { return Mul32(RowBytes(h), h.biWidth); }
std::int32_t SquareMaskSize(const BitmapInfoHeader& h) {
  return Mul32(BytesPerScanline(h.biWidth, 1, 32), h.biWidth);
}

std::int32_t ColorCount(const BitmapInfoHeader& h) {
  switch (h.biBitCount) {
    case 1:
    case 4:
    case 8:
      if (h.biClrUsed != 0) return static_cast<std::int32_t>(h.biClrUsed);
      return 1 << h.biBitCount;
    default:
      return 0;
  }
}

std::int32_t PaletteSize(const BitmapInfoHeader& h) { return Mul32(ColorCount(h), 4); }

}  // namespace gd
