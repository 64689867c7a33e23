// Three kinds of block. Small ones come from the heap. Blocks of a megabyte
// or more get a mapping of their own, in whole 2 MiB runs. Those between are
// carved one after another out of shared 2 MiB chunks (an animation's frames
// are such blocks, dozens of them); a chunk goes back to the system when its
// last block is freed. Mappings are advised to use huge pages.

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "gif/framework/big_block.h"

namespace gd {

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kHeapOnly = true;  // the sanitizer's checks only see the heap
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kHeapOnly = true;
#else
constexpr bool kHeapOnly = false;
#endif
#else
constexpr bool kHeapOnly = false;
#endif

constexpr std::size_t kHuge = std::size_t{2} << 20;
constexpr std::size_t kCarvedFrom = std::size_t{16} << 10;  // blocks from this size on are carved from chunks
constexpr std::size_t kMappedFrom = std::size_t{1} << 20;   // blocks from this size on are mapped alone
constexpr std::size_t kAlign = 64;

enum class Kind { kHeap, kCarved, kMapped };

Kind KindOf(std::size_t size) {
  if (kHeapOnly || size < kCarvedFrom) return Kind::kHeap;
  return size < kMappedFrom ? Kind::kCarved : Kind::kMapped;
}

std::size_t WholeRuns(std::size_t size) { return (size + kHuge - 1) / kHuge * kHuge; }

// length bytes (whole runs) at a 2 MiB boundary, or null.
void* MapRuns(std::size_t length) {
  // Map one run more than needed and trim it to the boundary.
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

// A chunk starts with this header; its blocks follow.
struct Chunk {
  std::size_t live;  // blocks not yet freed
  std::size_t used;  // bytes carved so far, header included
  std::size_t dirty; // bytes that have held blocks since the chunk was mapped
};

constexpr std::size_t kHeader = (sizeof(Chunk) + kAlign - 1) / kAlign * kAlign;

class Chunks {
 public:
  void* Allocate(std::size_t size) {
    const std::size_t length = (size + kAlign - 1) / kAlign * kAlign;
    const std::lock_guard<std::mutex> lock(mutex_);
    if (current_ == nullptr || kHuge - current_->used < length) {
      auto* chunk = static_cast<Chunk*>(MapRuns(kHuge));
      if (chunk == nullptr) return nullptr;
      *chunk = Chunk{0, kHeader, kHeader};
      Retire(current_);
      current_ = chunk;
    }
    auto* block = reinterpret_cast<std::uint8_t*>(current_) + current_->used;
    // A chunk that was emptied and reused hands out bytes that held blocks.
    if (current_->used < current_->dirty) std::memset(block, 0, std::min(length, current_->dirty - current_->used));
    current_->used += length;
    current_->dirty = std::max(current_->dirty, current_->used);
    ++current_->live;
    return block;
  }

  void Free(void* block) {
    auto* chunk = reinterpret_cast<Chunk*>(reinterpret_cast<std::uintptr_t>(block) / kHuge * kHuge);
    const std::lock_guard<std::mutex> lock(mutex_);
    if (--chunk->live != 0) return;
    if (chunk == current_) {
      chunk->used = kHeader;  // keep it, start over
    } else {
      munmap(chunk, kHuge);
    }
  }

 private:
  // The chunk stops taking blocks; it goes once its blocks have.
  static void Retire(Chunk* chunk) {
    if (chunk != nullptr && chunk->live == 0) munmap(chunk, kHuge);
  }

  std::mutex mutex_;
  Chunk* current_ = nullptr;
};

// Never destroyed: blocks may be freed by other objects' destructors at exit.
Chunks& SharedChunks() {
  static Chunks* const chunks = new Chunks;
  return *chunks;
}

}  // namespace

void* AllocateBigBlock(std::size_t size) noexcept {
  switch (KindOf(size)) {
    case Kind::kHeap:
      return std::calloc(size == 0 ? 1 : size, 1);
    case Kind::kCarved:
      return SharedChunks().Allocate(size);
    case Kind::kMapped:
      if (size > static_cast<std::size_t>(-1) - 2 * kHuge) return nullptr;
      return MapRuns(WholeRuns(size));
  }
  return nullptr;
}

void FreeBigBlock(void* block, std::size_t size) noexcept {
  if (block == nullptr) return;
  switch (KindOf(size)) {
    case Kind::kHeap:
      std::free(block);
      return;
    case Kind::kCarved:
      SharedChunks().Free(block);
      return;
    case Kind::kMapped:
      munmap(block, WholeRuns(size));
      return;
  }
}

}  // namespace gd
