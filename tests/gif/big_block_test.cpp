#include "gif/framework/big_block.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace gd {
namespace {

bool AllZero(const void* block, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(block);
  return std::all_of(p, p + size, [](std::uint8_t b) { return b == 0; });
}

// Sizes of every kind: from the heap, carved from shared chunks, mapped alone.
const std::size_t kSizes[] = {0, 100, 16 << 10, 300 << 10, (1 << 20) - 1, 1 << 20, (3 << 20) + 5};

TEST(BigBlock, BlocksComeZeroedAlsoWhenTheirMemoryWasUsedBefore) {
  for (int round = 0; round < 3; ++round) {
    std::vector<void*> blocks;
    for (std::size_t size : kSizes) {
      void* block = AllocateBigBlock(size);
      ASSERT_NE(block, nullptr) << size;
      EXPECT_TRUE(AllZero(block, size)) << size << " in round " << round;
      std::memset(block, 0xAB, size);
      blocks.push_back(block);
    }
    // Freed in another order than allocated; the next round reuses the space.
    for (std::size_t i = blocks.size(); i-- > 0;) FreeBigBlock(blocks[i], kSizes[i]);
  }
}

TEST(BigBlock, ManyMediumBlocksLiveSideBySide) {
  // More than one chunk's worth, each block still holding its own bytes
  // after its neighbours were freed.
  std::vector<std::uint8_t*> blocks;
  const std::size_t size = 200 << 10;
  for (int i = 0; i < 40; ++i) {
    auto* block = static_cast<std::uint8_t*>(AllocateBigBlock(size));
    ASSERT_NE(block, nullptr);
    std::memset(block, i, size);
    blocks.push_back(block);
  }
  for (std::size_t i = 0; i < blocks.size(); i += 2) FreeBigBlock(blocks[i], size);
  for (std::size_t i = 1; i < blocks.size(); i += 2) {
    EXPECT_TRUE(std::all_of(blocks[i], blocks[i] + size, [&](std::uint8_t b) { return b == i; })) << i;
    FreeBigBlock(blocks[i], size);
  }
}

TEST(BigBlock, ByteVectorGrowsAcrossEveryKind) {
  ByteVector bytes;
  for (std::size_t i = 0; i < (5u << 20); ++i) bytes.push_back(static_cast<std::uint8_t>(i * 7));
  for (std::size_t i = 0; i < bytes.size(); i += 4099) ASSERT_EQ(bytes[i], static_cast<std::uint8_t>(i * 7)) << i;
}

}  // namespace
}  // namespace gd
