#pragma once
// Decoded pixels: 8-bit red, green, blue and alpha, rows top to bottom.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace gd {

struct RgbaImage {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> rgba;  // width × height × 4 bytes

  bool operator==(const RgbaImage&) const = default;

  // At least one pixel, and four bytes for each.
  bool HasPixels() const {
    return width != 0 && height != 0 && rgba.size() == std::size_t{width} * height * 4;
  }
  bool IsOpaque() const {
    for (std::size_t i = 3; i < rgba.size(); i += 4) {
      if (rgba[i] != 255) return false;
    }
    return true;
  }
};

}  // namespace gd
