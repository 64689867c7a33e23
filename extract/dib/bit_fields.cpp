#include "extract/dib/bit_fields.h"

#include <bit>

namespace gd {

namespace {

bool IsOneRun(std::uint32_t mask) {
  if (mask == 0) return false;
  const std::uint32_t shifted = mask >> std::countr_zero(mask);
  return (shifted & (shifted + 1)) == 0;
}

}  // namespace

bool AreUsableMasks(const std::array<std::uint32_t, 4>& masks, int bits) {
  const std::uint64_t room = bits >= 32 ? 0xFFFFFFFFu : (std::uint64_t{1} << bits) - 1;
  std::uint32_t seen = 0;
  for (std::size_t i = 0; i < masks.size(); ++i) {
    const std::uint32_t m = masks[i];
    if (m == 0 && i == 3) continue;
    if (!IsOneRun(m) || m > room || (seen & m) != 0) return false;
    seen |= m;
  }
  return true;
}

ChannelScale::ChannelScale(std::uint32_t mask)
    : mask_(mask),
      shift_(mask == 0 ? 0 : std::countr_zero(mask)),
      width_(std::popcount(mask)),
      max_(mask == 0 ? 1 : (std::uint64_t{1} << std::popcount(mask)) - 1) {}

std::array<std::uint32_t, 4> DefaultMasks(int bits) {
  if (bits == 16) return {0x7C00, 0x03E0, 0x001F, 0};
  if (bits == 32) return {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
  return {0xFF0000, 0xFF00, 0xFF, 0};
}

}  // namespace gd
