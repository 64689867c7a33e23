#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

#include "gif/framework/big_block.h"

namespace gd {

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kHeapOnly = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kHeapOnly = true;
#else
constexpr bool kHeapOnly = false;
#endif
#else
constexpr bool kHeapOnly = false;
#endif

constexpr std::size_t kMapped = std::size_t{1} << 20;  // blocks this large are mapped
constexpr std::size_t kHuge = std::size_t{2} << 20;

bool Mapped(std::size_t size) { return !kHeapOnly && size >= kMapped; }

// The mapping's length: whole 2 MiB runs, so that the tail can be a huge
// page too.
std::size_t MappedLength(std::size_t size) { return (size + kHuge - 1) / kHuge * kHuge; }

}  // namespace

void* AllocateBigBlock(std::size_t size) noexcept {
  if (!Mapped(size)) return std::calloc(size == 0 ? 1 : size, 1);
  if (size > static_cast<std::size_t>(-1) - 2 * kHuge) return nullptr;
  const std::size_t length = MappedLength(size);
  // Map one run more than needed and trim it to a 2 MiB boundary.
  void* raw = mmap(nullptr, length + kHuge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto first = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t start = (first + kHuge - 1) / kHuge * kHuge;
  if (start > first) munmap(raw, start - first);
  const std::uintptr_t tail = start + length;
  if (first + length + kHuge > tail) munmap(reinterpret_cast<void*>(tail), first + length + kHuge - tail);
#if defined(MADV_HUGEPAGE)
  madvise(reinterpret_cast<void*>(start), length, MADV_HUGEPAGE);  // only advice: failure changes nothing
#endif
  return reinterpret_cast<void*>(start);
}

void FreeBigBlock(void* block, std::size_t size) noexcept {
  if (block == nullptr) return;
  if (!Mapped(size)) {
    std::free(block);
    return;
  }
  munmap(block, MappedLength(size));
}

}  // namespace gd
