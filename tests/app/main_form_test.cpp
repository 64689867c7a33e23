// The main window under Wine: layout, settings, commands and the running
// state, with the dialogs answered by the test.

#include "app/main_form.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <commdlg.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/progress_msg.h"
#include "base/path_util.h"
#include "tests/app/main_form_fixture.h"
#include "tests/support/dib_fixtures.h"
#include "tests/support/win_test_util.h"
#include "ui/application.h"
#include "utf16/utf16.h"

namespace gd::apptest {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

RECT ClientRectOf(HWND wnd) {
  RECT r{};
  GetClientRect(wnd, &r);
  return r;
}

TEST_F(MainFormTest, WindowIsLaidOutAsDesigned) {
  TMainForm& f = Open();
  HWND wnd = f.Handle();
  EXPECT_EQ(test::WindowText(wnd), "グリマーディグ");
  const LONG_PTR style = GetWindowLongPtrW(wnd, GWL_STYLE);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_FALSE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(GetWindowLongPtrW(wnd, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
  RECT outer{};
  GetWindowRect(wnd, &outer);
  EXPECT_EQ(outer.left, 68);
  EXPECT_EQ(outer.top, 128);
  EXPECT_EQ(outer.bottom - outer.top, 260);
  EXPECT_EQ(ClientRectOf(wnd).right, 536);
  MINMAXINFO mmi{};
  SendMessageW(wnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  EXPECT_EQ(mmi.ptMinTrackSize.x, 500);
  EXPECT_EQ(mmi.ptMinTrackSize.y, 260);

  // Relative to the client area; the group's boxes relative to the group.
  const test::ExpectedControl controls[] = {
      {"StaticText1", 18, 18, 46, 16, "保存先："},
      {"stSaveDir", 12, 36, 497, 19},
      {"btnSaveDir", 514, 36, 19, 19, "..."},
      {"btnGetFromFolder", 16, 72, 129, 25, "フォルダから抽出"},
      {"btnGetFromFile", 161, 72, 128, 25, "ファイルから抽出"},
      {"btnHelp", 360, 72, 91, 25, "ヘルプ(&H)"},
      {"Animate", 480, 66, 48, 50},
      {"GroupBox1", 12, 114, 253, 85, "抽出対象外とするもの"},
      {"cbDelBmp", 276, 120, 247, 25, "抽出前に保存先のBmpをすべて削除する(&D)"},
      {"cbOpenFolder", 276, 144, 253, 25, "抽出後にフォルダを開く(&F)"},
  };
  test::ExpectControls(f, controls);
  const RECT group = test::RectInParent(f.Control("GroupBox1"));
  const test::ExpectedControl boxes[] = {
      {"cbNoIcoFile", 12, 24, 109, 19, "アイコンファイル"},
      {"cbNoCurFile", 12, 48, 109, 19, "カーソルファイル"},
      {"cbNoIcoRes", 132, 24, 109, 19, "アイコンリソース"},
      {"cbNoCurRes", 132, 48, 115, 19, "カーソルリソース"},
  };
  test::ExpectControls(f, boxes, {group.left, group.top});
  // The status bar: docked to the bottom, one simple panel.
  const RECT client = ClientRectOf(wnd);
  const RECT status = test::RectInParent(f.Control("StatusBar"));
  EXPECT_EQ(status.bottom, client.bottom);
  EXPECT_EQ(status.right - status.left, client.right);
  EXPECT_TRUE(SendMessageW(f.Control("StatusBar"), SB_ISSIMPLE, 0, 0));
  EXPECT_TRUE(GetWindowLongPtrW(f.Control("stSaveDir"), GWL_STYLE) & SS_SUNKEN);

  // Keyboard order: the three commands, "...", the group's four boxes, the
  // two options, and round again.
  const char* order[] = {"btnGetFromFolder", "btnGetFromFile", "btnHelp",  "btnSaveDir",   "cbNoIcoFile",
                         "cbNoCurFile",      "cbNoIcoRes",     "cbNoCurRes", "cbDelBmp", "cbOpenFolder",
                         "btnGetFromFolder"};
  HWND at = f.Control(order[0]);
  for (std::size_t i = 1; i < std::size(order); ++i) {
    at = GetNextDlgTabItem(wnd, at, FALSE);
    EXPECT_EQ(at, f.Control(order[i])) << "after " << order[i - 1] << " got " << test::WindowText(at);
  }
  test::SaveScreenshot(wnd, "screenshots/main-window.bmp");
}

TEST_F(MainFormTest, FirstStartUsesTheDefaultsAndCloseWritesAllKeys) {
  TMainForm& f = Open();
  const std::string save_dir = exe_folder_ + "BmpSave\\";
  EXPECT_TRUE(fs::is_directory(P(exe_folder_ + "BmpSave")));  // created with its missing parents
  EXPECT_EQ(f.SourceDir(), exe_folder_);
  EXPECT_EQ(f.Extractor()->SaveDir(), save_dir);
  EXPECT_EQ(f.Text("stSaveDir"), save_dir);
  EXPECT_EQ(f.SettingsFile(), ini_);
  for (const char* box : {"cbDelBmp", "cbNoIcoFile", "cbNoCurFile", "cbNoIcoRes", "cbNoCurRes"}) {
    EXPECT_FALSE(Checked(box)) << box;
  }
  EXPECT_TRUE(Checked("cbOpenFolder"));
  EXPECT_FALSE(fs::exists(P(ini_)));

  ASSERT_TRUE(CloseWindow());
  EXPECT_EQ(f.Extractor(), nullptr);
  // Created as UTF-16 with its byte-order mark, so the folder names survive.
  const std::vector<std::uint8_t> bytes = ReadBytes(ini_);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xFE);
  std::string text = ReadSettingsText(ini_);
  std::erase(text, '\r');
  const std::string expected = "[Window]\nPosX=68\nPosY=128\n[Directry]\nSrc=" + exe_folder_ + "\nDst=" + save_dir +
                               "\n[Option]\nDelBmp=0\nOpenFolder=1\nNoIcoFile=0\nNoCurFile=0\nNoIcoRes=0\nNoCurRes=0\n"
                               "AllImages=0\nSaveAsPng=0\n";
  // Blank lines between sections are the profile service's business.
  std::erase(text, '\n');
  std::string flat = expected;
  std::erase(flat, '\n');
  EXPECT_EQ(text, flat);
}

TEST_F(MainFormTest, ReadsAHandWrittenAnsiFileByTheValueRules) {
  WriteText(ini_,
            "[Window]\r\nPosX=0x20\r\nPosY=$20\r\n[Directry]\r\nSrc=C:\\src\\\r\nDst=\r\n"
            "[Option]\r\nDelBmp=2\r\nOpenFolder=yes\r\nNoIcoFile=yes\r\nNoCurFile=-1\r\nNoCurRes=1\r\n");
  TMainForm& f = Open();
  RECT r{};
  GetWindowRect(f.Handle(), &r);
  EXPECT_EQ(r.left, 32);
  EXPECT_EQ(r.top, 32);
  EXPECT_EQ(r.bottom - r.top, 260);
  EXPECT_EQ(f.SourceDir(), "C:\\src\\");
  EXPECT_EQ(f.Extractor()->SaveDir(), "");  // present but empty: not the default
  EXPECT_EQ(f.Text("stSaveDir"), "");
  EXPECT_TRUE(fs::is_directory(P(exe_folder_ + "BmpSave")));  // created all the same
  EXPECT_TRUE(Checked("cbDelBmp"));
  EXPECT_TRUE(Checked("cbOpenFolder"));  // "yes" is no integer: the default
  EXPECT_FALSE(Checked("cbNoIcoFile"));
  EXPECT_TRUE(Checked("cbNoCurFile"));
  EXPECT_FALSE(Checked("cbNoIcoRes"));
  EXPECT_TRUE(Checked("cbNoCurRes"));

  // An empty save folder: the engine says so and no dialog opens.
  BoxAnswerer boxes;
  Click("btnGetFromFolder");
  Click("btnGetFromFile");
  EXPECT_TRUE(browse_calls_.empty());
  EXPECT_TRUE(open_dialog_dirs_.empty());
  ASSERT_EQ(boxes.seen.size(), 2u);
  EXPECT_EQ(boxes.seen[0].title, "グリマーディグ");
  EXPECT_EQ(boxes.seen[0].text, "保存先に指定された\r\rは存在しないディレクトリです。変更してください｡");
}

TEST_F(MainFormTest, SettingsSurviveUnicodeFolderNamesAndAPositionChange) {
  const std::string save_dir = root_ + "\\保存 Ωmega✓\\";
  fs::create_directories(P(save_dir));
  {
    TMainForm& f = Open();
    browse_answer_ = save_dir.substr(0, save_dir.size() - 1);
    Click("btnSaveDir");
    EXPECT_EQ(f.Extractor()->SaveDir(), save_dir);
    SetWindowPos(f.Handle(), nullptr, -8, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Click("cbNoIcoRes");
    Click("cbOpenFolder");
    ASSERT_TRUE(CloseWindow());
  }
  progress_.reset();
  form_.reset();
  TMainForm& f = Open();
  EXPECT_EQ(f.Extractor()->SaveDir(), save_dir);
  EXPECT_EQ(f.Text("stSaveDir"), save_dir);
  RECT r{};
  GetWindowRect(f.Handle(), &r);
  EXPECT_EQ(r.left, -8);  // not compared with the screen
  EXPECT_EQ(r.top, 300);
  EXPECT_TRUE(Checked("cbNoIcoRes"));
  EXPECT_FALSE(Checked("cbOpenFolder"));
}

TEST_F(MainFormTest, AHandWrittenAnsiFileBecomesUnicodeWhenWritten) {
  WriteText(ini_, "; kept\r\n[Other]\r\nKeep=me\r\n[Option]\r\nNoIcoFile=1\r\n");
  const std::string save_dir = root_ + "\\Ωmega✓\\";
  fs::create_directories(P(save_dir));
  Open();
  EXPECT_TRUE(Checked("cbNoIcoFile"));
  browse_answer_ = save_dir;
  Click("btnSaveDir");
  ASSERT_TRUE(CloseWindow());
  const std::vector<std::uint8_t> bytes = ReadBytes(ini_);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xFE);
  const std::string text = ReadSettingsText(ini_);
  EXPECT_NE(text.find("[Other]\r\nKeep=me"), std::string::npos) << text;
  EXPECT_NE(text.find("Dst=" + save_dir), std::string::npos) << text;
  EXPECT_NE(text.find("NoIcoFile=1"), std::string::npos) << text;
  EXPECT_EQ(text.find("\n\n"), std::string::npos) << text;
}

TEST_F(MainFormTest, AFailingWriteKeepsTheWindowOpenAndUsable) {
  TMainForm& f = Open();
  fs::create_directories(P(ini_));  // a folder where the file should be
  EXPECT_FALSE(CloseWindow());
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0], ini_ + " に書き込めません");
  EXPECT_TRUE(f.Visible());
  ASSERT_NE(f.Extractor(), nullptr);  // not freed
  // Still usable: the help command answers.
  Click("btnHelp");
  ASSERT_EQ(started_.size(), 1u);
  EXPECT_EQ(started_[0], "HH.EXE " + exe_folder_ + "glimmerdig.chm");
  // Once the file can be written, closing works.
  fs::remove(P(ini_));
  EXPECT_TRUE(CloseWindow());
  EXPECT_EQ(f.Extractor(), nullptr);
  EXPECT_NE(ReadSettingsText(ini_).find("NoCurRes=0"), std::string::npos);
}

TEST_F(MainFormTest, OptionsBecomeTheEnginesFlags) {
  TMainForm& f = Open();
  struct Case {
    bool ico_file, cur_file, ico_res, cur_res, del_bmp;
    std::uint8_t flags;
  };
  const Case cases[] = {
      {true, true, true, true, true, 15},
      {false, false, false, false, false, 0},
      {false, true, false, true, false, 10},
      {true, false, true, false, true, 5},
  };
  for (const Case& c : cases) {
    f.SetChecked("cbNoIcoFile", c.ico_file);
    f.SetChecked("cbNoCurFile", c.cur_file);
    f.SetChecked("cbNoIcoRes", c.ico_res);
    f.SetChecked("cbNoCurRes", c.cur_res);
    f.SetChecked("cbDelBmp", c.del_bmp);
    f.ApplyOptions();
    EXPECT_EQ(f.Extractor()->ExcludeFlags(), c.flags);
    EXPECT_EQ(f.Extractor()->DeleteFirst(), c.del_bmp);
  }
}

TEST_F(MainFormTest, FileCommandExtractsOneFileAndReportsTheCount) {
  TMainForm& f = Open();
  const std::string source = root_ + "\\icons\\";
  WriteBytes(source + "three.ico",
             test::IconFile({test::IconImage(16, 4), test::IconImage(32, 4), test::IconImage(16, 4)}));
  WriteText(source + "plain.txt", "nothing here");
  BoxAnswerer boxes;

  // Cancelled: nothing changes.
  Click("btnGetFromFile");
  ASSERT_EQ(open_dialog_dirs_.size(), 1u);
  EXPECT_EQ(open_dialog_dirs_[0], exe_folder_);
  EXPECT_EQ(f.SourceDir(), exe_folder_);
  EXPECT_TRUE(boxes.seen.empty());

  StatusLog status(f.Control("StatusBar"));
  open_answer_ = source + "three.ico";
  Click("btnGetFromFile");
  EXPECT_EQ(f.SourceDir(), source);
  ASSERT_EQ(boxes.seen.size(), 1u);
  EXPECT_EQ(boxes.seen[0].title, "グリマーディグ");
  EXPECT_EQ(boxes.seen[0].text, "3個のビットマップを抽出しました。");
  ASSERT_EQ(started_.size(), 1u);
  EXPECT_EQ(started_[0], "Explorer " + exe_folder_ + "BmpSave\\");
  EXPECT_EQ(status.texts, std::vector<std::string>{source + "three.ico"});
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(fs::exists(P(exe_folder_ + "BmpSave\\three-ico-" + std::to_string(i) + ".bmp")));
  EXPECT_TRUE(IsWindowEnabled(f.Control("btnGetFromFile")));
  EXPECT_TRUE(IsWindowEnabled(f.Control("btnGetFromFolder")));
  EXPECT_FALSE(progress_->Visible());
  EXPECT_FALSE(f.Running());

  // Nothing found: the other text, and no Explorer whatever the option says.
  open_answer_ = source + "plain.txt";
  Click("btnGetFromFile");
  ASSERT_EQ(boxes.seen.size(), 2u);
  EXPECT_EQ(boxes.seen[1].text, "ビットマップは見つかりませんでした。");
  EXPECT_EQ(started_.size(), 1u);
  EXPECT_EQ(status.texts.back(), source + "plain.txt");
  // The next dialog starts in the folder of the last file.
  EXPECT_EQ(open_dialog_dirs_.back(), source);
}

TEST_F(MainFormTest, FolderCommandAsksAndOnlyYesRuns) {
  TMainForm& f = Open();
  const std::string source = root_ + "\\tree";
  WriteBytes(source + "\\a\\one.ico", test::IconFile({test::IconImage(32, 4)}));
  WriteBytes(source + "\\b\\two.cur", test::IconFile({test::IconImage(16, 4), test::IconImage(16, 4)}));
  const std::string save_dir = exe_folder_ + "BmpSave\\";
  BoxAnswerer boxes;

  // The dialog cancelled: nothing changes.
  Click("btnGetFromFolder");
  ASSERT_EQ(browse_calls_.size(), 1u);
  EXPECT_EQ(browse_calls_[0].caption, "抽出するフォルダを選んでください");
  EXPECT_EQ(browse_calls_[0].directory, exe_folder_);
  EXPECT_EQ(f.SourceDir(), exe_folder_);

  // Answered No: no run, but the folder is remembered with one backslash.
  browse_answer_ = source;
  boxes.answers = {false};
  Click("btnGetFromFolder");
  ASSERT_EQ(boxes.seen.size(), 1u);
  EXPECT_EQ(boxes.seen[0].title, "確認");
  EXPECT_EQ(boxes.seen[0].text,
            source + "\\ からビットマップを抽出して " + save_dir + " に保存します。よろしいですか？");
  EXPECT_EQ(f.SourceDir(), source + "\\");
  EXPECT_FALSE(fs::exists(P(save_dir + "one-ico-0.bmp")));

  // A drive root keeps its one backslash.
  browse_answer_ = "C:\\";
  boxes.answers = {false};
  Click("btnGetFromFolder");
  EXPECT_EQ(browse_calls_.back().directory, source + "\\");
  EXPECT_EQ(f.SourceDir(), "C:\\");

  // Yes: the whole tree, then the count; Explorer only when asked for.
  browse_answer_ = source + "\\";
  f.SetChecked("cbOpenFolder", false);
  Click("btnGetFromFolder");
  ASSERT_EQ(boxes.seen.size(), 4u);
  EXPECT_EQ(boxes.seen[3].text, "3個のビットマップを抽出しました。");
  EXPECT_TRUE(started_.empty());
  EXPECT_TRUE(fs::exists(P(save_dir + "one-ico-0.bmp")));
  EXPECT_TRUE(fs::exists(P(save_dir + "two-cur-1.bmp")));
  EXPECT_EQ(f.SourceDir(), source + "\\");
}

TEST_F(MainFormTest, SaveFolderCommandSetsTheEngineAndTheText) {
  TMainForm& f = Open();
  const std::string before = f.Extractor()->SaveDir();
  Click("btnSaveDir");  // cancelled
  ASSERT_EQ(browse_calls_.size(), 1u);
  EXPECT_EQ(browse_calls_[0].caption, "保存するフォルダを選んでください");
  EXPECT_EQ(browse_calls_[0].directory, before);
  EXPECT_EQ(f.Extractor()->SaveDir(), before);

  browse_answer_ = "D:\\out & about";
  Click("btnSaveDir");
  EXPECT_EQ(f.Extractor()->SaveDir(), "D:\\out & about\\");
  EXPECT_EQ(f.Text("stSaveDir"), "D:\\out & about\\");
  browse_answer_ = "D:\\";
  Click("btnSaveDir");
  EXPECT_EQ(f.Extractor()->SaveDir(), "D:\\");
  EXPECT_EQ(f.SourceDir(), exe_folder_);  // untouched
}

// The system's open dialog itself, answered by typing a name into it.
TEST_F(MainFormTest, OpenDialogStartsInTheFolderAndGivesOneFile) {
  TMainForm& f = Open();
  const std::string folder = root_ + "\\pick\\";
  WriteText(folder + "chosen.dat", "x");
  TOpenDialog& dlg = f.OpenDialog();
  dlg.InitialDir = folder;
  bool read_only_box_shown = true;
  std::string title;
  test::Later([&] {
    HWND box = GetActiveWindow();
    title = test::WindowText(box);
    HWND read_only = GetDlgItem(box, 0x410);  // the read-only check box
    read_only_box_shown = read_only != nullptr && IsWindowVisible(read_only);
    HWND name = GetDlgItem(box, 0x47C);  // the file name box
    if (name == nullptr) name = GetDlgItem(box, 0x480);
    SetWindowTextW(name, L"chosen.dat");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  }, 500ms);
  ASSERT_TRUE(dlg.Execute(f.Handle()));
  EXPECT_EQ(dlg.FileName, folder + "chosen.dat");
  EXPECT_EQ(dlg.Files, std::vector<std::string>{folder + "chosen.dat"});
  EXPECT_FALSE(read_only_box_shown);
  EXPECT_FALSE(title.empty());  // the system's own title

  // Cancelled: false, and the last name is kept for the next time.
  test::Later([] { PostMessageW(GetActiveWindow(), WM_COMMAND, IDCANCEL, 0); }, 500ms);
  EXPECT_FALSE(dlg.Execute(f.Handle()));
  EXPECT_EQ(dlg.FileName, folder + "chosen.dat");
}

// What the system's open dialog shows when it comes up, read from inside
// its modal loop; then it is answered with `name` (cancelled when empty).
struct OpenDialogView {
  std::string folder;
  std::string name;
};

// The open dialog's file name box, or null while the active window is not
// the dialog.
HWND OpenDialogNameBox(HWND box) {
  if (box == nullptr || test::ClassName(box) != "#32770") return nullptr;
  HWND name_box = GetDlgItem(box, 0x47C);  // the file name box
  return name_box != nullptr ? name_box : GetDlgItem(box, 0x480);
}

// Waits (a while at most) for the dialog to come up on a busy machine.
void AnswerOpenDialogLater(OpenDialogView& view, const std::string& name, int tries_left = 100) {
  test::Later([&view, name, tries_left] {
    HWND box = GetActiveWindow();
    HWND name_box = OpenDialogNameBox(box);
    if (name_box == nullptr) {
      if (tries_left > 0) AnswerOpenDialogLater(view, name, tries_left - 1);
      return;
    }
    wchar_t folder[MAX_PATH] = {};
    SendMessageW(box, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
    view.folder = Narrow(folder);
    view.name = test::WindowText(name_box);
    if (name.empty()) {
      PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    } else {
      SetWindowTextW(name_box, Widen(name).c_str());
      PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
  }, 100ms);
}

// A chosen file's full path must not take the next dialog back to its
// folder once a folder run has moved on elsewhere.
TEST_F(MainFormTest, FileDialogStartsInTheSourceFolderAfterAFolderRunElsewhere) {
  real_open_dialog_ = true;
  TMainForm& f = Open();
  const std::string first = root_ + "\\first\\";
  const std::string second = root_ + "\\second";
  WriteBytes(first + "a.ico", test::IconFile({test::IconImage(16, 4)}));
  WriteBytes(second + "\\b.ico", test::IconFile({test::IconImage(16, 4)}));
  BoxAnswerer boxes;

  OpenDialogView view;
  AnswerOpenDialogLater(view, first + "a.ico");
  Click("btnGetFromFile");
  EXPECT_EQ(AddBackslash(view.folder), exe_folder_);
  EXPECT_EQ(f.SourceDir(), first);
  ASSERT_EQ(boxes.seen.size(), 1u);
  EXPECT_EQ(boxes.seen[0].text, "1個のビットマップを抽出しました。");

  // A folder run elsewhere (answered No: the folder is remembered all the same).
  browse_answer_ = second;
  boxes.answers = {false};
  Click("btnGetFromFolder");
  EXPECT_EQ(f.SourceDir(), second + "\\");

  AnswerOpenDialogLater(view, "");
  Click("btnGetFromFile");
  EXPECT_EQ(AddBackslash(view.folder), second + "\\");
  EXPECT_EQ(view.name, "a.ico");  // the last name is offered again, without its folder
  EXPECT_EQ(f.SourceDir(), second + "\\");  // cancelled: unchanged
}

TEST_F(MainFormTest, BrowseDialogIsCentredOnTheScreen) {
  TMainForm& f = Open();
  HWND dlg = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 5, 7, 301, 211, nullptr, nullptr, nullptr, nullptr);
  std::string text;
  TOKButtonState ok = TOKButtonState::obsUnchanged;
  f.BrwsDlgInitialized(f.BrwsDlg(), dlg, "C:\\x", text, ok);
  RECT r{};
  GetWindowRect(dlg, &r);
  EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 301) / 2);
  EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 211) / 2);
  EXPECT_EQ(r.right - r.left, 301);
  EXPECT_EQ(r.bottom - r.top, 211);
  EXPECT_TRUE(text.empty());
  EXPECT_EQ(ok, TOKButtonState::obsUnchanged);
  DestroyWindow(dlg);
  // Bound to the dialog's event.
  EXPECT_TRUE(static_cast<bool>(f.BrwsDlg().OnInitialized));
}

