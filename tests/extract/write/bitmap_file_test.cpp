#include "extract/write/bitmap_file.h"

#include <gtest/gtest.h>

#include "base/byte_reader.h"
#include "tests/support/dib_fixtures.h"

namespace gd {
namespace {

using test::Bytes;
using test::Header;
using test::HeaderSpec;

// A source holding one header followed by `body` bytes counting up.
Bytes Source(const HeaderSpec& spec, std::size_t body) {
  Bytes b = Header(spec);
  for (std::size_t i = 0; i < body; ++i) b.push_back(static_cast<std::uint8_t>(i * 7 + 1));
  return b;
}

TEST(BuildBitmapFile, WritesFileHeaderAdjustedHeaderAndCopiedRows) {
  struct Case {
    const char* what;
    HeaderSpec spec;
    std::int32_t height;
    std::uint32_t size_image, off_bits, file_size;
  };
  const Case cases[] = {
      {"32x64 4-bit with mask size", {32, 64, 4, 640}, 32, 512, 118, 630},
      {"16x32 8-bit icon shape", {16, 32, 8, 0}, 16, 256, 1078, 1334},
      {"32x64 1-bit cursor", {32, 64, 1, 0}, 32, 128, 62, 190},
      {"100x50 24-bit plain", {100, 50, 24, 0}, 50, 15000, 54, 15054},
      {"8x8 8-bit with 3 colours", {8, 8, 8, 0, 3}, 8, 64, 66, 130},
  };
  for (const auto& c : cases) {
    const Bytes src = Source(c.spec, 20000);
    const Bytes out = BuildBitmapFile(src, 0);
    ASSERT_EQ(out.size(), c.file_size) << c.what;
    EXPECT_EQ(out[0], 'B');
    EXPECT_EQ(out[1], 'M');
    EXPECT_EQ(ByteReader::Le32(&out[2]), c.file_size) << c.what;
    EXPECT_EQ(ByteReader::Le32(&out[6]), 0u) << c.what;
    EXPECT_EQ(ByteReader::Le32(&out[10]), c.off_bits) << c.what;
    const BitmapInfoHeader h = RecordFrom<BitmapInfoHeader>(std::span(out).subspan(14));
    EXPECT_EQ(h.biHeight, c.height) << c.what;
    EXPECT_EQ(h.biSizeImage, c.size_image) << c.what;
    EXPECT_EQ(h.biWidth, c.spec.width) << c.what;
    EXPECT_EQ(h.biClrUsed, c.spec.clr_used) << c.what;
    // Palette and rows come straight from the bytes after the source header.
    EXPECT_TRUE(std::equal(out.begin() + 54, out.end(), src.begin() + 40)) << c.what;
  }
}

TEST(BuildBitmapFile, NeverCopiesFromBeyondTheData) {
  // Claims 15000 bytes of rows but only 100 follow: the rest stays zero.
  const Bytes src = Source({100, 50, 24}, 100);
  const Bytes out = BuildBitmapFile(src, 0);
  ASSERT_EQ(out.size(), 15054u);
  EXPECT_TRUE(std::equal(out.begin() + 54, out.begin() + 154, src.begin() + 40));
  EXPECT_TRUE(std::all_of(out.begin() + 154, out.end(), [](std::uint8_t b) { return b == 0; }));
  // A negative size copies nothing at all.
  EXPECT_EQ(BuildBitmapFile(Source({8, -8, 24}, 0), 0).size(), 54u);
  EXPECT_THROW(BuildBitmapFile(Bytes(39, 0), 0), ShortRead);
}

}  // namespace
}  // namespace gd
