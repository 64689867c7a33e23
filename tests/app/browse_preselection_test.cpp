// The folder command's real browse dialog opens on the folder of the last
// source, however that source came in.

#include <windows.h>

#include <gtest/gtest.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_text.h"
#include "app/command_line.h"
#include "tests/app/main_form_fixture.h"
#include "tests/support/dib_fixtures.h"
#include "tests/support/win_test_util.h"
#include "utf16/utf16.h"

namespace gd::apptest {
namespace {

using namespace std::chrono_literals;

HWND TreeOf(HWND dialog) {
  for (HWND c : test::Children(dialog)) {
    if (test::ClassName(c) == "SysTreeView32") return c;
  }
  return nullptr;
}

std::string SelectedItemText(HWND tree) {
  wchar_t text[MAX_PATH] = {};
  TVITEMW item{};
  item.mask = TVIF_TEXT;
  item.hItem = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (item.hItem == nullptr) return {};
  item.pszText = text;
  item.cchTextMax = MAX_PATH;
  SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  return Narrow(text);
}

// What the dialog shows selected once it has settled: Wine fills and expands
// the tree in steps, so the selection is read until it names `name` or about
// three seconds have gone. Then OK takes whatever is selected.
void PressOkOnceSettled(HWND dialog, std::string name, std::string& seen, int tries = 30) {
  seen = SelectedItemText(TreeOf(dialog));
  if (tries > 0 && seen != name) {
    test::Later([dialog, name, &seen, tries] { PressOkOnceSettled(dialog, name, seen, tries - 1); });
    return;
  }
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

HDROP MakeDrop(const std::string& path) {
  std::wstring names = Widen(path);
  names.push_back(L'\0');
  names.push_back(L'\0');
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::memcpy(drop + 1, names.data(), names.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

enum class Way { kCommandLine, kDrop };

// Each way has a test of its own, run by ctest in a process of its own: what
// went wrong happened only in the process's first shell dialog. The folder
// is on Wine's Z: drive, the build's own, where a user's files are.
class FolderDialogAfterASource : public MainFormTest {
 protected:
  void Check(Way way) {
    real_browse_dialog_ = true;
    const std::string name = "出典 Ωδ";
    const std::string folder = U(std::filesystem::current_path()) + "\\gd-browse-" + info_name() + "\\" + name;
    const std::string file = folder + "\\a.ico";
    WriteBytes(file, test::IconFile({test::IconImage(16, 4)}));
    BoxAnswerer boxes;
    TMainForm& f = Open([&](TMainForm& form) {
      if (way == Way::kCommandLine) {
        form.OpenWhenShown(CommandLineSources(Widen("glimmerdig.exe \"" + file + "\"").c_str()));
      }
    });
    if (way == Way::kDrop) PostMessageW(f.Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(file)), 0);
    test::PumpFor(150ms);
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].text, "1個のビットマップを抽出しました。");
    ASSERT_EQ(f.SourceDir(), folder + "\\");

    std::string selected;
    const auto centre = f.BrwsDlg().OnInitialized;
    f.BrwsDlg().OnInitialized = [&](TBrowseDialog& sender, HWND wnd, const std::string& path, std::string& text,
                                    TOKButtonState& ok) {
      centre(sender, wnd, path, text, ok);
      test::Later([wnd, name, &selected] { PressOkOnceSettled(wnd, name, selected); });
    };
    boxes.answers = {false};
    Click("btnGetFromFolder");
    EXPECT_EQ(selected, name);
    ASSERT_EQ(boxes.seen.size(), 2u);
    EXPECT_EQ(boxes.seen[1].text, ConfirmFolderText(folder + "\\", SaveDir()));
    form_.reset();
    std::error_code ec;
    std::filesystem::remove_all(P(folder).parent_path(), ec);
  }

 private:
  static std::string info_name() { return testing::UnitTest::GetInstance()->current_test_info()->name(); }
};

TEST_F(FolderDialogAfterASource, CommandLineFile) { Check(Way::kCommandLine); }

TEST_F(FolderDialogAfterASource, DroppedFile) { Check(Way::kDrop); }

}  // namespace
}  // namespace gd::apptest
