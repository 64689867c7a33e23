#include "gif/gif_file.h"

#include <gtest/gtest.h>

#include "tests/support/gif_builder.h"

namespace gd {
namespace {

using test::Append;
using test::Bytes;

// The smallest useful file, field by field: one 2×1 image of two pixels of
// colour 1.
const Bytes kTiny = {
    'G', 'I', 'F', '8', '9', 'a',  // signature, version
    2, 0, 1, 0,                    // logical screen 2 × 1
    0x80,                          // global table follows, 2^(0+1) = 2 colours
    0, 0,                          // background index, aspect ratio
    10, 20, 30, 40, 50, 60,        // global table: (10,20,30), (40,50,60)
    0x2C,                          // image separator
    0, 0, 0, 0,                    // left, top
    2, 0, 1, 0,                    // width 2, height 1
    0x00,                          // no local table, not interlaced
    2,                             // LZW minimum code size
    2,                             // sub-block of 2 bytes:
    0x4C, 0x0A,                    //   3-bit codes clear(4), 1, 1, end(5)
    0,                             // block terminator
    0x3B,                          // trailer
};

std::unique_ptr<TGifFile> Load(const Bytes& bytes) {
  auto gif = std::make_unique<TGifFile>();
  TMemoryStream s(bytes);
  gif->LoadFromStream(s);
  return gif;
}

template <class E>
std::string MessageOf(const Bytes& bytes) {
  try {
    Load(bytes);
  } catch (const E& e) {
    return e.what();
  }
  return "(no exception)";
}

TEST(GifFile, NewFileHasItsDefaults) {
  TGifFile gif;
  EXPECT_EQ(std::string(gif.Header.Version.begin(), gif.Header.Version.end()), "87a");
  EXPECT_TRUE(gif.HasColorTable);
  EXPECT_EQ(gif.BitsPerPixel, 1);
  EXPECT_EQ(gif.ColorTable->Count, 0);
  EXPECT_EQ(gif.SubImages.Count(), 0);
}

TEST(GifFile, LoadsTheTinyFile) {
  auto gif = Load(kTiny);
  ASSERT_EQ(gif->SubImages.Count(), 1);
  EXPECT_EQ(gif->ScreenDescriptor.ScreenWidth, 2);
  EXPECT_EQ(gif->ColorTable->Count, 2);
  EXPECT_EQ(gif->ColorTable->Colors[1].Red, 40);
  const TGifSubImage& image = gif->SubImage(1);
  EXPECT_EQ(image.GifFile, gif.get());
  EXPECT_EQ(image.Descriptor.Width, 2);
  EXPECT_EQ(image.CodeSize, 2);
  EXPECT_EQ(image.ImageData->BlockCount(), 1);
  const auto row = image.Pixels->Row(1);
  EXPECT_EQ(Bytes(row.begin(), row.end()), (Bytes{1, 1}));
}

TEST(GifFile, VersionIsCheckedSignatureIsNot) {
  struct Case {
    const char* head;
    bool loads;
  };
  const Case cases[] = {{"GIF87a", true}, {"GIF89a", true}, {"GIF87A", true}, {"GIF89A", true},
                        {"XYZ89a", true}, {"GIF88a", false}, {"GIF89b", false}, {"GIF8 a", false}};
  for (const Case& c : cases) {
    Bytes bytes = kTiny;
    std::copy(c.head, c.head + 6, bytes.begin());
    if (c.loads)
      EXPECT_EQ(Load(bytes)->SubImages.Count(), 1) << c.head;
    else
      EXPECT_EQ(MessageOf<EGifException>(bytes), "Gif Version must be 87a or 89a") << c.head;
  }
}

TEST(GifFile, ScreenPackedFieldsSetCountWithOrWithoutTable) {
  // 0x00: count 2 and no table bytes read: the next byte is the separator.
  Bytes no_table = test::Head(2, 1, false, 1);
  Append(no_table, test::Image(2, 1, 0, {}, 2, test::LzwRootCodes({1, 0}, 2)));
  no_table.push_back(0x3B);
  auto gif = Load(no_table);
  EXPECT_FALSE(gif->HasColorTable);
  EXPECT_EQ(gif->ColorTable->Count, 2);
  EXPECT_EQ(gif->ColorTable->Colors[1].Red, 255);  // still the preset of a new file
  EXPECT_EQ(gif->SubImages.Count(), 1);

  // 0x87: 256 colours, 768 table bytes.
  gif = Load(test::SimpleGif(3, 1, {0, 1, 2}));  // sanity of the helper
  Bytes full = test::Head(1, 1, true, 8);
  ASSERT_EQ(full.size(), 13u + 768u);
  Append(full, test::Image(1, 1, 0, {}, 8, test::LzwRootCodes({200}, 8)));
  full.push_back(0x3B);
  gif = Load(full);
  EXPECT_EQ(gif->ScreenDescriptor.PackedFields, 0x87);
  EXPECT_EQ(gif->ColorTable->Count, 256);
  EXPECT_EQ(gif->ColorTable->Colors[255].Green, 0);
  EXPECT_EQ(gif->ColorTable->Colors[200].Red, 200);
  EXPECT_EQ(gif->SubImage(1).Pixels->Row(1)[0], 200);
}

TEST(GifFile, UnrecognisedExtensionLabelNamesItsCode) {
  for (const std::uint8_t label : std::initializer_list<std::uint8_t>{0x2C, 0xF0, 0x00}) {
    Bytes bytes = test::Head(1, 1);
    bytes.push_back(0x21);  // extension introducer
    bytes.push_back(label);
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", label);
    EXPECT_EQ(MessageOf<EGifException>(bytes), std::string("Unrecognized extension block.\r\nCode = $") + hex);
  }
}

TEST(GifFile, ExtensionsBeforeTheTrailerAreDiscarded) {
  Bytes bytes = test::Head(1, 1);
  Append(bytes, {0x21, 0xFE, 3, 'a', 'b', 'c', 0});  // comment extension
  bytes.push_back(0x3B);
  auto gif = Load(bytes);
  EXPECT_EQ(gif->SubImages.Count(), 0);
  try {
    gif->SubImage(1);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "リストのインデックスが範囲を超えています (0)");
  }
}

TEST(GifFile, ExtensionsGoToTheImageAfterThemAndTheLastControlBlockDecides) {
  Bytes bytes = test::Head(2, 1);
  Append(bytes, {0x21, 0xF9, 4, 0x09, 10, 0, 3, 0});  // graphic control: disposal 2, transparent
  Append(bytes, {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0',  // application
                 3, 1, 0, 0, 0});
  Append(bytes, {0x21, 0x01, 12, 1, 0, 2, 0, 3, 0, 4, 0, 5, 6, 7, 8,  // plain text
                 2, 'h', 'i', 0});
  Append(bytes, {0x21, 0xF9, 4, 0x04, 0, 0, 0, 0});  // graphic control: disposal 1
  Append(bytes, test::Image(2, 1, 0, {}, 2, test::LzwRootCodes({0, 1}, 2)));
  bytes.push_back(0x3B);
  auto gif = Load(bytes);
  const TGifSubImage& image = gif->SubImage(1);
  EXPECT_EQ(image.DisposalMethod, 1);
  EXPECT_FALSE(image.Transparent);
  ASSERT_EQ(image.Extensions->Count(), 4);
  const TExtension& gce = image.Extensions->Items(0);
  EXPECT_EQ(gce.Kind, TExtensionKind::ekGraphicControl);
  EXPECT_EQ(gce.GraphicControl.DelayTime, 10);
  EXPECT_EQ(gce.GraphicControl.TransparentColorIndex, 3);
  const TExtension& app = image.Extensions->Items(1);
  EXPECT_EQ(app.Kind, TExtensionKind::ekApplication);
  EXPECT_EQ(std::string(app.ApplicationHeader.ApplicationIdentifier.begin(),
                        app.ApplicationHeader.ApplicationIdentifier.end()),
            "NETSCAPE");
  const TStringList* data = app.ApplicationData();
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->Count(), 1);
  const TExtension& text = image.Extensions->Items(2);
  EXPECT_EQ(text.Kind, TExtensionKind::ekPlainText);
  EXPECT_EQ(text.PlainTextHeader.TextGridHeight, 4);
  EXPECT_EQ(text.PlainTextHeader.BackgroundColorIndex, 8);
  const TStringList* lines = text.PlainText();
  ASSERT_NE(lines, nullptr);
  EXPECT_EQ(lines->Get(0), "hi");
}

