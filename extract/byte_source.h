#pragma once
// Random access to a source's bytes by position. The scanner searches a file
// through bounded windows; whatever needs the bytes of one image (the writers,
// the carvers, the pixel decoder) reads them from here by position, so an
// image may be larger than any window and may cross window edges.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

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

// Bytes already in memory.
class SpanSource final : public ByteSource {
 public:
  explicit SpanSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    if (offset >= bytes_.size()) return 0;
    const std::size_t n = std::min<std::uint64_t>(out.size(), bytes_.size() - offset);
    if (n != 0) std::memcpy(out.data(), bytes_.data() + offset, n);
    return n;
  }
  std::optional<std::span<const std::uint8_t>> InMemory() const override { return bytes_; }

 private:
  std::span<const std::uint8_t> bytes_;
};

}  // namespace gd
