#pragma once
// The 40-byte device-independent bitmap header (BITMAPINFOHEADER), without
// <windows.h>: the bitmaps the engine finds and writes and the one the GIF
// codec produces all carry it.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "base/byte_order.h"

namespace gd {

struct BitmapInfoHeader {
  static constexpr std::size_t kSize = 40;

  std::uint32_t biSize = 0;
  std::int32_t biWidth = 0;
  std::int32_t biHeight = 0;
  std::uint16_t biPlanes = 0;
  std::uint16_t biBitCount = 0;
  std::uint32_t biCompression = 0;
  std::uint32_t biSizeImage = 0;
  std::int32_t biXPelsPerMeter = 0;
  std::int32_t biYPelsPerMeter = 0;
  std::uint32_t biClrUsed = 0;
  std::uint32_t biClrImportant = 0;
};

// Decodes the first 40 little-endian bytes; throws ShortRead when fewer.
inline BitmapInfoHeader ParseInfoHeader(std::span<const std::uint8_t> bytes) {
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

// The header as 40 little-endian bytes.
inline std::array<std::uint8_t, BitmapInfoHeader::kSize> InfoHeaderBytes(const BitmapInfoHeader& h) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(BitmapInfoHeader::kSize);
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
  std::array<std::uint8_t, BitmapInfoHeader::kSize> out{};
  std::copy(bytes.begin(), bytes.end(), out.begin());
  return out;
}

}  // namespace gd