TEST(GifFile, TheLastGraphicControlBlockDecidesDisposalAndTransparency) {
  struct Case {
    std::vector<std::uint8_t> packed;  // of each graphic control extension, in file order
    std::uint8_t disposal;
    bool transparent;
  };
  const Case cases[] = {
      {{}, 0, false},
      {{0x05}, 1, true},
      {{0x09, 0x04}, 1, false},
      {{0x04, 0x1D}, 7, true},
  };
  for (const Case& c : cases) {
    Bytes bytes = test::Head(1, 1);
    for (std::uint8_t packed : c.packed) Append(bytes, {0x21, 0xF9, 4, packed, 0, 0, 3, 0});
    Append(bytes, test::Image(1, 1, 0, {}, 2, test::LzwRootCodes({1}, 2)));
    bytes.push_back(0x3B);
    auto gif = Load(bytes);
    const TGifSubImage& image = gif->SubImage(1);
    EXPECT_EQ(image.DisposalMethod, c.disposal) << c.packed.size() << " blocks";
    EXPECT_EQ(image.Transparent, c.transparent) << c.packed.size() << " blocks";
  }
}

TEST(GifFile, ImageDescriptorPackedFields) {
  // Interlaced without a local table: the local count still becomes 2.
  Bytes bytes = test::Head(1, 1, true, 4);
  Append(bytes, test::Image(1, 1, 0x40, {}, 4, test::LzwRootCodes({9}, 4)));
  bytes.push_back(0x3B);
  auto gif = Load(bytes);
  const TGifSubImage& image = gif->SubImage(1);
  EXPECT_TRUE(image.Interlaced);
  EXPECT_FALSE(image.HasColorTable);
  EXPECT_EQ(image.ColorTable->Count, 2);
  EXPECT_EQ(image.ColorTable->Colors[3].Red, 128);  // the 16-colour preset of the global count

  // A local table of 4 colours (packed 0x81) is read into the image's table.
  bytes = test::Head(1, 1, true, 3);
  Append(bytes, test::Image(1, 1, 0x81, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 2, test::LzwRootCodes({3}, 2)));
  bytes.push_back(0x3B);
  gif = Load(bytes);
  EXPECT_TRUE(gif->SubImage(1).HasColorTable);
  EXPECT_EQ(gif->SubImage(1).ColorTable->Count, 4);
  EXPECT_EQ(gif->SubImage(1).ColorTable->Colors[3].Blue, 12);
}

