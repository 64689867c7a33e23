// Embedded PNG, GIF and JPEG files: which candidates are taken, and exactly how
// long each is, at any offset, whole, damaged or cut short.

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "base/errors.h"
#include "extract/find/gif_carver.h"
#include "extract/find/jpeg_carver.h"
#include "extract/find/png_carver.h"
#include "extract/source/span_source.h"
#include "gif/allocation_limit.h"
#include "tests/support/gif_builder.h"
#include "tests/support/jpeg_fixtures.h"
#include "tests/support/png_fixtures.h"

namespace gd {
namespace {

using test::Bytes;
using test::AppendTo;
using test::IhdrData;
using test::PngChunk;
using test::PngSignature;
using test::TinyPng;

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Junk(std::size_t n) {
  Bytes out(n);
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(i * 37 + 11);
  return out;
}

Bytes Cut(const Bytes& b, std::size_t keep) { return Bytes(b.begin(), b.begin() + static_cast<long>(keep)); }

Bytes Flip(Bytes b, std::size_t at) {
  b[at] ^= 0x01;
  return b;
}

Bytes SetBe32(Bytes b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
  return b;
}

// One candidate: the bytes, where the carver is asked to look, and the
// length it must report (nullopt: not an image).
struct Row {
  const char* what;
  Bytes data;
  std::uint64_t offset;
  std::optional<std::uint64_t> length;
};

template <class Carver>
void CheckRows(const std::vector<Row>& rows, Carver carve) {
  for (const Row& r : rows) {
    SpanSource src(r.data);
    const auto got = carve(src, r.offset);
    if (r.length) {
      ASSERT_TRUE(got.has_value()) << r.what;
      EXPECT_EQ(got->length, *r.length) << r.what;
    } else {
      EXPECT_FALSE(got.has_value()) << r.what << ": taken with length " << got->length;
    }
  }
}

// ---------------------------------------------------------------- PNG

// TinyPng's layout: signature 0-7, IHDR chunk 8-32 (CRC 29-32), IDAT chunk
// from 33 (data from 41), IEND in the last 12 bytes.
constexpr std::size_t kIhdrCrc = 29, kIdatLength = 33, kIdatData = 41;

Bytes PngOf(std::initializer_list<Bytes> chunks) {
  Bytes out = PngSignature();
  for (const Bytes& c : chunks) AppendTo(out, c);
  return out;
}

TEST(CarvePng, Candidates) {
  const Bytes png = TinyPng();
  const std::size_t n = png.size();
  const Bytes ihdr = PngChunk("IHDR", IhdrData(3, 2));
  const Bytes idat(png.begin() + kIdatLength, png.end() - 12);
  const Bytes iend = PngChunk("IEND", {});
  Bytes ihdr14 = IhdrData(3, 2);
  ihdr14.push_back(0);

  CheckRows(
      {
          {"alone", png, 0, n},
          {"at 0, junk after", Cat({png, Junk(50)}), 0, n},
          {"at an odd offset", Cat({Junk(7), png, Junk(9)}), 7, n},
          {"at an even offset", Cat({Junk(10), png, Junk(3)}), 10, n},
          {"a second PNG right after ends nothing early", Cat({png, png}), 0, n},
          {"ancillary chunks and an empty IDAT",
           PngOf({ihdr, PngChunk("tEXt", Bytes{'a', 0, 'b'}), idat, PngChunk("IDAT", {}), iend}), 0,
           n + 15 + 12},
          {"asked one byte early", Cat({Junk(7), png}), 6, std::nullopt},
          {"asked one byte late", Cat({Junk(7), png}), 8, std::nullopt},
          {"asked at the end", png, n, std::nullopt},
          {"asked past the end", png, n + 5, std::nullopt},

          {"bad CRC in IHDR", Flip(png, kIhdrCrc), 0, std::nullopt},
          {"bad CRC in IDAT (data byte changed)", Flip(png, kIdatData), 0, std::nullopt},
          {"bad CRC in IEND", Flip(png, n - 1), 0, std::nullopt},
          {"cut in the signature", Cut(png, 5), 0, std::nullopt},
          {"cut in IHDR", Cut(png, 20), 0, std::nullopt},
          {"cut mid-IDAT", Cut(png, kIdatData + 2), 0, std::nullopt},
          {"cut before IEND", Cut(png, n - 12), 0, std::nullopt},
          {"cut in IEND's CRC", Cut(png, n - 1), 0, std::nullopt},
          {"IDAT length beyond the file", SetBe32(png, kIdatLength, 0x00100000), 0, std::nullopt},
          {"IDAT length at PNG's limit", SetBe32(png, kIdatLength, 0x7FFFFFFF), 0, std::nullopt},
          {"IDAT length wrapping 32 bits", SetBe32(png, kIdatLength, 0xFFFFFFF8), 0, std::nullopt},

          {"zero width", TinyPng(0, 2), 0, std::nullopt},
          {"zero height", TinyPng(3, 0), 0, std::nullopt},
          {"width above 2^31 - 1", PngOf({PngChunk("IHDR", IhdrData(0x80000000u, 2)), idat, iend}), 0, std::nullopt},
          {"IHDR not first", PngOf({PngChunk("tEXt", Bytes{'a', 0}), ihdr, idat, iend}), 0, std::nullopt},
          {"IHDR of 14 bytes", PngOf({PngChunk("IHDR", ihdr14), idat, iend}), 0, std::nullopt},
          {"RGB at 4 bits, a pair PNG forbids", PngOf({PngChunk("IHDR", IhdrData(3, 2, 4, 2)), idat, iend}), 0,
           std::nullopt},
          {"colour type 5", PngOf({PngChunk("IHDR", IhdrData(3, 2, 8, 5)), idat, iend}), 0, std::nullopt},
          {"chunk type with a digit", PngOf({ihdr, PngChunk("ab1d", {}), idat, iend}), 0, std::nullopt},
          {"IEND with data", PngOf({ihdr, idat, PngChunk("IEND", Bytes{0})}), 0, std::nullopt},
          {"no IDAT", PngOf({ihdr, iend}), 0, std::nullopt},
      },
      CarvePng);
}

TEST(CarvePng, ReportsSizeAndBitsPerPixel) {
  struct Case {
    std::uint8_t colour_type, depth;
    std::uint32_t bits;
  };
  const Case cases[] = {{0, 1, 1},  {0, 16, 16}, {2, 8, 24},  {2, 16, 48},
                        {3, 4, 4},  {3, 8, 8},   {4, 8, 16},  {6, 8, 32}, {6, 16, 64}};
  for (const Case& c : cases) {
    const Bytes png = TinyPng(5, 7, c.depth, c.colour_type);
    SpanSource src(png);
    const auto got = CarvePng(src, 0);
    ASSERT_TRUE(got.has_value()) << int{c.colour_type} << "/" << int{c.depth};
    EXPECT_EQ(got->width, 5u);
    EXPECT_EQ(got->height, 7u);
    EXPECT_EQ(got->bits, c.bits) << int{c.colour_type} << "/" << int{c.depth};
  }
}

// Remembers the largest single read and the bytes read in all.
class CountingSource final : public ByteSource {
 public:
  explicit CountingSource(std::span<const std::uint8_t> bytes) : inner_(bytes) {}
  std::uint64_t Size() const override { return inner_.Size(); }
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    largest = std::max(largest, out.size());
    const std::size_t n = inner_.ReadAt(offset, out);
    total += n;
    return n;
  }
  std::size_t largest = 0;
  std::uint64_t total = 0;

