#pragma once
// The program's main window: the save folder, the two extraction commands,
// help, the six options, the search animation and the status bar, with two
// more options in its system menu. It owns the extraction engine and runs
// each extraction synchronously inside the command that starts it. Files and
// folders also come in from the command line and by drops on the window.

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/menu_options.h"
#include "app/open_dialog.h"
#include "app/progress_msg.h"
#include "browse/browse_dialog.h"
#include "extract/run/res_extract.h"
#include "extract/run/ui_sinks.h"
#include "platform/file_system.h"
#include "platform/png_encoder.h"
#include "ui/form.h"
#include "ui/handle.h"

namespace gd {

// What the window reaches outside itself. An empty member means the real
// thing, except the progress window, which the program passes in; tests fill
// them to answer the dialogs and capture command lines.
struct MainFormSeams {
  std::string exe_path;  // the running executable when empty
  // The progress window of the runs. It is created after this window, which
  // it stays above, so it is asked for when a run starts; without one a run
  // shows no count and cannot be cancelled.
  std::function<TProgressMsg*()> progress_window;
  std::function<bool(TOpenDialog&, HWND owner)> run_open_dialog;
  std::function<bool(TBrowseDialog&)> run_browse_dialog;
  std::function<void(const std::string& command_line)> start_process;
};

// A named command with its caption and hint, bound to a button.
struct TAction {
  const char* Name;
  const char* Caption;
  const char* Hint;  // kept with the action; the window shows no tool tips
};

class TMainForm final : public Form, public StatusSink, public MessageSink {
 public:
  static constexpr TAction actGetFromFile{"actGetFromFile", "ファイルから抽出", "ファイルから抽出する"};
  static constexpr TAction actGetFromFolder{"actGetFromFolder", "フォルダから抽出",
                                            "フォルダ内のファイルから抽出する"};
  static constexpr TAction actSaveDir{"actSaveDir", "actSaveDir", ""};

  // Creates the window hidden and runs FormCreate.
  explicit TMainForm(MainFormSeams seams = {});
  ~TMainForm() override;

  const std::string& SourceDir() const { return source_dir_; }
  // Null once FormClose has freed it.
  TResExtract* Extractor() { return extractor_.get(); }
  TBrowseDialog& BrwsDlg() { return browse_dialog_; }
  TOpenDialog& OpenDialog() { return open_dialog_; }
  const std::string& SettingsFile() const { return settings_path_; }
  bool Running() const { return running_; }

  // Commands.
  void actGetFromFileExecute();
  void actGetFromFolderExecute();
  void actSaveDirExecute();
  void btnHelpClick();
  // Sources handed in from outside the two commands (the command line, a
  // drop): one file runs as the file command's run and one folder as the
  // folder command's question and run, with no dialog; several files run as
  // one list in their order. SourceDir follows as the commands set it.
  void OpenSources(const std::vector<std::string>& sources);
  // The command line's sources, opened once the window has been shown.
  void OpenWhenShown(std::vector<std::string> sources);
  void BrwsDlgInitialized(TBrowseDialog& Sender, HWND Wnd, const std::string& Path, std::string& ShowText,
                          TOKButtonState& OKButtonState);

  // The running state around one engine call.
  void BeginExtraction();
  void EndExtraction(int count);
  void ApplyOptions();

  // The two options of the system menu: a check mark each.
  bool MenuOptionChecked(const MenuOption& option) const;
  void SetMenuOptionChecked(const MenuOption& option, bool checked);

  // The engine's calls.
  void ShowStatus(const std::string& path) override;
  void ShowMessage(const std::string& text) override;

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  // Cancel as the engine sees it: the progress window's button, or a close
  // request that arrived while a folder walk let messages through.
  class RunCancel final : public ProgressSink {
   public:
    explicit RunCancel(TMainForm& form) : form_(form) {}
    void SetCount(int n) override;
    bool IsCancelled() override;

   private:
    TMainForm& form_;
  };

  // Posted to itself: the command line's sources, once the window shows.
  static constexpr UINT kOpenStartSources = WM_APP + 1;

  void OpenAnimation();
  void AddMenuOptions();
  void FormShow();
  void FormCreate();
  void FormClose();
  // Runs the engine call between BeginExtraction and EndExtraction; when it
  // fails, the window is idle again before the failure is reported.
  void RunExtraction(const std::function<int()>& run);
  void LeaveRunningState();
  // A command's work: a failure is reported and a close asked for meanwhile
  // is carried out once no command is left on the stack.
  LRESULT AsCommand(const std::function<LRESULT()>& command);
  void ExtractFiles(const std::vector<std::string>& files);
  void AskAndExtractFolder(const std::string& folder);
  void AcceptDrops(bool accept);
  bool RunBrowseDialog();
  void StartProcess(const std::string& command_line);
  TProgressMsg* ProgressWindow() const;

  MainFormSeams seams_;
  UniqueHandle<HMODULE, &FreeLibrary> shell32_;  // holds the clip while the animation shows it
  std::string exe_path_;
  std::string settings_path_;
  std::string source_dir_;
  std::unique_ptr<FileSystem> fs_;
  RunCancel cancel_{*this};
  std::unique_ptr<TResExtract> extractor_;
  TBrowseDialog browse_dialog_;
  TOpenDialog open_dialog_;
  std::unique_ptr<PngEncoder> png_encoder_;  // made for the first PNG run
  std::vector<std::string> start_sources_;
  bool shown_before_ = false;
  HWND focus_before_run_ = nullptr;
  int in_command_ = 0;  // command handlers on the stack, modal dialogs included
  bool running_ = false;
  bool close_pending_ = false;
};

}  // namespace gd
