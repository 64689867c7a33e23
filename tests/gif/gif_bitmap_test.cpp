#include "gif/picture/gif_bitmap.h"

#include <gtest/gtest.h>

#include "base/byte_reader.h"
#include "gif/gif_file.h"
#include "tests/support/gif_builder.h"

namespace gd {
namespace {

using test::Append;
using test::Bytes;

Bytes BitmapOf(const Bytes& gif_bytes) {
  TGifFile gif;
  TMemoryStream in(gif_bytes);
  gif.LoadFromStream(in);
  TMemoryStream out;
  gif.SubImage(1).SaveToBitmapStream(out);
  EXPECT_EQ(out.Position(), 0u);
  return Bytes(out.Memory().begin(), out.Memory().end());
}

// Palette entry i of a bitmap as (red, green, blue).
std::array<int, 3> PaletteEntry(const Bytes& bmp, std::size_t i) {
  const std::size_t at = 54 + 4 * i;
  EXPECT_EQ(bmp[at + 3], 0);
  return {bmp[at + 2], bmp[at + 1], bmp[at]};
}

TEST(BitmapStream, ThreeByTwoImage) {
  const Bytes bmp = BitmapOf(test::SimpleGif(3, 2, {0, 1, 2, 3, 2, 1}));
  ASSERT_EQ(bmp.size(), 1086u);
  ByteReader r(bmp);
  EXPECT_EQ(r.U8(), 'B');
  EXPECT_EQ(r.U8(), 'M');
  EXPECT_EQ(r.U32(), 1086u);  // bfSize
  EXPECT_EQ(r.U16(), 0);      // reserved
  EXPECT_EQ(r.U16(), 0);
  EXPECT_EQ(r.U32(), 1078u);  // bfOffBits
  EXPECT_EQ(r.U32(), 40u);    // biSize
  EXPECT_EQ(r.I32(), 3);      // biWidth
  EXPECT_EQ(r.I32(), 2);      // biHeight, bottom-up
  EXPECT_EQ(r.U16(), 1);      // biPlanes
  EXPECT_EQ(r.U16(), 8);      // biBitCount
  EXPECT_EQ(r.U32(), 0u);     // biCompression
  EXPECT_EQ(r.U32(), 0u);     // biSizeImage
  EXPECT_EQ(r.I32(), 143);    // biXPelsPerMeter
  EXPECT_EQ(r.I32(), 143);    // biYPelsPerMeter
  EXPECT_EQ(r.U32(), 0u);     // biClrUsed
  EXPECT_EQ(r.U32(), 0u);     // biClrImportant
  EXPECT_EQ(PaletteEntry(bmp, 2), (std::array<int, 3>{2, 253, 7}));
  // Bottom row first, each padded with one zero byte.
  EXPECT_EQ(Bytes(bmp.begin() + 1078, bmp.end()), (Bytes{3, 2, 1, 0, 0, 1, 2, 0}));
}

TEST(BitmapStream, RowLengthPadding) {
  struct Case {
    unsigned width;
    std::size_t size;
  };
  const Case cases[] = {{1, 1078 + 4}, {4, 1078 + 4}, {5, 1078 + 8}, {8, 1078 + 8}};
  for (const Case& c : cases) EXPECT_EQ(BitmapOf(test::SimpleGif(c.width, 1, Bytes(c.width, 1))).size(), c.size);
}

TEST(BitmapStream, BitmapIsTheImageWhateverTheScreenAndThePlace) {
  const Bytes pixels = {0, 1, 2, 3, 2, 1};
  const Bytes plain = BitmapOf(test::SimpleGif(3, 2, pixels));
  struct Case {
    const char* what;
    unsigned screen_width, screen_height, left, top;
  };
  const Case cases[] = {
      {"screen larger than the image, image at 4,5", 10, 8, 4, 5},
      {"screen smaller than the image, image at 1,0", 2, 1, 1, 0},
  };
  for (const Case& c : cases) {
    Bytes gif = test::Head(c.screen_width, c.screen_height);
    Append(gif, test::Image(3, 2, 0, {}, 2, test::LzwRootCodes(pixels, 2), c.left, c.top));
    gif.push_back(0x3B);
    TGifFile file;
    TMemoryStream in(gif);
    file.LoadFromStream(in);
    EXPECT_EQ(file.SubImage(1).Descriptor.Left, c.left) << c.what;
    EXPECT_EQ(file.SubImage(1).Descriptor.Top, c.top) << c.what;
    EXPECT_EQ(BitmapOf(gif), plain) << c.what;
  }
}

TEST(BitmapStream, ZeroHeightImageIsHeadersOnly) {
  Bytes gif = test::Head(3, 0);
  Append(gif, test::Image(3, 0, 0, {}, 2, {0x05}));  // data: the end code alone
  gif.push_back(0x3B);
  const Bytes bmp = BitmapOf(gif);
  ASSERT_EQ(bmp.size(), 1078u);
  EXPECT_EQ(ByteReader(bmp, 22).I32(), 0);  // biHeight
}

TEST(BitmapStream, PaletteComesFromTheLocalTableWithItsPresetTail) {
  // Global table of 4 entries: the local table starts all black, then takes
  // its 4 entries from the file.
  Bytes gif = test::Head(1, 1, true, 2);
  Append(gif, test::Image(1, 1, 0x81, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 2, test::LzwRootCodes({3}, 2)));
  gif.push_back(0x3B);
  Bytes bmp = BitmapOf(gif);
  EXPECT_EQ(PaletteEntry(bmp, 0), (std::array<int, 3>{1, 2, 3}));
  EXPECT_EQ(PaletteEntry(bmp, 3), (std::array<int, 3>{10, 11, 12}));
  for (std::size_t i = 4; i < 256; ++i) EXPECT_EQ(PaletteEntry(bmp, i), (std::array<int, 3>{0, 0, 0})) << i;

  // Global table of 16: the tail is the 16-colour preset.
  gif = test::Head(1, 1, true, 4);
  Append(gif, test::Image(1, 1, 0x81, Bytes(12, 0), 2, test::LzwRootCodes({3}, 2)));
  gif.push_back(0x3B);
  bmp = BitmapOf(gif);
  EXPECT_EQ(PaletteEntry(bmp, 8), (std::array<int, 3>{192, 192, 192}));
  EXPECT_EQ(PaletteEntry(bmp, 15), (std::array<int, 3>{255, 255, 255}));
}

TEST(BitmapStream, PaletteFromTheGlobalTableOrThePresetOfANewFile) {
  Bytes bmp = BitmapOf(test::SimpleGif(1, 1, {0}));
  EXPECT_EQ(PaletteEntry(bmp, 1), (std::array<int, 3>{1, 254, 7}));

  Bytes gif = test::Head(1, 1, false, 2);  // no table anywhere
  Append(gif, test::Image(1, 1, 0, {}, 2, test::LzwRootCodes({0}, 2)));
  gif.push_back(0x3B);
  bmp = BitmapOf(gif);
  EXPECT_EQ(PaletteEntry(bmp, 0), (std::array<int, 3>{0, 0, 0}));
  EXPECT_EQ(PaletteEntry(bmp, 1), (std::array<int, 3>{255, 255, 255}));
  for (std::size_t i = 2; i < 256; ++i) EXPECT_EQ(PaletteEntry(bmp, i), (std::array<int, 3>{0, 0, 0})) << i;
}

TEST(BitmapStream, ShapeMismatchBetweenDescriptorAndPixelsIsRefused) {
  TGifSubImage image(2, nullptr);
  image.Descriptor.Width = 300;  // Pixels is still 0 × 0
  image.Descriptor.Height = 2;
  TMemoryStream out;
  EXPECT_THROW(image.SaveToBitmapStream(out), EIndexOutOfBounds);
}

class GifBitmapTest : public ::testing::Test {
 protected:
  GifFormatRegistration registration_;
};

TEST_F(GifBitmapTest, RegisteredWhileTheRegistrationLives) {
  EXPECT_EQ(TPicture::FindGraphicClass("gif"), TGifBitmap::Class());
  EXPECT_EQ(TPicture::FindGraphicClass("GIF"), TGifBitmap::Class());
  bool described = false;
  for (const TFileFormat& f : TPicture::FileFormats())
    described |= f.Extension == "gif" && f.Description == "GIF-Format" && f.GraphicClass == TGifBitmap::Class();
  EXPECT_TRUE(described);
  {
    GifFormatRegistration inner;
  }
  EXPECT_EQ(TPicture::FindGraphicClass("gif"), nullptr);  // withdrawn in all registrations
}

TEST_F(GifBitmapTest, LoadsTheFirstImageAsTheBitmap) {
  Bytes two = test::SimpleGif(2, 2, {1, 2, 3, 0});
  two.pop_back();
  Append(two, test::Image(1, 1, 0, {}, 2, test::LzwRootCodes({3}, 2)));
  two.push_back(0x3B);
  std::unique_ptr<TGraphic> graphic = TPicture::FindGraphicClass("gif")->Create();
  TMemoryStream in(two);
  graphic->LoadFromStream(in);
  EXPECT_EQ(graphic->Width(), 2);
  EXPECT_EQ(graphic->Height(), 2);
  TMemoryStream saved;
  graphic->SaveToStream(saved);
  EXPECT_EQ(Bytes(saved.Memory().begin(), saved.Memory().end()), BitmapOf(two));
}

TEST_F(GifBitmapTest, FailuresLeaveTheBitmapAsItWas) {
  TGifBitmap bitmap;
  TMemoryStream good(test::SimpleGif(2, 1, {1, 2}));
  bitmap.LoadFromStream(good);
  const Bytes before(bitmap.FileBytes().begin(), bitmap.FileBytes().end());

  Bytes no_image = test::Head(1, 1);
  no_image.push_back(0x3B);
  // The first image is damaged (code size 1); the second is sound.
  Bytes damaged = test::Head(1, 1);
  Append(damaged, test::Image(1, 1, 0, {}, 1, {0x44}));
  Append(damaged, test::Image(1, 1, 0, {}, 2, test::LzwRootCodes({1}, 2)));
  damaged.push_back(0x3B);
  struct Case {
    Bytes bytes;
    std::string message;
  };
  const Case cases[] = {{no_image, "リストのインデックスが範囲を超えています (0)"},
                        {damaged, "Bad code Size"},
                        {Bytes{'G', 'I', 'F', '8', '8', 'a'}, "Gif Version must be 87a or 89a"}};
  for (const Case& c : cases) {
    TMemoryStream in(c.bytes);
    try {
      bitmap.LoadFromStream(in);
      ADD_FAILURE() << c.message;
    } catch (const Exception& e) {
      EXPECT_EQ(e.what(), c.message);
    }
    EXPECT_EQ(Bytes(bitmap.FileBytes().begin(), bitmap.FileBytes().end()), before);
  }
}

}  // namespace
}  // namespace gd
