#include "extract/dib/dib_header.h"

#include <gtest/gtest.h>

#include "tests/support/dib_fixtures.h"

namespace gd {
namespace {

using test::HeaderSpec;
using test::Info;

struct ScanlineCase {
  std::int32_t width, bits, alignment, bytes;
};

TEST(BytesPerScanline, PadsRowsAndWrapsLike32BitArithmetic) {
  const ScanlineCase cases[] = {
      {32, 4, 32, 16},  {32, 1, 32, 4},   {1, 24, 32, 4},         {3, 24, 32, 12},
      {0, 8, 32, 0},    {-16, 8, 32, -16}, {-100, 1, 32, -12},    // -100 bits round to -96
      {268435456, 16, 32, 0},                                     // 2^28 × 16 wraps to 0
      {5, 1, 8, 1},     {9, 1, 8, 2},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BytesPerScanline(c.width, c.bits, c.alignment), c.bytes)
        << c.width << " px at " << c.bits << " bits, alignment " << c.alignment;
  }
}

struct SizeCase {
  const char* what;
  HeaderSpec spec;
  std::int32_t dib, square, mask, colors, palette;
};

TEST(DibSizes, MeasureFromTheHeaderAlone) {
  const SizeCase cases[] = {
      {"icon image 32x64 4-bit", {32, 64, 4}, 1024, 512, 128, 16, 64},
      {"8-bit with 300 colours used", {8, 8, 8, 0, 300}, 64, 64, 32, 300, 1200},
      {"24-bit ignores biClrUsed", {4, 4, 24, 0, 5}, 48, 48, 16, 0, 0},
      {"32-bit ignores biClrUsed", {4, 4, 32, 0, 5}, 64, 64, 16, 0, 0},
      {"1-bit default palette", {8, 8, 1}, 32, 32, 32, 2, 8},
      {"top-down 8-bit", {10, -10, 8}, -120, 120, 40, 256, 1024},
      {"row wraps to zero", {268435456, 4, 16}, 0, 0, 0, 0, 0},
      {"biClrUsed above 2^31 is negative", {4, 4, 8, 0, 0x80000001u}, 16, 16, 16, INT32_MIN + 1, 4},
      {"other bit counts have no palette", {4, 4, 2, 0, 7}, 16, 16, 16, 0, 0},
  };
  for (const auto& c : cases) {
    const BitmapInfoHeader h = Info(c.spec);
    EXPECT_EQ(DibBitsSize(h), c.dib) << c.what;
    EXPECT_EQ(SquareBitsSize(h), c.square) << c.what;
    EXPECT_EQ(SquareMaskSize(h), c.mask) << c.what;
    EXPECT_EQ(ColorCount(h), c.colors) << c.what;
    EXPECT_EQ(PaletteSize(h), c.palette) << c.what;
  }
}

TEST(InfoHeader, RoundTripsThroughItsFortyBytes) {
  const auto bytes = test::Header({-7, 123456, 24, 99, 3, 40, 1, 0});
  const BitmapInfoHeader h = RecordFrom<BitmapInfoHeader>(bytes);
  EXPECT_EQ(h.biWidth, -7);
  EXPECT_EQ(h.biHeight, 123456);
  EXPECT_EQ(h.biSizeImage, 99u);
  std::vector<std::uint8_t> out(40);
  StoreInfoHeader(h, out);
  EXPECT_EQ(out, bytes);
  EXPECT_THROW(RecordFrom<BitmapInfoHeader>(std::span(bytes).first(39)), ShortRead);
}

}  // namespace
}  // namespace gd
