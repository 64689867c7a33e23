#include "base/path_util.h"

#include <gtest/gtest.h>

namespace gd {
namespace {

TEST(RightStr, TakesTheLastCharacters) {
  EXPECT_EQ(RightStr("abc", 1), "c");
  EXPECT_EQ(RightStr("abc", 5), "abc");
  EXPECT_EQ(RightStr("abc", 0), "");
  EXPECT_EQ(RightStr("", 1), "");
}

TEST(AddBackslash, AddsExactlyOneSeparator) {
  EXPECT_EQ(AddBackslash("C:\\Work", '\\'), "C:\\Work\\");
  EXPECT_EQ(AddBackslash("C:\\", '\\'), "C:\\");
  EXPECT_EQ(AddBackslash("", '\\'), "\\");
  EXPECT_EQ(AddBackslash("/tmp/x"), "/tmp/x/");
  EXPECT_EQ(AddBackslash("/tmp/x/"), "/tmp/x/");
}

struct NameCase {
  const char* path;
  const char* base;
  const char* ext;
};

TEST(FileNameParts, SplitAtTheLastDotOfTheName) {
  const NameCase cases[] = {
      {"/w/app.ico", "app", "ico"},
      {"/w/README", "README", ""},
      {"/w/.profile", "", "profile"},
      {"/w/archive.tar.gz", "archive.tar", "gz"},
      {"/w.d/noext", "noext", ""},  // a dot in the folder does not count
      {"/w/trailing.", "trailing", ""},
      {"/w/日本語.アイコン", "日本語", "アイコン"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BaseNameOf(c.path), c.base) << c.path;
    EXPECT_EQ(ExtensionOf(c.path), c.ext) << c.path;
  }
}

TEST(FileNameParts, LongExtensionsAreCutTo255BytesOnACharacterBoundary) {
  EXPECT_EQ(ExtensionOf("/w/x." + std::string(300, 'a')).size(), 255u);
  // 85 three-byte characters make 255 bytes; one more must not be cut in half.
  std::string kana;
  for (int i = 0; i < 90; ++i) kana += "ア";
  const std::string ext = ExtensionOf("/w/x." + kana);
  EXPECT_EQ(ext.size(), 255u);
  EXPECT_EQ(ext.substr(252), "ア");
}

TEST(Compare, AsciiCaseOnly) {
  EXPECT_TRUE(StartsWithNoCase("bmpx", "BMP"));
  EXPECT_FALSE(StartsWithNoCase("bm", "BMP"));
  EXPECT_TRUE(EqualsNoCase("X.BmP", "x.bmp"));
  EXPECT_FALSE(EqualsNoCase("Ä", "ä"));
}

}  // namespace
}  // namespace gd
