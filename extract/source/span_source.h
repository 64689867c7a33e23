#pragma once
// A source whose bytes already lie in memory: tests, fuzzers and callers that
// hold a whole file.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>

#include "platform/byte_source.h"

namespace gd {

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
