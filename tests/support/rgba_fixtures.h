#pragma once
// Decoded-pixel fixtures for the PNG encoders' tests.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/rgba_image.h"

namespace gd::test {

// Colours that change from pixel to pixel; with alpha, every alpha value
// occurs, and fully transparent pixels keep their colour.
inline RgbaImage RgbaPattern(std::uint32_t width, std::uint32_t height, bool with_alpha) {
  RgbaImage image{width, height, std::vector<std::uint8_t>(std::size_t{width} * height * 4)};
  for (std::size_t i = 0; i < image.rgba.size(); i += 4) {
    const auto p = static_cast<std::uint32_t>(i / 4);
    image.rgba[i] = static_cast<std::uint8_t>(p * 7);
    image.rgba[i + 1] = static_cast<std::uint8_t>(p * 13 + 5);
    image.rgba[i + 2] = static_cast<std::uint8_t>(p >> 3);
    image.rgba[i + 3] = with_alpha ? static_cast<std::uint8_t>(p * 3) : 255;
  }
  return image;
}

}  // namespace gd::test
