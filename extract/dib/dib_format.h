#pragma once
// How a found bitmap is stored beyond the plain layout (a 40-byte header,
// uncompressed bottom-up rows right after a 4-byte-entry palette): its header
// version, compression, bit-field masks, palette entry size, row order and the
// gap a bitmap file's own header may leave before the rows. The defaults are
// the plain layout, which every bitmap of the standard rules has.

#include <array>
#include <cstdint>

namespace gd {

enum DibCompression : std::uint32_t {
  kBiRgb = 0,
  kBiRle8 = 1,
  kBiRle4 = 2,
  kBiBitFields = 3,
  kBiJpeg = 4,
  kBiPng = 5,
  kBiAlphaBitFields = 6,
};

struct DibFormat {
  std::uint32_t header_bytes = 40;  // 12 (OS/2 1.x), 16..64, 108, 124
  std::uint32_t mask_bytes = 0;     // bit-field masks stored after a 40-byte header (12 or 16)
  std::uint32_t entry_bytes = 4;    // a palette entry: 3 after a 12-byte header
  std::uint32_t gap = 0;            // between palette and rows, as a bitmap file header says
  std::uint32_t compression = kBiRgb;
  bool top_down = false;
  // Bytes of pixel data: the rows, or the compressed stream through its end.
  std::uint64_t pixel_bytes = 0;
  // Red, green, blue and alpha masks of bit-field pixels; alpha may be 0.
  std::array<std::uint32_t, 4> masks{};

  bool IsPlain() const {
    return header_bytes == 40 && mask_bytes == 0 && entry_bytes == 4 && gap == 0 && compression == kBiRgb &&
           !top_down;
  }
  bool HasMasks() const { return compression == kBiBitFields || compression == kBiAlphaBitFields; }
  bool IsRle() const { return compression == kBiRle8 || compression == kBiRle4; }
};

}  // namespace gd
