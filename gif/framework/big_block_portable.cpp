// Systems without a POSIX mapping service take every block from the heap.

#include <cstdlib>

#include "gif/framework/big_block.h"

namespace gd {

void* AllocateBigBlock(std::size_t size) noexcept { return std::calloc(size == 0 ? 1 : size, 1); }

void FreeBigBlock(void* block, std::size_t) noexcept { std::free(block); }

}  // namespace gd
