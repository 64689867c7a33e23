#include "extract/write_failure.h"

#include <utility>

#include "extract/messages.h"

namespace gd {

OutputWriteError::OutputWriteError(std::string file, WriteStep step, WriteFailureReason reason,
                                   std::string system_text, int written_before)
    : ExtractError(OutputWriteFailedMessage(file, step == WriteStep::kCreate,
                                            WriteFailureReasonText(reason, system_text), written_before)),
      file_(std::move(file)),
      step_(step),
      reason_(reason),
      system_text_(std::move(system_text)),
      written_before_(written_before) {}

}  // namespace gd
