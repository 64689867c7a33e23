// Sources from outside the window's two commands: the command line and
// drops on the window.

#include <windows.h>

#include <gtest/gtest.h>
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

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(CommandLine, SourcesAreTheArgumentsAfterTheProgram) {
  struct Case {
    const wchar_t* line;
    std::vector<std::string> sources;
  };
  const Case cases[] = {
      {L"glimmerdig.exe", {}},
      {L"glimmerdig.exe C:\\a\\x.ico", {"C:\\a\\x.ico"}},
      {L"\"C:\\Program Files\\g\\glimmerdig.exe\" \"C:\\My Files\\画像 Ωδ✓.ico\" D:\\b.dat",
       {"C:\\My Files\\画像 Ωδ✓.ico", "D:\\b.dat"}},
      // "Send to" on a drive, and a quoted folder with its backslash.
      {L"glimmerdig.exe \"D:\\\"", {"D:\\"}},
      {L"glimmerdig.exe \"C:\\My Folder\\\" \"E:\\x.ico\"", {"C:\\My Folder\\", "E:\\x.ico"}},
      {L"glimmerdig.exe \"\"", {}},
      {L"glimmerdig.exe relative\\x.ico", {"relative\\x.ico"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CommandLineSources(c.line), c.sources) << Narrow(c.line);
  }
}

TEST_F(MainFormTest, CommandLineFileRunsOnceTheWindowShowsWithNoDialog) {
  const std::string folder = root_ + "\\画像 Ωδ\\";
  WriteBytes(folder + "アイコン.ico", test::IconFile({test::IconImage(16, 4), test::IconImage(32, 4)}));
  BoxAnswerer boxes;
  std::vector<bool> visible_when_run;
  std::unique_ptr<StatusLog> status;
  TMainForm& f = Open([&](TMainForm& form) {
    status = std::make_unique<StatusLog>(form.Control("StatusBar"));
    status->on_text = [&](const std::string&) { visible_when_run.push_back(form.Visible()); };
    form.OpenWhenShown(CommandLineSources(Widen("glimmerdig.exe \"" + folder + "アイコン.ico\"").c_str()));
  });
  test::PumpFor(100ms);
  EXPECT_EQ(visible_when_run, std::vector<bool>{true});
  EXPECT_TRUE(open_dialog_dirs_.empty());
  ASSERT_EQ(boxes.seen.size(), 1u);
  EXPECT_EQ(boxes.seen[0].text, "2個のビットマップを抽出しました。");
  EXPECT_EQ(FileNames(SaveDir()), (std::vector<std::string>{"アイコン-ico-0.bmp", "アイコン-ico-1.bmp"}));
  EXPECT_EQ(f.SourceDir(), folder);
  // Once only.
  test::PumpFor(50ms);
  EXPECT_EQ(boxes.seen.size(), 1u);
}

TEST_F(MainFormTest, CommandLineFolderAsksTheQuestionThenRunsWithNoBrowseDialog) {
  const std::string folder = root_ + "\\tree Ωδ";
  WriteBytes(folder + "\\a\\one.ico", test::IconFile({test::IconImage(32, 4)}));
  WriteBytes(folder + "\\b\\two.ico", test::IconFile({test::IconImage(16, 4)}));
  // A relative folder, as typed at a prompt, is taken from the current folder.
  struct CurrentFolder {
    fs::path before = fs::current_path();
    explicit CurrentFolder(const fs::path& p) { fs::current_path(p); }
    ~CurrentFolder() { fs::current_path(before); }
  } in_root(P(root_));
  struct Case {
    bool yes;
    std::vector<std::string> written;
  };
  const Case cases[] = {{false, {}}, {true, {"one-ico-0.bmp", "two-ico-0.bmp"}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.yes);
    BoxAnswerer boxes;
    boxes.answers = {c.yes};
    TMainForm& f = Open([](TMainForm& form) { form.OpenWhenShown({"tree Ωδ"}); });
    test::PumpFor(100ms);
    EXPECT_TRUE(browse_calls_.empty());
    ASSERT_GE(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].title, "確認");
    EXPECT_EQ(boxes.seen[0].text, ConfirmFolderText(folder + "\\", SaveDir()));
    EXPECT_EQ(f.SourceDir(), folder + "\\");  // also when answered No
    EXPECT_EQ(FileNames(SaveDir()), c.written);
    EXPECT_EQ(boxes.seen.size(), c.yes ? 2u : 1u);
    progress_.reset();
    form_.reset();
  }
}

