#pragma once
// The program's main window: the save folder, the two extraction commands,
// help, the six options, the search animation and the status bar. It owns the
// extraction engine and runs each extraction synchronously inside the command
// that starts it.

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "app/open_dialog.h"
#include "app/win_handles.h"
#include "browse/browse_dialog.h"
#include "extract/file_system.h"
#include "extract/host.h"
#include "extract/res_extract.h"

namespace gd {

// What the window reaches outside itself, replaceable so that tests can answer
// the dialogs and capture the command lines.
struct MainFormSeams {
  std::string exe_path;  // empty: the running executable
  std::function<bool(TOpenDialog&, HWND owner)> run_open_dialog;
  std::function<bool(TBrowseDialog&)> run_browse_dialog;
  std::function<bool(const std::string& question)> confirm;
  std::function<void(const std::string& text)> show_message;
  std::function<void(const std::string& command_line)> start_process;
  std::function<void()> on_destroyed;  // the program ends its message loop here
};

class TMainForm final : public StatusSink, public MessageSink {
 public:
  // The form's components, named as on the design.
  struct Controls {
    HWND StatusBar = nullptr;
    HWND StaticText1 = nullptr;
    HWND stSaveDir = nullptr;
    HWND btnSaveDir = nullptr;
    HWND btnGetFromFolder = nullptr;
    HWND btnGetFromFile = nullptr;
    HWND btnHelp = nullptr;
    HWND Animate = nullptr;
    HWND GroupBox1 = nullptr;
    HWND cbNoIcoFile = nullptr;
    HWND cbNoCurFile = nullptr;
    HWND cbNoIcoRes = nullptr;
    HWND cbNoCurRes = nullptr;
    HWND cbDelBmp = nullptr;
    HWND cbOpenFolder = nullptr;
  };

  // Creates the window hidden and runs FormCreate.
  explicit TMainForm(MainFormSeams seams = {});
  ~TMainForm() override;
  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;

  HWND Handle() const { return hwnd_; }
  const Controls& controls() const { return c_; }
  const std::string& SourceDir() const { return source_dir_; }
  // Null once FormClose has freed the engine.
  TResExtract* Extractor() { return extractor_.get(); }
  TBrowseDialog& BrwsDlg() { return brws_dlg_; }
  TOpenDialog& OpenDialog() { return open_dialog_; }
  const std::string& SettingsFile() const { return settings_path_; }
  bool Running() const { return running_; }

  // Asks the window to close, as its close box does.
  void Close();

  // Commands.
  void actGetFromFileExecute();
  void actGetFromFolderExecute();
  void actSaveDirExecute();
  void btnHelpClick();
  void BrwsDlgInitialized(TBrowseDialog& sender, HWND wnd, const std::string& path, std::string& show_text,
                          TOKButtonState& ok_button_state);

  // The running state around one engine call.
  void BeginExtraction();
  void EndExtraction(int count);
  void ApplyOptions();

  // The engine's calls.
  void ShowStatus(const std::string& path) override;
  void ShowMessage(const std::string& text) override;

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

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam);
  void CreateControls();
  void OnCommand(int id);
  void OnClose();
  void OnSize(int client_width, int client_height);
  void FormCreate();
  void FormClose();
  // Runs the engine call between BeginExtraction and EndExtraction; when it
  // fails, the window goes back to idle before the error is reported.
  void RunExtraction(const std::function<int()>& run);
  void LeaveRunningState();
  void DestroyQuietly();
  bool Checked(HWND box) const;
  void SetChecked(HWND box, bool checked);
  void SetSaveDirText(const std::string& text);
  void Report(const std::string& text);
  void StartProcess(const std::string& command_line);

  MainFormSeams seams_;
  UniqueModule shell32_;  // holds the animation clip while the control shows it
  UniqueGdiObject<HFONT> font_;
  UniqueGdiObject<HFONT> status_font_;
  HWND hwnd_ = nullptr;
  Controls c_;
  HWND focus_ = nullptr;  // the control that had the focus when the window was left

  std::string exe_path_;
  std::string settings_path_;
  std::string source_dir_;
  std::unique_ptr<FileSystem> fs_;
  RunCancel cancel_{*this};
  std::unique_ptr<TResExtract> extractor_;
  TBrowseDialog brws_dlg_;
  TOpenDialog open_dialog_;
  bool running_ = false;
  bool close_pending_ = false;
};

}  // namespace gd
