#include "extract/source/source_reading.h"

#include <algorithm>

#include "base/errors.h"

namespace gd {

std::vector<std::uint8_t> AllocateBytes(std::uint64_t size) {
  return WithOutOfMemory([size] { return std::vector<std::uint8_t>(static_cast<std::size_t>(size)); });
}

bool ReadExactly(ByteSource& src, std::uint64_t offset, std::span<std::uint8_t> out) {
  std::size_t done = 0;
  while (done < out.size()) {
    const std::size_t n = src.ReadAt(offset + done, out.subspan(done));
    if (n == 0) return false;
    done += n;
  }
  return true;
}

std::vector<std::uint8_t> ReadRange(ByteSource& src, std::uint64_t offset, std::uint64_t length) {
  const std::uint64_t available = offset < src.Size() ? src.Size() - offset : 0;
  std::vector<std::uint8_t> bytes = AllocateBytes(std::min(length, available));
  if (!ReadExactly(src, offset, bytes)) throw ReadError();
  return bytes;
}

}  // namespace gd