// A drop as the shell makes it: DROPFILES followed by the wide names, each
// ending in a zero, and one more zero at the end.
HDROP MakeDrop(const std::vector<std::string>& paths) {
  std::wstring names;
  for (const std::string& p : paths) {
    names += Widen(p);
    names.push_back(L'\0');
  }
  names.push_back(L'\0');
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::memcpy(drop + 1, names.data(), names.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

void Drop(HWND wnd, const std::vector<std::string>& paths) {
  PostMessageW(wnd, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(paths)), 0);
}

TEST_F(MainFormTest, DropsRunAsTheCommandsDo) {
  TMainForm& f = Open();
  EXPECT_TRUE(GetWindowLongPtrW(f.Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
  const std::string src = root_ + "\\drop Ωδ\\";
  WriteBytes(src + "c.ico", test::IconFile({test::IconImage(16, 4)}));
  WriteBytes(src + "a.ico", test::IconFile({test::IconImage(16, 4), test::IconImage(32, 4)}));
  WriteBytes(src + "sub\\b.ico", test::IconFile({test::IconImage(16, 4)}));
  f.SetChecked("cbDelBmp", true);  // each run starts from an empty save folder
  f.SetChecked("cbOpenFolder", false);
  struct Case {
    const char* name;
    std::vector<std::string> dropped;
    std::vector<std::string> boxes;   // question and result texts
    std::vector<std::string> status;  // the files examined, in order
    std::string source_dir;
  };
  const Case cases[] = {
      {"one file", {src + "a.ico"}, {"2個のビットマップを抽出しました。"}, {src + "a.ico"}, src},
      {"one folder",
       {src + "sub"},
       {ConfirmFolderText(src + "sub\\", SaveDir()), "1個のビットマップを抽出しました。"},
       {src + "sub\\b.ico"},
       src + "sub\\"},
      {"several files",
       {src + "c.ico", src + "sub\\b.ico", src + "a.ico"},
       {"4個のビットマップを抽出しました。"},
       {src + "c.ico", src + "sub\\b.ico", src + "a.ico"},
       src},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BoxAnswerer boxes;
    StatusLog status(f.Control("StatusBar"));
    Drop(f.Handle(), c.dropped);
    test::PumpFor(150ms);
    std::vector<std::string> texts;
    for (const auto& b : boxes.seen) texts.push_back(b.text);
    EXPECT_EQ(texts, c.boxes);
    EXPECT_EQ(status.texts, c.status);
    EXPECT_EQ(f.SourceDir(), c.source_dir);
    EXPECT_TRUE(open_dialog_dirs_.empty());
    EXPECT_TRUE(browse_calls_.empty());
  }
}

TEST_F(MainFormTest, DropsThatCannotRunAreExplainedAndRunNothing) {
  TMainForm& f = Open();
  const std::string src = root_ + "\\src\\";
  WriteBytes(src + "a.ico", test::IconFile({test::IconImage(16, 4)}));
  fs::create_directories(P(src + "one"));
  fs::create_directories(P(src + "two"));
  struct Case {
    std::vector<std::string> dropped;
    std::string text;
  };
  const Case cases[] = {
      {{src + "a.ico", src + "gone.ico"}, MissingSourceText(src + "gone.ico")},
      {{src + "one", src + "two"}, std::string(kOneFolderText)},
      {{src + "a.ico", src + "one"}, std::string(kOneFolderText)},
  };
  for (const Case& c : cases) {
    BoxAnswerer boxes;
    StatusLog status(f.Control("StatusBar"));
    Drop(f.Handle(), c.dropped);
    test::PumpFor(150ms);
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].title, "グリマーディグ");
    EXPECT_EQ(boxes.seen[0].text, c.text);
    EXPECT_TRUE(status.texts.empty());
    EXPECT_EQ(f.SourceDir(), exe_folder_);
  }
  EXPECT_TRUE(FileNames(SaveDir()).empty());
}

TEST_F(MainFormTest, DropsDuringARunOrItsQuestionAreRefused) {
  TMainForm& f = Open();
  const std::string src = root_ + "\\many\\";
  for (int i = 0; i < 5; ++i) {
    WriteBytes(src + "f" + std::to_string(i) + ".ico", test::IconFile({test::IconImage(16, 4)}));
  }
  const std::string other = root_ + "\\other\\x.ico";
  WriteBytes(other, test::IconFile({test::IconImage(16, 4)}));
  f.SetChecked("cbOpenFolder", false);
  BoxAnswerer boxes;
  // Dropped while the folder's question is up, and again while the walk is
  // on its first file; both are let through to the window.
  boxes.before_answer = [&](const BoxAnswerer::Box&) {
    if (boxes.seen.size() == 1) Drop(f.Handle(), {other});
  };
  StatusLog status(f.Control("StatusBar"));
  status.on_text = [&](const std::string&) {
    if (status.texts.size() == 1) Drop(f.Handle(), {other});
  };
  browse_answer_ = src;
  Click("btnGetFromFolder");
  test::PumpFor(150ms);
  ASSERT_EQ(boxes.seen.size(), 2u);  // the question and the one result
  EXPECT_EQ(boxes.seen[1].text, "5個のビットマップを抽出しました。");
  EXPECT_EQ(status.texts.size(), 5u);
  EXPECT_FALSE(fs::exists(P(SaveDir() + "x-ico-0.bmp")));
  EXPECT_EQ(f.SourceDir(), src);

  // Idle again: the same drop runs.
  Drop(f.Handle(), {other});
  test::PumpFor(150ms);
  EXPECT_TRUE(fs::exists(P(SaveDir() + "x-ico-0.bmp")));
}

}  // namespace
}  // namespace gd::apptest
