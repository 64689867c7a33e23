#include "platform/posix/posix_new_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>

#include "base/errors.h"
#include "base/write_failure.h"
#include "platform/posix/unique_fd.h"

namespace gd::posix {

namespace {

constexpr std::string_view kTemporaryPrefix = ".glimmerdig-";
constexpr std::string_view kTemporarySuffix = ".tmp";

OutputWriteError Failure(const std::string& path, WriteStep step, int err) {
  WriteFailureReason reason = WriteFailureReason::kOther;
  switch (err) {
    case ENOSPC:
    case EDQUOT: reason = WriteFailureReason::kDiskFull; break;
    case EACCES:
    case EPERM: reason = WriteFailureReason::kPermissionDenied; break;
    case EROFS: reason = WriteFailureReason::kReadOnly; break;
    case ENAMETOOLONG: reason = WriteFailureReason::kNameTooLong; break;
    default: break;
  }
  char text[256] = {};
  return OutputWriteError(path, step, reason, ::strerror_r(err, text, sizeof text));
}

// 0, or the errno of the write that failed.
int WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const std::size_t chunk = std::min<std::size_t>(bytes.size(), 1u << 30);
    const ssize_t n = ::write(fd, bytes.data(), chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return EIO;
    bytes = bytes.subspan(static_cast<std::size_t>(n));
  }
  return 0;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

// Opens a temporary file of this process beside for_path, locked for as long
// as it is open so that a run cleaning the folder can tell it from one a
// killed run left.
int OpenTemporary(const std::string& for_path, std::string& temp_path) {
  static std::atomic<unsigned> serial{0};
  const std::string folder = FolderOf(for_path);
  // Another machine's run on a shared folder may have the same process id.
  for (int attempt = 0;; ++attempt) {
    temp_path = folder;
    temp_path += kTemporaryPrefix;
    temp_path += std::to_string(::getpid()) + "-" + std::to_string(serial++);
    temp_path += kTemporarySuffix;
    const int fd = ::open(temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::flock(fd, LOCK_EX);
      return fd;
    }
    if (errno != EEXIST || attempt == 100) throw Failure(for_path, WriteStep::kCreate, errno);
  }
}

// The best way found to work so far; one that fails for lack of support is
// not tried again.
std::atomic<bool> unnamed_files_work{true};
std::atomic<NamingWay> naming{NamingWay::kRenameNoReplace};  // of a named temporary

// nullopt when the file system or the system cannot do it.
std::optional<bool> CreateUnnamed(const std::string& path, const NewFileContent& content) {
  Fd fd(::open(FolderOf(path).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
  if (!fd.ok()) {
    if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) unnamed_files_work = false;
    return std::nullopt;  // the named way reports a failure of the folder itself
  }
  if (const int err = content(fd.get())) throw Failure(path, WriteStep::kWrite, err);
  // Linking by descriptor needs a capability; through /proc it needs /proc.
  int linked = ::linkat(fd.get(), "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH);
  if (linked != 0 && errno == ENOENT) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd.get());
    linked = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW);
  }
  if (linked != 0) {
    if (errno == EEXIST) return false;
    if (errno == ENOENT || errno == EPERM || errno == EXDEV || errno == EOPNOTSUPP) {
      unnamed_files_work = false;
      return std::nullopt;
    }
    throw Failure(path, WriteStep::kCreate, errno);
  }
  if (const int err = fd.Close()) {
    ::unlink(path.c_str());
    throw Failure(path, WriteStep::kWrite, err);
  }
  return true;
}

bool CreateExclusive(const std::string& path, const NewFileContent& content) {
  Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
  if (!fd.ok()) {
    if (errno == EEXIST) return false;
    throw Failure(path, WriteStep::kCreate, errno);
  }
  int err = 0;
  try {
    err = content(fd.get());
  } catch (...) {
    ::unlink(path.c_str());
    throw;
  }
  if (const int close_err = fd.Close(); err == 0) err = close_err;
  if (err != 0) {
    ::unlink(path.c_str());
    throw Failure(path, WriteStep::kWrite, err);
  }
  return true;
}

// Names the written temporary; nullopt when this file system cannot do it
// this way.
std::optional<bool> GiveName(const std::string& temp, const std::string& path, NamingWay how) {
  if (how == NamingWay::kRenameNoReplace) {
    if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno == EEXIST) return false;
    if (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) return std::nullopt;
  } else {
    if (::link(temp.c_str(), path.c_str()) == 0) {
      ::unlink(temp.c_str());
      return true;
    }
    if (errno == EEXIST) return false;
    if (errno == EPERM || errno == EOPNOTSUPP || errno == ENOSYS || errno == EXDEV) return std::nullopt;
  }
  throw Failure(path, WriteStep::kCreate, errno);
}

