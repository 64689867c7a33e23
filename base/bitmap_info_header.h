#pragma once
// The 40-byte device-independent bitmap header (BITMAPINFOHEADER), without
// <windows.h>: the bitmaps the engine finds and writes and the one the GIF
// codec produces all carry it. Read and written through its field list, as
// every binary record is (base/record_fields.h).

#include <cstddef>
#include <cstdint>

#include "base/record_fields.h"

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

  template <class Self, class Visit>
  static constexpr void Fields(Self& h, Visit&& visit) {
    visit(h.biSize);
    visit(h.biWidth);
    visit(h.biHeight);
    visit(h.biPlanes);
    visit(h.biBitCount);
    visit(h.biCompression);
    visit(h.biSizeImage);
    visit(h.biXPelsPerMeter);
    visit(h.biYPelsPerMeter);
    visit(h.biClrUsed);
    visit(h.biClrImportant);
  }
};

}  // namespace gd
