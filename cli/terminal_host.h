#pragma once
// The engine's user interface on a terminal: one self-updating progress line
// on stderr, messages on stderr, Ctrl-C as Cancel.

#include <chrono>
#include <cstdint>
#include <string>

#include "cli/language.h"
#include "extract/run/ui_sinks.h"

namespace gd::cli {

class TerminalHost final : public StatusSink, public ProgressSink, public MessageSink, public FileProgressSink {
 public:
  explicit TerminalHost(bool show_progress, Language language = Language::kJapanese);
  ~TerminalHost() override;
  TerminalHost(const TerminalHost&) = delete;
  TerminalHost& operator=(const TerminalHost&) = delete;

  void ShowStatus(const std::string& path) override;
  void SetCount(int n) override;
  bool IsCancelled() override;
  void ShowMessage(const std::string& text) override;
  void ShowFileProgress(std::uint64_t done, std::uint64_t total) override;

  // Clears the progress line, so that what follows starts on a clean line.
  void Finish();

 private:
  void Draw(bool force);

  bool show_progress_;
  Language language_;
  bool line_shown_ = false;
  int count_ = 0;
  int percent_ = -1;  // through the file in hand; -1 when not told
  std::string path_;
  std::chrono::steady_clock::time_point last_draw_{};
};

// The line "<count>枚 | <path>", or "<count>枚 | <percent>% | <path>" for a
// large file, with the path cut from the left to fit columns - 1 cells. In
// English the count reads "<count> images".
std::string ProgressLine(int count, const std::string& path, int columns, int percent = -1,
                         Language language = Language::kJapanese);

}  // namespace gd::cli
