#include "app/main_form.h"

#include <commctrl.h>

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "app/app_dialogs.h"
#include "app/app_text.h"
#include "app/globals.h"
#include "app/ini_file.h"
#include "app/progress_msg.h"
#include "app/settings.h"
#include "extract/path_util.h"
#include "platform/win32/utf16.h"

namespace gd {
namespace {

constexpr wchar_t kClassName[] = L"TMainForm";
constexpr int kClientWidth = 536;
constexpr int kClientHeight = 233;
constexpr int kDesignLeft = 68;
constexpr int kDesignTop = 128;
constexpr int kMinWidth = 500;
constexpr int kMinHeight = 260;
constexpr int kStatusBarHeight = 24;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;
// The shell's find-file clip.
constexpr WORD kFindFileClip = 151;

enum ControlId : int {
  kIdGetFromFolder = 101,
  kIdGetFromFile,
  kIdHelp,
  kIdSaveDir,
  kIdStaticText1,
  kIdSaveDirText,
  kIdGroupBox1,
  kIdNoIcoFile,
  kIdNoCurFile,
  kIdNoIcoRes,
  kIdNoCurRes,
  kIdDelBmp,
  kIdOpenFolder,
  kIdAnimate,
  kIdStatusBar,
};

struct Action {
  const char* caption;
  const char* hint;  // kept with the action; the window shows no tool tips
};
constexpr Action actGetFromFile{"ファイルから抽出", "ファイルから抽出する"};
constexpr Action actGetFromFolder{"フォルダから抽出", "フォルダ内のファイルから抽出する"};

struct ControlSpec {
  HWND TMainForm::Controls::*field;
  int id;
  const wchar_t* window_class;
  DWORD style;
  DWORD ex_style;
  int left, top, width, height;
  const char* caption;
  bool in_group_box;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kButton = kChild | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kCheckBox = kChild | WS_TABSTOP | BS_AUTOCHECKBOX;

// In tab order: creation order is the order the focus moves in.
constexpr std::array<ControlSpec, 13> kControls{{
    {&TMainForm::Controls::btnGetFromFolder, kIdGetFromFolder, WC_BUTTONW, kButton, 0, 16, 72, 129, 25,
     actGetFromFolder.caption, false},
    {&TMainForm::Controls::btnGetFromFile, kIdGetFromFile, WC_BUTTONW, kButton, 0, 161, 72, 128, 25,
     actGetFromFile.caption, false},
    {&TMainForm::Controls::btnHelp, kIdHelp, WC_BUTTONW, kButton, 0, 360, 72, 91, 25, "ヘルプ(&H)", false},
    {&TMainForm::Controls::btnSaveDir, kIdSaveDir, WC_BUTTONW, kButton, 0, 514, 36, 19, 19, "...", false},
    {&TMainForm::Controls::StaticText1, kIdStaticText1, WC_STATICW, kChild | SS_LEFT, 0, 18, 18, 46, 16, "保存先：",
     false},
    // Folder names may hold "&"; shown as they are.
    {&TMainForm::Controls::stSaveDir, kIdSaveDirText, WC_STATICW, kChild | SS_LEFT | SS_SUNKEN | SS_NOPREFIX, 0, 12,
     36, 497, 19, "", false},
    {&TMainForm::Controls::GroupBox1, kIdGroupBox1, WC_BUTTONW, kChild | BS_GROUPBOX, WS_EX_CONTROLPARENT, 12, 114, 253,
     85, "抽出対象外とするもの", false},
    {&TMainForm::Controls::cbNoIcoFile, kIdNoIcoFile, WC_BUTTONW, kCheckBox, 0, 12, 24, 109, 19, "アイコンファイル",
     true},
    {&TMainForm::Controls::cbNoCurFile, kIdNoCurFile, WC_BUTTONW, kCheckBox, 0, 12, 48, 109, 19, "カーソルファイル",
     true},
    {&TMainForm::Controls::cbNoIcoRes, kIdNoIcoRes, WC_BUTTONW, kCheckBox, 0, 132, 24, 109, 19, "アイコンリソース",
     true},
    {&TMainForm::Controls::cbNoCurRes, kIdNoCurRes, WC_BUTTONW, kCheckBox, 0, 132, 48, 115, 19, "カーソルリソース",
     true},
    {&TMainForm::Controls::cbDelBmp, kIdDelBmp, WC_BUTTONW, kCheckBox, 0, 276, 120, 247, 25,
     "抽出前に保存先のBmpをすべて削除する(&D)", false},
    {&TMainForm::Controls::cbOpenFolder, kIdOpenFolder, WC_BUTTONW, kCheckBox, 0, 276, 144, 253, 25,
     "抽出後にフォルダを開く(&F)", false},
}};

std::string ModulePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n < buffer.size()) return Narrow(std::wstring_view(buffer.data(), n));
    buffer.resize(buffer.size() * 2);
  }
}

