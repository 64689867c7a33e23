#include "app/app_dialogs.h"

#include <exception>

#include "app/app_text.h"
#include "platform/win32/utf16.h"

namespace gd {

void ShowPlainMessage(HWND owner, const std::string& text) {
  MessageBoxW(owner, Widen(text).c_str(), Widen(kAppTitle).c_str(), MB_OK);
}

bool AskConfirmation(HWND owner, const std::string& question) {
  return MessageBoxW(owner, Widen(question).c_str(), Widen("確認").c_str(), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON1) ==
         IDYES;
}

void ReportCurrentException(HWND owner) noexcept {
  std::string text = "Unknown error";
  try {
    throw;
  } catch (const std::exception& e) {
    text = e.what();
  } catch (...) {
  }
  try {
    MessageBoxW(owner, Widen(text).c_str(), Widen(kAppTitle).c_str(), MB_OK | MB_ICONERROR);
  } catch (...) {
  }
}

}  // namespace gd
