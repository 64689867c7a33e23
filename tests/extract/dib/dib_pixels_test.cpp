#include "extract/dib/dib_pixels.h"
#include "extract/source/span_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "extract/dib/dib_layout.h"
#include "platform/byte_source.h"
#include "tests/support/dib_fixtures.h"

namespace gd {
namespace {

using test::Bytes;
using test::Concat;
using test::Header;
using test::HeaderSpec;
using Px = std::array<std::uint8_t, 4>;

Bytes Quad(std::uint8_t r, std::uint8_t g, std::uint8_t b) { return {b, g, r, 0}; }
Bytes Zeros(std::size_t n) { return Bytes(n, 0); }

constexpr MeasureRules kStd = MeasureRules::kStandard;
constexpr MeasureRules kAll = MeasureRules::kEveryImage;

struct Case {
  const char* what;
  HeaderSpec spec;
  MeasureRules rules;
  Bytes body;  // palette, colour rows and mask as stored after the header
  std::uint32_t width, height;
  std::vector<Px> want;  // top row first; empty when no image comes out
};

// Colour rows and palette shared by the 2 × 2 icon cases.
const Bytes kIcon4BitColours = Concat({Quad(255, 0, 0), Quad(0, 255, 0), Zeros(4 * 14),  // palette
                                       {0x01, 0, 0, 0}, {0x10, 0, 0, 0}});             // bottom, top
const Bytes kIcon32Colours = {1, 2, 3, 0x80, 4, 5, 6, 0, 7, 8, 9, 0xFF, 10, 11, 12, 0};
const Bytes kIcon32NoAlpha = {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0};
const Bytes kMaskBottomLeftTopRight = {0x80, 0, 0, 0, 0x40, 0, 0, 0};

const Case kCases[] = {
    {"1 bit, rows stored bottom-up", {3, 2, 1}, kAll,
     Concat({Quad(255, 0, 0), Quad(0, 0, 255), {0xA0, 0, 0, 0}, {0x40, 0, 0, 0}}), 3, 2,
     {{255, 0, 0, 255}, {0, 0, 255, 255}, {255, 0, 0, 255},
      {0, 0, 255, 255}, {255, 0, 0, 255}, {0, 0, 255, 255}}},
    {"4 bits, high nibble first; an index past the palette is the grey of its value", {3, 1, 4, 0, 2}, kAll,
     Concat({Quad(255, 0, 0), Quad(0, 255, 0), {0x10, 0x70, 0, 0}}), 3, 1,
     {{0, 255, 0, 255}, {255, 0, 0, 255}, {7, 7, 7, 255}}},
    {"8 bits", {2, 1, 8, 0, 3}, kStd,
     Concat({Quad(255, 0, 0), Quad(0, 255, 0), Quad(0, 0, 255), {2, 1, 0, 0}}), 2, 1,
     {{0, 0, 255, 255}, {0, 255, 0, 255}}},
    {"16 bits 5-5-5, top bit ignored, channels scaled by 255/31 rounded down", {4, 1, 16}, kAll,
     {0x00, 0x7C, 0xE0, 0x83, 0x10, 0x42, 0x1F, 0x00}, 4, 1,
     {{255, 0, 0, 255}, {0, 255, 0, 255}, {131, 131, 131, 255}, {0, 0, 255, 255}}},
    {"24 bits, padded rows", {1, 3, 24}, kAll, {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0}, 1, 3,
     {{0, 0, 255, 255}, {0, 255, 0, 255}, {255, 0, 0, 255}}},
    {"24 bits after a palette, every-image rules", {1, 1, 24, 0, 2}, kAll,
     Concat({Bytes(8, 0xEE), {0x10, 0x20, 0x30, 0}}), 1, 1, {{0x30, 0x20, 0x10, 255}}},
    {"24 bits after a palette, standard rules read no palette", {1, 1, 24, 0, 2}, kStd,
     Concat({Bytes(8, 0xEE), {0x10, 0x20, 0x30, 0}}), 1, 1, {{0xEE, 0xEE, 0xEE, 255}}},
    {"4-bit icon: the mask gives alpha, colours stay", {2, 4, 4}, kAll,
     Concat({kIcon4BitColours, kMaskBottomLeftTopRight}), 2, 2,
     {{0, 255, 0, 255}, {255, 0, 0, 0}, {255, 0, 0, 0}, {0, 255, 0, 255}}},
    {"icon with its mask cut off is opaque", {2, 4, 4}, kAll, Concat({kIcon4BitColours, {0x80, 0, 0, 0, 0x40}}), 2, 2,
     {{0, 255, 0, 255}, {255, 0, 0, 255}, {255, 0, 0, 255}, {0, 255, 0, 255}}},
    {"1 bit made square by its mask size, standard rules", {2, 4, 1, 16}, kStd,
     Concat({Quad(0, 0, 0), Quad(255, 255, 255), {0x40, 0, 0, 0}, {0x80, 0, 0, 0},  // colours
             {0x00, 0, 0, 0}, {0xC0, 0, 0, 0}}),                                    // mask
     2, 2, {{255, 255, 255, 0}, {0, 0, 0, 0}, {0, 0, 0, 255}, {255, 255, 255, 255}}},
    {"32-bit icon with alpha: its alpha bytes, not the mask", {2, 4, 32}, kAll,
     Concat({kIcon32Colours, Bytes(8, 0xFF)}), 2, 2,
     {{9, 8, 7, 255}, {12, 11, 10, 0}, {3, 2, 1, 0x80}, {6, 5, 4, 0}}},
    {"32-bit icon whose alpha bytes are all 0: the mask", {2, 4, 32}, kAll,
     Concat({kIcon32NoAlpha, kMaskBottomLeftTopRight}), 2, 2,
     {{9, 8, 7, 255}, {12, 11, 10, 0}, {3, 2, 1, 0}, {6, 5, 4, 255}}},
    {"32 bits, alpha bytes all 0, no mask: opaque", {2, 1, 32}, kAll, {1, 2, 3, 0, 4, 5, 6, 0}, 2, 1,
     {{3, 2, 1, 255}, {6, 5, 4, 255}}},
    {"colour rows cut off", {2, 1, 24}, kAll, {1, 2, 3, 4, 5, 6, 0}, 0, 0, {}},
    {"top-down header, no picture", {2, -1, 24}, kStd, Bytes(16, 1), 0, 0, {}},
    {"zero width, no picture", {0, 1, 8}, kStd, Bytes(1024, 1), 0, 0, {}},
};

std::vector<Px> Pixels(const RgbaImage& image) {
  std::vector<Px> out(image.rgba.size() / 4);
  for (std::size_t i = 0; i < out.size(); ++i) std::copy_n(image.rgba.begin() + 4 * i, 4, out[i].begin());
  return out;
}

TEST(DecodeDibPixels, BitCountsShapesAndAlpha) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    // A few bytes in front: the header need not be the source's first byte.
    const Bytes src = Concat({Bytes(6, 0xCD), Header(c.spec), c.body});
    const std::optional<DibLayout> layout = Measure(test::Info(c.spec), c.rules);
    ASSERT_TRUE(layout.has_value());
    SpanSource source(src);
    const std::optional<RgbaImage> image = DecodeDibPixels(source, 6, *layout);
    if (c.want.empty()) {
      EXPECT_FALSE(image.has_value());
      continue;
    }
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->width, c.width);
    EXPECT_EQ(image->height, c.height);
    EXPECT_EQ(Pixels(*image), c.want);
  }
}

