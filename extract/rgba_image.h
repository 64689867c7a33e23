#pragma once
// Decoded pixels: 8-bit red, green, blue and alpha, rows top to bottom.

#include <cstdint>
#include <vector>

namespace gd {

struct RgbaImage {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> rgba;  // width × height × 4 bytes

  bool operator==(const RgbaImage&) const = default;
};

}  // namespace gd
