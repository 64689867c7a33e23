#pragma once
// A file descriptor with one owner, closed when it goes.

#include <cerrno>

#include <unistd.h>

namespace gd::posix {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  // Hands the descriptor over; it is no longer closed here.
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes now; the errno of a failed close, 0 otherwise. Late write errors
  // of network file systems show here.
  int Close() {
    const int fd = release();
    return fd >= 0 && ::close(fd) != 0 ? errno : 0;
  }

 private:
  int fd_;
};

}  // namespace gd::posix
