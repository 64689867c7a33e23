#pragma once
// The main window under test: a fresh folder per test for the executable, its
// settings and its save folder; the dialogs answered by the test; the message
// boxes answered as they come up; the started command lines captured.

#include <windows.h>

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/progress_msg.h"

namespace gd::apptest {

std::filesystem::path P(const std::string& utf8);
std::string U(const std::filesystem::path& p);
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
void WriteText(const std::string& path, const std::string& text);
std::vector<std::uint8_t> ReadBytes(const std::string& path);
// The settings file as text, whichever encoding it has.
std::string ReadSettingsText(const std::string& path);
// The names of the files in a folder, sorted.
std::vector<std::string> FileNames(const std::string& folder);

// Answers the program's message boxes as they come up, in whatever modal
// loop is running, and remembers what they said. Other dialogs are left
// alone.
class BoxAnswerer {
 public:
  struct Box {
    std::string title;
    std::string text;
  };

  BoxAnswerer();
  ~BoxAnswerer();
  BoxAnswerer(const BoxAnswerer&) = delete;
  BoxAnswerer& operator=(const BoxAnswerer&) = delete;

  // Answers for the confirmation questions, in order; Yes when none is left.
  std::deque<bool> answers;
  std::vector<Box> seen;
  // Runs while each box is up, before it is answered.
  std::function<void(const Box&)> before_answer;

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void AnswerActiveBox();

  static inline BoxAnswerer* self_ = nullptr;
  UINT_PTR timer_ = 0;
  HWND answered_ = nullptr;
};

// Records each text the status bar is told to show in its simple panel, in
// order. (Wine's status bar does not give the simple text back.)
class StatusLog {
 public:
  explicit StatusLog(HWND status_bar);
  ~StatusLog();
  StatusLog(const StatusLog&) = delete;
  StatusLog& operator=(const StatusLog&) = delete;

  std::vector<std::string> texts;
  // Called after each text is recorded, while the engine waits.
  std::function<void(const std::string&)> on_text;

 private:
  static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR self);
  HWND wnd_;
};

class MainFormTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Creates the window as the program does and shows it; `before_show` runs
  // in between (the program hands over its command line there).
  TMainForm& Open(const std::function<void(TMainForm&)>& before_show = {});
  // Closes the window as the close box does; true when it went away.
  bool CloseWindow();

  bool Checked(const char* name) { return form_->Checked(name); }
  void Click(const char* name) { SendMessageW(form_->Control(name), BM_CLICK, 0, 0); }
  std::string SaveDir() const { return exe_folder_ + "BmpSave\\"; }

  std::string root_, exe_folder_, exe_, ini_;
  std::unique_ptr<TMainForm> form_;
  std::unique_ptr<TProgressMsg> progress_;
  std::vector<std::string> errors_;
  // The system's own open dialog instead of the answer below.
  bool real_open_dialog_ = false;
  std::vector<std::string> open_dialog_dirs_;
  std::string open_answer_;
  struct BrowseCall {
    std::string caption, directory;
  };
  // The shell's own browse dialog instead of the calls below.
  bool real_browse_dialog_ = false;
  std::vector<BrowseCall> browse_calls_;
  std::string browse_answer_;
  std::vector<std::string> started_;
};

}  // namespace gd::apptest
