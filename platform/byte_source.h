#pragma once
// Random access to a source's bytes by position. The scanner searches a file
// through bounded windows; whatever needs the bytes of one image (the writers,
// the carvers, the pixel decoder) reads them from here by position, so an
// image may be larger than any window and may cross window edges.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace gd {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Copies min(out.size(), Size() - offset) bytes from offset into out and
  // returns that count (0 at or past the end). Throws ReadError when the
  // bytes cannot be read.
  virtual std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
  // All the bytes, when they already lie in memory: readers then use them
  // in place instead of copying them into windows.
  virtual std::optional<std::span<const std::uint8_t>> InMemory() const { return std::nullopt; }
};

}  // namespace gd
