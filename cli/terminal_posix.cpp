#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>

#include "cli/terminal.h"

namespace gd::cli {

namespace {

volatile sig_atomic_t g_interrupted = 0;

void OnInterrupt(int) {
  if (g_interrupted) _exit(130);
  g_interrupted = 1;
}

void WriteFd(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(n));
  }
}

}  // namespace

void WriteOut(std::string_view utf8) {
  std::fflush(stdout);
  WriteFd(STDOUT_FILENO, utf8);
}
void WriteErr(std::string_view utf8) { WriteFd(STDERR_FILENO, utf8); }

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

int StderrColumns() {
  winsize ws{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
  return 80;
}

void InstallInterruptHandler() {
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sigemptyset(&sa.sa_mask);
  ::sigaction(SIGINT, &sa, nullptr);
}

bool Interrupted() { return g_interrupted != 0; }

}  // namespace gd::cli
