#pragma once
// The engine's user interface on a terminal: one self-updating progress line
// on stderr, messages on stderr, Ctrl-C as Cancel.

#include <chrono>
#include <string>

#include "extract/host.h"

namespace gd::cli {

class TerminalHost final : public StatusSink, public ProgressSink, public MessageSink {
 public:
  explicit TerminalHost(bool show_progress);
  ~TerminalHost() override;
  TerminalHost(const TerminalHost&) = delete;
  TerminalHost& operator=(const TerminalHost&) = delete;

  void ShowStatus(const std::string& path) override;
  void SetCount(int n) override;
  bool IsCancelled() override;
  void ShowMessage(const std::string& text) override;

  // Clears the progress line, so that what follows starts on a clean line.
  void Finish();

 private:
  void Draw(bool force);

  bool show_progress_;
  bool line_shown_ = false;
  int count_ = 0;
  std::string path_;
  std::chrono::steady_clock::time_point last_draw_{};
};

// The line "<count> | <path>", cut from the left to fit columns - 1 cells.
std::string ProgressLine(int count, const std::string& path, int columns);

}  // namespace gd::cli
