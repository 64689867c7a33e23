#pragma once
// Zeroed blocks of memory for image-sized buffers: the file being read, the
// image data, the pixel matrix, the bitmap being built. A block of a
// megabyte or more is mapped whole from the system where it can be, in
// 2 MiB-aligned runs that the kernel may back with huge pages: on a fresh
// 4 KiB page the first touch costs a fault, and on virtual machines such a
// fault can cost more than decoding the pixels on it. Smaller blocks, other
// systems and sanitizer builds (whose checks only see the heap) use calloc.

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace gd {

// size zeroed bytes, or null when memory cannot be had. Free with
// FreeBigBlock and the same size.
void* AllocateBigBlock(std::size_t size) noexcept;
void FreeBigBlock(void* block, std::size_t size) noexcept;

// For containers of image-sized buffers.
template <class T>
struct BigBlockAllocator {
  using value_type = T;
  BigBlockAllocator() = default;
  template <class U>
  BigBlockAllocator(const BigBlockAllocator<U>&) noexcept {}

  T* allocate(std::size_t n) {
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
    void* p = AllocateBigBlock(n * sizeof(T));
    if (p == nullptr) throw std::bad_alloc();
    return static_cast<T*>(p);
  }
  void deallocate(T* p, std::size_t n) noexcept { FreeBigBlock(p, n * sizeof(T)); }

  template <class U>
  bool operator==(const BigBlockAllocator<U>&) const noexcept {
    return true;
  }
};

using ByteVector = std::vector<std::uint8_t, BigBlockAllocator<std::uint8_t>>;

}  // namespace gd
