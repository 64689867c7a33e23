// Hostile GIF files, each row refused with a definite error or handled with a
// definite result; under the sanitizers nothing reads or writes outside a
// buffer on the way.

#include <gtest/gtest.h>

#include <functional>
#include <typeinfo>

#include "gif/byte_arrays.h"
#include "gif/gif_decl.h"
#include "gif/picture/gif_bitmap.h"
#include "tests/support/gif_builder.h"

namespace gd {
namespace {

using test::Append;
using test::Bytes;
using test::CodePacker;

constexpr const char* kNoItem = "リストのインデックスが範囲を超えています (0)";

struct Outcome {
  std::string error;  // the exception's message; empty when it loaded
  std::size_t bitmap_bytes = 0;
  Bytes bitmap;
};

Outcome Load(const Bytes& gif) {
  Outcome o;
  TGifBitmap bitmap;
  TMemoryStream in(gif);
  try {
    bitmap.LoadFromStream(in);
  } catch (const Exception& e) {
    o.error = e.what();
    return o;
  }
  TMemoryStream out;
  bitmap.SaveToStream(out);
  o.bitmap.assign(out.Memory().begin(), out.Memory().end());
  o.bitmap_bytes = o.bitmap.size();
  return o;
}

// One image of width × height from hand-packed 3-bit codes (code size 2).
Bytes WithCodes(unsigned width, unsigned height, std::initializer_list<unsigned> codes, std::uint8_t packed = 0) {
  CodePacker p;
  for (unsigned c : codes) p.Put(c, 3);
  Bytes gif = test::Head(width, height);
  Append(gif, test::Image(width, height, packed, {}, 2, p.Finish()));
  gif.push_back(0x3B);
  return gif;
}

TEST(HostileGif, Rows) {
  Bytes no_data = test::Head(2, 1);
  Append(no_data, {0x2C, 0, 0, 0, 0, 2, 0, 1, 0, 0x00, /* code size */ 2, /* no sub-block */ 0, 0x3B});
  Bytes short_table = test::Head(1, 1, false);
  short_table[10] = 0x87;  // a global table of 256 entries follows ...
  Append(short_table, Bytes(10, 0x55));  // ... but only 10 bytes of it

  struct Row {
    const char* what;
    Bytes gif;
    std::string error;
    std::size_t bitmap_bytes;
  };
  const Row rows[] = {
      {"a code above the next free code", WithCodes(2, 1, {4, 1, 7, 5}), "Bad code", 0},
      {"a bad code after the frame is complete", WithCodes(1, 1, {4, 1, 7}), "Bad code", 0},
      {"clear code then end code", WithCodes(2, 1, {4, 5}), "Bad code", 0},
      // Code 6 is the table entry made on the spot: "1, 1".
      {"more pixels than the frame", WithCodes(1, 1, {4, 1, 6, 5}), "Dynamic array index out of bounds", 0},
      {"pixels in a zero-width frame", WithCodes(0, 1, {4, 1, 5}), "Dynamic array index out of bounds", 0},
      // Eight clear codes fill three bytes exactly, so no padding bits can be
      // read as a pixel; the data then ends without an end code.
      {"zero-size frame without pixels", WithCodes(0, 0, {4, 4, 4, 4, 4, 4, 4, 4}), "", 1078},
      {"fewer pixels than the frame", WithCodes(3, 2, {4, 1, 2, 5}), "", 1078 + 8},
      {"no pixel data at all", no_data, kNoItem, 0},
      {"65535 × 65535", WithCodes(65535, 65535, {4, 1, 5}), "Not enough contiguous memory available", 0},
      {"a colour table cut short", short_table, kNoItem, 0},
      {"only a header", Bytes{'G', 'I', 'F', '8', '9', 'a'}, kNoItem, 0},
      {"empty", Bytes{}, kNoItem, 0},
      {"code size 12", [] {
         Bytes g = WithCodes(1, 1, {4, 1, 5});
         g[g.size() - 6] = 12;  // the minimum code size, before "2 data bytes, 0, trailer"
         return g;
       }(), "Bad code Size", 0},
  };
  for (const Row& r : rows) {
    const Outcome o = Load(r.gif);
    EXPECT_EQ(o.error, r.error) << r.what;
    EXPECT_EQ(o.bitmap_bytes, r.bitmap_bytes) << r.what;
  }
}

TEST(HostileGif, CutOffInsideEveryBlock) {
  // Header, screen, global table, graphic control, comment, application
  // block, image with a local table, data, trailer: cut after every byte.
  Bytes gif = test::Head(3, 2);
  Append(gif, {0x21, 0xF9, 4, 0x05, 10, 0, 1, 0});
  Append(gif, {0x21, 0xFE, 3, 'a', 'b', 'c', 0});
  Append(gif, {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0});
  Append(gif, test::Image(3, 2, 0x81, Bytes(12, 9), 2, test::LzwEncode({1, 2, 3, 3, 2, 1}, 2)));
  gif.push_back(0x3B);
  const std::size_t image_at = gif.size() - 1 - (10 + 12 + 1);
  for (std::size_t keep = 0; keep <= gif.size(); ++keep) {
    const Outcome o = Load(Bytes(gif.begin(), gif.begin() + static_cast<std::ptrdiff_t>(keep)));
    if (keep < image_at) {
      // No image was read: the picture has nothing to show.
      EXPECT_EQ(o.error, kNoItem) << "cut at " << keep;
    } else if (o.error.empty()) {
      EXPECT_EQ(o.bitmap_bytes, 1078u + 8) << "cut at " << keep;
    } else {
      // Cut before the image data: the codec names what is missing.
      EXPECT_TRUE(o.error == kNoItem || o.error == "Bad code Size" || o.error == "Bad code")
          << "cut at " << keep << ": " << o.error;
    }
  }
  EXPECT_EQ(Load(gif).bitmap_bytes, 1078u + 8);
}

TEST(HostileGif, InterlacedFramesOfOneToEightRows) {
  // Row r holds the value r in every pixel; the bitmap must show the rows
  // back in their places whatever the interlaced order stored them in.
  const std::uint8_t order[8][8] = {{0},
                                    {0, 1},
                                    {0, 2, 1},
                                    {0, 2, 1, 3},
                                    {0, 4, 2, 1, 3},
                                    {0, 4, 2, 1, 3, 5},
                                    {0, 4, 2, 6, 1, 3, 5},
                                    {0, 4, 2, 6, 1, 3, 5, 7}};
  for (unsigned h = 1; h <= 8; ++h) {
    Bytes pixels;
    for (unsigned i = 0; i < h; ++i) pixels.insert(pixels.end(), 4, order[h - 1][i]);
    Bytes gif = test::Head(4, h, true, 3);
    Append(gif, test::Image(4, h, 0x40, {}, 3, test::LzwEncode(pixels, 3)));
    gif.push_back(0x3B);
    const Outcome o = Load(gif);
    ASSERT_EQ(o.error, "") << h << " rows";
    ASSERT_EQ(o.bitmap.size(), 1078u + 4 * h);
    for (unsigned r = 0; r < h; ++r) {
      // Bitmap rows run bottom-up.
      EXPECT_EQ(o.bitmap[1078 + 4 * (h - 1 - r)], r) << h << " rows, row " << r;
    }
  }
}

}  // namespace
}  // namespace gd
