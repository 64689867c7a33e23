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

std::size_t FindSignatureStart(std::span<const std::uint8_t> bytes, std::size_t pos) {
  const std::uint8_t* data = bytes.data();
  const std::size_t size = bytes.size();
#if defined(__SSE2__)
  // Pairs, not single bytes: 0x89 alone is among the commonest bytes of
  // x86 code, and checking every one of them would cost more than the search.
  const __m128i png0 = _mm_set1_epi8(static_cast<char>(0x89));
  const __m128i png1 = _mm_set1_epi8('P');
  const __m128i gif0 = _mm_set1_epi8('G');
  const __m128i gif1 = _mm_set1_epi8('I');
  const __m128i jpeg0 = _mm_set1_epi8(static_cast<char>(0xFF));
  const __m128i jpeg1 = _mm_set1_epi8(static_cast<char>(0xD8));
  while (pos <= size && size - pos >= 17) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + pos));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + pos + 1));
    const __m128i png = _mm_and_si128(_mm_cmpeq_epi8(a, png0), _mm_cmpeq_epi8(b, png1));
    const __m128i gif = _mm_and_si128(_mm_cmpeq_epi8(a, gif0), _mm_cmpeq_epi8(b, gif1));
    const __m128i jpeg = _mm_and_si128(_mm_cmpeq_epi8(a, jpeg0), _mm_cmpeq_epi8(b, jpeg1));
    if (const int m = _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(png, gif), jpeg)); m != 0) {
      return pos + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(m)));
    }
    pos += 16;
  }
#endif
  for (; pos < size && size - pos >= 2; ++pos) {
    if ((data[pos] == 0x89 && data[pos + 1] == 'P') || (data[pos] == 'G' && data[pos + 1] == 'I') ||
        (data[pos] == 0xFF && data[pos + 1] == 0xD8))
      return pos;
  }
  return kNoMatch;
}

}  // namespace gd
