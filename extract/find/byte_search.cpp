#include "extract/find/byte_search.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace gd {

std::size_t FindHeaderMarker(std::span<const std::uint8_t> bytes, std::size_t pos) {
  const std::uint8_t* data = bytes.data();
  const std::size_t size = bytes.size();
#if defined(__SSE2__)
  // Compare 16-bit lanes against 0x0028: every lane starts an even distance
  // from pos, which is exactly the set of offsets the search may look at.
  const __m128i marker = _mm_set1_epi16(0x0028);
  const auto load = [&](std::size_t at) {
    return _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at)), marker);
  };
  while (pos <= size && size - pos >= 128) {
    const __m128i a = _mm_or_si128(_mm_or_si128(load(pos), load(pos + 16)), _mm_or_si128(load(pos + 32), load(pos + 48)));
    const __m128i b =
        _mm_or_si128(_mm_or_si128(load(pos + 64), load(pos + 80)), _mm_or_si128(load(pos + 96), load(pos + 112)));
    if (_mm_movemask_epi8(_mm_or_si128(a, b)) != 0) break;  // the tail loop pins it down
    pos += 128;
  }
  while (pos <= size && size - pos >= 16) {
    if (const int m = _mm_movemask_epi8(load(pos)); m != 0) {
      return pos + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(m)));
    }
    pos += 16;
  }
#endif
  for (; pos <= size && size - pos >= 2; pos += 2) {
    if (data[pos] == 0x28 && data[pos + 1] == 0x00) return pos;
  }
  return kNoMatch;
}

}  // namespace gd
