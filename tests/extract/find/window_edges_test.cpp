// The search through bounded windows must find exactly what a search of the
// whole file in memory finds, wherever the window edges fall: images, headers
// and rejected candidates crossing an edge, images larger than a window, a
// header near the end. Window sizes are made small so that every kind of
// crossing happens many times over.

#include <gtest/gtest.h>

#include <random>

#include "extract/find/image_search.h"
#include "extract/source/span_source.h"
#include "tests/support/dib_fixtures.h"
#include "tests/support/gif_builder.h"
#include "tests/support/layout_fixtures.h"
#include "tests/support/png_fixtures.h"

namespace gd {
namespace {

using test::Bytes;
using test::Header;
using test::HeaderSpec;
using test::IconImage;

// The bytes of a file, read only by position as a file on disk would be.
class PositionalSource final : public ByteSource {
 public:
  explicit PositionalSource(const Bytes& bytes) : inner_(bytes) {}
  std::uint64_t Size() const override { return inner_.Size(); }
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    return inner_.ReadAt(offset, out);
  }

 private:
  SpanSource inner_;
};

struct Hit {
  ImageKind kind;
  std::uint64_t offset;
  std::uint64_t length;
  bool operator==(const Hit&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Hit& h) {
  return os << "kind " << static_cast<int>(h.kind) << " at " << h.offset << " +" << h.length;
}

std::vector<Hit> Search(ByteSource& source, WindowReader::Options options, MeasureRules rules) {
  WindowReader reader(source, options);
  ImageSearch search(reader, RulesFor(rules == MeasureRules::kEveryImage));
  std::vector<Hit> hits;
  while (const std::optional<FoundImage> image = search.Next()) hits.push_back({image->kind, image->offset, image->length});
  return hits;
}

std::vector<Hit> SearchInMemory(const Bytes& bytes, MeasureRules rules) {
  SpanSource source(bytes);
  return Search(source, {}, rules);
}

// Program-like bytes: filler with icons of several sizes (one far larger than
// the windows), plain bitmaps, markers that fail the header test, PNG and GIF
// files (one PNG cut short), at random even and odd offsets; some files end in
// a cut-off header.
Bytes RandomFile(std::mt19937& rng) {
  static const Bytes png = test::TinyPng(40, 30);
  static const Bytes gif = test::SimpleGif(2, 2, {0, 1, 2, 3});
  const Bytes parts[] = {
      png,
      Bytes(png.begin(), png.end() - 5),
      gif,
      IconImage(16, 4),
      IconImage(32, 1),
      IconImage(48, 32),                       // 9 KiB of rows: many windows long
      Header({8, 8, 24}),                      // rows follow as filler
      Header({32, 64, 4, 0, 0, 40, 2}),        // two planes: rejected, skipped whole
      Header({16, 32, 8, 0, 1}),               // every-image icon, standard tall image
      Bytes{0x28, 0x00},                       // a lone marker
      test::V5Bitmap(30, -20),                 // 124-byte header, 2.4 KiB of rows
      test::Rle8Bitmap(60, 3),                 // walked to its end
      test::WithFileHeader(Header({4, 4, 8}), 14 + 40 + 1024),
      Bytes{0x0C, 0x00, 0x00, 0x00},           // a lone size of another header
  };
  Bytes out;
  const int count = 1 + static_cast<int>(rng() % 12);
  for (int i = 0; i < count; ++i) {
    const std::size_t gap = rng() % 300;
    for (std::size_t k = 0; k < gap; ++k) out.push_back(static_cast<std::uint8_t>(rng() % 40));
    const Bytes& part = parts[rng() % std::size(parts)];
    out.insert(out.end(), part.begin(), part.end());
  }
  if (rng() % 3 == 0) {  // a header cut off by the end of the file
    const Bytes cut = Header({16, 32, 4});
    out.insert(out.end(), cut.begin(), cut.begin() + static_cast<long>(rng() % 40));
  }
  return out;
}

TEST(WindowEdges, WindowsFindWhatTheWholeFileInMemoryFinds) {
  const std::size_t window_sizes[] = {128, 130, 131, 160, 254, 1000, 4096};
  ReadAhead read_ahead;
  std::mt19937 rng(20261210);
  for (int round = 0; round < 150; ++round) {
    const Bytes file = RandomFile(rng);
    for (const MeasureRules rules : {MeasureRules::kStandard, MeasureRules::kEveryImage}) {
      const std::vector<Hit> expected = SearchInMemory(file, rules);
      for (const std::size_t window : window_sizes) {
        for (ReadAhead* ahead : {static_cast<ReadAhead*>(nullptr), &read_ahead}) {
          PositionalSource source(file);
          ASSERT_EQ(Search(source, {window, ahead}, rules), expected)
              << "round " << round << ", window " << window
              << (rules == MeasureRules::kStandard ? ", standard" : ", every image")
              << (ahead != nullptr ? ", read ahead" : "");
        }
      }
    }
  }
}

TEST(WindowEdges, NamedCrossings) {
  const Bytes icon = IconImage(32, 4);  // 40 + 64 + 512 + 128 bytes
  const Bytes big = IconImage(64, 32);  // 16 KiB of rows
  const Bytes png = test::TinyPng(60, 60);
  const Bytes rejected = Header({32, 64, 4, 0, 0, 40, 2});
  const auto at = [](std::size_t gap, const Bytes& part) { return test::Concat({Bytes(gap, 0xEE), part}); };
  Bytes cut = Header({16, 32, 4});
  cut.resize(30);
  struct Case {
    const char* what;
    Bytes file;
  };
  const Case cases[] = {
      {"header crossing the first edge", at(110, icon)},
      {"rows crossing several edges", test::Concat({icon, icon, icon})},
      {"image larger than a window", at(2, big)},
      {"rejected candidate crossing an edge, image 40 bytes later", test::Concat({at(100, rejected), icon})},
      {"jump ending exactly on an edge", test::Concat({Bytes(128 - 40, 0xEE), icon, icon})},
      {"header within 40 bytes of the end", test::Concat({icon, Bytes(2, 0), cut})},
      {"PNG at an odd offset across edges, then a header", test::Concat({at(121, png), Bytes(1, 0), icon})},
  };
  ReadAhead read_ahead;
  for (const Case& c : cases) {
    for (const MeasureRules rules : {MeasureRules::kStandard, MeasureRules::kEveryImage}) {
      const std::vector<Hit> expected = SearchInMemory(c.file, rules);
      EXPECT_FALSE(expected.empty()) << c.what;
      for (const std::size_t window : {128u, 130u, 200u}) {
        for (ReadAhead* ahead : {static_cast<ReadAhead*>(nullptr), &read_ahead}) {
          PositionalSource source(c.file);
          EXPECT_EQ(Search(source, {window, ahead}, rules), expected)
              << c.what << ", window " << window << (ahead != nullptr ? ", read ahead" : "");
        }
      }
    }
  }
}

}  // namespace
}  // namespace gd
