// The gallery page's text: escaping, links, grouping and sizes. Whether a
// browser shows it is the browser test's job (gallery_browser_test.py).

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "extract/report/gallery.h"
#include "platform/file_system.h"

namespace gd {
namespace {

const std::string kSep(1, kPathSeparator);

std::size_t Count(std::string_view text, std::string_view what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string_view::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(UrlFileName, EncodesAllButUnreservedBytes) {
  const struct {
    std::string_view in;
    std::string_view out;
  } cases[] = {
      {"shell32-dll-12.bmp", "shell32-dll-12.bmp"},
      {"A_z~0.9.png", "A_z~0.9.png"},
      {"a b#c?d%e.bmp", "a%20b%23c%3Fd%25e.bmp"},
      {"c:x\\y/z.bmp", "c%3Ax%5Cy%2Fz.bmp"},
      {"<&>\"'.gif", "%3C%26%3E%22%27.gif"},
      {"アイ.png", "%E3%82%A2%E3%82%A4.png"},
      {"bad\xff.bmp", "bad%FF.bmp"},
      {"..", "%2E%2E"},
  };
  for (const auto& c : cases) EXPECT_EQ(UrlFileName(c.in), c.out) << c.in;
}

TEST(HtmlText, EscapesMarkupAndReplacesBrokenUtf8) {
  const struct {
    std::string_view in;
    std::string_view out;
  } cases[] = {
      {"plain", "plain"},
      {"<b>&\"'", "&lt;b&gt;&amp;&quot;&#39;"},
      {"日本語のファイル", "日本語のファイル"},
      {"emoji \xF0\x9F\x96\xBC", "emoji \xF0\x9F\x96\xBC"},
      {"x\xffy", "x\xEF\xBF\xBDy"},
      {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},           // overlong "/"
      {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // a surrogate
      {"cut \xE3\x81", "cut \xEF\xBF\xBD\xEF\xBF\xBD"},
  };
  for (const auto& c : cases) EXPECT_EQ(HtmlText(c.in), c.out) << c.in;
}

TEST(CardSize, EnlargedUpToFourTimesWithin128PixelsOrMadeSmallerToFit) {
  const struct {
    std::int64_t width, height;
    int factor;
    std::int64_t shown_width, shown_height;
  } cases[] = {
      {1, 1, 4, 4, 4},          {16, 16, 4, 64, 64},     {32, 32, 4, 128, 128}, {33, 1, 3, 99, 3},
      {48, 48, 2, 96, 96},      {64, 128, 1, 64, 128},   {65, 65, 1, 65, 65},   {128, 128, 1, 128, 128},
      {256, 256, 1, 128, 128},  {300, 40, 1, 128, 17},   {4000, 1, 1, 128, 1},  {0, 0, 4, 4, 4},
      {2147483647, 2, 1, 128, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EnlargeFactor(c.width, c.height), c.factor) << c.width << "x" << c.height;
    const ShownSize shown = CardSize(c.width, c.height);
    EXPECT_EQ(shown.width, c.shown_width) << c.width << "x" << c.height;
    EXPECT_EQ(shown.height, c.shown_height) << c.width << "x" << c.height;
  }
}

TEST(Gallery, GroupsBySourceInRunOrder) {
  Gallery g;
  const std::string save = kSep + "save" + kSep;
  g.ImageWritten({"/src/b.exe", 10, ImageKind::kDib, 16, 16, 4, save + "b-exe-0.bmp", {}});
  g.ImageWritten({"/src/a.dll", 20, ImageKind::kPng, 32, 32, 32, save + "a-dll-0.png", {}});
  g.ImageWritten({"/src/b.exe", 30, ImageKind::kDib, 16, 16, 4, save + "b-exe-1.bmp", {}});
  const std::string html = g.Html();
  EXPECT_EQ(g.images(), 3u);
  EXPECT_EQ(Count(html, "<section "), 2u);
  const std::size_t b = html.find("<h2>/src/b.exe (2 images)</h2>");
  const std::size_t b1 = html.find("src=\"b-exe-1.bmp\"");
  const std::size_t a = html.find("<h2>/src/a.dll (1 image)</h2>");
  ASSERT_NE(b, std::string::npos);
  ASSERT_NE(a, std::string::npos);
  EXPECT_LT(b, b1);
  EXPECT_LT(b1, a) << "a later image of the first source stays in its group";
  EXPECT_NE(html.find("<title>Glimmerdig: 3 images from 2 files</title>"), std::string::npos);
  // At the top: the count per kind, and each source with its count, linking
  // to its group, named after the folder they share.
  EXPECT_NE(html.find("<p class=\"kinds\">2 bitmaps (dib) · 1 PNG (png)</p>"), std::string::npos) << html;
  EXPECT_NE(html.find("<p>In /src/</p>"), std::string::npos);
  const std::size_t nav_b = html.find("<li><a href=\"#s1\">b.exe</a> (2)</li>");
  const std::size_t nav_a = html.find("<li><a href=\"#s2\">a.dll</a> (1)</li>");
  ASSERT_NE(nav_b, std::string::npos) << html;
  ASSERT_NE(nav_a, std::string::npos);
  EXPECT_LT(nav_a, b);
  EXPECT_NE(html.find("<section id=\"s1\">\n<h2>/src/b.exe (2 images)</h2>"), std::string::npos);
  EXPECT_NE(html.find("<section id=\"s2\">\n<h2>/src/a.dll (1 image)</h2>"), std::string::npos);
}

TEST(Gallery, ShowsEachImageOnACardLinkingToItsFile) {
  Gallery g;
  g.ImageWritten({"/src/app.exe", 1234, ImageKind::kDib, 16, -16, 8, kSep + "out" + kSep + "app-exe-0.bmp", {}});
  g.ImageWritten({"/src/app.exe", 99, ImageKind::kPng, 300, 20, 1, "app-exe-1.png", {}});
  const std::string html = g.Html();
  EXPECT_NE(html.find("<a class=\"card dib\" href=\"app-exe-0.bmp\"><div class=\"pic\">"
                      "<img src=\"app-exe-0.bmp\" width=\"64\" height=\"64\" alt=\"app-exe-0.bmp\"></div>"
                      "<div class=\"cap\">16 × 16 · 8 bits<br>offset 0x4D2<br>"
                      "<span class=\"name\">app-exe-0.bmp</span></div></a>"),
            std::string::npos)
      << html;
  // Too wide for the card: made smaller, smoothed.
  EXPECT_NE(html.find("<img class=\"fit\" src=\"app-exe-1.png\" width=\"128\" height=\"8\""),
            std::string::npos);
  EXPECT_EQ(Count(html, "src=\"app-exe-1.png\""), 1u);
  EXPECT_NE(html.find("300 × 20 · 1 bit<br>offset 0x63"), std::string::npos);
  EXPECT_NE(html.find("image-rendering:pixelated"), std::string::npos);
  EXPECT_NE(html.find("conic-gradient"), std::string::npos);
}

// Names come from files anyone may have made: nothing in them may become
// markup, and every link must reach the file of that very name.
TEST(Gallery, HostileNamesStayText) {
  Gallery g;
  g.ImageWritten({"/src/</h2><script>alert(1)</script>.exe", 0, ImageKind::kGif, 8, 8, 8,
                  "x\"><img onerror=alert(2)> #1?.gif", {}});
  const std::string html = g.Html();
  EXPECT_EQ(Count(html, "<script"), 0u) << html;
  EXPECT_EQ(Count(html, "<img onerror"), 0u);
  EXPECT_NE(html.find("<h2>/src/&lt;/h2&gt;&lt;script&gt;alert(1)&lt;/script&gt;.exe (1 image)</h2>"), std::string::npos);
  EXPECT_NE(html.find("src=\"x%22%3E%3Cimg%20onerror%3Dalert%282%29%3E%20%231%3F.gif\""),
            std::string::npos);
  EXPECT_NE(html.find(">x&quot;&gt;&lt;img onerror=alert(2)&gt; #1?.gif</span>"), std::string::npos);
}

TEST(Gallery, LoadsNothingFromElsewhere) {
  Gallery g;
  g.ImageWritten({"https://example.invalid/x.exe", 0, ImageKind::kDib, 16, 16, 4, "x-exe-0.bmp", {}});
  const std::string html = g.Html();
  EXPECT_EQ(Count(html, "<script"), 0u);
  EXPECT_EQ(Count(html, "<link"), 0u);
  EXPECT_EQ(Count(html, "url("), 0u);
  EXPECT_EQ(Count(html, "src=\"https:"), 0u);
  EXPECT_EQ(Count(html, "src=\"x-exe-0.bmp\""), 1u);
  EXPECT_EQ(Count(html, "href=\"x-exe-0.bmp\""), 1u);
}

}  // namespace
}  // namespace gd
