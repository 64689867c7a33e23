// The every-image search's vectorised pass against looking at every offset,
// on bytes where header sizes, zeros, planes fields, signatures and near
// misses of each are common.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "extract/dib/dib_versions.h"
#include "extract/find/candidate_search.h"

namespace gd {
namespace {

std::size_t EveryOffset(const std::vector<std::uint8_t>& d, std::size_t pos) {
  for (std::size_t p = pos; p + kCandidateBytes <= d.size(); ++p) {
    if (IsCandidate(d.data() + p)) return p;
  }
  return kNoMatch;
}

TEST(FindCandidate, HeaderSizesAreThoseOfTheHeaderRules) {
  for (int b = 0; b < 256; ++b) {
    std::vector<std::uint8_t> d(64, 0x55);
    d[0] = static_cast<std::uint8_t>(b);
    d[1] = d[2] = d[3] = 0;
    d[PlanesOffset(b) + 0] = 1;
    d[PlanesOffset(b) + 1] = 0;
    const bool expected = IsBitmapHeaderSize(static_cast<std::uint32_t>(b));
    EXPECT_EQ(IsCandidate(d.data()), expected) << b;
    for (const VectorWidth width : {VectorWidth::kBest, VectorWidth::kAtMost32, VectorWidth::kBaseline}) {
      d[PlanesOffset(b)] = 1;
      EXPECT_EQ(FindCandidate(d, 0, width) == 0, expected) << b;
      d[PlanesOffset(b)] = 2;
      EXPECT_NE(FindCandidate(d, 0, width), 0u) << b << " with planes 2";
    }
  }
}

TEST(FindCandidate, FindsWhatLookingAtEveryOffsetFinds) {
  // Headers (and near misses: sizes beside the valid ones, planes 1 at the
  // other size's place), signature pairs and halves of them, lone zeros and
  // zero pairs, scattered thinly or thickly over filler, so that they fall
  // on every offset of the vector blocks with and without others near them.
  const std::uint8_t sizes[] = {11, 12, 13, 14, 16, 40, 41, 42, 46, 64, 65, 68, 107, 108, 124, 125};
  const std::uint8_t pairs[][2] = {{0x89, 'P'}, {'G', 'I'}, {0xFF, 0xD8}, {0x89, 'I'}, {0xFF, 'P'}, {'G', 0xD8}};
  std::mt19937 rng(16);
  for (int round = 0; round < 3000; ++round) {
    std::vector<std::uint8_t> data(rng() % 700, 0x55);
    const std::size_t marks = rng() % 8;
    for (std::size_t i = 0; i < marks && data.size() >= kCandidateBytes; ++i) {
      const std::size_t at = rng() % (data.size() - kCandidateBytes + 1);
      switch (rng() % 4) {
        case 0: {
          data[at] = sizes[rng() % std::size(sizes)];
          data[at + 1] = data[at + 2] = data[at + 3] = 0;
          const std::size_t planes = at + (rng() % 2 ? 8 : 12);
          data[planes] = 1;
          data[planes + 1] = rng() % 4 == 0 ? 1 : 0;
          break;
        }
        case 1: {
          const auto& pair = pairs[rng() % std::size(pairs)];
          data[at] = pair[0];
          data[at + 1] = pair[1];
          break;
        }
        case 2: data[at] = data[at + 1] = 0; break;
        default: data[at] = 0; break;
      }
    }
    for (std::size_t pos = 0; pos <= data.size(); pos += 1 + rng() % 61) {
      const std::size_t expected = EveryOffset(data, pos);
      ASSERT_EQ(FindCandidate(data, pos), expected) << "round " << round << ", from " << pos;
      ASSERT_EQ(FindCandidate(data, pos, VectorWidth::kAtMost32), expected) << "round " << round << ", from " << pos;
      ASSERT_EQ(FindCandidate(data, pos, VectorWidth::kBaseline), expected) << "round " << round << ", from " << pos;
    }
  }
}

}  // namespace
}  // namespace gd
