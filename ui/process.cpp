#include "ui/process.h"

#include <windows.h>

#include "ui/handle.h"
#include "utf16/utf16.h"

namespace gd {

std::string ModulePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n < buffer.size()) return Narrow(std::wstring_view(buffer.data(), n));
    buffer.resize(buffer.size() * 2);
  }
}

void StartCommandLine(const std::string& command_line) {
  std::wstring line = Widen(command_line);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOW;
  PROCESS_INFORMATION pi{};
  if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    const UniqueHandle<HANDLE, &CloseHandle> thread(pi.hThread);
    const UniqueHandle<HANDLE, &CloseHandle> process(pi.hProcess);
  }
}

}  // namespace gd
