// Runs with every image asked for, as PNG, once per picture, with a log: what
// lands in the save folder, under which names, with which pixels.

#include <gtest/gtest.h>

#include "extract/dib/dib_layout.h"
#include "extract/report/manifest.h"
#include "extract/run/res_extract.h"
#include "tests/support/dib_fixtures.h"
#include "tests/support/gif_builder.h"
#include "tests/support/jpeg_fixtures.h"
#include "tests/support/layout_fixtures.h"
#include "tests/support/png_fixtures.h"
#include "tests/support/png_read.h"
#include "tests/support/run_options.h"
#include "tests/support/temp_dir.h"

namespace gd {
namespace {

using test::Bytes;
using test::Concat;
using test::FileNames;
using test::Header;
using test::IconImage;
using test::ReadAll;
using test::TempDir;

class QuietHost final : public StatusSink, public ProgressSink, public MessageSink {
 public:
  void ShowStatus(const std::string&) override {}
  void SetCount(int) override {}
  bool IsCancelled() override { return false; }
  void ShowMessage(const std::string& text) override { ADD_FAILURE() << text; }
};

class EveryImage : public ::testing::Test {
 protected:
  EveryImage() : fs_(MakeNativeFileSystem()), engine_(*fs_, host_, host_, host_), png_(MakeNativePngEncoder()) {
    save_ = tmp_.MakeFolder("save");
    engine_.SetSaveDir(save_);
    test::ChangeOptions(engine_, [&](RunOptions& o) { o.png_encoder = png_.get(); });
  }

  std::vector<std::string> Run(const Bytes& file, bool all, OutputFormat format = OutputFormat::kBmp) {
    TempDir out;
    engine_.SetSaveDir(out.MakeFolder("save"));
    test::ChangeOptions(engine_, [&](RunOptions& o) {
      o.all_images = all;
      o.format = format;
    });
    engine_.ExtractFromFiles({tmp_.Write("src/x.bin", file)});
    last_save_ = out / "save/";
    std::vector<std::string> names = FileNames(last_save_);
    last_files_.clear();
    for (const std::string& n : names) last_files_[n] = ReadAll(last_save_ + n);
    return names;
  }

