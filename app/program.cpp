// The program block: start-up, the two windows, the message loop, shut-down.

#include <windows.h>

#include <commctrl.h>

#include <memory>

#include "app/app_dialogs.h"
#include "app/app_text.h"
#include "app/globals.h"
#include "app/main_form.h"
#include "app/progress_msg.h"

namespace gd {
namespace {

void InitCommonControls() {
  INITCOMMONCONTROLSEX icc{};
  icc.dwSize = sizeof icc;
  icc.dwICC = ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_ANIMATE_CLASS;
  InitCommonControlsEx(&icc);
}

// Keyboard navigation and access keys in whichever window is active, then the
// usual translation and dispatch.
void RunMessageLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    HWND active = GetActiveWindow();
    if (active != nullptr && IsDialogMessageW(active, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

int Run() {
  // GIF_FORMAT_REGISTRATION: enable once the GIF codec has landed:
  // const GifFormatRegistration gif_format;
  InitCommonControls();
  MainFormSeams seams;
  seams.on_destroyed = [] { PostQuitMessage(0); };
  auto main_form = std::make_unique<TMainForm>(std::move(seams));
  MainForm = main_form.get();
  auto progress_msg = std::make_unique<TProgressMsg>();
  ProgressMsg = progress_msg.get();

  ShowWindow(main_form->Handle(), SW_SHOWNORMAL);
  UpdateWindow(main_form->Handle());
  RunMessageLoop();

  ProgressMsg = nullptr;
  progress_msg.reset();
  MainForm = nullptr;
  main_form.reset();
  return 0;
}

}  // namespace
}  // namespace gd

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    return gd::Run();
  } catch (...) {
    gd::ReportCurrentException(nullptr);
    return 1;
  }
}
