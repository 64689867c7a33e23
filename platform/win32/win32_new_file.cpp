#include "platform/win32/win32_new_file.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <utility>

#include "base/write_failure.h"
#include "utf16/utf16.h"

namespace gd::win32 {

namespace {

constexpr std::string_view kTemporaryPrefix = ".glimmerdig-";
constexpr std::string_view kTemporarySuffix = ".tmp";

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  bool ok() const { return h_ != INVALID_HANDLE_VALUE; }
  // Closes now; false when closing failed.
  bool Close() {
    if (!ok()) return true;
    return ::CloseHandle(std::exchange(h_, INVALID_HANDLE_VALUE)) != FALSE;
  }

 private:
  HANDLE h_;
};

class Find {
 public:
  explicit Find(HANDLE h) : h_(h) {}
  ~Find() {
    if (h_ != INVALID_HANDLE_VALUE) ::FindClose(h_);
  }
  Find(const Find&) = delete;
  Find& operator=(const Find&) = delete;
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

std::string SystemText(DWORD err) {
  wchar_t* text = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, err, 0,
      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring wide = n > 0 && text != nullptr ? std::wstring(text, n) : std::wstring();
  if (text != nullptr) ::LocalFree(text);
  while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L' ')) wide.pop_back();
  if (wide.empty()) return "error " + std::to_string(err);
  return Narrow(wide);
}

OutputWriteError Failure(const std::string& path, WriteStep step, DWORD err) {
  WriteFailureReason reason = WriteFailureReason::kOther;
  switch (err) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: reason = WriteFailureReason::kDiskFull; break;
    case ERROR_ACCESS_DENIED: reason = WriteFailureReason::kPermissionDenied; break;
    case ERROR_WRITE_PROTECT: reason = WriteFailureReason::kReadOnly; break;
    case ERROR_FILENAME_EXCED_RANGE: reason = WriteFailureReason::kNameTooLong; break;
    default: break;
  }
  return OutputWriteError(path, step, reason, SystemText(err));
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A temporary file of this process beside for_path, opened so that no one
// else can open it, nor delete it, while it is being written.
HANDLE OpenTemporary(const std::string& for_path, std::wstring& temp_path) {
  static std::atomic<unsigned> serial{0};
  const std::string folder = FolderOf(for_path);
  // Another machine's run on a shared folder may have the same process id.
  for (int attempt = 0;; ++attempt) {
    std::string name = folder;
    name += kTemporaryPrefix;
    name += std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(serial++);
    name += kTemporarySuffix;
    temp_path = Widen(name);
    const HANDLE h = ::CreateFileW(temp_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                   nullptr);
    if (h != INVALID_HANDLE_VALUE) return h;
    const DWORD err = ::GetLastError();
    if ((err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS) || attempt == 100) {
      throw Failure(for_path, WriteStep::kCreate, err);
    }
  }
}

// Writes all bytes; 0, or the error that stopped it.
DWORD WriteAll(Handle& file, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD put = 0;
    if (!::WriteFile(file.get(), bytes.data(), chunk, &put, nullptr)) return ::GetLastError();
    if (put == 0) return ERROR_WRITE_FAULT;
    bytes = bytes.subspan(put);
  }
  return 0;
}

// The temporary written whole, or an exception with nothing left behind.
std::wstring WriteTemporary(const std::string& path, std::span<const std::uint8_t> bytes) {
  std::wstring temp;
  Handle file(OpenTemporary(path, temp));
  DWORD err = WriteAll(file, bytes);
  if (!file.Close() && err == 0) err = ::GetLastError();
  if (err != 0) {
    ::DeleteFileW(temp.c_str());
    throw Failure(path, WriteStep::kWrite, err);
  }
  return temp;
}

}  // namespace

bool CreateNewFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  // CREATE_NEW takes the name in one step, and fails when anything bears it,
  // a link (even a dangling one) included: nothing is opened through a link.
  // While it is written the file is marked for deletion, so that a run killed
  // meanwhile leaves nothing: the system deletes it when the handle closes.
  // (A temporary moved without MOVEFILE_REPLACE_EXISTING would need no mark,
  // but under Wine that move replaces a dangling link.)
  const std::wstring wide = Widen(path);
  Handle file(::CreateFileW(wide.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                            nullptr));
  if (!file.ok()) {
    const DWORD err = ::GetLastError();
    if (err == ERROR_FILE_EXISTS || err == ERROR_ALREADY_EXISTS) return false;
    // Windows refuses a name another run has marked for deletion with access
    // denied; the name then still answers, but not with its attributes.
    if (err == ERROR_ACCESS_DENIED && ::GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES &&
        ::GetLastError() == ERROR_ACCESS_DENIED) {
      return false;
    }
    throw Failure(path, WriteStep::kCreate, err);
  }
  FILE_DISPOSITION_INFO dispose{TRUE};
  if (!::SetFileInformationByHandle(file.get(), FileDispositionInfo, &dispose, sizeof dispose)) {
    const DWORD err = ::GetLastError();
    file.Close();
    ::DeleteFileW(wide.c_str());
    throw Failure(path, WriteStep::kCreate, err);
  }
  DWORD err = WriteAll(file, bytes);
  dispose.DeleteFile = FALSE;
  if (err == 0 && !::SetFileInformationByHandle(file.get(), FileDispositionInfo, &dispose, sizeof dispose)) {
    err = ::GetLastError();
  }
  if (err != 0) throw Failure(path, WriteStep::kWrite, err);  // closing deletes it
  if (!file.Close()) {
    err = ::GetLastError();
    ::DeleteFileW(wide.c_str());
    throw Failure(path, WriteStep::kWrite, err);
  }
  return true;
}

void ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  const std::wstring temp = WriteTemporary(path, bytes);
  if (::MoveFileExW(temp.c_str(), Widen(path).c_str(), MOVEFILE_REPLACE_EXISTING)) return;
  const DWORD err = ::GetLastError();
  ::DeleteFileW(temp.c_str());
  throw Failure(path, WriteStep::kWrite, err);
}

bool NameTaken(const std::string& path) {
  // The attributes of a link are its own: it is not followed.
  return !path.empty() && ::GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsTemporaryName(std::string_view name) {
  return name.size() > kTemporaryPrefix.size() + kTemporarySuffix.size() && name.starts_with(kTemporaryPrefix) &&
         name.ends_with(kTemporarySuffix);
}

void RemoveLeftovers(const std::string& folder) {
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  WIN32_FIND_DATAW data{};
  const std::string pattern = folder + std::string(kTemporaryPrefix) + "*" + std::string(kTemporarySuffix);
  const Find find(::FindFirstFileExW(Widen(pattern).c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                     0));
  if (find.get() == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = Narrow(data.cFileName);
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !IsTemporaryName(name)) continue;
    // A run still writing holds its temporary open, so the deletion fails.
    if (::CompareFileTime(&data.ftLastWriteTime, &now) < 0) ::DeleteFileW(Widen(folder + name).c_str());
  } while (::FindNextFileW(find.get(), &data));
}

}  // namespace gd::win32
