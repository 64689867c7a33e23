#pragma once
// Bit-field pixels: which masks describe a pixel, and each channel's value
// scaled to 8 bits by the width of its mask (v × 255 / (2^width − 1), rounded
// down), as independent decoders scale them.

#include <array>
#include <cstdint>

namespace gd {

// Red, green and blue masks each one unbroken run of bits, none empty, no two
// overlapping and all within bits; the alpha mask the same or 0.
bool AreUsableMasks(const std::array<std::uint32_t, 4>& masks, int bits);

class ChannelScale {
 public:
  ChannelScale() = default;
  explicit ChannelScale(std::uint32_t mask);
  bool Empty() const { return mask_ == 0; }
  std::uint8_t operator()(std::uint32_t pixel) const {
    const std::uint32_t v = (pixel & mask_) >> shift_;
    return width_ == 8 ? static_cast<std::uint8_t>(v)
                       : static_cast<std::uint8_t>(std::uint64_t{v} * 255 / max_);
  }

 private:
  std::uint32_t mask_ = 0;
  int shift_ = 0;
  int width_ = 0;
  std::uint64_t max_ = 1;
};

// The masks a pixel of this many bits has without bit fields: 5-5-5 at 16
// bits, 8-8-8 at 24 and 32 (the fourth byte of a 32-bit pixel is its alpha).
std::array<std::uint32_t, 4> DefaultMasks(int bits);

}  // namespace gd
