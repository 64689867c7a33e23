#include "gif/allocation_limit.h"

#include <atomic>

namespace gd {

namespace {
std::atomic<std::size_t> g_limit{std::size_t{1} << 30};
}  // namespace

std::size_t MaxGifAllocation() { return g_limit.load(std::memory_order_relaxed); }
void SetMaxGifAllocation(std::size_t bytes) { g_limit.store(bytes, std::memory_order_relaxed); }

}  // namespace gd
