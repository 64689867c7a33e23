#pragma once
// The 14-byte bitmap file header (BITMAPFILEHEADER) that begins every bitmap
// file, without <windows.h>: the engine writes it before each image it finds,
// the GIF codec before its converted image, and the graphics framework reads
// it back.

#include <cstddef>
#include <cstdint>

#include "base/record_fields.h"

namespace gd {

struct BitmapFileHeader {
  static constexpr std::size_t kSize = 14;
  static constexpr std::uint16_t kType = 0x4D42;  // "BM"

  std::uint16_t bfType = kType;
  std::uint32_t bfSize = 0;
  std::uint16_t bfReserved1 = 0;
  std::uint16_t bfReserved2 = 0;
  std::uint32_t bfOffBits = 0;

  template <class Self, class Visit>
  static constexpr void Fields(Self& h, Visit&& visit) {
    visit(h.bfType);
    visit(h.bfSize);
    visit(h.bfReserved1);
    visit(h.bfReserved2);
    visit(h.bfOffBits);
  }
};

}  // namespace gd
