#include "tests/app/main_form_fixture.h"

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <utility>

#include "tests/support/win_test_util.h"
#include "ui/application.h"
#include "utf16/utf16.h"

namespace gd::apptest {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

fs::path P(const std::string& utf8) { return fs::path(Widen(utf8)); }
std::string U(const fs::path& p) { return Narrow(p.wstring()); }

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  fs::create_directories(P(path).parent_path());
  std::ofstream out(P(path), std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteText(const std::string& path, const std::string& text) {
  WriteBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(P(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ReadSettingsText(const std::string& path) {
  const std::vector<std::uint8_t> b = ReadBytes(path);
  if (b.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
    std::wstring w;
    for (std::size_t i = 2; i + 1 < b.size(); i += 2) w.push_back(static_cast<wchar_t>(b[i] | (b[i + 1] << 8)));
    return Narrow(w);
  }
  return {b.begin(), b.end()};
}

std::vector<std::string> FileNames(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(P(folder), ec)) names.push_back(U(e.path().filename()));
  std::sort(names.begin(), names.end());
  return names;
}

BoxAnswerer::BoxAnswerer() {
  self_ = this;
  timer_ = SetTimer(nullptr, 0, 30, &BoxAnswerer::Tick);
}

BoxAnswerer::~BoxAnswerer() {
  KillTimer(nullptr, timer_);
  self_ = nullptr;
}

void CALLBACK BoxAnswerer::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (self_ != nullptr) self_->AnswerActiveBox();
}

void BoxAnswerer::AnswerActiveBox() {
  HWND box = GetActiveWindow();
  if (box == nullptr || test::ClassName(box) != "#32770" || box == answered_) return;
  Box b{test::WindowText(box), {}};
  HWND yes = nullptr, no = nullptr, ok = nullptr;
  for (HWND c : test::Children(box)) {
    const std::string cls = test::ClassName(c);
    const std::string text = test::WindowText(c);
    if (cls == "SysTreeView32") return;  // the browse dialog, which has an OK button too
    if (_stricmp(cls.c_str(), "Button") == 0) {
      if (text == "はい(&Y)") yes = c;
      if (text == "いいえ(&N)") no = c;
      if (text == "OK") ok = c;
    } else if (_stricmp(cls.c_str(), "Static") == 0 && !text.empty()) {
      b.text = text;
    }
  }
  if (yes == nullptr && ok == nullptr) return;  // not one of the program's boxes
  seen.push_back(b);
  answered_ = box;
  if (before_answer) before_answer(b);
  if (yes != nullptr && no != nullptr) {
    const bool answer = answers.empty() ? true : answers.front();
    if (!answers.empty()) answers.pop_front();
    PostMessageW(answer ? yes : no, BM_CLICK, 0, 0);
  } else {
    PostMessageW(ok, BM_CLICK, 0, 0);
  }
}

StatusLog::StatusLog(HWND status_bar) : wnd_(status_bar) {
  SetWindowSubclass(wnd_, &StatusLog::Proc, 1, reinterpret_cast<DWORD_PTR>(this));
}

StatusLog::~StatusLog() { RemoveWindowSubclass(wnd_, &StatusLog::Proc, 1); }

LRESULT CALLBACK StatusLog::Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR self) {
  if (msg == SB_SETTEXTW && LOBYTE(wp) == SB_SIMPLEID) {
    auto* log = reinterpret_cast<StatusLog*>(self);
    log->texts.push_back(Narrow(reinterpret_cast<const wchar_t*>(lp)));
    if (log->on_text) log->on_text(log->texts.back());
  }
  return DefSubclassProc(wnd, msg, wp, lp);
}

void MainFormTest::SetUp() {
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  // A folder name outside any ANSI code page: the settings must survive it.
  root_ = U(fs::path(temp) / L"gd-app-tests" / (Widen(info->name()) + L"-Ωδ✓"));
  fs::remove_all(P(root_));
  exe_folder_ = root_ + "\\prog\\";
  exe_ = exe_folder_ + "glimmerdig.exe";
  ini_ = exe_folder_ + "glimmerdig.INI";
  App().SetExceptionHandler([this](const std::string& text) { errors_.push_back(text); });
}

void MainFormTest::TearDown() {
  progress_.reset();
  form_.reset();
  App().SetExceptionHandler({});
  test::PumpFor(20ms);
  std::error_code ec;
  fs::remove_all(P(root_), ec);
}

TMainForm& MainFormTest::Open(const std::function<void(TMainForm&)>& before_show) {
  MainFormSeams seams;
  seams.exe_path = exe_;
  seams.progress_window = [this] { return progress_.get(); };
  if (!real_open_dialog_) {
    seams.run_open_dialog = [this](TOpenDialog& dlg, HWND) {
      open_dialog_dirs_.push_back(dlg.InitialDir);
      if (open_answer_.empty()) return false;
      dlg.FileName = open_answer_;
      dlg.Files = {open_answer_};
      return true;
    };
  }
  if (!real_browse_dialog_) {
    seams.run_browse_dialog = [this](TBrowseDialog& dlg) {
      browse_calls_.push_back({dlg.Caption, dlg.Directory});
      if (browse_answer_.empty()) return false;
      dlg.Directory = browse_answer_;
      return true;
    };
  }
  seams.start_process = [this](const std::string& line) { started_.push_back(line); };
  form_ = std::make_unique<TMainForm>(std::move(seams));
  progress_ = std::make_unique<TProgressMsg>();
  if (before_show) before_show(*form_);
  form_->Show();
  test::PumpFor(30ms);
  return *form_;
}

bool MainFormTest::CloseWindow() {
  SendMessageW(form_->Handle(), WM_CLOSE, 0, 0);
  test::PumpFor(30ms);
  return !form_->Visible();
}

}  // namespace gd::apptest
