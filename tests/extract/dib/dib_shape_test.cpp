#include "extract/dib/dib_shape.h"

#include <gtest/gtest.h>

#include "tests/support/dib_fixtures.h"

namespace gd {
namespace {

using test::Bytes;
using test::Header;
using test::HeaderSpec;
using test::Info;

TEST(IsImageHeader, AcceptsOnlyUncompressedSinglePlaneStandardDepths) {
  struct Case {
    HeaderSpec spec;
    bool ok;
  };
  const Case cases[] = {
      {{32, 64, 1}, true},  {{32, 64, 4}, true},   {{32, 64, 8}, true},
      {{32, 64, 16}, true}, {{32, 64, 24}, true},  {{32, 64, 32}, true},
      {{32, 64, 0}, false}, {{32, 64, 2}, false},  {{32, 64, 15}, false},
      {{32, 64, 4, 0, 0, 40, 2}, false},              // two planes
      {{32, 64, 4, 0, 0, 40, 1, 1}, false},           // RLE compressed
      {{32, 64, 4, 0, 0, 108}, false},                // a larger header kind
      {{0, -5, 24, 0, 0xFFFFFFFF}, true},             // nothing else is tested
  };
  for (const auto& c : cases) {
    const Bytes b = Header(c.spec);
    EXPECT_EQ(IsImageHeader(std::span(b).first<40>()), c.ok)
        << c.spec.bits << " bits, " << c.spec.planes << " planes, compression " << c.spec.compression;
  }
}

TEST(Shapes, IconCursorAndMaskSize) {
  struct Case {
    HeaderSpec spec;
    bool icon, cursor, mask;
  };
  const Case cases[] = {
      {{32, 64, 4, 640}, true, false, true},   // 512 colour + 128 mask bytes
      {{32, 64, 1, 256}, true, true, true},    // 128 + 128
      {{16, 32, 8, 0}, true, false, false},
      {{48, 96, 32}, true, false, false},
      {{64, 128, 24}, true, false, false},
      {{24, 48, 8}, false, false, false},      // 24 is not an icon side
      {{32, 32, 4}, false, false, false},
      {{32, 64, 4, 512}, true, false, false},  // colour rows only
  };
  for (const auto& c : cases) {
    const BitmapInfoHeader h = Info(c.spec);
    EXPECT_EQ(IsIconShape(h), c.icon) << c.spec.width << "x" << c.spec.height;
    EXPECT_EQ(IsCursorShape(h), c.cursor) << c.spec.width << "x" << c.spec.height;
    EXPECT_EQ(HasMaskSize(h), c.mask) << c.spec.width << "x" << c.spec.height;
  }
}

TEST(Shapes, MaskSizeMustNotBeNegativeEvenWhenTheBitsMatch) {
  // 23171² × 4 bytes plus the mask passes 2^31: the sum is negative, and biSizeImage holds
  // the same 32-bit pattern.
  HeaderSpec s{23171, 46342, 32};
  const BitmapInfoHeader probe = Info(s);
  const std::int32_t sum = Add32(SquareBitsSize(probe), SquareMaskSize(probe));
  ASSERT_LT(sum, 0);
  s.size_image = static_cast<std::uint32_t>(sum);
  EXPECT_FALSE(HasMaskSize(Info(s)));
}

}  // namespace
}  // namespace gd
