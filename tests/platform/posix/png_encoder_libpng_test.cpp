// The native PNG encoder, checked by decoding its files back with libpng.

#include "platform/png_encoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/support/png_read.h"
#include "tests/support/rgba_fixtures.h"

namespace gd {
namespace {

using test::DecodePng;
using test::RgbaPattern;

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
