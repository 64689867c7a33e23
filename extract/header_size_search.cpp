#include "extract/header_size_search.h"

#include "extract/byte_search.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace gd {

namespace {

constexpr bool IsHeaderSize(std::uint8_t b) { return b == 12 || (b >= 16 && b <= 64) || b == 108 || b == 124; }

}  // namespace

std::size_t FindHeaderSize(std::span<const std::uint8_t> bytes, std::size_t pos) {
  const std::uint8_t* data = bytes.data();
  const std::size_t size = bytes.size();
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i k12 = _mm_set1_epi8(12);
  const __m128i k16 = _mm_set1_epi8(16);
  const __m128i k48 = _mm_set1_epi8(48);
  const __m128i k108 = _mm_set1_epi8(108);
  const __m128i k124 = _mm_set1_epi8(124);
  const auto at = [&](std::size_t p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p)); };
  // Three zero bytes after the size come first: in most data they are rare
  // enough that the size itself is seldom looked at.
  while (pos <= size && size - pos >= 19) {
    const __m128i tail = _mm_or_si128(_mm_or_si128(at(pos + 1), at(pos + 2)), at(pos + 3));
    const __m128i zeros = _mm_cmpeq_epi8(tail, zero);
    if (_mm_movemask_epi8(zeros) != 0) {
      const __m128i a = at(pos);
      const __m128i from16 = _mm_sub_epi8(a, k16);
      __m128i sizes = _mm_cmpeq_epi8(_mm_min_epu8(from16, k48), from16);  // 16..64
      sizes = _mm_or_si128(sizes, _mm_or_si128(_mm_cmpeq_epi8(a, k12), _mm_cmpeq_epi8(a, k108)));
      sizes = _mm_or_si128(sizes, _mm_cmpeq_epi8(a, k124));
      if (const int m = _mm_movemask_epi8(_mm_and_si128(sizes, zeros)); m != 0) {
        return pos + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(m)));
      }
    }
    pos += 16;
  }
#endif
  for (; pos <= size && size - pos >= 4; ++pos) {
    if (IsHeaderSize(data[pos]) && data[pos + 1] == 0 && data[pos + 2] == 0 && data[pos + 3] == 0) return pos;
  }
  return kNoMatch;
}

}  // namespace gd
