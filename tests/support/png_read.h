#pragma once
// Reads a PNG file back into RGBA pixels with libpng, to check what was
// written.

#include <png.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/rgba_image.h"

namespace gd::test {

inline RgbaImage DecodePng(const std::vector<std::uint8_t>& file) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  EXPECT_TRUE(png_image_begin_read_from_memory(&png, file.data(), file.size())) << png.message;
  png.format = PNG_FORMAT_RGBA;
  RgbaImage image{png.width, png.height, std::vector<std::uint8_t>(PNG_IMAGE_SIZE(png))};
  EXPECT_TRUE(png_image_finish_read(&png, nullptr, image.rgba.data(), 0, nullptr)) << png.message;
  png_image_free(&png);
  return image;
}

}  // namespace gd::test