TEST_F(MainFormTest, AFailedRunLeavesTheWindowIdleBeforeTheErrorShows) {
  TMainForm& f = Open();
  const std::string source = root_ + "\\src\\";
  // A source name that fits, whose output name is too long: the write fails.
  const std::string base(250, 'x');
  WriteBytes(source + base + ".ico", test::IconFile({test::IconImage(16, 4)}));
  bool idle_when_reported = false;
  App().SetExceptionHandler([&](const std::string& text) {
    errors_.push_back(text);
    idle_when_reported = IsWindowEnabled(f.Control("btnGetFromFile")) &&
                         IsWindowEnabled(f.Control("btnGetFromFolder")) && !progress_->Visible() && !f.Running();
  });
  open_answer_ = source + base + ".ico";
  BoxAnswerer boxes;
  Click("btnGetFromFile");
  ASSERT_EQ(errors_.size(), 1u);
  // The reason is the system's (Wine has its own words for this one).
  const std::string& text = errors_[0];
  EXPECT_TRUE(text.starts_with("ファイル " + exe_folder_ + "BmpSave\\" + base + "-ico-0.bmp を作成できません（"))
      << text;
  EXPECT_TRUE(text.ends_with("）。それまでに 0 個のビットマップを抽出しました。")) << text;
  EXPECT_TRUE(idle_when_reported);
  EXPECT_TRUE(boxes.seen.empty());  // no result text
}

