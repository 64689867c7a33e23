#pragma once
// A file that could not be written: which one, at which step, and why, in
// words the user understands. Thrown by the file services; the run adds how
// many images it had written before it stopped.

#include <string>

#include "extract/errors.h"

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
  // written_before < 0: not known yet (the file services do not count).
  OutputWriteError(std::string file, WriteStep step, WriteFailureReason reason, std::string system_text,
                   int written_before = -1);

  // The same failure, told with the images a run wrote before it.
  OutputWriteError After(int written_before) const {
    return OutputWriteError(file_, step_, reason_, system_text_, written_before);
  }

  const std::string& file() const { return file_; }
  WriteStep step() const { return step_; }
  WriteFailureReason reason() const { return reason_; }
  int written_before() const { return written_before_; }

 private:
  std::string file_;
  WriteStep step_;
  WriteFailureReason reason_;
  std::string system_text_;
  int written_before_;
};

}  // namespace gd
