// The native PNG encoder, checked by decoding its files back with libpng.

#include "extract/png_encoder.h"

#include <png.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/support/rgba_fixtures.h"

namespace gd {
namespace {

using test::RgbaPattern;

RgbaImage DecodePng(const std::vector<std::uint8_t>& file) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  EXPECT_TRUE(png_image_begin_read_from_memory(&png, file.data(), file.size())) << png.message;
  png.format = PNG_FORMAT_RGBA;
  RgbaImage image{png.width, png.height, std::vector<std::uint8_t>(PNG_IMAGE_SIZE(png))};
  EXPECT_TRUE(png_image_finish_read(&png, nullptr, image.rgba.data(), 0, nullptr)) << png.message;
  png_image_free(&png);
  return image;
}

TEST(NativePngEncoder, DecodesBackToTheSamePixels) {
  struct Case {
    const char* what;
    RgbaImage image;
    std::uint8_t colour_type;  // IHDR: 2 RGB, 6 RGBA
  };
  const Case cases[] = {
      {"one opaque pixel", RgbaPattern(1, 1, false), 2},
      {"opaque, odd width", RgbaPattern(257, 3, false), 2},
      {"every alpha value", RgbaPattern(16, 16, true), 6},
      {"tall and thin with alpha", RgbaPattern(1, 300, true), 6},
  };
  const auto encoder = MakeNativePngEncoder();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<std::uint8_t> file = encoder->Encode(c.image);
    ASSERT_GT(file.size(), 33u);
    EXPECT_EQ(file[1], 'P');
    EXPECT_EQ(file[25], c.colour_type);
    EXPECT_EQ(DecodePng(file), c.image);
  }
}

TEST(NativePngEncoder, RefusesAnImageWithoutPixels) {
  const auto encoder = MakeNativePngEncoder();
  EXPECT_THROW(encoder->Encode(RgbaImage{}), PngEncodeError);
  EXPECT_THROW(encoder->Encode(RgbaImage{2, 2, std::vector<std::uint8_t>(12)}), PngEncodeError);
}

}  // namespace
}  // namespace gd
