#pragma once
// Reads GIF LZW codes, least significant bit first, from the image data as
// one run of bytes across sub-block boundaries.

#include <cstddef>
#include <cstdint>
#include <span>

#include "base/byte_order.h"

namespace gd {

class LzwCodeReader {
 public:
  explicit LzwCodeReader(std::span<const std::uint8_t> data)
      : next_(data.data()), end_(data.data() + data.size()) {}

  // Reads the next code of width bits (1 to 12) into code. False, with
  // nothing consumed, when the data holds fewer bits than that: the data has
  // ended.
  bool ReadCode(unsigned width, unsigned& code) {
    if (count_ < width) {
      Refill();
      if (count_ < width) return false;
    }
    code = static_cast<unsigned>(bits_ & ((1u << width) - 1u));
    bits_ >>= width;
    count_ -= width;
    return true;
  }

 private:
  void Refill() {
    if (end_ - next_ >= 8) {
      // Whole word at once: take as many bytes as fit above the bits held.
      const std::uint64_t word = static_cast<std::uint64_t>(LeReader::Le32(next_)) |
                                 (static_cast<std::uint64_t>(LeReader::Le32(next_ + 4)) << 32);
      bits_ |= word << count_;
      next_ += (63 - count_) >> 3;
      count_ |= 56;
      return;
    }
    while (count_ <= 56 && next_ != end_) {
      bits_ |= static_cast<std::uint64_t>(*next_++) << count_;
      count_ += 8;
    }
  }

  const std::uint8_t* next_;
  const std::uint8_t* end_;
  std::uint64_t bits_ = 0;
  unsigned count_ = 0;
};

}  // namespace gd
