#pragma once
// What the engine asks of the user interface during a run. The Windows program
// implements these with its main and progress windows, the command-line tool
// with the terminal, the tests with recording fakes.

#include <cstdint>
#include <string>

namespace gd {

// The main window's status line: the file about to be examined.
class StatusSink {
 public:
  virtual ~StatusSink() = default;
  virtual void ShowStatus(const std::string& path) = 0;
};

// The progress window: the running count of images written, and Cancel.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  // Shows n as the number of images written so far, at once.
  virtual void SetCount(int n) = 0;
  // Lets pending user input run, then tells whether Cancel was pressed since
  // the run began.
  virtual bool IsCancelled() = 0;
};

// A plain modal message (title "グリマーディグ", no icon, one button "OK").
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void ShowMessage(const std::string& text) = 0;
};

// How far through the file in hand a run is. Told between the windows of a
// large file only.
class FileProgressSink {
 public:
  virtual ~FileProgressSink() = default;
  virtual void ShowFileProgress(std::uint64_t done, std::uint64_t total) = 0;
};

}  // namespace gd
