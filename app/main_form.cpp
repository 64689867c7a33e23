#include "app/main_form.h"

#include <commctrl.h>

#include <cstdint>
#include <exception>
#include <utility>
#include <vector>

#include "app/app_text.h"
#include "app/dropped_files.h"
#include "app/ini_file.h"
#include "app/option_boxes.h"
#include "app/settings.h"
#include "base/path_util.h"
#include "ui/application.h"
#include "ui/message_box.h"
#include "ui/placement.h"
#include "ui/process.h"
#include "utf16/utf16.h"

namespace gd {
namespace {

constexpr int kMinHeight = 260;
// The shell's find-file clip.
constexpr WORD kFindFileClip = 151;

FormLayout MainFormLayout() {
  FormLayout f;
  f.caption = std::string(kAppTitle);
  f.left = 68;
  f.top = 128;
  f.client_width = 536;
  f.client_height = 233;
  f.min_width = 500;
  f.min_height = kMinHeight;
  using enum ControlKind;
  f.controls.push_back(PlaceControl("StatusBar", kStatusBar, 0, 209, 536, 24, "", -1));
  f.controls.push_back(PlaceControl("StaticText1", kStaticText, 18, 18, 46, 16, "保存先：", 5));
  ControlLayout save_dir = PlaceControl("stSaveDir", kStaticText, 12, 36, 497, 19, "", 6);
  save_dir.sunken = true;
  save_dir.no_prefix = true;  // a folder name may hold "&"
  save_dir.anchors = kAnchorLeft | kAnchorTop | kAnchorRight;
  f.controls.push_back(save_dir);
  ControlLayout save_dir_button = PlaceControl("btnSaveDir", kButton, 514, 36, 19, 19, "...", 4);
  save_dir_button.anchors = kAnchorTop | kAnchorRight;
  f.controls.push_back(save_dir_button);
  f.controls.push_back(
      PlaceControl("btnGetFromFolder", kButton, 16, 72, 129, 25, TMainForm::actGetFromFolder.Caption, 1));
  f.controls.push_back(
      PlaceControl("btnGetFromFile", kButton, 161, 72, 128, 25, TMainForm::actGetFromFile.Caption, 2));
  f.controls.push_back(PlaceControl("btnHelp", kButton, 360, 72, 91, 25, "ヘルプ(&H)", 3));
  f.controls.push_back(PlaceControl("Animate", kAnimation, 480, 66, 48, 50, "", -1));
  ControlLayout group = PlaceControl("GroupBox1", kGroupBox, 12, 114, 253, 85, "抽出対象外とするもの", 7);
  group.children = {
      PlaceControl("cbNoIcoFile", kCheckBox, 12, 24, 109, 19, "アイコンファイル", 0),
      PlaceControl("cbNoCurFile", kCheckBox, 12, 48, 109, 19, "カーソルファイル", 1),
      PlaceControl("cbNoIcoRes", kCheckBox, 132, 24, 109, 19, "アイコンリソース", 2),
      PlaceControl("cbNoCurRes", kCheckBox, 132, 48, 115, 19, "カーソルリソース", 3),
  };
  f.controls.push_back(group);
  f.controls.push_back(PlaceControl("cbDelBmp", kCheckBox, 276, 120, 247, 25, "抽出前に保存先のBmpをすべて削除する(&D)", 8));
  f.controls.push_back(PlaceControl("cbOpenFolder", kCheckBox, 276, 144, 253, 25, "抽出後にフォルダを開く(&F)", 9));
  return f;
}

}  // namespace

void TMainForm::RunCancel::SetCount(int n) {
  if (TProgressMsg* progress = form_.ProgressWindow()) progress->SetCount(n);
}

bool TMainForm::RunCancel::IsCancelled() {
  if (form_.close_pending_) return true;
  TProgressMsg* progress = form_.ProgressWindow();
  const bool cancelled = progress != nullptr && progress->IsCancelled();
  return cancelled || form_.close_pending_;
}

TMainForm::TMainForm(MainFormSeams seams) : Form(MainFormLayout()), seams_(std::move(seams)) {
  // A long folder keeps its drive and its last folder in view instead of
  // wrapping out of the box.
  HWND save_dir = Control("stSaveDir");
  SetWindowLongPtrW(save_dir, GWL_STYLE, GetWindowLongPtrW(save_dir, GWL_STYLE) | SS_PATHELLIPSIS);
  OpenAnimation();
  AddMenuOptions();
  AcceptDrops(true);
  SetOnClick("btnGetFromFolder", [this] { actGetFromFolderExecute(); });
  SetOnClick("btnGetFromFile", [this] { actGetFromFileExecute(); });
  SetOnClick("btnHelp", [this] { btnHelpClick(); });
  SetOnClick("btnSaveDir", [this] { actSaveDirExecute(); });
  browse_dialog_.Caption = "保存ディレクトリ";
  browse_dialog_.OnInitialized = [this](TBrowseDialog& sender, HWND wnd, const std::string& path,
                                        std::string& show_text, TOKButtonState& ok_button_state) {
    BrwsDlgInitialized(sender, wnd, path, show_text, ok_button_state);
  };
  OnClose = [this] { FormClose(); };
  OnShow = [this] { FormShow(); };
  FormCreate();
}

TMainForm::~TMainForm() {
  // The control reads its frames from shell32's memory: let it go first.
  SendMessageW(Control("Animate"), ACM_OPENW, 0, 0);
}

void TMainForm::OpenAnimation() {
  HWND animate = Control("Animate");
  shell32_.reset(LoadLibraryW(L"shell32.dll"));
  // A clip that cannot be opened leaves the control empty; nothing to report.
  if (shell32_) {
    SendMessageW(animate, ACM_OPENW, reinterpret_cast<WPARAM>(shell32_.get()),
                 reinterpret_cast<LPARAM>(MAKEINTRESOURCEW(kFindFileClip)));
  }
}

void TMainForm::AddMenuOptions() {
  HMENU menu = GetSystemMenu(Handle(), FALSE);
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  for (const MenuOption& o : kMenuOptions) {
    AppendMenuW(menu, MF_STRING | MF_UNCHECKED, o.command, Widen(o.caption).c_str());
  }
}

bool TMainForm::MenuOptionChecked(const MenuOption& option) const {
  return (GetMenuState(GetSystemMenu(Handle(), FALSE), option.command, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

void TMainForm::SetMenuOptionChecked(const MenuOption& option, bool checked) {
  CheckMenuItem(GetSystemMenu(Handle(), FALSE), option.command,
                static_cast<UINT>(MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED)));
}

void TMainForm::AcceptDrops(bool accept) { DragAcceptFiles(Handle(), accept ? TRUE : FALSE); }

void TMainForm::OpenWhenShown(std::vector<std::string> sources) {
  start_sources_ = std::move(sources);
  if (shown_before_ && !start_sources_.empty()) PostMessageW(Handle(), kOpenStartSources, 0, 0);
}

void TMainForm::FormShow() {
  if (shown_before_) return;
  shown_before_ = true;
  // Posted: the window is drawn before the run or its question comes up.
  if (!start_sources_.empty()) PostMessageW(Handle(), kOpenStartSources, 0, 0);
}

LRESULT TMainForm::AsCommand(const std::function<LRESULT()>& command) {
  LRESULT result = 0;
  ++in_command_;
  try {
    result = command();
  } catch (...) {
    App().HandleException(std::current_exception());
  }
  --in_command_;
  // A close asked for during a command is carried out now that it is over.
  if (close_pending_ && in_command_ == 0) {
    close_pending_ = false;
    PostMessageW(Handle(), WM_CLOSE, 0, 0);
  }
  return result;
}

LRESULT TMainForm::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      return AsCommand([&] { return Form::HandleMessage(msg, wp, lp); });
    case kOpenStartSources:
      return AsCommand([this] {
        OpenSources(std::exchange(start_sources_, {}));
        return LRESULT{0};
      });
    case WM_DROPFILES: {
      std::vector<std::string> paths;
      {
        const DropHandle drop(reinterpret_cast<HDROP>(wp));
        // Refused while a command is on the stack: a run, or a dialog or
        // question of one.
        if (in_command_ == 0) paths = DroppedPaths(drop);
      }
      if (!paths.empty()) {
        AsCommand([&] {
          OpenSources(paths);
          return LRESULT{0};
        });
      }
      return 0;
    }
    case WM_SYSCOMMAND:
      for (const MenuOption& o : kMenuOptions) {
        if ((wp & 0xFFF0) == o.command) {
          SetMenuOptionChecked(o, !MenuOptionChecked(o));
          return 0;
        }
      }
      break;
    case WM_CLOSE:
      if (in_command_ > 0) {
        // The engine may be on the stack: a walk stops before its next entry
        // and the window closes once the command has finished.
        close_pending_ = true;
        return 0;
      }
      break;
    default:
      break;
  }
  return Form::HandleMessage(msg, wp, lp);
}

void TMainForm::FormCreate() {
  fs_ = MakeNativeFileSystem();
  extractor_ = std::make_unique<TResExtract>(*fs_, *this, cancel_, *this);

  exe_path_ = seams_.exe_path.empty() ? ModulePath() : seams_.exe_path;
  const std::string default_save_dir = DefaultSaveFolder(exe_path_);
  if (!fs_->FolderExists(default_save_dir)) fs_->CreateFolders(default_save_dir);
  settings_path_ = SettingsPath(exe_path_);

  RECT r{};
  GetWindowRect(Handle(), &r);
  Settings defaults = FirstStartSettings(exe_path_);
  defaults.pos_x = r.left;
  defaults.pos_y = r.top;
  IniFile ini(settings_path_);
  const Settings s = ReadSettings(ini, defaults);

  source_dir_ = s.source_dir;
  for (const OptionBox& o : kOptionBoxes) SetChecked(o.box, s.*o.setting);
  for (const MenuOption& o : kMenuOptions) SetMenuOptionChecked(o, s.*o.setting);
  extractor_->SetSaveDir(s.save_dir);
  SetText("stSaveDir", s.save_dir);
  // The stored position as it is, and whatever the design's height, the
  // window starts at its minimum height.
  SetWindowPos(Handle(), nullptr, s.pos_x, s.pos_y, r.right - r.left, kMinHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TMainForm::FormClose() {
  if (!extractor_) return;
  RECT r{};
  GetWindowRect(Handle(), &r);
  Settings s;
  s.pos_x = r.left;
  s.pos_y = r.top;
  s.source_dir = source_dir_;
  s.save_dir = extractor_->SaveDir();
  for (const OptionBox& o : kOptionBoxes) s.*o.setting = Checked(o.box);
  for (const MenuOption& o : kMenuOptions) s.*o.setting = MenuOptionChecked(o);
  IniFile ini(settings_path_);
  // A failure leaves the window open, the engine alive and the close undone.
  WriteSettings(ini, s);
  extractor_.reset();
}

void TMainForm::actGetFromFileExecute() {
  if (running_ || !extractor_->CheckSaveDir()) return;
  open_dialog_.InitialDir = source_dir_;
  const bool chosen =
      seams_.run_open_dialog ? seams_.run_open_dialog(open_dialog_, Handle()) : open_dialog_.Execute(Handle());
  if (!chosen) return;
  ExtractFiles(open_dialog_.Files);
}

void TMainForm::actGetFromFolderExecute() {
  if (running_ || !extractor_->CheckSaveDir()) return;
  browse_dialog_.Caption = "抽出するフォルダを選んでください";
  browse_dialog_.Directory = source_dir_;
  if (!RunBrowseDialog()) return;
  AskAndExtractFolder(browse_dialog_.Directory);
}

void TMainForm::ExtractFiles(const std::vector<std::string>& files) {
  source_dir_ = FolderPart(files.front());
  RunExtraction([&] { return extractor_->ExtractFromFiles(files); });
}

void TMainForm::AskAndExtractFolder(const std::string& folder) {
  // Remembered before the question, so also when it is answered No.
  source_dir_ = AddBackslash(folder);
  if (Confirm(ConfirmFolderText(source_dir_, extractor_->SaveDir())) != kResultYes) return;
  const std::string walked = source_dir_;
  RunExtraction([&] { return extractor_->ExtractFromFolder(walked); });
}

void TMainForm::OpenSources(const std::vector<std::string>& sources) {
  if (running_ || sources.empty() || !extractor_) return;
  std::vector<std::string> files;
  std::vector<std::string> folders;
  for (const std::string& source : sources) {
    const std::string path = fs_->AbsolutePath(source);
    if (fs_->FolderExists(path)) {
      folders.push_back(path);
    } else if (fs_->FileExists(path)) {
      files.push_back(path);
    } else {
      ShowMessage(MissingSourceText(path));
      return;
    }
  }
  if (folders.size() > 1 || (folders.size() == 1 && !files.empty())) {
    ShowMessage(std::string(kOneFolderText));
    return;
  }
  if (!extractor_->CheckSaveDir()) return;
  if (folders.empty()) {
    ExtractFiles(files);
  } else {
    AskAndExtractFolder(folders.front());
  }
}

void TMainForm::actSaveDirExecute() {
  browse_dialog_.Caption = "保存するフォルダを選んでください";
  browse_dialog_.Directory = extractor_->SaveDir();
  if (!RunBrowseDialog()) return;
  extractor_->SetSaveDir(AddBackslash(browse_dialog_.Directory));
  SetText("stSaveDir", extractor_->SaveDir());
}

void TMainForm::btnHelpClick() { StartProcess(HelpCommand(exe_path_)); }

void TMainForm::BrwsDlgInitialized(TBrowseDialog& /*Sender*/, HWND Wnd, const std::string& /*Path*/,
                                   std::string& /*ShowText*/, TOKButtonState& /*OKButtonState*/) {
  CenterOnScreen(Wnd);
}

void TMainForm::RunExtraction(const std::function<int()>& run) {
  int count = 0;
  try {
    BeginExtraction();
    count = run();
  } catch (...) {
    // Idle again before the failure is shown.
    LeaveRunningState();
    throw;
  }
  EndExtraction(count);
}

void TMainForm::BeginExtraction() {
  running_ = true;
  HWND focus = GetFocus();
  focus_before_run_ = focus != nullptr && IsChild(Handle(), focus) ? focus : nullptr;
  SetEnabled("btnGetFromFolder", false);
  SetEnabled("btnGetFromFile", false);
  AcceptDrops(false);  // the pointer shows that a drop is refused
  ApplyOptions();
  SendMessageW(Control("Animate"), ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF));
  if (TProgressMsg* progress = ProgressWindow()) progress->Show();
}

void TMainForm::LeaveRunningState() {
  SendMessageW(Control("Animate"), ACM_PLAY, 1, MAKELPARAM(0, 0));
  if (TProgressMsg* progress = ProgressWindow()) progress->Close();
  SetEnabled("btnGetFromFolder", true);
  SetEnabled("btnGetFromFile", true);
  AcceptDrops(true);
  // Disabling the pressed button took the focus away; give it back so that
  // the keyboard goes on working.
  if (GetFocus() == nullptr && focus_before_run_ != nullptr && GetActiveWindow() == Handle()) {
    SetFocus(focus_before_run_);
  }
  running_ = false;
}

void TMainForm::EndExtraction(int count) {
  LeaveRunningState();
  ShowMessage(ResultText(count));
  if (count > 0 && Checked(kOpenFolderOption.box)) StartProcess(ExplorerCommand(extractor_->SaveDir()));
}

void TMainForm::ApplyOptions() {
  RunOptions run = extractor_->Options();  // the save folder as chosen
  run.delete_first = Checked(kDelBmpOption.box);
  run.exclude_flags = 0;
  for (const OptionBox& o : kOptionBoxes) {
    if (o.exclude_bit != 0 && Checked(o.box)) {
      run.exclude_flags = static_cast<std::uint8_t>(run.exclude_flags | o.exclude_bit);
    }
  }
  run.all_images = MenuOptionChecked(kAllImagesOption);
  const bool png = MenuOptionChecked(kSaveAsPngOption);
  if (png && !png_encoder_) png_encoder_ = MakeNativePngEncoder();
  run.png_encoder = png ? png_encoder_.get() : nullptr;
  run.format = png ? OutputFormat::kPng : OutputFormat::kBmp;
  extractor_->SetOptions(run);
}

void TMainForm::ShowStatus(const std::string& path) {
  SetText("StatusBar", path);
  // A run over a file list lets no message through: paint now.
  UpdateWindow(Control("StatusBar"));
}

void TMainForm::ShowMessage(const std::string& text) { gd::ShowMessage(text); }

bool TMainForm::RunBrowseDialog() {
  return seams_.run_browse_dialog ? seams_.run_browse_dialog(browse_dialog_) : browse_dialog_.Execute();
}

TProgressMsg* TMainForm::ProgressWindow() const {
  return seams_.progress_window ? seams_.progress_window() : nullptr;
}

void TMainForm::StartProcess(const std::string& command_line) {
  if (seams_.start_process) {
    seams_.start_process(command_line);
  } else {
    StartCommandLine(command_line);
  }
}

}  // namespace gd