bool CreateNamed(const std::string& path, const NewFileContent& content) {
  std::string temp_path;
  Fd fd(OpenTemporary(path, temp_path));
  try {
    if (const int err = content(fd.get())) throw Failure(path, WriteStep::kWrite, err);
    std::optional<bool> named;
    while (!named) {
      const NamingWay how = naming;
      if (how == NamingWay::kExclusiveCreate) {
        ::unlink(temp_path.c_str());
        return CreateExclusive(path, content);
      }
      named = GiveName(temp_path, path, how);
      if (!named) naming = how == NamingWay::kRenameNoReplace ? NamingWay::kLink : NamingWay::kExclusiveCreate;
    }
    if (!*named) {
      ::unlink(temp_path.c_str());
      return false;
    }
    if (const int err = fd.Close()) {
      ::unlink(path.c_str());
      throw Failure(path, WriteStep::kWrite, err);
    }
    return true;
  } catch (...) {
    ::unlink(temp_path.c_str());
    throw;
  }
}

}  // namespace

void StartNamingFrom(NamingWay way) {
  unnamed_files_work = way == NamingWay::kUnnamedFile;
  naming = way == NamingWay::kUnnamedFile ? NamingWay::kRenameNoReplace : way;
}

bool CreateNewFile(const std::string& path, const NewFileContent& content) {
  if (unnamed_files_work) {
    if (const std::optional<bool> created = CreateUnnamed(path, content)) return *created;
  }
  return CreateNamed(path, content);
}

bool CreateNewFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  return CreateNewFile(path, [bytes](int fd) { return WriteAll(fd, bytes); });
}

NewFileContent CopyOf(int source_fd, std::uint64_t offset, std::uint64_t length) {
  return [=](int fd) {
    // In the kernel where it can: from one file to another, or by splicing
    // across file systems; through a buffer where neither works.
    auto in = static_cast<off_t>(offset);
    std::uint64_t left = length;
    bool by_range = true;
    bool by_splice = true;
    while (left > 0) {
      const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(left, 1u << 30));
      ssize_t n = -1;
      if (by_range) {
        n = ::copy_file_range(source_fd, &in, fd, nullptr, chunk, 0);
        if (n < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP || errno == EBADF)) {
          by_range = false;
          continue;
        }
      } else if (by_splice) {
        n = ::sendfile(fd, source_fd, &in, chunk);
        if (n < 0 && (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
          by_splice = false;
          continue;
        }
      } else {
        std::uint8_t buffer[1 << 16];
        n = ::pread(source_fd, buffer, std::min(chunk, sizeof buffer), in);
        if (n > 0) {
          if (const int err = WriteAll(fd, std::span(buffer, static_cast<std::size_t>(n)))) return err;
          in += n;
        }
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return errno;
      if (n == 0) throw ReadError();  // the source shrank
      left -= static_cast<std::uint64_t>(n);
    }
    return 0;
  };
}

void ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  std::string temp_path;
  Fd fd(OpenTemporary(path, temp_path));
  int err = WriteAll(fd.get(), bytes);
  // rename puts the file in place of a link, never at the link's target.
  if (err == 0 && ::rename(temp_path.c_str(), path.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlink(temp_path.c_str());
    throw Failure(path, WriteStep::kWrite, err);
  }
  if ((err = fd.Close()) != 0) throw Failure(path, WriteStep::kWrite, err);
}

bool NameTaken(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

bool IsTemporaryName(std::string_view name) {
  return name.size() > kTemporaryPrefix.size() + kTemporarySuffix.size() && name.starts_with(kTemporaryPrefix) &&
         name.ends_with(kTemporarySuffix);
}

void RemoveLeftovers(const std::string& folder) {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  while (const dirent* d = ::readdir(dir)) {
    if (!IsTemporaryName(d->d_name)) continue;
    Fd fd(::openat(::dirfd(dir), d->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!fd.ok() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    const bool older = st.st_mtim.tv_sec < now.tv_sec ||
                       (st.st_mtim.tv_sec == now.tv_sec && st.st_mtim.tv_nsec < now.tv_nsec);
    // A run still writing holds its temporary locked.
    if (older && ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) ::unlinkat(::dirfd(dir), d->d_name, 0);
  }
  ::closedir(dir);
}

}  // namespace gd::posix
