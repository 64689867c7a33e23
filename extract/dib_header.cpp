#include "extract/dib_header.h"

#include <algorithm>
#include <vector>

#include "base/byte_order.h"

namespace gd {

BitmapInfoHeader ParseInfoHeader(std::span<const std::uint8_t> bytes) {
  LeReader r(bytes);
  BitmapInfoHeader h;
  h.biSize = r.U32();
  h.biWidth = r.I32();
  h.biHeight = r.I32();
  h.biPlanes = r.U16();
  h.biBitCount = r.U16();
  h.biCompression = r.U32();
  h.biSizeImage = r.U32();
  h.biXPelsPerMeter = r.I32();
  h.biYPelsPerMeter = r.I32();
  h.biClrUsed = r.U32();
  h.biClrImportant = r.U32();
  return h;
}

void StoreInfoHeader(const BitmapInfoHeader& h, std::span<std::uint8_t> out) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(kInfoHeaderSize);
  LeWriter w(bytes);
  w.U32(h.biSize);
  w.I32(h.biWidth);
  w.I32(h.biHeight);
  w.U16(h.biPlanes);
  w.U16(h.biBitCount);
  w.U32(h.biCompression);
  w.U32(h.biSizeImage);
  w.I32(h.biXPelsPerMeter);
  w.I32(h.biYPelsPerMeter);
  w.U32(h.biClrUsed);
  w.U32(h.biClrImportant);
  if (out.size() < kInfoHeaderSize) throw ShortRead();
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