// What WinExec does, with the command line in UTF-16 so that any folder name
// survives. Failures are not reported.
void StartCommandLine(const std::string& command_line) {
  std::wstring line = Widen(command_line);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOW;
  PROCESS_INFORMATION pi{};
  if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    const UniqueHandle thread(pi.hThread);
    const UniqueHandle process(pi.hProcess);
  }
}

HFONT CreateFormFont() {
  LOGFONTW lf{};
  lf.lfHeight = -12;
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = SHIFTJIS_CHARSET;
  const std::wstring face = Widen("ＭＳ Ｐゴシック");
  face.copy(lf.lfFaceName, LF_FACESIZE - 1);
  return CreateFontIndirectW(&lf);
}

HFONT CreateStatusFont() {
  NONCLIENTMETRICSW ncm{};
  ncm.cbSize = sizeof ncm;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0)) return nullptr;
  return CreateFontIndirectW(&ncm.lfStatusFont);
}

void RegisterWindowClass(HINSTANCE instance, WNDPROC proc) {
  WNDCLASSEXW wc{};
  if (GetClassInfoExW(instance, kClassName, &wc)) return;
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  RegisterClassExW(&wc);
}

}  // namespace

void TMainForm::RunCancel::SetCount(int n) {
  if (ProgressMsg != nullptr) ProgressMsg->SetCount(n);
}

bool TMainForm::RunCancel::IsCancelled() {
  if (form_.close_pending_) return true;
  const bool cancelled = ProgressMsg != nullptr && ProgressMsg->IsCancelled();
  return cancelled || form_.close_pending_;
}

TMainForm::TMainForm(MainFormSeams seams) : seams_(std::move(seams)), brws_dlg_(), open_dialog_() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  RegisterWindowClass(instance, &TMainForm::WindowProc);
  RECT outer{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&outer, kStyle, FALSE, kExStyle);
  CreateWindowExW(kExStyle, kClassName, Widen(kAppTitle).c_str(), kStyle, kDesignLeft, kDesignTop,
                  outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr, instance, this);
  if (hwnd_ == nullptr) throw std::runtime_error("TMainForm: CreateWindowEx failed.");
  try {
    CreateControls();
    brws_dlg_.Caption = "保存ディレクトリ";
    brws_dlg_.OnInitialized = [this](TBrowseDialog& sender, HWND wnd, const std::string& path,
                                     std::string& show_text, TOKButtonState& ok_button_state) {
      BrwsDlgInitialized(sender, wnd, path, show_text, ok_button_state);
    };
    FormCreate();
  } catch (...) {
    DestroyQuietly();
    throw;
  }
}

TMainForm::~TMainForm() { DestroyQuietly(); }

// Without the window's handlers: the object is going away.
void TMainForm::DestroyQuietly() {
  if (hwnd_ == nullptr) return;
  HWND hwnd = std::exchange(hwnd_, nullptr);
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  DestroyWindow(hwnd);
}