TEST(GifFile, LoadingStartsAtTheBeginningWhateverThePosition) {
  auto gif = std::make_unique<TGifFile>();
  TMemoryStream s(kTiny);
  s.SetPosition(s.Size());
  gif->LoadFromStream(s);
  EXPECT_EQ(gif->SubImages.Count(), 1);
}

TEST(GifFile, QuietEndings) {
  struct Case {
    const char* what;
    Bytes bytes;
    std::int32_t images;
  };
  Bytes zero_separator = kTiny;
  zero_separator.back() = 0x00;
  Append(zero_separator, Bytes(kTiny.begin() + 19, kTiny.end()));  // a second image nobody reads
  Bytes no_trailer(kTiny.begin(), kTiny.end() - 1);
  Bytes cut_in_comment = test::Head(1, 1);
  Append(cut_in_comment, {0x21, 0xFE, 10, 'a', 'b'});
  Bytes cut_after_introducer = test::Head(1, 1);
  cut_after_introducer.push_back(0x21);
  Bytes cut_in_descriptor = test::Head(1, 1);
  Append(cut_in_descriptor, {0x2C, 0, 0});  // keeps Width and Height 0: nothing to decode
  Bytes garbage_after = kTiny;
  Append(garbage_after, {1, 2, 3});
  Bytes two_images = kTiny;
  two_images.pop_back();
  Append(two_images, Bytes(kTiny.begin() + 19, kTiny.end()));
  const Case cases[] = {
      {"empty stream", {}, 0},
      {"header only", Bytes(kTiny.begin(), kTiny.begin() + 6), 0},
      {"0x00 where a separator belongs", zero_separator, 1},
      {"no trailer", no_trailer, 1},
      {"cut inside a comment", cut_in_comment, 0},
      {"cut after an introducer", cut_after_introducer, 0},
      {"bytes after the trailer", garbage_after, 1},
      {"two images", two_images, 2},
  };
  for (const Case& c : cases) EXPECT_EQ(Load(c.bytes)->SubImages.Count(), c.images) << c.what;

  // Cut inside the descriptor: the image has no data sub-block at all.
  EXPECT_EQ(MessageOf<EStringListError>(cut_in_descriptor), "リストのインデックスが範囲を超えています (0)");
}

