#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>
#include <limits>
#include <stdexcept>
#include <vector>

#include "gif/framework/exception.h"
#include "gif/framework/object_list.h"
#include "gif/framework/stream.h"
#include "gif/framework/string_list.h"
#include "gif/picture/graphics.h"

namespace gd {
namespace {

std::vector<std::uint8_t> Copy(std::span<const std::uint8_t> bytes) { return {bytes.begin(), bytes.end()}; }

TEST(Lists, IndexErrorsCarryTheZeroBasedIndex) {
  TStringList strings;
  strings.Add("ab");
  EXPECT_EQ(strings[0], "ab");
  TObjectList<int> objects;
  objects.Add(std::make_unique<int>(5));
  EXPECT_EQ(objects.Items(0), 5);
  for (std::int32_t bad : {1, -1, 7}) {
    const std::string message = "リストのインデックスが範囲を超えています (" + std::to_string(bad) + ")";
    try {
      strings.Get(bad);
      ADD_FAILURE();
    } catch (const EStringListError& e) {
      EXPECT_EQ(e.what(), message);
    }
    try {
      objects.Items(bad);
      ADD_FAILURE();
    } catch (const EListError& e) {
      EXPECT_EQ(e.what(), message);
    }
  }
}

TEST(MemoryStream, ShortReadDeliversWhatIsThereAndLeavesTheRest) {
  TMemoryStream s(std::vector<std::uint8_t>{1, 2, 3});
  s.SetPosition(1);
  std::array<std::uint8_t, 4> buffer{9, 9, 9, 9};
  EXPECT_EQ(s.Read(buffer), 2u);
  EXPECT_EQ(buffer, (std::array<std::uint8_t, 4>{2, 3, 9, 9}));
  EXPECT_EQ(s.Position(), 3u);
  EXPECT_EQ(s.Read(buffer), 0u);
  s.SetPosition(10);  // beyond the end: nothing to read, no error
  EXPECT_EQ(s.Read(buffer), 0u);
  std::uint8_t b = 42;
  EXPECT_FALSE(s.ReadByte(b));
  EXPECT_EQ(b, 42);
}

TEST(MemoryStream, WriteOverwritesAndGrows) {
  TMemoryStream s(std::vector<std::uint8_t>{1, 2, 3});
  s.SetPosition(2);
  const std::uint8_t more[] = {7, 8};
  s.Write(more);
  EXPECT_EQ(s.Size(), 4u);
  EXPECT_EQ(s.Memory()[2], 7);
  EXPECT_EQ(s.Memory()[3], 8);
}

TEST(MemoryStream, GrowthThatCannotBeHadRaisesTheStreamError) {
  const std::uint8_t two[] = {1, 2};
  const std::function<void(TMemoryStream&)> cases[] = {
      [](TMemoryStream& s) { s.SetSize(std::numeric_limits<std::size_t>::max()); },
      [&](TMemoryStream& s) {
        s.SetPosition(std::numeric_limits<std::size_t>::max() - 1);
        s.Write(two);
      },
  };
  for (const auto& grow : cases) {
    TMemoryStream s(std::vector<std::uint8_t>{7});
    try {
      grow(s);
      ADD_FAILURE();
    } catch (const EMemoryStreamError& e) {
      EXPECT_STREQ(e.what(), "Out of memory while expanding memory stream");
    }
    EXPECT_EQ(s.Size(), 1u);
  }
}

TEST(MemoryStream, FilesThatCannotBeReadOrWrittenNameThePath) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "glimmerdig-no-such-folder";
  std::filesystem::remove_all(dir);
  const std::u8string u8 = (dir / "a.bmp").u8string();
  const std::string path(u8.begin(), u8.end());
  TMemoryStream s(std::vector<std::uint8_t>{1, 2, 3});
  try {
    s.LoadFromFile(path);
    ADD_FAILURE();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.what(), "Cannot open file \"" + path + "\"");
  }
  EXPECT_EQ(s.Size(), 3u);  // kept what it had
  try {
    s.SaveToFile(path);
    ADD_FAILURE();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.what(), "Cannot create file \"" + path + "\"");
  }
}

class FakeGraphic : public TBitmap {
 public:
  static TGraphicClass Class() {
    static const TGraphicClassInfo info{"FakeGraphic",
                                        []() -> std::unique_ptr<TGraphic> { return std::make_unique<FakeGraphic>(); }};
    return &info;
  }
};

TEST(PictureRegistry, RegisterFindAndUnregisterByClass) {
  TPicture::RegisterFileFormat("fk1", "Fake one", FakeGraphic::Class());
  TPicture::RegisterFileFormat(".FK2", "Fake two", FakeGraphic::Class());
  EXPECT_EQ(TPicture::FindGraphicClass("fk1"), FakeGraphic::Class());
  EXPECT_EQ(TPicture::FindGraphicClass(".Fk2"), FakeGraphic::Class());
  TPicture::UnregisterGraphicClass(FakeGraphic::Class());
  EXPECT_EQ(TPicture::FindGraphicClass("fk1"), nullptr);
  EXPECT_EQ(TPicture::FindGraphicClass("fk2"), nullptr);
}

TEST(PictureRegistry, UnknownExtensionIsRefused) {
  TPicture picture;
  EXPECT_THROW(picture.LoadFromFile("whatever.unknownext"), EInvalidGraphic);
  EXPECT_EQ(picture.Graphic(), nullptr);
}

TEST(Bitmap, MalformedBitmapStreamsAreRefusedAndLeaveTheBitmapAsItWas) {
  // A valid 1×1 8-bit bitmap: 14 + 40 + 4 palette bytes + one padded row.
  std::vector<std::uint8_t> good = {'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 58, 0, 0, 0,  // file header
                                    40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0,             // size, width, height
                                    1, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0,              // planes, bits, compression, image size
                                    0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0,  // resolution, colours used, important
                                    1, 2, 3, 0,                                      // palette
                                    5, 0, 0, 0};                                     // the row
  TBitmap bitmap;
  TMemoryStream s(good);
  bitmap.LoadFromStream(s);
  EXPECT_EQ(bitmap.Width(), 1);
  EXPECT_EQ(Copy(bitmap.FileBytes()), good);

  struct Case {
    const char* what;
    std::size_t offset;
    std::uint8_t value;
  };
  const Case cases[] = {{"not BM", 0, 'X'},          {"bfSize larger than the stream", 2, 200},
                        {"rows beyond bfSize", 22, 9}, {"bfOffBits inside the headers", 10, 20},
                        {"compressed", 30, 1},        {"odd bit count", 28, 7}};
  for (const Case& c : cases) {
    std::vector<std::uint8_t> bad = good;
    bad[c.offset] = c.value;
    TMemoryStream bs(bad);
    EXPECT_THROW(bitmap.LoadFromStream(bs), EInvalidGraphic) << c.what;
    EXPECT_EQ(Copy(bitmap.FileBytes()), good) << c.what;
  }
  TMemoryStream truncated(std::vector<std::uint8_t>(good.begin(), good.begin() + 60));
  EXPECT_THROW(bitmap.LoadFromStream(truncated), EInvalidGraphic);
}

}  // namespace
}  // namespace gd
