#include "app/ini_file.h"

#include <windows.h>

#include <vector>

#include "app/app_text.h"
#include "app/ui/handle.h"

#include "platform/win32/utf16.h"

namespace gd {
namespace {

// Values longer than this are cut, as the profile service has always done
// with the program's read buffer.
constexpr DWORD kReadBufferChars = 2048;

}  // namespace

std::string IniFile::ReadString(const char* section, const char* key, const std::string& default_value) {
  std::vector<wchar_t> buffer(kReadBufferChars);
  const DWORD n = GetPrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), Widen(default_value).c_str(),
                                           buffer.data(), kReadBufferChars, Widen(path_).c_str());
  return Narrow(std::wstring_view(buffer.data(), n));
}

void IniFile::WriteString(const char* section, const char* key, const std::string& value) {
  CreateUnicodeFileIfMissing();
  if (!WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), Widen(value).c_str(),
                                  Widen(path_).c_str())) {
    throw SettingsWriteError(SettingsWriteErrorText(path_));
  }
}

// The profile service writes a new file in the ANSI code page, where a
// folder name outside it would be lost; started with a byte-order mark, the
// file is kept in UTF-16 from then on.
void IniFile::CreateUnicodeFileIfMissing() {
  const std::wstring path = Widen(path_);
  HANDLE raw = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (raw == INVALID_HANDLE_VALUE) return;  // exists already, or the write after this reports the failure
  bool ok = false;
  {
    const UniqueHandle<HANDLE, &CloseHandle> file(raw);
    static constexpr unsigned char kBom[] = {0xFF, 0xFE};
    DWORD written = 0;
    ok = WriteFile(file.get(), kBom, sizeof kBom, &written, nullptr) && written == sizeof kBom;
  }
  if (!ok) DeleteFileW(path.c_str());
}

}  // namespace gd