void TMainForm::CreateControls() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  font_.reset(CreateFormFont());
  status_font_.reset(CreateStatusFont());
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);

  for (const ControlSpec& spec : kControls) {
    HWND parent = spec.in_group_box ? c_.GroupBox1 : hwnd_;
    HWND control = CreateWindowExW(spec.ex_style, spec.window_class, Widen(spec.caption).c_str(), spec.style,
                                   spec.left, spec.top, spec.width, spec.height, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), instance, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    c_.*spec.field = control;
  }

  // Drawn by the control's own thread (no timer style), so the clip keeps
  // moving while a run holds the user-interface thread.
  c_.Animate = CreateWindowExW(0, ANIMATE_CLASSW, nullptr, kChild | ACS_CENTER | ACS_TRANSPARENT, 480, 66, 48, 50,
                               hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdAnimate)), instance, nullptr);
  shell32_.reset(LoadLibraryExW(L"shell32.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE));
  // A clip that cannot be opened leaves the control empty; nothing to report.
  if (shell32_ != nullptr) {
    SendMessageW(c_.Animate, ACM_OPENW, reinterpret_cast<WPARAM>(shell32_.get()),
                 reinterpret_cast<LPARAM>(MAKEINTRESOURCEW(kFindFileClip)));
  }

  c_.StatusBar = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, kChild | CCS_NORESIZE | CCS_NOPARENTALIGN, 0,
                                 kClientHeight - kStatusBarHeight, kClientWidth, kStatusBarHeight, hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdStatusBar)), instance, nullptr);
  if (status_font_ != nullptr) {
    SendMessageW(c_.StatusBar, WM_SETFONT, reinterpret_cast<WPARAM>(status_font_.get()), FALSE);
  }
  SendMessageW(c_.StatusBar, SB_SIMPLE, TRUE, 0);
  focus_ = c_.btnGetFromFolder;
}

LRESULT CALLBACK TMainForm::WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<TMainForm*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<TMainForm*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(hwnd, msg, wparam, lparam);
  try {
    return self->HandleMessage(msg, wparam, lparam);
  } catch (...) {
    ReportCurrentException(hwnd);
    return 0;
  }
}

LRESULT TMainForm::HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_COMMAND:
      if (HIWORD(wparam) == BN_CLICKED) OnCommand(LOWORD(wparam));
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
      info->ptMinTrackSize = {kMinWidth, kMinHeight};
      return 0;
    }
    case WM_SIZE:
      if (c_.StatusBar != nullptr) OnSize(LOWORD(lparam), HIWORD(lparam));
      return 0;
    case WM_ACTIVATE:
      // The focus comes back to the control that had it.
      if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(hwnd_, focus)) focus_ = focus;
      } else if (focus_ != nullptr && IsWindowEnabled(focus_)) {
        SetFocus(focus_);
        return 0;
      }
      break;
    case WM_DESTROY:
      if (seams_.on_destroyed) seams_.on_destroyed();
      return 0;
    case WM_NCDESTROY:
      hwnd_ = nullptr;
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, msg, wparam, lparam);
}

void TMainForm::OnCommand(int id) {
  try {
    switch (id) {
      case kIdGetFromFolder:
        actGetFromFolderExecute();
        break;
      case kIdGetFromFile:
        actGetFromFileExecute();
        break;
      case kIdHelp:
        btnHelpClick();
        break;
      case kIdSaveDir:
        actSaveDirExecute();
        break;
      default:
        break;
    }
  } catch (...) {
    ReportCurrentException(hwnd_);
  }
  // A close asked for during a run is carried out now that the run is over.
  if (close_pending_ && !running_) {
    close_pending_ = false;
    PostMessageW(hwnd_, WM_CLOSE, 0, 0);
  }
}

// Anchors: the status bar is docked to the bottom, the save folder stretches
// with the width and its button follows the right edge.
void TMainForm::OnSize(int client_width, int client_height) {
  const int grow = client_width - kClientWidth;
  MoveWindow(c_.StatusBar, 0, client_height - kStatusBarHeight, client_width, kStatusBarHeight, TRUE);
  MoveWindow(c_.stSaveDir, 12, 36, 497 + grow, 19, TRUE);
  MoveWindow(c_.btnSaveDir, 514 + grow, 36, 19, 19, TRUE);
}

