#include "app/ini_file.h"

#include <windows.h>

#include <vector>

#include "app/app_text.h"
#include "ui/handle.h"
#include "utf16/utf16.h"

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
  PrepareForWriting();
  if (!WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), Widen(value).c_str(),
                                  Widen(path_).c_str())) {
    throw SettingsWriteError(SettingsWriteErrorText(path_));
  }
}

// The profile service writes a file in the encoding it finds: ANSI for a new
// file or one written by hand, where a folder name outside the code page
// would be lost. So before the first write a missing file is started as
// UTF-16 with its byte-order mark, and an ANSI file is converted to it; the
// service keeps UTF-16 from then on. When this cannot be done the file is
// left as it is and the write itself reports any failure.
void IniFile::PrepareForWriting() {
  if (prepared_) return;
  prepared_ = true;
  static constexpr unsigned char kBom[] = {0xFF, 0xFE};
  const std::wstring path = Widen(path_);
  HANDLE raw = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (raw == INVALID_HANDLE_VALUE) {
    if (GetLastError() == ERROR_FILE_NOT_FOUND) WriteNewFile(path, std::wstring());
    return;
  }
  std::string bytes;
  {
    const UniqueHandle<HANDLE, &CloseHandle> file(raw);
    LARGE_INTEGER size{};
    constexpr LONGLONG kLargestSettings = 1 << 20;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > kLargestSettings) return;
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() && (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                           read != bytes.size())) {
      return;
    }
  }
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == kBom[0] &&
      static_cast<unsigned char>(bytes[1]) == kBom[1]) {
    return;  // UTF-16 already
  }
  std::wstring text;
  if (!bytes.empty()) {
    const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0) return;
    text.resize(static_cast<std::size_t>(n));
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
  }
  // Written beside it and moved over it, so that a failure leaves the old
  // file whole.
  const std::wstring temp = path + L".new";
  if (!WriteNewFile(temp, text) || !MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileW(temp.c_str());
  }
}

// A file holding the byte-order mark and text in UTF-16; false when it could
// not be written whole (nothing is left behind then).
bool IniFile::WriteNewFile(const std::wstring& path, const std::wstring& text) {
  HANDLE raw = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (raw == INVALID_HANDLE_VALUE) return false;
  std::string bytes = "\xFF\xFE";
  for (wchar_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
  }
  bool ok = false;
  {
    const UniqueHandle<HANDLE, &CloseHandle> file(raw);
    DWORD written = 0;
    ok = WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
  }
  if (!ok) DeleteFileW(path.c_str());
  return ok;
}

}  // namespace gd
