#pragma once
// Bitmaps in layouts beyond the plain 40-byte one, for the engine's tests:
// a 124-byte header with 32-bit bit fields, an RLE8 stream, and a bitmap
// file header in front of any bitmap.

#include <cstdint>

#include "tests/support/dib_fixtures.h"

namespace gd::test {

// width × height at 32 bits, masks red, green, blue and alpha in the
// header; every pixel is pixel (little-endian).
inline Bytes V5Bitmap(std::int32_t width, std::int32_t height, std::uint32_t pixel = 0x80112233) {
  Bytes out;
  LeWriter w(out);
  w.U32(124);
  w.I32(width);
  w.I32(height);
  w.U16(1);
  w.U16(32);
  w.U32(3);  // bit fields
  w.U32(static_cast<std::uint32_t>(4 * width * (height < 0 ? -height : height)));
  w.I32(0);
  w.I32(0);
  w.U32(0);
  w.U32(0);
  for (const std::uint32_t mask : {0xFF0000u, 0xFF00u, 0xFFu, 0xFF000000u}) w.U32(mask);
  out.resize(124, 0);
  for (std::int32_t i = 0; i < width * (height < 0 ? -height : height); ++i) w.U32(pixel);
  return out;
}

// width × height at 8 bits, RLE8: each row one run of index 1 (palette
// entry 1 is red), ended by an end-of-bitmap code; biSizeImage 0.
inline Bytes Rle8Bitmap(std::int32_t width, std::int32_t height) {
  Bytes out = Header({width, height, 8, 0, 2, 40, 1, 1});
  out.insert(out.end(), {0, 0, 0, 0, 0, 0, 255, 0});
  for (std::int32_t y = 0; y < height; ++y) {
    out.insert(out.end(), {static_cast<std::uint8_t>(width), 1});
    if (y + 1 < height) out.insert(out.end(), {0, 0});
  }
  out.insert(out.end(), {0, 1});
  return out;
}

// A 14-byte bitmap file header in front of dib, its rows rows_offset bytes
// after the file's start.
inline Bytes WithFileHeader(const Bytes& dib, std::uint32_t rows_offset) {
  Bytes out{'B', 'M'};
  LeWriter w(out);
  w.U32(static_cast<std::uint32_t>(14 + dib.size()));
  w.U32(0);
  w.U32(rows_offset);
  out.insert(out.end(), dib.begin(), dib.end());
  return out;
}

}  // namespace gd::test
