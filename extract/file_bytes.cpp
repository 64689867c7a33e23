#include <new>

#include "extract/errors.h"
#include "extract/file_system.h"

namespace gd {

FileBytes::FileBytes(std::size_t size) : size_(size) {
  if (size == 0) return;
  // Not value-initialised: the loader overwrites every byte, and clearing a
  // file-sized buffer first would cost a second pass over memory.
  data_.reset(new (std::nothrow) std::uint8_t[size]);
  if (!data_) throw OutOfMemoryError();
}

}  // namespace gd
