// The two options of the system menu: their place and captions, what they
// ask of the engine, and their keys in the settings file.

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/menu_options.h"
#include "tests/app/main_form_fixture.h"
#include "tests/support/dib_fixtures.h"
#include "tests/support/jpeg_fixtures.h"
#include "tests/support/png_fixtures.h"
#include "tests/support/win_test_util.h"
#include "utf16/utf16.h"

namespace gd::apptest {
namespace {

namespace fs = std::filesystem;

struct MenuItem {
  bool separator;
  UINT id;
  std::string text;
  bool checked;
};

MenuItem ItemAt(HMENU menu, int position) {
  wchar_t text[128] = {};
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_STRING;
  info.dwTypeData = text;
  info.cch = 128;
  GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info);
  return {(info.fType & MFT_SEPARATOR) != 0, info.wID, Narrow(text), (info.fState & MFS_CHECKED) != 0};
}

void ChooseFromSystemMenu(HWND wnd, const MenuOption& option) {
  SendMessageW(wnd, WM_SYSCOMMAND, option.command, 0);
}

TEST_F(MainFormTest, SystemMenuEndsWithTheTwoOptionsBelowASeparator) {
  TMainForm& f = Open();
  HMENU menu = GetSystemMenu(f.Handle(), FALSE);
  const int n = GetMenuItemCount(menu);
  ASSERT_GE(n, 3);
  EXPECT_TRUE(ItemAt(menu, n - 3).separator);
  const MenuItem all = ItemAt(menu, n - 2);
  const MenuItem png = ItemAt(menu, n - 1);
  EXPECT_EQ(all.text, "すべての画像を探す(&A)");
  EXPECT_EQ(png.text, "PNG 形式で保存する(&P)");
  EXPECT_FALSE(all.checked);
  EXPECT_FALSE(png.checked);

  // Each choice turns its check mark over.
  ChooseFromSystemMenu(f.Handle(), kAllImagesOption);
  EXPECT_TRUE(ItemAt(menu, n - 2).checked);
  EXPECT_FALSE(ItemAt(menu, n - 1).checked);
  ChooseFromSystemMenu(f.Handle(), kSaveAsPngOption);
  ChooseFromSystemMenu(f.Handle(), kAllImagesOption);
  EXPECT_FALSE(ItemAt(menu, n - 2).checked);
  EXPECT_TRUE(ItemAt(menu, n - 1).checked);
  // The system's own commands still reach the system.
  SendMessageW(f.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  test::PumpFor(std::chrono::milliseconds(30));
  EXPECT_FALSE(f.Visible());
}

TEST_F(MainFormTest, MenuOptionsDecideWhatARunFindsAndHowItSaves) {
  TMainForm& f = Open();
  // An icon-shaped bitmap and, after it, embedded PNG and JPEG files.
  std::vector<std::uint8_t> bytes(64, 0x5A);
  const test::Bytes dib = test::IconImage(16, 4);
  bytes.insert(bytes.end(), dib.begin(), dib.end());
  bytes.insert(bytes.end(), 64, 0x5A);
  const test::PngBytes png = test::TinyPng(3, 2);
  bytes.insert(bytes.end(), png.begin(), png.end());
  const test::JpegBytes jpeg = test::TinyJpeg(3);
  bytes.insert(bytes.end(), jpeg.begin(), jpeg.end());
  const std::string source = root_ + "\\src\\mixed.dat";
  WriteBytes(source, bytes);
  f.SetChecked("cbOpenFolder", false);
  struct Case {
    bool all_images, save_as_png;
    std::vector<std::string> written;
  };
  const Case cases[] = {
      {false, false, {"mixed-dat-0.bmp"}},
      {false, true, {"mixed-dat-0.png"}},
      {true, false, {"mixed-dat-0.bmp", "mixed-dat-1.png", "mixed-dat-2.jpg"}},
      {true, true, {"mixed-dat-0.png", "mixed-dat-1.png", "mixed-dat-2.jpg"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.all_images << c.save_as_png);
    for (const auto& e : fs::directory_iterator(P(SaveDir()))) fs::remove(e.path());
    if (f.MenuOptionChecked(kAllImagesOption) != c.all_images) ChooseFromSystemMenu(f.Handle(), kAllImagesOption);
    if (f.MenuOptionChecked(kSaveAsPngOption) != c.save_as_png) ChooseFromSystemMenu(f.Handle(), kSaveAsPngOption);
    BoxAnswerer boxes;
    open_answer_ = source;
    Click("btnGetFromFile");
    EXPECT_EQ(FileNames(SaveDir()), c.written);
    // The bitmap saved as PNG is a PNG file.
    const std::vector<std::uint8_t> first = ReadBytes(SaveDir() + c.written[0]);
    const bool is_png = first.size() > 8 && first[0] == 0x89 && first[1] == 'P';
    EXPECT_EQ(is_png, c.save_as_png);
    // The JPEG file is kept as it is, whatever the format.
    if (c.all_images) {
      EXPECT_EQ(ReadBytes(SaveDir() + c.written[2]), jpeg);
    }
  }
}

TEST_F(MainFormTest, MenuOptionsAreReadFromTheSettingsFile) {
  struct Case {
    const char* option_lines;
    bool all_images, save_as_png;
  };
  const Case cases[] = {
      {"AllImages=1\r\nSaveAsPng=1\r\n", true, true},
      {"AllImages=0\r\nSaveAsPng=2\r\n", false, true},
      {"AllImages=1\r\n", true, false},  // missing: off
      {"SaveAsPng=yes\r\n", false, false},
      {"", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.option_lines);
    WriteText(ini_, std::string("[Option]\r\nNoIcoRes=1\r\n") + c.option_lines);
    TMainForm& f = Open();
    EXPECT_EQ(f.MenuOptionChecked(kAllImagesOption), c.all_images);
    EXPECT_EQ(f.MenuOptionChecked(kSaveAsPngOption), c.save_as_png);
    EXPECT_TRUE(Checked("cbNoIcoRes"));
    progress_.reset();
    form_.reset();
  }
}

TEST_F(MainFormTest, MenuOptionsAreWrittenAfterTheSixBoxes) {
  TMainForm& f = Open();
  ChooseFromSystemMenu(f.Handle(), kSaveAsPngOption);
  ASSERT_TRUE(CloseWindow());
  std::string text = ReadSettingsText(ini_);
  std::erase(text, '\r');
  EXPECT_NE(text.find("NoIcoRes=0\nNoCurRes=0\nAllImages=0\nSaveAsPng=1\n"), std::string::npos) << text;

  TMainForm& again = Open();
  EXPECT_FALSE(again.MenuOptionChecked(kAllImagesOption));
  EXPECT_TRUE(again.MenuOptionChecked(kSaveAsPngOption));
}

}  // namespace
}  // namespace gd::apptest
