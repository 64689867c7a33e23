#include "ui/message_loop.h"

#include "ui/application.h"
#include "ui/form.h"

namespace gd {

bool PreTranslate(MSG& msg) {
  if (!msg.hwnd) return false;
  HWND root = GetAncestor(msg.hwnd, GA_ROOT);
  if (!root || !Form::FromHandle(root)) return false;
  return IsDialogMessageW(root, &msg) != FALSE;
}

namespace {

void Handle(MSG& msg) {
  if (!PreTranslate(msg)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace

void ProcessMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      App().Terminate();
    } else {
      Handle(msg);
    }
  }
}

void RunMessageLoop() {
  MSG msg;
  while (!App().Terminated()) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      App().Terminate();
      break;
    }
    Handle(msg);
  }
}

}  // namespace gd