  TempDir tmp_;
  std::string save_;
  QuietHost host_;
  std::unique_ptr<FileSystem> fs_;
  TResExtract engine_;
  std::unique_ptr<PngEncoder> png_;
  std::string last_save_;
  std::map<std::string, Bytes> last_files_;
};

// An icon image whose biSizeImage counts its colour rows only, as many icon
// writers declare it: the standard measure takes it at its full height.
Bytes ColourSizedIcon(std::int32_t side, std::uint16_t bits, std::uint8_t fill) {
  Bytes image = IconImage(side, bits, fill);
  const BitmapInfoHeader square{40, side, side, 1, bits, 0, 0, 0, 0, 0, 0};
  const auto colour = static_cast<std::uint32_t>(DibBitsSize(square));
  for (int i = 0; i < 4; ++i) image[20 + i] = static_cast<std::uint8_t>(colour >> (8 * i));
  return image;
}

// Filler that brings what follows it to an even offset, where headers are
// looked for.
Bytes PadToEven(std::size_t so_far) { return Bytes(so_far % 2 == 0 ? 2 : 1, 1); }

TEST_F(EveryImage, EmbeddedPngAndGifFilesAtAnyOffsetAreCopiedWhole) {
  const Bytes png = test::TinyPng(5, 4);
  const Bytes gif = test::SimpleGif(2, 2, {0, 1, 2, 3});
  Bytes bad_crc = png;
  bad_crc[40] ^= 0xFF;  // inside IHDR's CRC or IDAT
  const Bytes cut_gif(gif.begin(), gif.end() - 1);
  struct Case {
    const char* what;
    Bytes file;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {"PNG at an odd offset", Concat({Bytes(3, 1), png, Bytes(5, 1)}), {"x-bin-0.png"}},
      {"PNG at an even offset", Concat({Bytes(4, 1), png}), {"x-bin-0.png"}},
      {"GIF at an odd offset", Concat({Bytes(7, 1), gif, Bytes(2, 1)}), {"x-bin-0.gif"}},
      {"GIF at an even offset", Concat({gif, Bytes(2, 1)}), {"x-bin-0.gif"}},
      {"a damaged PNG, then a good one", Concat({bad_crc, Bytes(1, 1), png}), {"x-bin-0.png"}},
      {"a GIF cut off by the end", Concat({png, cut_gif}), {"x-bin-0.png"}},
      {"PNG, icon and GIF count one index", Concat({Bytes(1, 1), png, PadToEven(1 + png.size()), IconImage(16, 4), gif}),
       {"x-bin-0.png", "x-bin-1.bmp", "x-bin-2.gif"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Run(c.file, true), c.names);
    for (const auto& [name, bytes] : last_files_) {
      if (name.ends_with(".png")) EXPECT_EQ(bytes, png);
      if (name.ends_with(".gif")) EXPECT_EQ(bytes, gif);
    }
    // The standard run finds none of them.
    for (const std::string& name : Run(c.file, false)) EXPECT_TRUE(name.ends_with(".bmp")) << name;
  }
}

TEST_F(EveryImage, IconsAreMeasuredAsIconsAndOnlyPicturesCount) {
  // The colour-sized icon hides the next one from the standard measure.
  const Bytes icons = Concat({ColourSizedIcon(32, 4, 0x21), IconImage(16, 8)});
  EXPECT_EQ(Run(icons, false), (std::vector<std::string>{"x-bin-0.bmp"}));
  EXPECT_EQ(Run(icons, true), (std::vector<std::string>{"x-bin-0.bmp", "x-bin-1.bmp"}));
  EXPECT_EQ(last_files_["x-bin-0.bmp"].size(), 14u + 40 + 64 + 512);

  // A header and a palette with no pixels: written by the standard run only.
  const Bytes empty = Concat({Header({0, 0, 8}), Bytes(1024, 0)});
  EXPECT_EQ(Run(empty, false).size(), 1u);
  EXPECT_TRUE(Run(empty, true).empty());

  // A 24-bit image with a palette: its rows begin after the palette.
  Bytes with_palette = Header({1, 1, 24, 0, 2});
  const Bytes rest{9, 9, 9, 0, 8, 8, 8, 0, 0x10, 0x20, 0x30, 0};
  with_palette.insert(with_palette.end(), rest.begin(), rest.end());
  Run(with_palette, true, OutputFormat::kPng);
  const RgbaImage pixel = test::DecodePng(last_files_.at("x-bin-0.png"));
  EXPECT_EQ(pixel.rgba, (std::vector<std::uint8_t>{0x30, 0x20, 0x10, 0xFF}));
  Run(with_palette, true);
  const Bytes& bmp = last_files_.at("x-bin-0.bmp");
  ASSERT_EQ(bmp.size(), 14u + 40 + 8 + 4);
  EXPECT_EQ(bmp[10], 14 + 40 + 8);  // bfOffBits past the palette
}

TEST_F(EveryImage, PngOutputKeepsTheTransparencyOfTheMask) {
  // A 16 × 16 1-bit icon: palette black and white, every colour row white,
  // the mask transparent in the bottom-left pixel only (rows are stored
  // bottom-up).
  Bytes icon = Header({16, 32, 1});
  const Bytes palette{0, 0, 0, 0, 255, 255, 255, 0};
  icon.insert(icon.end(), palette.begin(), palette.end());
  for (int row = 0; row < 16; ++row) icon.insert(icon.end(), {0xFF, 0xFF, 0, 0});
  icon.insert(icon.end(), {0x80, 0, 0, 0});
  icon.insert(icon.end(), 15 * 4, 0);
  for (const bool all : {false, true}) {
    SCOPED_TRACE(all ? "every image" : "standard");
    Run(icon, all, OutputFormat::kPng);
    const RgbaImage image = test::DecodePng(last_files_.at("x-bin-0.png"));
    ASSERT_EQ(image.width, 16u);
    ASSERT_EQ(image.height, 16u);
    for (std::size_t p = 0; p < 256; ++p) {
      const std::uint8_t alpha = p == 15 * 16 ? 0 : 255;
      EXPECT_EQ(image.rgba[4 * p + 3], alpha) << "pixel " << p;
      EXPECT_EQ(image.rgba[4 * p], 255) << "pixel " << p;
    }
  }
  // What has no pixels stays a bitmap file under its own name.
  EXPECT_EQ(Run(Concat({Header({0, 0, 8}), Bytes(1024, 0)}), false, OutputFormat::kPng),
            (std::vector<std::string>{"x-bin-0.bmp"}));
}

TEST_F(EveryImage, UniqueWritesEachPictureOnceAndTheIndexStillCounts) {
  test::ChangeOptions(engine_, [&](RunOptions& o) { o.unique = true; });
  const Bytes png = test::TinyPng(3, 3);
  const Bytes file = Concat({IconImage(16, 4, 0x11), png, IconImage(16, 4, 0x11), IconImage(16, 4, 0x22), png});
  EXPECT_EQ(Run(file, true, OutputFormat::kPng),
            (std::vector<std::string>{"x-bin-0.png", "x-bin-1.png", "x-bin-3.png"}));
  // A second file of the same run finds its pictures already written.
  engine_.SetSaveDir(save_);
  engine_.ExtractFromFiles({tmp_.Write("src/y.bin", file), tmp_.Write("src/z.bin", file)});
  EXPECT_EQ(FileNames(save_), (std::vector<std::string>{"y-bin-0.png", "y-bin-1.png", "y-bin-3.png"}));
  test::ChangeOptions(engine_, [&](RunOptions& o) { o.unique = false; });
}

TEST_F(EveryImage, NoLimitOfAThousandImagesPerFile) {
  std::vector<Bytes> parts(1005, IconImage(16, 1));
  Bytes file;
  for (const Bytes& p : parts) file.insert(file.end(), p.begin(), p.end());
  EXPECT_EQ(Run(file, false).size(), 1000u);
  EXPECT_EQ(Run(file, true).size(), 1005u);
}

TEST_F(EveryImage, TheLogHasARowPerImageWritten) {
  Manifest manifest;
  test::ChangeOptions(engine_, [&](RunOptions& o) { o.image_log = &manifest; });
  const Bytes png = test::TinyPng(5, 4);
  const Bytes pad = PadToEven(3 + png.size());
  const std::string src = tmp_.Write("src/a,b.bin", Concat({Bytes(3, 1), png, pad, IconImage(16, 4)}));
  test::ChangeOptions(engine_, [&](RunOptions& o) {
    o.all_images = true;
    o.format = OutputFormat::kPng;
  });
  EXPECT_EQ(engine_.ExtractFromFiles({src}), 2);
  test::ChangeOptions(engine_, [&](RunOptions& o) { o.image_log = nullptr; });
  const std::string csv = manifest.Csv();
  const auto row = [&](std::uint64_t offset, std::string_view rest) {
    return CsvField(src) + "," + std::to_string(offset) + "," + std::string(rest);
  };
  EXPECT_NE(csv.find(row(3, "png,5,4,24,\"a,b-bin-0.png\",")), std::string::npos) << csv;
  EXPECT_NE(csv.find(row(3 + png.size() + pad.size(), "dib,16,16,32,\"a,b-bin-1.png\",")), std::string::npos)
      << csv;
}

TEST_F(EveryImage, JpegFilesAreCopiedWholeAsJpgInEitherFormat) {
  const Bytes jpeg = test::TinyJpeg(3);
  const Bytes grey = test::TinyJpeg(1);
  // An icon image and a JPEG inside APP segments are part of the image around them.
  const Bytes holder = Concat({test::Soi(), test::Segment(0xE2, Concat({Bytes(2, 0), IconImage(16, 4)})),
                               test::Segment(0xE1, grey), Bytes(jpeg.begin() + 2, jpeg.end())});
  const Bytes cut(jpeg.begin(), jpeg.end() - 2);
  Bytes damaged = jpeg;
  damaged[4] = 0xFF;  // JFIF's length now runs out of the file
  const Bytes png = test::TinyPng(5, 4);
  struct Case {
    const char* what;
    Bytes file;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {"at an odd offset", Concat({Bytes(3, 1), jpeg, Bytes(5, 1)}), {"x-bin-0.jpg"}},
      {"at an even offset", Concat({Bytes(4, 1), jpeg}), {"x-bin-0.jpg"}},
      {"cut off, then a good one", Concat({cut, Bytes(1, 1), jpeg}), {"x-bin-0.jpg"}},
      {"damaged, then a good one", Concat({damaged, jpeg}), {"x-bin-0.jpg"}},
      {"what lies inside is jumped over", Concat({Bytes(2, 1), holder, Bytes(1, 1), jpeg}),
       {"x-bin-0.jpg", "x-bin-1.jpg"}},
      {"JPEG, PNG and icon count one index", Concat({jpeg, png, PadToEven(jpeg.size() + png.size()), IconImage(16, 4)}),
       {"x-bin-0.jpg", "x-bin-1.png", "x-bin-2.png"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Run(c.file, true, OutputFormat::kPng), c.names);
    for (const auto& [name, bytes] : last_files_) {
      if (name.ends_with(".jpg") && bytes != holder) EXPECT_EQ(bytes, jpeg) << name;
    }
    for (const std::string& name : Run(c.file, false)) EXPECT_TRUE(name.ends_with(".bmp")) << name;
  }
}

TEST_F(EveryImage, JpegRowsAndUniqueness) {
  Manifest manifest;
  const Bytes cmyk = test::TinyJpeg(4);
  const std::string src = tmp_.Write("src/j.bin", Concat({Bytes(1, 1), cmyk, cmyk, test::TinyJpeg(1)}));
  test::ChangeOptions(engine_, [&](RunOptions& o) {
    o.image_log = &manifest;
    o.unique = true;
    o.all_images = true;
    o.format = OutputFormat::kBmp;
  });
  EXPECT_EQ(engine_.ExtractFromFiles({src}), 2);
  test::ChangeOptions(engine_, [&](RunOptions& o) {
    o.image_log = nullptr;
    o.unique = false;
  });
  const std::string csv = manifest.Csv();
  EXPECT_NE(csv.find(CsvField(src) + ",1,jpeg,8,8,32,j-bin-0.jpg,"), std::string::npos) << csv;
  EXPECT_NE(csv.find(CsvField(src) + "," + std::to_string(1 + 2 * cmyk.size()) + ",jpeg,8,8,8,j-bin-2.jpg,"),
            std::string::npos)
      << csv;
}

TEST_F(EveryImage, HeadersOfOtherLayoutsAreFoundAtAnyOffsetAndWrittenAsFound) {
  const Bytes v5 = test::V5Bitmap(3, -2);  // top-down
  const Bytes rle = test::Rle8Bitmap(5, 3);
  Bytes gap_dib = Header({2, 1, 24});
  gap_dib.insert(gap_dib.end(), {7, 7, 7, 7, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0, 0});
  const Bytes with_gap = test::WithFileHeader(gap_dib, 14 + 40 + 4);
  Bytes gap_written = gap_dib;
  gap_written[20] = 8;  // the image size, 0 in the source, is set to the rows'
  struct Case {
    const char* what;
    Bytes file;
    std::size_t at;  // where the bitmap's header is
    Bytes dib;       // the bitmap as it must be written after its file header
    std::uint32_t rows_offset;
    std::vector<std::uint8_t> first_pixel;  // RGBA
  };
  Bytes rle_written = rle;
  rle_written[20] = static_cast<std::uint8_t>(rle.size() - 48);  // the stream's length, for a size of 0
  const Case cases[] = {
      {"124-byte header, bit fields with alpha, top-down, odd offset", Concat({Bytes(3, 1), v5, Bytes(1, 1)}), 3, v5,
       124, {0x11, 0x22, 0x33, 0x80}},
      {"RLE8 without an image size", Concat({Bytes(1, 1), rle, Bytes(6, 1)}), 1, rle_written, 48, {255, 0, 0, 255}},
      {"a file header placing the rows after a gap", Concat({Bytes(5, 1), with_gap}), 5 + 14, gap_written, 44,
       {0x30, 0x20, 0x10, 255}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(Run(c.file, true), (std::vector<std::string>{"x-bin-0.bmp"}));
    const Bytes& bmp = last_files_.at("x-bin-0.bmp");
    ASSERT_EQ(bmp.size(), 14 + c.dib.size());
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(ByteReader::Le32(bmp.data() + 2), bmp.size());
    EXPECT_EQ(ByteReader::Le32(bmp.data() + 10), 14 + c.rows_offset);
    EXPECT_EQ(Bytes(bmp.begin() + 14, bmp.end()), c.dib);
    Run(c.file, true, OutputFormat::kPng);
    const RgbaImage image = test::DecodePng(last_files_.at("x-bin-0.png"));
    EXPECT_EQ(Bytes(image.rgba.begin(), image.rgba.begin() + 4), c.first_pixel);
    // None of these is the standard search's.
    EXPECT_TRUE(Run(c.file, false).empty());
  }
}

TEST_F(EveryImage, IconFileEntriesAfterAnOddLengthPngAreFound) {
  test::PngBytes png = test::TinyPng(4, 4);
  if (png.size() % 2 == 0) {
    const test::PngBytes text = test::PngChunk("tEXt", {'a', 0, 'b'});
    png.insert(png.end() - 12, text.begin(), text.end());
  }
  ASSERT_EQ(png.size() % 2, 1u);
  const Bytes directory(6 + 3 * 16, 0);  // its numbers do not matter to a search of the bytes
  const Bytes file = Concat({directory, Bytes(png.begin(), png.end()), IconImage(16, 4), IconImage(32, 8)});
  EXPECT_EQ(Run(file, true), (std::vector<std::string>{"x-bin-0.png", "x-bin-1.bmp", "x-bin-2.bmp"}));
}

TEST_F(EveryImage, AOneBitBitmapSizedForAllItsRowsIsNotTakenForAnIcon) {
  // 127 × 64 at 1 bit, biSizeImage 64 rows: as long as 32 colour rows and
  // their mask would be.
  Bytes bitmap = Header({127, 64, 1, 16 * 64});
  bitmap.insert(bitmap.end(), {0, 0, 0, 0, 255, 255, 255, 0});
  bitmap.insert(bitmap.end(), 16 * 64, 0xFF);
  Run(bitmap, true, OutputFormat::kPng);
  const RgbaImage image = test::DecodePng(last_files_.at("x-bin-0.png"));
  EXPECT_EQ(image.width, 127u);
  EXPECT_EQ(image.height, 64u);
  EXPECT_TRUE(image.IsOpaque());
  // Half its rows declared is still an icon's colour rows.
  Bytes icon = Header({127, 64, 1, 16 * 32});
  icon.insert(icon.end(), 8 + 16 * 64, 0);
  Run(icon, true, OutputFormat::kPng);
  EXPECT_EQ(test::DecodePng(last_files_.at("x-bin-0.png")).height, 32u);
}

TEST_F(EveryImage, AHeaderCarryingAPngOrJpegIsNotABitmap) {
  const test::PngBytes png = test::TinyPng(2, 2);
  const Bytes file = Concat({Header({2, 2, 0, static_cast<std::uint32_t>(png.size()), 0, 40, 1, 5}),
                             Bytes(png.begin(), png.end())});
  EXPECT_EQ(Run(file, true), (std::vector<std::string>{"x-bin-0.png"}));
}

}  // namespace
}  // namespace gd
