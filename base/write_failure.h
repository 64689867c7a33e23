#pragma once
// A file that could not be written: which one, at which step, and why. The
// file services throw it; a run words it for the user together with the
// images written before it (OutputWriteFailedMessage in the engine's texts).

#include <string>
#include <utility>

#include "base/errors.h"

namespace gd {

enum class WriteStep { kCreate, kWrite };

enum class WriteFailureReason {
  kDiskFull,
  kPermissionDenied,
  kReadOnly,
  kNameTooLong,
  kOther,  // the system's own text says why
};

class OutputWriteError : public ExtractError {
 public:
  // Told as the system tells it, until a run words it for the user.
  OutputWriteError(std::string file, WriteStep step, WriteFailureReason reason, std::string system_text)
      : ExtractError(file + ": " + system_text),
        file_(std::move(file)),
        step_(step),
        reason_(reason),
        system_text_(std::move(system_text)) {}
  // The same failure, in the words the user is shown.
  OutputWriteError(const OutputWriteError& failure, const std::string& text)
      : ExtractError(text),
        file_(failure.file_),
        step_(failure.step_),
        reason_(failure.reason_),
        system_text_(failure.system_text_) {}

  const std::string& file() const { return file_; }
  WriteStep step() const { return step_; }
  WriteFailureReason reason() const { return reason_; }
  const std::string& system_text() const { return system_text_; }

 private:
  std::string file_;
  WriteStep step_;
  WriteFailureReason reason_;
  std::string system_text_;
};

}  // namespace gd
