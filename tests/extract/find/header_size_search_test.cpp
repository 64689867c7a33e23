// The vectorised search for header sizes against looking at every offset, on
// bytes where sizes, zeros and near misses are common.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "extract/find/byte_search.h"
#include "extract/find/header_size_search.h"

namespace gd {
namespace {

std::size_t EveryOffset(const std::vector<std::uint8_t>& d, std::size_t pos) {
  for (std::size_t p = pos; p + 4 <= d.size(); ++p) {
    const std::uint8_t b = d[p];
    const bool size = b == 12 || (b >= 16 && b <= 64) || b == 108 || b == 124;
    if (size && d[p + 1] == 0 && d[p + 2] == 0 && d[p + 3] == 0) return p;
  }
  return kNoMatch;
}

TEST(FindHeaderSize, FindsWhatLookingAtEveryOffsetFinds) {
  // Sizes (and near misses) with three zeros after them, lone zeros and
  // zero pairs, scattered thinly or thickly over non-zero filler, so that
  // they fall on every offset of the vector blocks with and without others
  // near them.
  const std::uint8_t sizes[] = {11, 12, 13, 15, 16, 40, 64, 65, 107, 108, 124, 125};
  std::mt19937 rng(16);
  for (int round = 0; round < 2000; ++round) {
    std::vector<std::uint8_t> data(rng() % 700, 0x55);
    const std::size_t marks = rng() % 6;
    for (std::size_t i = 0; i < marks && data.size() >= 4; ++i) {
      const std::size_t at = rng() % (data.size() - 3);
      switch (rng() % 3) {
        case 0: data[at] = sizes[rng() % std::size(sizes)]; data[at + 1] = data[at + 2] = data[at + 3] = 0; break;
        case 1: data[at] = data[at + 1] = 0; break;
        default: data[at] = 0; break;
      }
    }
    for (std::size_t pos = 0; pos <= data.size(); pos += 1 + rng() % 61) {
      ASSERT_EQ(FindHeaderSize(data, pos), EveryOffset(data, pos)) << "round " << round << ", from " << pos;
    }
  }
}

}  // namespace
}  // namespace gd
