// File services on POSIX systems.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <climits>
#include <string>
#include <vector>

#include "base/errors.h"
#include "platform/file_system.h"
#include "platform/posix/posix_new_file.h"
#include "platform/posix/unique_fd.h"

namespace gd {

using posix::Fd;

namespace {

class PosixListing final : public FolderListing {
 public:
  PosixListing(DIR* dir, std::string folder) : dir_(dir), folder_(std::move(folder)) {}
  ~PosixListing() override { ::closedir(dir_); }
  PosixListing(const PosixListing&) = delete;
  PosixListing& operator=(const PosixListing&) = delete;

  bool Next(DirEntry& entry) override {
    errno = 0;
    const dirent* d = ::readdir(dir_);
    if (!d) return false;
    entry.name = d->d_name;
    entry.hidden = entry.name.starts_with('.');
    entry.system = false;
    entry.kind = KindOf(d->d_type, entry.name);
    return true;
  }

 private:
  EntryKind KindOf(unsigned char type, const std::string& name) const {
    switch (type) {
      case DT_REG: return EntryKind::kFile;
      case DT_DIR: return EntryKind::kFolder;
      case DT_LNK: case DT_UNKNOWN: break;
      default: return EntryKind::kOther;
    }
    struct stat st {};
    const std::string path = folder_ + name;
    if (::lstat(path.c_str(), &st) != 0) return EntryKind::kOther;
    if (S_ISDIR(st.st_mode)) return EntryKind::kFolder;
    if (S_ISREG(st.st_mode)) return EntryKind::kFile;
    if (!S_ISLNK(st.st_mode)) return EntryKind::kOther;
    // A link: files behind links are read, folders behind them never walked.
    if (::stat(path.c_str(), &st) != 0) return EntryKind::kFile;  // dangling: open fails quietly later
    return S_ISDIR(st.st_mode) ? EntryKind::kLinkedFolder : EntryKind::kFile;
  }

  DIR* dir_;
  std::string folder_;
};

class PosixSourceFile final : public ByteSource {
 public:
  PosixSourceFile(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
  std::uint64_t Size() const override { return size_; }
  int fd() const { return fd_.get(); }

  // Reads by position: the search moves through windows while images are
  // read wherever they lie.
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    if (offset >= size_) return 0;
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), size_ - offset));
    std::size_t done = 0;
    while (done < want) {
      const std::size_t chunk = std::min<std::size_t>(want - done, 1u << 30);
      const ssize_t n = ::pread(fd_.get(), out.data() + done, chunk, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw ReadError();  // the file shrank or the device failed
      done += static_cast<std::size_t>(n);
    }
    return done;
  }

 private:
  Fd fd_;
  std::uint64_t size_;
};

bool StatIs(const std::string& path, mode_t type) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && (st.st_mode & S_IFMT) == type;
}

void WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const std::size_t chunk = std::min<std::size_t>(bytes.size(), 1u << 30);
    const ssize_t n = ::write(fd, bytes.data(), chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw WriteError();
    bytes = bytes.subspan(static_cast<std::size_t>(n));
  }
}

class PosixFileSystem final : public FileSystem {
 public:
  std::unique_ptr<FolderListing> ListFolder(const std::string& folder) override {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return nullptr;
    return std::make_unique<PosixListing>(dir, folder);
  }

  std::unique_ptr<ByteSource> OpenFile(const std::string& path) override {
    // Non-blocking, so that a pipe named in a file list cannot hang the run.
    Fd fd(::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.ok()) return nullptr;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) return nullptr;
    ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    return std::make_unique<PosixSourceFile>(fd.release(), static_cast<std::uint64_t>(st.st_size));
  }

  void WriteNewFile(const std::string& path, std::span<const std::uint8_t> bytes) override {
    Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!fd.ok()) throw CreateFileError(path);
    try {
      WriteAll(fd.get(), bytes);
      if (::close(fd.release()) != 0) throw WriteError();
    } catch (...) {
      // A cut-off bitmap would block the name for every later run.
      ::unlink(path.c_str());
      throw;
    }
  }

  bool CreateNewFile(const std::string& path, std::span<const std::uint8_t> bytes) override {
    return posix::CreateNewFile(path, bytes);
  }
  bool CreateNewFileFrom(const std::string& path, ByteSource& source, std::uint64_t offset,
                         std::uint64_t length) override {
    const auto* file = dynamic_cast<const PosixSourceFile*>(&source);
    if (file == nullptr || offset > file->Size() || length > file->Size() - offset) {
      return FileSystem::CreateNewFileFrom(path, source, offset, length);
    }
    return posix::CreateNewFile(path, posix::CopyOf(file->fd(), offset, length));
  }
  void ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes) override {
    posix::ReplaceFile(path, bytes);
  }
  bool NameTaken(const std::string& path) override { return posix::NameTaken(path); }
  void RemoveLeftovers(const std::string& folder) override { posix::RemoveLeftovers(folder); }

  bool FileExists(const std::string& path) override {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
  }
  bool FolderExists(const std::string& path) override { return StatIs(path, S_IFDIR); }
  bool DeleteFile(const std::string& path) override { return ::unlink(path.c_str()) == 0; }

  bool CreateFolders(const std::string& path) override {
    if (path.empty()) return false;
    std::string partial;
    for (std::size_t i = 0; i <= path.size(); ++i) {
      if (i == path.size() || (path[i] == '/' && i > 0)) {
        partial = path.substr(0, i);
        if (!partial.empty() && !StatIs(partial, S_IFDIR)) ::mkdir(partial.c_str(), 0777);
      }
    }
    return FolderExists(path);
  }

  std::string AbsolutePath(const std::string& path) override {
    return AbsolutePathOf(path);
  }

 private:
  static std::string AbsolutePathOf(const std::string& path) {
    std::string joined = path;
    if (!path.starts_with('/')) {
      std::vector<char> cwd(PATH_MAX);
      while (::getcwd(cwd.data(), cwd.size()) == nullptr) {
        if (errno != ERANGE) return path;
        cwd.resize(cwd.size() * 2);
      }
      joined = std::string(cwd.data()) + "/" + path;
    }
    // Resolve "." and ".." by text, keeping a final separator.
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= joined.size()) {
      std::size_t end = joined.find('/', start);
      if (end == std::string::npos) end = joined.size();
      const std::string part = joined.substr(start, end - start);
      if (part == "..") {
        if (!parts.empty()) parts.pop_back();
      } else if (!part.empty() && part != ".") {
        parts.push_back(part);
      }
      start = end + 1;
    }
    std::string out;
    for (const std::string& part : parts) out += "/" + part;
    if (out.empty()) return "/";
    const bool folder_like = joined.ends_with('/') || joined.ends_with("/.") || joined.ends_with("/..") ||
                             path == "." || path == "..";
    if (folder_like) out += '/';
    return out;
  }
};

}  // namespace

std::unique_ptr<FileSystem> MakeNativeFileSystem() { return std::make_unique<PosixFileSystem>(); }

}  // namespace gd