 private:
  SpanSource inner_;
};

TEST(CarvePng, LargeChunksAreCheckedInBoundedReads) {
  // About 20 MB of stored (uncompressed) rows in IDAT chunks of 4 MiB.
  const std::uint32_t width = 2560, height = 2700;
  const Bytes zlib = test::ZeroRows(width * 3, height, 0);
  ASSERT_GT(zlib.size(), 20'000'000u);
  Bytes png = PngSignature();
  AppendTo(png, PngChunk("IHDR", IhdrData(width, height)));
  const std::size_t piece = 4u << 20;
  for (std::size_t at = 0; at < zlib.size(); at += piece) {
    const auto end = zlib.begin() + static_cast<long>(std::min(zlib.size(), at + piece));
    AppendTo(png, PngChunk("IDAT", Bytes(zlib.begin() + static_cast<long>(at), end)));
  }
  AppendTo(png, PngChunk("IEND", {}));
  const Bytes data = Cat({Junk(3), png, Junk(5)});

  CountingSource src(data);
  const auto got = CarvePng(src, 3);
  ASSERT_TRUE(got.has_value());
  EXPECT_EQ(got->length, png.size());
  EXPECT_EQ(got->width, width);
  EXPECT_EQ(got->height, height);
  EXPECT_LE(src.largest, std::size_t{1} << 20);
  EXPECT_LE(src.total, png.size());  // every byte once
}

// ---------------------------------------------------------------- GIF

Bytes Gif(std::initializer_list<Bytes> parts) { return Cat(parts); }

const Bytes kPixels{0, 1, 2, 3};
const Bytes kTrailer{0x3B};

// Graphic control extension, as animations put one before each frame.
Bytes Gce(std::uint8_t packed, unsigned delay, std::uint8_t size = 4, std::uint8_t terminator = 0) {
  Bytes out{0x21, 0xF9, size, packed};
  test::Put16(out, delay);
  out.push_back(0);  // transparent index
  out.push_back(terminator);
  return out;
}

Bytes Netscape() {
  Bytes out{0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0};
  return out;
}

Bytes Comment(const std::string& text) {
  Bytes out{0x21, 0xFE};
  test::Append(out, test::SubBlocks(Bytes(text.begin(), text.end())));
  return out;
}

Bytes Frame(const Bytes& pixels = kPixels) { return test::Image(2, 2, 0x00, {}, 2, test::LzwRootCodes(pixels, 2)); }

Bytes ImageWithLzw(const Bytes& lzw, unsigned code_size = 2) { return test::Image(2, 2, 0x00, {}, code_size, lzw); }

Bytes Animated() {
  return Gif({test::Head(2, 2), Netscape(), Comment("three frames"), Gce(0x04, 10), Frame({0, 1, 2, 3}),
              Gce(0x09, 10), Frame({3, 2, 1, 0}), Gce(0x04, 10),
              test::Image(2, 2, 0x80 | 0x01, Bytes(12, 0x40), 2, test::LzwRootCodes({1, 1, 1, 1}, 2)), kTrailer});
}

TEST(CarveGif, Candidates) {
  const Bytes gif = test::SimpleGif(2, 2, kPixels);
  const std::size_t n = gif.size();
  const Bytes gif87 = Gif({test::Head(2, 2, true, 2, "87a"), Frame(), kTrailer});
  const Bytes animated = Animated();

  // LZW with a code above the next free one, and a clear code followed at
  // once by the end code: both are damaged data to the codec.
  test::CodePacker above;
  above.Put(4, 3);  // clear
  above.Put(0, 3);
  above.Put(7, 3);  // next free is 6
  above.Put(5, 3);
  test::CodePacker clear_end;
  clear_end.Put(4, 3);
  clear_end.Put(5, 3);

  CheckRows(
      {
          {"89a alone", gif, 0, n},
          {"87a alone", gif87, 0, gif87.size()},
          {"junk after the trailer is not counted", Cat({gif, Junk(40), kTrailer}), 0, n},
          {"at an odd offset", Cat({Junk(11), gif87, Junk(4)}), 11, gif87.size()},
          {"at an even offset", Cat({Junk(12), gif, Junk(4)}), 12, n},
          {"animated, with application, comment and graphic control extensions", Cat({animated, Junk(9)}), 0,
           animated.size()},
          {"asked one byte late", Cat({Junk(1), gif}), 2, std::nullopt},

          {"cut before the trailer", Cut(gif, n - 1), 0, std::nullopt},
          {"cut in the image data", Cut(gif, n - 4), 0, std::nullopt},
          {"cut in the global table", Cut(gif, 15), 0, std::nullopt},
          {"cut in an animation's last frame", Cut(animated, animated.size() - 20), 0, std::nullopt},
          {"damaged LZW: code above the next free", Gif({test::Head(2, 2), ImageWithLzw(above.Finish()), kTrailer}),
           0, std::nullopt},
          {"damaged LZW: clear then end", Gif({test::Head(2, 2), ImageWithLzw(clear_end.Finish()), kTrailer}), 0,
           std::nullopt},
          {"LZW code size 10", Gif({test::Head(2, 2), ImageWithLzw(test::LzwRootCodes(kPixels, 10), 10), kTrailer}),
           0, std::nullopt},

          {"the bytes GIF8 in a string", Cat({Bytes{'G', 'I', 'F', '8', '9', ' ', 'i', 's'}, Junk(30)}), 0,
           std::nullopt},
          {"version 88a", Gif({test::Head(2, 2, true, 2, "88a"), Frame(), kTrailer}), 0, std::nullopt},
          {"version 89A (upper case)", Gif({test::Head(2, 2, true, 2, "89A"), Frame(), kTrailer}), 0, std::nullopt},
          {"zero screen width", Gif({test::Head(0, 2), Frame(), kTrailer}), 0, std::nullopt},
          {"no image", Gif({test::Head(2, 2), Comment("empty"), kTrailer}), 0, std::nullopt},
          {"an unknown extension label", Gif({test::Head(2, 2), Bytes{0x21, 0xF0, 0}, Frame(), kTrailer}), 0,
           std::nullopt},
          {"graphic control of 5 bytes", Gif({test::Head(2, 2), Gce(0, 0, 5), Frame(), kTrailer}), 0, std::nullopt},
          {"graphic control without its terminator", Gif({test::Head(2, 2), Gce(0, 0, 4, 7), Frame(), kTrailer}), 0,
           std::nullopt},
          {"a stray byte where a block should start", Gif({test::Head(2, 2), Frame(), Bytes{0x00}, kTrailer}), 0,
           std::nullopt},
      },
      CarveGif);
}

TEST(CarveGif, ReportsScreenSizeAndTheFirstImagesTableBits) {
  struct Case {
    const char* what;
    Bytes gif;
    std::uint32_t width, height, bits;
  };
  const Case cases[] = {
      {"global table of 4", test::SimpleGif(2, 2, kPixels), 2, 2, 2},
      {"global table of 256", Gif({test::Head(300, 20, true, 8), Frame(), kTrailer}), 300, 20, 8},
      {"local table of 8 over a global table of 4",
       Gif({test::Head(5, 4), test::Image(2, 2, 0x80 | 0x02, Bytes(24, 1), 2, test::LzwRootCodes(kPixels, 2)),
            kTrailer}),
       5, 4, 3},
      {"no table at all: the global size field", Gif({test::Head(2, 2, false, 4), Frame(), kTrailer}), 2, 2, 4},
      {"an animation: its first frame", Animated(), 2, 2, 2},
  };
  for (const Case& c : cases) {
    SpanSource src(c.gif);
    const auto got = CarveGif(src, 0);
    ASSERT_TRUE(got.has_value()) << c.what;
    EXPECT_EQ(got->width, c.width) << c.what;
    EXPECT_EQ(got->height, c.height) << c.what;
    EXPECT_EQ(got->bits, c.bits) << c.what;
  }
}

// The codec holds the whole file and every decoded frame at once: beyond
// its allocation ceiling a candidate is refused rather than loaded.
TEST(CarveGif, RefusesMoreThanTheCodecsCeiling) {
  struct Restore {
    std::size_t before = MaxGifAllocation();
    ~Restore() { SetMaxGifAllocation(before); }
  } restore;
  const Bytes frame = test::Image(40, 40, 0x00, {}, 2, test::LzwEncode(Bytes(1600, 1), 2));
  const Bytes two_frames = Gif({test::Head(40, 40), frame, frame, kTrailer});
  const Bytes one_frame = Gif({test::Head(40, 40), frame, kTrailer});
  SetMaxGifAllocation(3000);  // one frame's 1600 pixels fit, two do not
  ASSERT_LT(two_frames.size(), 3000u);
  CheckRows({{"one frame", one_frame, 0, one_frame.size()}, {"two frames", two_frames, 0, std::nullopt}}, CarveGif);
  SetMaxGifAllocation(one_frame.size() - 1);
  CheckRows({{"file longer than the ceiling", one_frame, 0, std::nullopt}}, CarveGif);
}

// ---------------------------------------------------------------- JPEG

TEST(CarveJpeg, Candidates) {
  using namespace test;  // the segment builders
  const Bytes tiny = TinyJpeg();
  const Bytes head = JpegCat({Soi(), Dqt(), Sof(0xC0, 8, 8, 1), Dht(0), Dht(1)});
  // Entropy-coded data with a stuffed FF and restart markers, after DRI.
  const Bytes restarts = JpegCat({Soi(), Dri(1), Dqt(), Sof(0xC0, 16, 8, 1), Dht(0), Dht(1), Sos(1),
                                  {0x3F, 0xFF, 0xD0, 0xFF, 0x00, 0xFF, 0xD1, 0x3F}, Eoi()});
  // DC first, then an AC band: each scan needs only its own tables.
  const Bytes progressive = JpegCat({Soi(), Dqt(), Sof(0xC2, 8, 8, 1), Dht(0), Sos(1, 0, 0), {0x7F}, Dht(1),
                                     Sos(1, 1, 63), {0x7F}, Eoi()});
  // An EXIF thumbnail is a whole JPEG inside APP1: it belongs to the image.
  const Bytes exif = JpegCat({Soi(), Segment(0xE1, JpegCat({{'E', 'x', 'i', 'f', 0, 0}, tiny})),
                              Bytes(tiny.begin() + 2, tiny.end())});
  const Bytes dnl = JpegCat({Soi(), Dqt(), Sof(0xC0, 8, 0, 1), Dht(0), Dht(1), Sos(1), {0x3F},
                             Segment(0xDC, {0, 8}), Eoi()});
  const Bytes fill = JpegCat({Soi(), {0xFF, 0xFF}, Dqt(), Sof(0xC1, 8, 8, 1), Dht(0), Dht(1), Sos(1), {0x3F, 0xFF, 0xFF},
                              Eoi()});
  auto with_frame = [&](const Bytes& sof) {
    return JpegCat({Soi(), Dqt(), sof, Dht(0), Dht(1), Sos(1), {0x3F}, Eoi()});
  };
  CheckRows(
      {
          {"tiny baseline", tiny, 0, tiny.size()},
          {"inside other bytes at an odd offset", Cat({Junk(7), tiny, Junk(9)}), 7, tiny.size()},
          {"stuffed byte and restart markers", restarts, 0, restarts.size()},
          {"progressive scans", progressive, 0, progressive.size()},
          {"EXIF thumbnail", exif, 0, exif.size()},
          {"height given by DNL", dnl, 0, dnl.size()},
          {"fill bytes before markers", fill, 0, fill.size()},
          {"colour", TinyJpeg(3), 0, TinyJpeg(3).size()},
          {"four components", TinyJpeg(4), 0, TinyJpeg(4).size()},
          {"bare signature", {0xFF, 0xD8, 0xFF}, 0, std::nullopt},
          {"signature then junk", Cat({{0xFF, 0xD8, 0xFF}, Junk(300)}), 0, std::nullopt},
          {"cut off before EOI", Cut(tiny, tiny.size() - 2), 0, std::nullopt},
          {"cut off in EOI", Cut(tiny, tiny.size() - 1), 0, std::nullopt},
          {"cut off in the tables", Cut(tiny, 30), 0, std::nullopt},
          {"segment length beyond the file", JpegCat({Soi(), {0xFF, 0xE1, 0xFF, 0xF0, 0}, Bytes(tiny.begin() + 2, tiny.end())}),
           0, std::nullopt},
          {"segment length below 2", JpegCat({Soi(), {0xFF, 0xFE, 0x00, 0x01}, Bytes(tiny.begin() + 2, tiny.end())}), 0,
           std::nullopt},
          {"header and no scan", JpegCat({head, Eoi()}), 0, std::nullopt},
          {"scan and no frame", JpegCat({Soi(), Dqt(), Dht(0), Dht(1), Sos(1), {0x3F}, Eoi()}), 0, std::nullopt},
          {"two frames", JpegCat({Soi(), Sof(0xC0, 8, 8, 1), Bytes(head.begin() + 2, head.end()), Sos(1), {0x3F}, Eoi()}), 0,
           std::nullopt},
          {"no width", with_frame(Sof(0xC0, 0, 8, 1)), 0, std::nullopt},
          {"no height and no DNL", with_frame(Sof(0xC0, 8, 0, 1)), 0, std::nullopt},
          {"no components", with_frame(Sof(0xC0, 8, 8, 0)), 0, std::nullopt},
          {"five components", with_frame(Sof(0xC0, 8, 8, 5)), 0, std::nullopt},
          {"frame length disagrees", with_frame(Segment(0xC0, {8, 0, 8, 0, 8, 1, 1, 0x11, 0, 0})), 0, std::nullopt},
          {"scan of a component the frame lacks", JpegCat({head, Sos(1, 0, 63, 2), {0x3F}, Eoi()}), 0, std::nullopt},
          {"Huffman tables after the scan",
           JpegCat({Soi(), Dqt(), Sof(0xC0, 8, 8, 1), Sos(1), {0x3F}, Dht(0), Dht(1), Eoi()}), 0, std::nullopt},
          {"no quantisation table", JpegCat({Soi(), Sof(0xC0, 8, 8, 1), Dht(0), Dht(1), Sos(1), {0x3F}, Eoi()}), 0,
           std::nullopt},
          {"quantisation table cut short", JpegCat({Soi(), Segment(0xDB, Bytes(40, 0)), Sof(0xC0, 8, 8, 1), Dht(0), Dht(1),
                                                    Sos(1), {0x3F}, Eoi()}),
           0, std::nullopt},
          {"AC band before its table", JpegCat({Soi(), Dqt(), Sof(0xC2, 8, 8, 1), Dht(0), Sos(1, 0, 0), {0x7F},
                                                Sos(1, 1, 63), {0x7F}, Dht(1), Eoi()}),
           0, std::nullopt},
          {"second SOI", JpegCat({Soi(), tiny}), 0, std::nullopt},
          {"restart marker outside a scan", JpegCat({Soi(), Marker(0xD0), Bytes(tiny.begin() + 2, tiny.end())}), 0,
           std::nullopt},
          {"reserved marker", JpegCat({Soi(), Segment(0xF7, {0, 0}), Bytes(tiny.begin() + 2, tiny.end())}), 0,
           std::nullopt},
          // What the decoder does not read is not taken, however well formed.
          {"12-bit samples", with_frame(Sof(0xC1, 8, 8, 1, 12)), 0, std::nullopt},
          {"arithmetic coding", JpegCat({Soi(), Dqt(), Sof(0xC9, 8, 8, 1), Sos(1), {0x3F}, Eoi()}), 0, std::nullopt},
      },
      CarveJpeg);
}

TEST(CarveJpeg, ReportsFrameSizeAndEightBitsPerComponent) {
  using namespace test;
  struct Case {
    Bytes data;
    std::uint32_t width, height, bits;
  };
  const Case cases[] = {
      {TinyJpeg(1), 8, 8, 8},
      {TinyJpeg(3), 8, 8, 24},
      {TinyJpeg(4), 8, 8, 32},
      {JpegCat({Soi(), Dqt(), Sof(0xC0, 300, 0, 1), Dht(0), Dht(1), Sos(1), {0x3F}, Segment(0xDC, {0x01, 0x02}), Eoi()}),
       300, 258, 8},
  };
  for (const Case& c : cases) {
    SpanSource src(c.data);
    const std::optional<CarvedImage> got = CarveJpeg(src, 0);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->width, c.width);
    EXPECT_EQ(got->height, c.height);
    EXPECT_EQ(got->bits, c.bits);
  }
}

