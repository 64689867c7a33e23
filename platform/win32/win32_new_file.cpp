#include "platform/win32/win32_new_file.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <optional>
#include <utility>

#include "base/write_failure.h"
#include "utf16/utf16.h"

namespace gd::win32 {

namespace {

constexpr std::string_view kTemporaryPrefix = ".glimmerdig-";
constexpr std::string_view kTemporarySuffix = ".tmp";
// Never left behind, so never looked for by RemoveLeftovers.
constexpr std::string_view kLinkedSuffix = ".new";

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

// A temporary file of this process beside for_path. A linked one is deleted
// by the system when its handle closes, however the process ends, so it
// shares deletion (and the making of links); any other is opened so that no
// one else can open or delete it while it is being written.
enum class Temporary { kLinked, kMoved };

HANDLE OpenTemporary(const std::string& for_path, Temporary kind, std::wstring& temp_path) {
  static std::atomic<unsigned> serial{0};
  const std::string folder = FolderOf(for_path);
  const DWORD share = kind == Temporary::kLinked ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE : 0;
  const DWORD flags = FILE_ATTRIBUTE_NORMAL | (kind == Temporary::kLinked ? FILE_FLAG_DELETE_ON_CLOSE : 0);
  // Another machine's run on a shared folder may have the same process id.
  for (int attempt = 0;; ++attempt) {
    std::string name = folder;
    name += kTemporaryPrefix;
    name += std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(serial++);
    name += kind == Temporary::kLinked ? kLinkedSuffix : kTemporarySuffix;
    temp_path = Widen(name);
    const HANDLE h = ::CreateFileW(temp_path.c_str(), GENERIC_WRITE, share, nullptr, CREATE_NEW, flags, nullptr);
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

// The temporary written whole and closed, or an exception with nothing left.
std::wstring WriteTemporary(const std::string& path, std::span<const std::uint8_t> bytes) {
  std::wstring temp;
  Handle file(OpenTemporary(path, Temporary::kMoved, temp));
  DWORD err = WriteAll(file, bytes);
  if (!file.Close() && err == 0) err = ::GetLastError();
  if (err != 0) {
    ::DeleteFileW(temp.c_str());
    throw Failure(path, WriteStep::kWrite, err);
  }
  return temp;
}

std::atomic<NamingWay> naming{NamingWay::kHardLink};

// nullopt when the file system has no hard links.
std::optional<bool> CreateLinked(const std::string& path, std::span<const std::uint8_t> bytes) {
  std::wstring temp;
  Handle file(OpenTemporary(path, Temporary::kLinked, temp));
  if (const DWORD err = WriteAll(file, bytes)) throw Failure(path, WriteStep::kWrite, err);  // closing deletes it
  // The link fails when anything bears the name, a dangling link included.
  const std::wstring wide = Widen(path);
  if (::CreateHardLinkW(wide.c_str(), temp.c_str(), nullptr)) {
    if (!file.Close()) {
      const DWORD err = ::GetLastError();
      ::DeleteFileW(wide.c_str());
      throw Failure(path, WriteStep::kWrite, err);
    }
    return true;
  }
  const DWORD err = ::GetLastError();
  if (err == ERROR_ALREADY_EXISTS || err == ERROR_FILE_EXISTS) return false;
  if (err == ERROR_INVALID_FUNCTION || err == ERROR_NOT_SUPPORTED || err == ERROR_INVALID_PARAMETER) {
    return std::nullopt;
  }
  throw Failure(path, WriteStep::kCreate, err);
}

bool CreateMoved(const std::string& path, std::span<const std::uint8_t> bytes) {
  const std::wstring temp = WriteTemporary(path, bytes);
  // Without MOVEFILE_REPLACE_EXISTING the move fails when the name exists.
  if (::MoveFileExW(temp.c_str(), Widen(path).c_str(), 0)) return true;
  const DWORD err = ::GetLastError();
  ::DeleteFileW(temp.c_str());
  if (err == ERROR_ALREADY_EXISTS || err == ERROR_FILE_EXISTS) return false;
  throw Failure(path, WriteStep::kCreate, err);
}

}  // namespace

void StartNamingFrom(NamingWay way) { naming = way; }

bool CreateNewFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  if (naming == NamingWay::kHardLink) {
    if (const std::optional<bool> created = CreateLinked(path, bytes)) return *created;
    naming = NamingWay::kMove;
  }
  return CreateMoved(path, bytes);
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
