#include <gtest/gtest.h>

#include <random>
#include <typeinfo>

#include "gif/gif_sub_image.h"
#include "gif/lzw_decoder.h"
#include "tests/gif/reference_decoder.h"
#include "tests/support/gif_builder.h"

namespace gd {
namespace {

using test::Bytes;
using test::CodePacker;

// Data decoded on its own into a fresh matrix of the given shape.
struct Decoded {
  std::string error;  // "" when decoding returned normally
  Bytes pixels;       // the whole matrix afterwards
};

Decoded Decode(unsigned width, unsigned height, bool interlaced, unsigned code_size, const Bytes& data) {
  TByteArray2D matrix(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height));
  Decoded out;
  try {
    DecodeLzw(data, code_size,
              LzwOutput{matrix, static_cast<std::int32_t>(width), static_cast<std::int32_t>(height), interlaced});
  } catch (const Exception& e) {
    out.error = test::ErrorName(e);
  }
  const auto all = matrix.Data().Bytes();
  out.pixels.assign(all.begin(), all.end());
  return out;
}

// Codes of one width after another: {code, width} pairs.
Bytes Pack(std::initializer_list<std::pair<unsigned, unsigned>> codes) {
  CodePacker p;
  for (auto [code, width] : codes) p.Put(code, width);
  return p.Finish();
}

TEST(LzwDecoder, CodeSizeMustBeTwoToNine) {
  for (unsigned size : {0u, 1u, 10u, 12u}) EXPECT_EQ(Decode(1, 1, false, size, {0}).error, "EGifException: Bad code Size");
  // 9 is accepted; roots above 255 keep their low 8 bits.
  const Decoded d = Decode(2, 1, false, 9, Pack({{512, 10}, {300, 10}, {7, 10}, {513, 10}}));
  EXPECT_EQ(d.error, "");
  EXPECT_EQ(d.pixels, (Bytes{300 & 0xFF, 7}));
}

TEST(LzwDecoder, ImageChecksCodeSizeBeforeItsDataSubBlocks) {
  TGifSubImage image(4, nullptr);
  image.CodeSize = 10;
  EXPECT_THROW(image.DecodeImage(), EGifException);
  image.CodeSize = 2;
  try {
    image.DecodeImage();
    ADD_FAILURE();
  } catch (const EStringListError& e) {
    EXPECT_STREQ(e.what(), "リストのインデックスが範囲を超えています (0)");
  }
}

TEST(LzwDecoder, MatrixOfAnotherShapeRaisesAsEachRowIsStored) {
  struct Case {
    const char* what;
    unsigned columns, rows;
    std::string error;
    Bytes pixels;
  };
  // Two rows of 2 pixels: 1 2, 3 1.
  const Bytes data = Pack({{4, 3}, {1, 3}, {2, 3}, {3, 3}, {1, 4}, {5, 4}});
  const Case cases[] = {
      {"rows of another length", 3, 2, "Exception: Row doesn't have equal number of elements as Matrix row",
       Bytes(6, 0)},
      {"fewer rows", 2, 1, "EIndexOutOfBounds: Dynamic array index out of bounds", {1, 2}},
      {"more rows", 2, 3, "", {1, 2, 3, 1, 0, 0}},
  };
  for (const Case& c : cases) {
    TByteArray2D matrix(static_cast<std::int32_t>(c.columns), static_cast<std::int32_t>(c.rows));
    std::string error;
    try {
      DecodeLzw(data, 2, LzwOutput{matrix, 2, 2, false});
    } catch (const Exception& e) {
      error = test::ErrorName(e);
    }
    EXPECT_EQ(error, c.error) << c.what;
    const auto all = matrix.Data().Bytes();
    EXPECT_EQ(Bytes(all.begin(), all.end()), c.pixels) << c.what;
  }
}

TEST(LzwDecoder, HandMadeStreams) {
  struct Case {
    const char* what;
    unsigned width, height;
    bool interlaced;
    Bytes data;
    std::string error;
    Bytes pixels;
  };
  const Case cases[] = {
      {"clear 1 1 end", 2, 1, false, Pack({{4, 3}, {1, 3}, {1, 3}, {5, 3}}), "", {1, 1}},
      {"two clears read as one", 2, 1, false, Pack({{4, 3}, {4, 3}, {2, 3}, {3, 3}, {5, 3}}), "", {2, 3}},
      {"data before any clear", 2, 1, false, Pack({{2, 3}, {3, 3}, {5, 3}}), "", {2, 3}},
      {"code at the next free code (KwKwK)", 3, 1, false, Pack({{4, 3}, {1, 3}, {6, 3}, {5, 3}}), "", {1, 1, 1}},
      {"table code", 4, 1, false, Pack({{4, 3}, {1, 3}, {2, 3}, {6, 3}, {5, 4}}), "", {1, 2, 1, 2}},
      {"code after clear above next free is 0", 2, 1, false, Pack({{4, 3}, {7, 3}, {1, 3}, {5, 3}}), "", {0, 1}},
      {"clear then end", 1, 1, false, Pack({{4, 3}, {5, 3}}), "EGifException: Bad code", {0}},
      {"code beyond next free", 2, 1, false, Pack({{4, 3}, {1, 3}, {7, 3}}), "EGifException: Bad code", {0, 0}},
      {"end of data without end code keeps nothing partial", 3, 1, false, Pack({{4, 3}, {1, 3}}), "", {0, 0, 0}},
      {"one row more than the height", 1, 2, false, Pack({{4, 3}, {1, 3}, {2, 3}, {3, 3}, {5, 3}}),
       "EIndexOutOfBounds: Dynamic array index out of bounds", {1, 2}},
      {"partial extra row is dropped quietly", 2, 1, false, Pack({{4, 3}, {1, 3}, {2, 3}, {3, 3}, {5, 3}}), "", {1, 2}},
      {"any pixel in a zero-width image", 0, 3, false, Pack({{4, 3}, {1, 3}, {5, 3}}),
       "EIndexOutOfBounds: Dynamic array index out of bounds", {}},
      {"no pixel in a zero-width image", 0, 3, false, Pack({{4, 3}, {5, 3}}), "EGifException: Bad code", {}},
      {"zero-height image", 2, 0, false, Pack({{4, 3}, {1, 3}, {1, 3}, {5, 3}}),
       "EIndexOutOfBounds: Dynamic array index out of bounds", {}},
      {"interlaced 8 rows", 1, 8, true,
       Pack({{4, 3}, {0, 3}, {1, 3}, {2, 3}, {3, 4}, {0, 4}, {1, 4}, {2, 4}, {3, 4}, {5, 4}}), "",
       {0, 0, 2, 1, 1, 2, 3, 3}},
      {"interlaced 3 rows", 1, 3, true, Pack({{4, 3}, {1, 3}, {2, 3}, {3, 3}, {5, 3}}), "", {1, 3, 2}},
      {"interlaced 1 row", 2, 1, true, Pack({{4, 3}, {1, 3}, {2, 3}, {5, 3}}), "", {1, 2}},
      {"interlaced row past the last", 1, 2, true, Pack({{4, 3}, {1, 3}, {2, 3}, {3, 3}, {5, 3}}),
       "EIndexOutOfBounds: Dynamic array index out of bounds", {1, 2}},
  };
  for (const Case& c : cases) {
    const Decoded d = Decode(c.width, c.height, c.interlaced, 2, c.data);
    EXPECT_EQ(d.error, c.error) << c.what;
    EXPECT_EQ(d.pixels, c.pixels) << c.what;
  }
}

TEST(LzwDecoder, ClearInTheMiddleResetsWidthAndTable) {
  // Grow to 4-bit codes, clear, and go on with 3-bit codes.
  CodePacker p;
  test::WidthTracker w(2);
  p.Put(4, w.Width());
  Bytes expected;
  for (unsigned i = 0; i < 6; ++i) {
    p.Put(i % 4, w.Width());
    w.Used();
    expected.push_back(static_cast<std::uint8_t>(i % 4));
  }
  ASSERT_EQ(w.Width(), 4u);
  p.Put(4, w.Width());
  w.Clear();
  p.Put(3, 3);
  p.Put(2, 3);
  p.Put(6, 3);  // the first table code after the clear again: "3 2"
  p.Put(5, 4);
  test::Append(expected, {3, 2, 3, 2});
  const Decoded d = Decode(10, 1, false, 2, p.Finish());
  EXPECT_EQ(d.error, "");
  EXPECT_EQ(d.pixels, expected);
}

// Root codes r, r+1, ... (mod 256) until entry 4095 has been added; entry
// 258 + j then stands for the pixels j, j + 1 (mod 256).
struct FullTable {
  CodePacker packer;
  Bytes pixels;
  FullTable() {
    test::WidthTracker w(8);
    packer.Put(256, w.Width());
    for (unsigned sent = 0; w.NextFree() < 4096; ++sent) {
      packer.Put(sent % 256, w.Width());
      w.Used();
      pixels.push_back(static_cast<std::uint8_t>(sent));
    }
  }
};

TEST(LzwDecoder, FullTableGoesOnWithTwelveBitCodesUntilAClearCode) {
  // The encoder defers the clear code: table codes and a root code without
  // new entries, then a clear code, a root code at 9 bits and the end.
  FullTable t;
  Bytes expected = t.pixels;
  t.packer.Put(4095, 12);  // 253 254
  t.packer.Put(300, 12);   // 42 43
  t.packer.Put(65, 12);
  t.packer.Put(4095, 12);  // unchanged: no entry was added after the table filled
  t.packer.Put(256, 12);
  t.packer.Put(9, 9);
  t.packer.Put(257, 9);
  test::Append(expected, {253, 254, 42, 43, 65, 253, 254, 9});
  const Decoded d = Decode(static_cast<unsigned>(expected.size()), 1, false, 8, t.packer.Finish());
  EXPECT_EQ(d.error, "");
  EXPECT_EQ(d.pixels, expected);

  // The end code straight after the table filled.
  FullTable ends;
  ends.packer.Put(257, 12);
  const Decoded e = Decode(static_cast<unsigned>(ends.pixels.size()), 1, false, 8, ends.packer.Finish());
  EXPECT_EQ(e.error, "");
  EXPECT_EQ(e.pixels, ends.pixels);
}

TEST(LzwDecoder, EncoderThatNeverClearsAgreesWithTheReference) {
  // Noise fills the table many times over; after that, only existing
  // entries are sent.
  std::mt19937 rng(7);
  Bytes pixels(251 * 97);
  for (auto& p : pixels) p = static_cast<std::uint8_t>(rng() % 23);
  const Bytes data = test::LzwEncode(pixels, 5, true, true);
  for (bool interlaced : {false, true}) {
    const Decoded d = Decode(251, 97, interlaced, 5, data);
    const test::ReferenceResult ref = test::ReferenceDecode(251, 97, interlaced, 5, data, 255);
    EXPECT_EQ(d.error, "");
    EXPECT_EQ(d.pixels, ref.pixels);
    if (!interlaced) {
      EXPECT_EQ(d.pixels, pixels);
    }
  }
}

TEST(LzwDecoder, DataEndingAfterTheFirstRowKeepsThatRow) {
  // 16 bits exactly: clear, 1, 2, 3 in 3 bits, then 1 in 4 bits.
  const Bytes data = test::LzwRootCodes({1, 2, 3, 1}, 2, false);
  ASSERT_EQ(data.size(), 2u);
  const Decoded d = Decode(3, 3, false, 2, data);
  EXPECT_EQ(d.error, "");
  EXPECT_EQ(d.pixels, (Bytes{1, 2, 3, 0, 0, 0, 0, 0, 0}));
}

// The fast decoder against a literal, per-pixel reading of the format on
// real encoder output, damaged data and noise, in every row order.
TEST(LzwDecoder, AgreesWithThePerPixelReference) {
  std::mt19937 rng(12345);
  auto pick = [&](unsigned lo, unsigned hi) { return std::uniform_int_distribution<unsigned>(lo, hi)(rng); };
  for (int round = 0; round < 600; ++round) {
    const unsigned code_size = pick(2, 9);
    const unsigned width = pick(0, 40);
    const unsigned height = pick(0, 30);
    const bool interlaced = pick(0, 1) == 1;
    const unsigned colours = std::min(256u, 1u << code_size);
    // Images with runs, so that long table strings appear.
    Bytes pixels(static_cast<std::size_t>(width) * height + pick(0, 2) * pick(0, width));
    unsigned value = 0;
    for (auto& p : pixels) {
      if (pick(0, 3) == 0) value = pick(0, colours - 1);
      p = static_cast<std::uint8_t>(value);
    }
    Bytes data = test::LzwEncode(pixels, code_size, pick(0, 4) != 0);
    switch (pick(0, 4)) {
      case 0:  // truncated
        data.resize(pick(0, static_cast<unsigned>(data.size())));
        break;
      case 1:  // damaged
        for (unsigned i = pick(1, 4); i > 0 && !data.empty(); --i) data[pick(0, static_cast<unsigned>(data.size() - 1))] ^= static_cast<std::uint8_t>(1u << pick(0, 7));
        break;
      case 2:  // noise
        data.resize(pick(1, 300));
        for (auto& b : data) b = static_cast<std::uint8_t>(pick(0, 255));
        break;
      default:
        break;
    }
    if (data.empty()) data.push_back(0);
    const std::size_t block_size = pick(1, 255);
    const Decoded fast = Decode(width, height, interlaced, code_size, data);
    const test::ReferenceResult ref = test::ReferenceDecode(width, height, interlaced, code_size, data, block_size);
    ASSERT_EQ(fast.error, ref.error) << "round " << round;
    ASSERT_EQ(fast.pixels, ref.pixels) << "round " << round;
  }
}

TEST(LzwDecoder, LargeImagesWithLongStringsAgreeWithTheReference) {
  for (bool interlaced : {false, true}) {
    Bytes pixels(333 * 71);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>((i / 97) % 5);
    const Bytes data = test::LzwEncode(pixels, 8);
    const Decoded fast = Decode(333, 71, interlaced, 8, data);
    const test::ReferenceResult ref = test::ReferenceDecode(333, 71, interlaced, 8, data, 255);
    EXPECT_EQ(fast.error, "");
    EXPECT_EQ(fast.pixels, ref.pixels);
    if (!interlaced) {
      EXPECT_EQ(fast.pixels, pixels);
    }
  }
}

}  // namespace
}  // namespace gd