// Hands out at most three bytes a call, as a source read through windows may,
// and counts the calls.
class TrickleSource final : public ByteSource {
 public:
  explicit TrickleSource(const Bytes& bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    ++reads;
    SpanSource whole(bytes_);
    return whole.ReadAt(offset, out.first(std::min<std::size_t>(out.size(), 3)));
  }
  int reads = 0;

 private:
  const Bytes& bytes_;
};

TEST(DecodeDibPixels, ReadsThroughSourcesThatDeliverInPieces) {
  Bytes src = test::IconImage(16, 8);
  for (std::size_t i = 40; i < src.size(); ++i) src[i] = static_cast<std::uint8_t>(i * 37 + 11);
  const DibLayout layout = *MeasureEveryImage(RecordFrom<BitmapInfoHeader>(src));
  SpanSource whole(src);
  TrickleSource trickle(src);
  const std::optional<RgbaImage> expected = DecodeDibPixels(whole, 0, layout);
  ASSERT_TRUE(expected.has_value());
  EXPECT_EQ(DecodeDibPixels(trickle, 0, layout), expected);
}

// Rows the source cannot hold are neither read nor made room for.
TEST(DecodeDibPixels, AGigabyteClaimedByAFewBytesIsNotRead) {
  const Bytes src = Concat({Header({0x10000, 0x1000, 32}), Bytes(64, 1)});
  const DibLayout layout = *MeasureEveryImage(RecordFrom<BitmapInfoHeader>(src));
  TrickleSource source(src);
  EXPECT_FALSE(DecodeDibPixels(source, 0, layout).has_value());
  EXPECT_EQ(source.reads, 0);
}

TEST(DecodeDibPixels, HeaderOffsetPastTheEndGivesNothing) {
  const Bytes src = test::IconImage(16, 4);
  const DibLayout layout = *MeasureEveryImage(RecordFrom<BitmapInfoHeader>(src));
  SpanSource source(src);
  EXPECT_FALSE(DecodeDibPixels(source, src.size() + 10, layout).has_value());
}

}  // namespace
}  // namespace gd