TEST(GifFile, EmptyStreamKeepsTheHeaderOfANewFile) {
  auto gif = Load({});
  EXPECT_EQ(std::string(gif->Header.Signature.begin(), gif->Header.Signature.end()), "GIF");
  EXPECT_EQ(gif->ColorTable->Count, 2);  // decoded from an all-zero descriptor
}

TEST(GifFile, FailureKeepsEarlierImages) {
  Bytes bytes = kTiny;
  bytes.pop_back();
  Append(bytes, test::Image(1, 1, 0, {}, 1, {0x44}));  // code size 1
  TGifFile gif;
  TMemoryStream s(bytes);
  try {
    gif.LoadFromStream(s);
    ADD_FAILURE();
  } catch (const EGifException& e) {
    EXPECT_STREQ(e.what(), "Bad code Size");
  }
  EXPECT_EQ(gif.SubImages.Count(), 1);
}

TEST(GifSubImage, ColourCountMustBeAPowerOfTwo) {
  struct Case {
    std::uint16_t colors;
    std::uint8_t bits;
    std::uint8_t code_size;
  };
  const Case good[] = {{2, 1, 2}, {4, 2, 2}, {16, 4, 4}, {256, 8, 8}};
  for (const Case& c : good) {
    TGifSubImage image(c.colors, nullptr);
    EXPECT_EQ(image.BitsPerPixel, c.bits);
    EXPECT_EQ(image.CodeSize, c.code_size);
    EXPECT_EQ(image.ColorTable->Count, c.colors);
    EXPECT_EQ(image.Descriptor.PackedFields, 0);
    EXPECT_EQ(image.Pixels->ColCount(), 0);
  }
  for (const std::uint16_t bad : std::initializer_list<std::uint16_t>{0, 1, 3, 512}) {
    try {
      TGifSubImage image(bad, nullptr);
      ADD_FAILURE() << bad;
    } catch (const EGifException& e) {
      EXPECT_EQ(std::string(e.what()), "Number of colors (" + std::to_string(bad) + ") wrong; must be a power of 2");
    }
  }
}

TEST(GifSubImage, EncodePackedFields) {
  TGifSubImage image(16, nullptr);
  image.HasColorTable = true;
  image.Interlaced = true;
  image.EncodePackedFields();
  EXPECT_EQ(image.Descriptor.PackedFields, 0x80 | 0x40 | 3);
}

}  // namespace
}  // namespace gd
