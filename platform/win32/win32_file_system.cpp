// File services on Windows, through the W functions with long-path support.

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

#include "base/errors.h"
#include "platform/file_system.h"
#include "platform/win32/win32_new_file.h"
#include "utf16/utf16.h"

namespace gd {

namespace {

class FindHandle {
 public:
  explicit FindHandle(HANDLE h) : h_(h) {}
  ~FindHandle() {
    if (h_ != INVALID_HANDLE_VALUE) ::FindClose(h_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

class FileHandle {
 public:
  explicit FileHandle(HANDLE h) : h_(h) {}
  ~FileHandle() { Close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle(FileHandle&& other) noexcept : h_(std::exchange(other.h_, INVALID_HANDLE_VALUE)) {}
  FileHandle& operator=(const FileHandle&) = delete;
  HANDLE get() const { return h_; }
  bool ok() const { return h_ != INVALID_HANDLE_VALUE; }
  bool Close() {
    if (!ok()) return true;
    const BOOL closed = ::CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
    return closed != FALSE;
  }

 private:
  HANDLE h_;
};

class Win32SourceFile final : public ByteSource {
 public:
  Win32SourceFile(FileHandle file, std::uint64_t size) : file_(std::move(file)), size_(size) {}
  std::uint64_t Size() const override { return size_; }

  // Every read names its offset: the search moves through windows while
  // images are read wherever they lie.
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    if (offset >= size_) return 0;
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), size_ - offset));
    std::size_t done = 0;
    while (done < want) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(want - done, 1u << 30));
      const std::uint64_t at = offset + done;
      OVERLAPPED where{};
      where.Offset = static_cast<DWORD>(at);
      where.OffsetHigh = static_cast<DWORD>(at >> 32);
      DWORD got = 0;
      if (!::ReadFile(file_.get(), out.data() + done, chunk, &got, &where) || got == 0) throw ReadError();
      done += got;
    }
    return done;
  }

 private:
  FileHandle file_;
  std::uint64_t size_;
};

DirEntry ToEntry(const WIN32_FIND_DATAW& fd) {
  DirEntry e;
  e.name = Narrow(fd.cFileName);
  const DWORD a = fd.dwFileAttributes;
  e.hidden = (a & FILE_ATTRIBUTE_HIDDEN) != 0;
  e.system = (a & FILE_ATTRIBUTE_SYSTEM) != 0;
  if (a & FILE_ATTRIBUTE_DIRECTORY) {
    // Junctions and folder symlinks may loop back up the tree.
    e.kind = (a & FILE_ATTRIBUTE_REPARSE_POINT) ? EntryKind::kLinkedFolder : EntryKind::kFolder;
  } else if (a & FILE_ATTRIBUTE_DEVICE) {
    e.kind = EntryKind::kOther;
  } else {
    e.kind = EntryKind::kFile;
  }
  return e;
}

class Win32Listing final : public FolderListing {
 public:
  explicit Win32Listing(const std::string& folder)
      : find_(::FindFirstFileExW(Widen(folder + "*").c_str(), FindExInfoBasic, &data_, FindExSearchNameMatch,
                                 nullptr, FIND_FIRST_EX_LARGE_FETCH)),
        pending_(find_.get() != INVALID_HANDLE_VALUE) {}
  bool valid() const { return find_.get() != INVALID_HANDLE_VALUE; }

  bool Next(DirEntry& entry) override {
    if (!pending_) {
      if (!valid() || !::FindNextFileW(find_.get(), &data_)) return false;
    }
    pending_ = false;
    entry = ToEntry(data_);
    return true;
  }

 private:
  WIN32_FIND_DATAW data_{};
  FindHandle find_;
  bool pending_;
};

DWORD Attributes(const std::string& path) {
  if (path.empty()) return INVALID_FILE_ATTRIBUTES;
  return ::GetFileAttributesW(Widen(path).c_str());
}

class Win32FileSystem final : public FileSystem {
 public:
  std::unique_ptr<FolderListing> ListFolder(const std::string& folder) override {
    auto listing = std::make_unique<Win32Listing>(folder);
    if (!listing->valid()) return nullptr;
    return listing;
  }

  std::unique_ptr<ByteSource> OpenFile(const std::string& path) override {
    // Others may read the file meanwhile, but not change it under us.
    FileHandle file(::CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.ok()) return nullptr;
    if (::GetFileType(file.get()) != FILE_TYPE_DISK) return nullptr;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) throw ReadError();
    return std::make_unique<Win32SourceFile>(std::move(file), static_cast<std::uint64_t>(size.QuadPart));
  }

  void WriteNewFile(const std::string& path, std::span<const std::uint8_t> bytes) override {
    const std::wstring wide = Widen(path);
    FileHandle file(::CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!file.ok()) throw CreateFileError(path);
    bool written = true;
    while (written && !bytes.empty()) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
      DWORD put = 0;
      written = ::WriteFile(file.get(), bytes.data(), chunk, &put, nullptr) && put == chunk;
      bytes = bytes.subspan(put);
    }
    written = file.Close() && written;
    if (!written) {
      // A cut-off bitmap would block the name for every later run.
      ::DeleteFileW(wide.c_str());
      throw WriteError();
    }
  }

  bool CreateNewFile(const std::string& path, std::span<const std::uint8_t> bytes) override {
    return win32::CreateNewFile(path, bytes);
  }
  void ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes) override {
    win32::ReplaceFile(path, bytes);
  }
  bool NameTaken(const std::string& path) override { return win32::NameTaken(path); }
  void RemoveLeftovers(const std::string& folder) override { win32::RemoveLeftovers(folder); }

  bool FileExists(const std::string& path) override {
    const DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
  }
  bool FolderExists(const std::string& path) override {
    const DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
  }
  bool DeleteFile(const std::string& path) override { return ::DeleteFileW(Widen(path).c_str()) != FALSE; }

  bool CreateFolders(const std::string& path) override {
    if (path.empty()) return false;
    for (std::size_t i = 0; i <= path.size(); ++i) {
      if (i == path.size() || path[i] == '\\' || path[i] == '/') {
        const std::string partial = path.substr(0, i);
        // Skip drive roots ("C:") and UNC server parts: they cannot be made.
        if (partial.size() > 2 && !FolderExists(partial)) ::CreateDirectoryW(Widen(partial).c_str(), nullptr);
      }
    }
    return FolderExists(path);
  }

  std::string AbsolutePath(const std::string& path) override {
    const std::wstring wide = Widen(path);
    const DWORD n = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring out(n, L'\0');
    const DWORD m = ::GetFullPathNameW(wide.c_str(), n, out.data(), nullptr);
    out.resize(m);
    return Narrow(out);
  }

 private:};

}  // namespace

std::unique_ptr<FileSystem> MakeNativeFileSystem() { return std::make_unique<Win32FileSystem>(); }

}  // namespace gd
