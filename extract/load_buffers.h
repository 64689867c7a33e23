#pragma once
// Memory for whole-file loads, kept from one file to the next. Fresh memory
// costs a page fault and a cleared page for every 4 KiB on first touch, more
// than reading the file itself; a buffer that has been used before costs
// neither. It grows to the largest file loaded, which is what a run holds at
// its peak anyway.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "extract/file_system.h"

namespace gd {

class LoadBuffers {
 public:
  LoadBuffers() = default;
  LoadBuffers(const LoadBuffers&) = delete;
  LoadBuffers& operator=(const LoadBuffers&) = delete;

  // size bytes of writable storage, not cleared. While the result lives the
  // storage is its own; afterwards it comes back here for the next load.
  // The LoadBuffers must outlive the result. Throws OutOfMemoryError.
  FileBytes Take(std::size_t size);

 private:
  class Loan;
  void Return(std::unique_ptr<std::uint8_t[]> buffer, std::size_t capacity);

  std::unique_ptr<std::uint8_t[]> spare_;
  std::size_t capacity_ = 0;
};

}  // namespace gd
