#pragma once
// The largest single block the GIF codec asks for. A GIF declares its image
// sizes in a few bytes; without a ceiling a tiny hostile file could make the
// program reserve gigabytes. Anything larger is refused with
// ENotEnoughMemory, the same error as a failed allocation.

#include <cstddef>

namespace gd {

// 1 GiB by default: a 32768 × 32768 image still loads.
std::size_t MaxGifAllocation();
void SetMaxGifAllocation(std::size_t bytes);

}  // namespace gd