void TMainForm::Close() {
  if (hwnd_ != nullptr) SendMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void TMainForm::OnClose() {
  if (running_) {
    // The engine is still on the stack: the walk stops at its next entry and
    // the window closes when the command has finished.
    close_pending_ = true;
    return;
  }
  try {
    FormClose();
  } catch (...) {
    // The settings were not saved: the window stays, the user may try again.
    ReportCurrentException(hwnd_);
    return;
  }
  DestroyWindow(hwnd_);
}

void TMainForm::FormCreate() {
  fs_ = MakeNativeFileSystem();
  extractor_ = std::make_unique<TResExtract>(*fs_, *this, cancel_, *this);

  exe_path_ = seams_.exe_path.empty() ? ModulePath() : seams_.exe_path;
  const std::string default_save_dir = DefaultSaveFolder(exe_path_);
  if (!fs_->FolderExists(default_save_dir)) fs_->CreateFolders(default_save_dir);
  settings_path_ = SettingsPath(exe_path_);

  RECT r{};
  GetWindowRect(hwnd_, &r);
  Settings defaults = FirstStartSettings(exe_path_);
  defaults.pos_x = r.left;
  defaults.pos_y = r.top;
  IniFile ini(settings_path_);
  const Settings s = ReadSettings(ini, defaults);

  source_dir_ = s.source_dir;
  SetChecked(c_.cbDelBmp, s.del_bmp);
  SetChecked(c_.cbOpenFolder, s.open_folder);
  SetChecked(c_.cbNoIcoFile, s.no_ico_file);
  SetChecked(c_.cbNoCurFile, s.no_cur_file);
  SetChecked(c_.cbNoIcoRes, s.no_ico_res);
  SetChecked(c_.cbNoCurRes, s.no_cur_res);
  extractor_->SetSaveDir(s.save_dir);
  SetSaveDirText(s.save_dir);
  // Whatever the design's height, the window starts at its minimum height.
  SetWindowPos(hwnd_, nullptr, s.pos_x, s.pos_y, r.right - r.left, kMinHeight,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void TMainForm::FormClose() {
  RECT r{};
  GetWindowRect(hwnd_, &r);
  Settings s;
  s.pos_x = r.left;
  s.pos_y = r.top;
  s.source_dir = source_dir_;
  s.save_dir = extractor_->SaveDir();
  s.del_bmp = Checked(c_.cbDelBmp);
  s.open_folder = Checked(c_.cbOpenFolder);
  s.no_ico_file = Checked(c_.cbNoIcoFile);
  s.no_cur_file = Checked(c_.cbNoCurFile);
  s.no_ico_res = Checked(c_.cbNoIcoRes);
  s.no_cur_res = Checked(c_.cbNoCurRes);
  IniFile ini(settings_path_);
  WriteSettings(ini, s);
  extractor_.reset();
}

void TMainForm::actGetFromFileExecute() {
  if (running_ || !extractor_->CheckSaveDir()) return;
  open_dialog_.InitialDir = source_dir_;
  const bool chosen =
      seams_.run_open_dialog ? seams_.run_open_dialog(open_dialog_, hwnd_) : open_dialog_.Execute(hwnd_);
  if (!chosen) return;
  source_dir_ = FolderPart(open_dialog_.FileName);
  const std::vector<std::string> files = open_dialog_.Files;
  RunExtraction([&] { return extractor_->ExtractFromFiles(files); });
}

void TMainForm::actGetFromFolderExecute() {
  if (running_ || !extractor_->CheckSaveDir()) return;
  brws_dlg_.Caption = "抽出するフォルダを選んでください";
  brws_dlg_.Directory = source_dir_;
  const bool chosen = seams_.run_browse_dialog ? seams_.run_browse_dialog(brws_dlg_) : brws_dlg_.Execute();
  if (!chosen) return;
  source_dir_ = AddBackslash(brws_dlg_.Directory);
  const std::string question = ConfirmFolderText(source_dir_, extractor_->SaveDir());
  const bool yes = seams_.confirm ? seams_.confirm(question) : AskConfirmation(hwnd_, question);
  if (!yes) return;
  const std::string folder = source_dir_;
  RunExtraction([&] { return extractor_->ExtractFromFolder(folder); });
}

void TMainForm::actSaveDirExecute() {
  brws_dlg_.Caption = "保存するフォルダを選んでください";
  brws_dlg_.Directory = extractor_->SaveDir();
  const bool chosen = seams_.run_browse_dialog ? seams_.run_browse_dialog(brws_dlg_) : brws_dlg_.Execute();
  if (!chosen) return;
  extractor_->SetSaveDir(AddBackslash(brws_dlg_.Directory));
  SetSaveDirText(extractor_->SaveDir());
}

void TMainForm::btnHelpClick() { StartProcess(HelpCommand(exe_path_)); }

void TMainForm::BrwsDlgInitialized(TBrowseDialog& /*sender*/, HWND wnd, const std::string& /*path*/,
                                   std::string& /*show_text*/, TOKButtonState& /*ok_button_state*/) {
  RECT r{};
  GetWindowRect(wnd, &r);
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  MoveWindow(wnd, (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h, TRUE);
}

void TMainForm::RunExtraction(const std::function<int()>& run) {
  BeginExtraction();
  int count = 0;
  try {
    count = run();
  } catch (...) {
    // The failure is reported by the caller; the window is idle again first.
    LeaveRunningState();
    throw;
  }
  EndExtraction(count);
}

void TMainForm::BeginExtraction() {
  running_ = true;
  HWND focus = GetFocus();
  if (focus != nullptr && IsChild(hwnd_, focus)) focus_ = focus;
  EnableWindow(c_.btnGetFromFolder, FALSE);
  EnableWindow(c_.btnGetFromFile, FALSE);
  ApplyOptions();
  SendMessageW(c_.Animate, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF));
  if (ProgressMsg != nullptr) ProgressMsg->Show();
}

void TMainForm::LeaveRunningState() {
  SendMessageW(c_.Animate, ACM_PLAY, 1, MAKELPARAM(0, 0));
  if (ProgressMsg != nullptr) ProgressMsg->Close();
  EnableWindow(c_.btnGetFromFolder, TRUE);
  EnableWindow(c_.btnGetFromFile, TRUE);
  // The disabled button lost the focus; give it back so the keyboard works.
  if (GetFocus() == nullptr && GetActiveWindow() == hwnd_ && focus_ != nullptr) SetFocus(focus_);
  running_ = false;
}

void TMainForm::EndExtraction(int count) {
  LeaveRunningState();
  Report(ResultText(count));
  if (count > 0 && Checked(c_.cbOpenFolder)) StartProcess(ExplorerCommand(extractor_->SaveDir()));
}

void TMainForm::ApplyOptions() {
  extractor_->SetDeleteFirst(Checked(c_.cbDelBmp));
  extractor_->SetExcludeFlags(0);
  const std::pair<HWND, std::uint8_t> boxes[] = {
      {c_.cbNoIcoFile, kNoIcoFile}, {c_.cbNoCurFile, kNoCurFile}, {c_.cbNoIcoRes, kNoIcoRes}, {c_.cbNoCurRes, kNoCurRes}};
  for (const auto& [box, bit] : boxes) {
    if (Checked(box)) extractor_->SetExcludeFlags(static_cast<std::uint8_t>(extractor_->ExcludeFlags() | bit));
  }
}

void TMainForm::ShowStatus(const std::string& path) {
  SendMessageW(c_.StatusBar, SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(Widen(path).c_str()));
  // A run over a file list lets no message through; paint now.
  UpdateWindow(c_.StatusBar);
}

void TMainForm::ShowMessage(const std::string& text) { Report(text); }

void TMainForm::Report(const std::string& text) {
  if (seams_.show_message) {
    seams_.show_message(text);
  } else {
    ShowPlainMessage(hwnd_, text);
  }
}

void TMainForm::StartProcess(const std::string& command_line) {
  if (seams_.start_process) {
    seams_.start_process(command_line);
  } else {
    StartCommandLine(command_line);
  }
}

bool TMainForm::Checked(HWND box) const { return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TMainForm::SetChecked(HWND box, bool checked) {
  SendMessageW(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TMainForm::SetSaveDirText(const std::string& text) { SetWindowTextW(c_.stSaveDir, Widen(text).c_str()); }

}  // namespace gd
