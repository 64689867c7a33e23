// Runs with every image asked for, as PNG, once per picture, with a log: what
// lands in the save folder, under which names, with which pixels.

#include <gtest/gtest.h>

#include "extract/dib/dib_layout.h"
#include "extract/report/manifest.h"
#include "extract/run/res_extract.h"
#include "tests/support/dib_fixtures.h"
#include "tests/support/gif_builder.h"
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

}  // namespace
}  // namespace gd