TEST(CarveJpeg, LongEntropyCodedDataIsReadInPieces) {
  using namespace test;
  // Megabytes of data with stuffed bytes around the reader's piece edges,
  // from a source that is not in memory.
  Bytes data(3u << 20, 0x3F);
  for (std::size_t at = 1000; at + 1 < data.size(); at += 65536 - 1) data[at] = 0xFF, data[at + 1] = 0x00;
  const Bytes jpeg = JpegCat({Soi(), Dqt(), Sof(0xC0, 8, 8, 1), Dht(0), Dht(1), Sos(1), data, Eoi()});
  class CopyingSource final : public ByteSource {
   public:
    explicit CopyingSource(const Bytes& b) : inner_(b) {}
    std::uint64_t Size() const override { return inner_.Size(); }
    std::size_t ReadAt(std::uint64_t at, std::span<std::uint8_t> out) override { return inner_.ReadAt(at, out); }

   private:
    SpanSource inner_;
  };
  CopyingSource src(jpeg);
  const std::optional<CarvedImage> got = CarveJpeg(src, 0);
  ASSERT_TRUE(got.has_value());
  EXPECT_EQ(got->length, jpeg.size());
  const Bytes cut = Cut(jpeg, jpeg.size() - 2);
  CopyingSource cut_src(cut);
  EXPECT_FALSE(CarveJpeg(cut_src, 0).has_value());
}

// ---------------------------------------------------------------- all

class FailingSource final : public ByteSource {
 public:
  explicit FailingSource(std::uint64_t size) : size_(size) {}
  std::uint64_t Size() const override { return size_; }
  std::size_t ReadAt(std::uint64_t, std::span<std::uint8_t>) override { throw ReadError(); }

 private:
  std::uint64_t size_;
};

TEST(Carvers, ReadErrorsPassThrough) {
  FailingSource src(1000);
  EXPECT_THROW(CarvePng(src, 0), ReadError);
  EXPECT_THROW(CarveGif(src, 0), ReadError);
  EXPECT_THROW(CarveJpeg(src, 0), ReadError);
}

}  // namespace
}  // namespace gd
