#include "extract/find/header_size_search.h"

#include <algorithm>

#include "extract/find/byte_search.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace gd {

namespace {

constexpr bool IsHeaderSize(std::uint8_t b) { return b == 12 || (b >= 16 && b <= 64) || b == 108 || b == 124; }

// Looks at every offset from pos; SSE2 takes 16 of them at a time.
std::size_t FindExactly(std::span<const std::uint8_t> bytes, std::size_t pos) {
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

}  // namespace

std::size_t FindHeaderSize(std::span<const std::uint8_t> bytes, std::size_t pos) {
#if defined(__SSE2__)
  // The three zero bytes after a size hold a zero 16-bit pair at an even
  // distance from pos (one of their two pairs is). In most data such pairs
  // are rare, so blocks without one are passed over at the speed of the
  // plain header search; a block with one is looked at byte by byte, from
  // the two offsets before it on (a size whose pair lies in this block).
  const std::uint8_t* data = bytes.data();
  const std::size_t size = bytes.size();
  const __m128i zero = _mm_setzero_si128();
  const auto lanes = [&](std::size_t p) {
    return _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p)), zero);
  };
  const std::size_t from = pos;
  while (pos <= size && size - pos >= 128) {
    const __m128i a =
        _mm_or_si128(_mm_or_si128(lanes(pos), lanes(pos + 16)), _mm_or_si128(lanes(pos + 32), lanes(pos + 48)));
    const __m128i b =
        _mm_or_si128(_mm_or_si128(lanes(pos + 64), lanes(pos + 80)), _mm_or_si128(lanes(pos + 96), lanes(pos + 112)));
    if (_mm_movemask_epi8(_mm_or_si128(a, b)) != 0) {
      const std::size_t start = pos - from >= 2 ? pos - 2 : from;
      const std::size_t at = FindExactly(bytes.first(std::min(size, pos + 128 + 3)), start);
      if (at != kNoMatch) return at;
    }
    pos += 128;
  }
  return FindExactly(bytes, pos - from >= 2 ? pos - 2 : from);
#else
  return FindExactly(bytes, pos);
#endif
}

}  // namespace gd
