#include <windows.h>

#include <atomic>

#include "cli/terminal.h"
#include "utf16/utf16.h"

namespace gd::cli {

namespace {

std::atomic<bool> g_interrupted{false};

BOOL WINAPI OnConsoleControl(DWORD type) {
  if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
  if (g_interrupted.exchange(true)) ::ExitProcess(130);
  return TRUE;
}

// Text to a console goes in as UTF-16 whatever its code page; to a file or
// pipe as UTF-8 bytes.
void WriteHandle(DWORD which, std::string_view text) {
  const HANDLE h = ::GetStdHandle(which);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return;
  DWORD mode = 0;
  if (::GetConsoleMode(h, &mode)) {
    const std::wstring wide = Widen(text);
    DWORD put = 0;
    ::WriteConsoleW(h, wide.data(), static_cast<DWORD>(wide.size()), &put, nullptr);
    return;
  }
  while (!text.empty()) {
    DWORD put = 0;
    if (!::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &put, nullptr) || put == 0) return;
    text.remove_prefix(put);
  }
}

}  // namespace

void WriteOut(std::string_view utf8) { WriteHandle(STD_OUTPUT_HANDLE, utf8); }
void WriteErr(std::string_view utf8) { WriteHandle(STD_ERROR_HANDLE, utf8); }

bool StderrIsTerminal() {
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != FALSE;
}

int StderrColumns() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (::GetConsoleScreenBufferInfo(::GetStdHandle(STD_ERROR_HANDLE), &info)) {
    return info.srWindow.Right - info.srWindow.Left + 1;
  }
  return 80;
}

void InstallInterruptHandler() { ::SetConsoleCtrlHandler(OnConsoleControl, TRUE); }

bool Interrupted() { return g_interrupted.load(); }

}  // namespace gd::cli