// Posts a close request when the engine first shows a file, as a user
// pressing the close box in the middle of a walk.
LRESULT CALLBACK CloseOnFirstStatus(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR form) {
  if (msg == SB_SETTEXTW) {
    PostMessageW(reinterpret_cast<HWND>(form), WM_CLOSE, 0, 0);
    RemoveWindowSubclass(wnd, &CloseOnFirstStatus, 1);
  }
  return DefSubclassProc(wnd, msg, wp, lp);
}

TEST_F(MainFormTest, ClosingDuringAFolderRunCancelsItAndClosesAfterwards) {
  TMainForm& f = Open();
  const std::string source = root_ + "\\many\\";
  for (int i = 0; i < 30; ++i) {
    WriteBytes(source + "f" + std::to_string(i) + ".ico", test::IconFile({test::IconImage(16, 4)}));
  }
  browse_answer_ = source;
  BoxAnswerer boxes;
  SetWindowSubclass(f.Control("StatusBar"), &CloseOnFirstStatus, 1, reinterpret_cast<DWORD_PTR>(f.Handle()));
  Click("btnGetFromFolder");
  test::PumpFor(100ms);
  // The walk stopped after the file it was on, the result was shown, then
  // the window closed with the state after the run written.
  ASSERT_EQ(boxes.seen.size(), 2u);
  EXPECT_EQ(boxes.seen[1].text, "1個のビットマップを抽出しました。");
  EXPECT_FALSE(f.Visible());
  EXPECT_EQ(f.Extractor(), nullptr);
  EXPECT_NE(ReadSettingsText(ini_).find("Src=" + source), std::string::npos);
}

}  // namespace
}  // namespace gd::apptest
