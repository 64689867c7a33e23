#include "extract/find/scanner.h"

#include <gtest/gtest.h>

#include <random>

#include "extract/dib/dib_layout.h"
#include "extract/dib/dib_shape.h"
#include "tests/support/dib_fixtures.h"

namespace gd {
namespace {

using test::Bytes;
using test::Concat;
using test::Header;
using test::HeaderSpec;
using test::IconImage;
using test::Info;

std::vector<std::size_t> Find(const Bytes& b) { return FindImages(b); }

// The search exactly as it is meant to run, two bytes at a time, to check
// the vectorised search against.
std::vector<std::size_t> ReferenceFind(const Bytes& d) {
  std::vector<std::size_t> out;
  std::size_t pos = 0;
  for (;;) {
    if (pos + 2 > d.size()) return out;
    if (d[pos] != 0x28 || d[pos + 1] != 0) {
      pos += 2;
      continue;
    }
    if (pos + 40 > d.size()) return out;
    if (!IsImageHeader(std::span(d).subspan(pos).first<40>())) {
      pos += 40;
      continue;
    }
    const std::int64_t extent = ScanExtent(RecordFrom<BitmapInfoHeader>(std::span(d).subspan(pos)));
    if (extent <= 0) {
      pos += 40;
      continue;
    }
    if (static_cast<std::int64_t>(pos) + extent > static_cast<std::int64_t>(d.size())) return out;
    out.push_back(pos);
    pos += static_cast<std::size_t>(extent);
  }
}

// A 766-byte icon file with one 32×32 16-colour image whose header is at 22.
Bytes WorkedExampleIcon(std::uint32_t size_image) {
  Bytes icon = test::IconFile({IconImage(32, 4)});
  EXPECT_EQ(icon.size(), 766u);
  icon[22 + 20] = static_cast<std::uint8_t>(size_image);  // biSizeImage, low bytes
  icon[22 + 21] = static_cast<std::uint8_t>(size_image >> 8);
  return icon;
}

TEST(FindImages, FindsTheImageOfAnIconFile) {
  EXPECT_EQ(Find(WorkedExampleIcon(640)), (std::vector<std::size_t>{22}));
  // Without the mask size the full declared height runs past the end.
  EXPECT_TRUE(Find(WorkedExampleIcon(0)).empty());
}

TEST(FindImages, SearchRules) {
  const Bytes img = IconImage(16, 4);  // 40 + 64 + 128 + 64 bytes
  const Bytes bad = Header({32, 64, 4, 0, 0, 40, 2});
  struct Case {
    const char* what;
    Bytes data;
    std::vector<std::size_t> found;
  };
  const Case cases[] = {
      {"empty", {}, {}},
      {"one byte", {0x28}, {}},
      {"at an odd offset", Concat({{0}, img, {0}}), {}},
      {"at an even offset", Concat({{0, 0}, img}), {2}},
      {"a rejected candidate hides one 20 bytes on",
       Concat({Bytes(bad.begin(), bad.begin() + 20), img}), {}},
      {"a rejected candidate does not hide one 40 bytes on", Concat({bad, img}), {40}},
      {"a candidate less than 40 bytes before the end ends the search",
       Concat({img, Bytes(bad.begin(), bad.begin() + 38)}), {0}},
      {"an extent ending exactly at the end", img, {0}},
      {"an extent one byte past the end", Bytes(img.begin(), img.end() - 65), {}},
      {"back to back", Concat({img, img}), {0, 296}},
  };
  for (const auto& c : cases) EXPECT_EQ(Find(c.data), c.found) << c.what;
}

TEST(FindImages, MaskBytesThatLookLikeACandidateHideTheNextImage) {
  Bytes first = IconImage(16, 4);
  // 28 00 at an even offset within the last 38 bytes of the mask: the search
  // jumps 40 bytes from there, past the start of the second image.
  first[first.size() - 10] = 0x28;
  first[first.size() - 9] = 0x00;
  EXPECT_EQ(Find(Concat({first, IconImage(16, 4)})), (std::vector<std::size_t>{0}));
}

TEST(FindImages, HeadersThatCannotBeMeasuredArePassedOver) {
  // A top-down image has a negative extent; the search goes on 40 bytes past
  // its first byte and still finds what follows.
  const Bytes top_down = Header({8, -8, 24});
  const Bytes wrapped = Header({268435456, 4, 16});  // extent 40
  const Bytes zero_rows = Header({0, 0, 24});        // extent 40, recorded
  EXPECT_EQ(Find(Concat({top_down, IconImage(16, 4)})), (std::vector<std::size_t>{40}));
  EXPECT_EQ(Find(Concat({zero_rows, IconImage(16, 4)})), (std::vector<std::size_t>{0, 40}));
  EXPECT_EQ(Find(wrapped), (std::vector<std::size_t>{0}));
  // biClrUsed near 2^30 makes the palette wrap to a negative size.
  EXPECT_TRUE(Find(Concat({Header({4, 4, 8, 0, 0x60000000}), Bytes(64, 0)})).empty());
}

TEST(FindImages, StopsAtTheRequestedCount) {
  Bytes many;
  for (int i = 0; i < 5; ++i) many = Concat({many, IconImage(16, 4)});
  EXPECT_EQ(FindImages(many, 3).size(), 3u);
  EXPECT_EQ(FindImages(many).size(), 5u);
}

TEST(FindImages, VectorisedSearchAgreesWithTheTwoByteSearch) {
  std::mt19937 rng(1234);
  const Bytes pieces[] = {IconImage(16, 4), IconImage(32, 8), Header({32, 64, 4, 0, 0, 40, 2}),
                          Header({8, -8, 8}), Bytes{0x28, 0x00}, Bytes{0x28}, Bytes{0x00, 0x28, 0x00}};
  for (int round = 0; round < 400; ++round) {
    Bytes d;
    const int n = static_cast<int>(rng() % 12);
    for (int i = 0; i < n; ++i) {
      const std::size_t gap = rng() % 90;
      for (std::size_t k = 0; k < gap; ++k) d.push_back(static_cast<std::uint8_t>(rng() % 3 == 0 ? 0 : rng()));
      const Bytes& p = pieces[rng() % std::size(pieces)];
      d.insert(d.end(), p.begin(), p.end());
    }
    ASSERT_EQ(FindImages(d), ReferenceFind(d)) << "round " << round;
  }
}

}  // namespace
}  // namespace gd
