#include "extract/find/candidate_search.h"

#include <array>

#include "extract/dib/dib_versions.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
// AVX2 and AVX-512 are chosen at run time where the processor has them. Not
// in the Windows build: there the compiler does not keep 32- and 64-byte
// values on the stack aligned.
#if defined(__SSE2__) && defined(__x86_64__) && defined(__GNUC__) && !defined(_WIN32)
#define GD_WIDE_VECTORS 1
#include <immintrin.h>
#endif

namespace gd {

bool IsCandidate(const std::uint8_t* p) {
  const std::uint8_t b = p[0];
  if (IsSignatureStart(b)) {
    return (b == 0x89 && p[1] == 'P') || (b == 'G' && p[1] == 'I') || (b == 0xFF && p[1] == 0xD8);
  }
  if (!IsBitmapHeaderSize(b) || (p[1] | p[2] | p[3]) != 0) return false;
  const std::uint8_t* planes = p + PlanesOffset(b);
  return planes[0] == 1 && planes[1] == 0;
}

#if defined(__SSE2__)
namespace {

// One block of positions at a time, 16 with SSE2, 32 with AVX2 and 64 with
// AVX-512, each written out in its own instructions: all must find the same,
// which the tests hold them to against IsCandidate.

inline __m128i At(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline __m128i Is(__m128i v, int byte) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(byte))); }

// Bit i set when position p + i is a candidate; reads p[0, 16 + 13).
inline unsigned BlockMask(const std::uint8_t* p) {
  const __m128i a = At(p);
  const __m128i next = At(p + 1);
  // Pairs, not single bytes: 0x89 alone is among the commonest bytes of
  // x86 code, and checking every one of them would cost more than the search.
  const __m128i signature = _mm_or_si128(_mm_or_si128(_mm_and_si128(Is(a, 0x89), Is(next, 'P')),
                                                      _mm_and_si128(Is(a, 'G'), Is(next, 'I'))),
                                         _mm_and_si128(Is(a, 0xFF), Is(next, 0xD8)));
  const __m128i zero = _mm_setzero_si128();
  const __m128i high_zero = _mm_cmpeq_epi8(_mm_or_si128(_mm_or_si128(next, At(p + 2)), At(p + 3)), zero);
  const auto found = static_cast<unsigned>(_mm_movemask_epi8(signature));
  if (_mm_movemask_epi8(high_zero) == 0) return found;
  // The header sizes: every multiple of 4 from 12 to 64, and 42, 46, 108
  // and 124 (IsBitmapHeaderSize).
  const __m128i from12 = _mm_sub_epi8(a, _mm_set1_epi8(12));
  const __m128i in_range = _mm_cmpeq_epi8(_mm_min_epu8(from12, _mm_set1_epi8(52)), from12);
  const __m128i fourth = _mm_cmpeq_epi8(_mm_and_si128(a, _mm_set1_epi8(3)), zero);
  __m128i size = _mm_and_si128(in_range, fourth);
  size = _mm_or_si128(size, _mm_or_si128(Is(a, 42), Is(a, 46)));
  size = _mm_or_si128(size, _mm_or_si128(Is(a, 108), Is(a, 124)));
  const __m128i header = _mm_and_si128(size, high_zero);
  if (_mm_movemask_epi8(header) == 0) return found;
  const __m128i os2 = Is(a, 12);
  const __m128i planes12 =
      _mm_and_si128(Is(At(p + PlanesOffset(12)), 1), _mm_cmpeq_epi8(At(p + PlanesOffset(12) + 1), zero));
  const __m128i planes =
      _mm_and_si128(Is(At(p + PlanesOffset(40)), 1), _mm_cmpeq_epi8(At(p + PlanesOffset(40) + 1), zero));
  const __m128i planes_one = _mm_or_si128(_mm_and_si128(os2, planes12), _mm_andnot_si128(os2, planes));
  return found | static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(header, planes_one)));
}

}  // namespace
#endif

#if defined(GD_WIDE_VECTORS)
namespace {

[[gnu::target("avx2")]] inline __m256i At32(const std::uint8_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
[[gnu::target("avx2")]] inline __m256i Is32(__m256i v, int byte) {
  return _mm256_cmpeq_epi8(v, _mm256_set1_epi8(static_cast<char>(byte)));
}

// A 16-byte table in both halves, for byte lookups by nibble.
[[gnu::target("avx2")]] inline __m256i Table(const std::array<std::uint8_t, 16>& t) {
  const __m128i half = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t.data()));
  return _mm256_broadcastsi128_si256(half);
}

// The header sizes by nibble: a byte is one when the entries of its low and
// its high nibble share a bit. Bit 0: low C, high 0-3, 6, 7 (12, 28, 44,
// 60, 108, 124); bit 1: low 0, 4, 8, high 1-3 (16 to 56); bit 2: low A, E,
// high 2 (42, 46); bit 3: low 0, high 4 (64).
constexpr std::array<std::uint8_t, 16> kSizeByLow = {0b1010, 0, 0, 0, 0b0010, 0, 0, 0,
                                                     0b0010, 0, 0b0100, 0, 0b0001, 0, 0b0100, 0};
constexpr std::array<std::uint8_t, 16> kSizeByHigh = {0b0001, 0b0011, 0b0111, 0b0011, 0b1000, 0, 0b0001, 0b0001,
                                                      0, 0, 0, 0, 0, 0, 0, 0};
// The signatures by the low nibble of their first byte (7, 9 and F): the
// first byte itself, and the second. Other entries hold a byte of another
// low nibble, which no byte looked up by its own equals.
constexpr std::array<std::uint8_t, 16> kSignatureFirst = {1, 0, 3, 2, 5, 4, 7, 'G', 9, 0x89, 11, 10, 13, 12, 15, 0xFF};
constexpr std::array<std::uint8_t, 16> kSignatureSecond = {0, 0, 0, 0, 0, 0, 0, 'I', 0, 'P', 0, 0, 0, 0, 0, 0xD8};

// BlockMask for 32 positions, looking bytes up by nibble where the 16-byte
// version compares; reads p[0, 32 + 13).
[[gnu::target("avx2")]] inline unsigned BlockMask32(const std::uint8_t* p) {
  const __m256i a = At32(p);
  const __m256i next = At32(p + 1);
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  const __m256i low = _mm256_and_si256(a, nibble);
  const __m256i signature =
      _mm256_and_si256(_mm256_cmpeq_epi8(a, _mm256_shuffle_epi8(Table(kSignatureFirst), low)),
                       _mm256_cmpeq_epi8(next, _mm256_shuffle_epi8(Table(kSignatureSecond), low)));
  const __m256i zero = _mm256_setzero_si256();
  const __m256i high_zero =
      _mm256_cmpeq_epi8(_mm256_or_si256(_mm256_or_si256(next, At32(p + 2)), At32(p + 3)), zero);
  const auto found = static_cast<unsigned>(_mm256_movemask_epi8(signature));
  if (_mm256_movemask_epi8(high_zero) == 0) return found;
  const __m256i high = _mm256_and_si256(_mm256_srli_epi16(a, 4), nibble);
  const __m256i not_size = _mm256_cmpeq_epi8(
      _mm256_and_si256(_mm256_shuffle_epi8(Table(kSizeByLow), low), _mm256_shuffle_epi8(Table(kSizeByHigh), high)),
      zero);
  const __m256i header = _mm256_andnot_si256(not_size, high_zero);
  if (_mm256_movemask_epi8(header) == 0) return found;
  const __m256i os2 = Is32(a, 12);
  const __m256i planes12 =
      _mm256_and_si256(Is32(At32(p + PlanesOffset(12)), 1), _mm256_cmpeq_epi8(At32(p + PlanesOffset(12) + 1), zero));
  const __m256i planes =
      _mm256_and_si256(Is32(At32(p + PlanesOffset(40)), 1), _mm256_cmpeq_epi8(At32(p + PlanesOffset(40) + 1), zero));
  const __m256i planes_one = _mm256_or_si256(_mm256_and_si256(os2, planes12), _mm256_andnot_si256(os2, planes));
  return found | static_cast<unsigned>(_mm256_movemask_epi8(_mm256_and_si256(header, planes_one)));
}

// The first candidate among whole blocks of 32 from pos, or where those
// blocks end.
[[gnu::target("avx2")]] std::size_t FindInBlocksOf32(const std::uint8_t* data, std::size_t pos, std::size_t end,
                                                     bool& found) {
  for (; pos < end && end - pos >= 32; pos += 32) {
    if (const unsigned m = BlockMask32(data + pos); m != 0) {
      found = true;
      return pos + static_cast<std::size_t>(__builtin_ctz(m));
    }
  }
  return pos;
}

#define GD_TARGET_AVX512 "avx512f,avx512bw"
[[gnu::target(GD_TARGET_AVX512)]] inline __m512i At64(const std::uint8_t* p) { return _mm512_loadu_si512(p); }

// The table in each of the four 16-byte lanes.
constexpr std::array<std::uint8_t, 64> Lanes(const std::array<std::uint8_t, 16>& t) {
  std::array<std::uint8_t, 64> out{};
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = t[i % 16];
  return out;
}

template <const std::array<std::uint8_t, 16>& kTable>
[[gnu::target(GD_TARGET_AVX512)]] inline __m512i Table64() {
  static constexpr std::array<std::uint8_t, 64> kLanes = Lanes(kTable);
  return _mm512_loadu_si512(kLanes.data());
}

// BlockMask32 for 64 positions, in mask registers; reads p[0, 64 + 13).
[[gnu::target(GD_TARGET_AVX512)]] inline std::uint64_t BlockMask64(const std::uint8_t* p) {
  const __m512i a = At64(p + 0);
  const __m512i next = At64(p + 1);
  const __m512i nibble = _mm512_set1_epi8(0x0F);
  const __m512i low = _mm512_and_si512(a, nibble);
  const __mmask64 signature = _mm512_cmpeq_epi8_mask(a, _mm512_shuffle_epi8(Table64<kSignatureFirst>(), low)) &
                              _mm512_cmpeq_epi8_mask(next, _mm512_shuffle_epi8(Table64<kSignatureSecond>(), low));
  const __mmask64 high_zero = _mm512_testn_epi8_mask(_mm512_or_si512(_mm512_or_si512(next, At64(p + 2)), At64(p + 3)),
                                                     _mm512_set1_epi8(-1));
  if (high_zero == 0) return signature;
  const __m512i high = _mm512_and_si512(_mm512_srli_epi16(a, 4), nibble);
  const __mmask64 size = _mm512_test_epi8_mask(_mm512_shuffle_epi8(Table64<kSizeByLow>(), low),
                                               _mm512_shuffle_epi8(Table64<kSizeByHigh>(), high));
  const __mmask64 header = size & high_zero;
  if (header == 0) return signature;
  const __m512i one = _mm512_set1_epi8(1);
  const __m512i zero = _mm512_setzero_si512();
  const __mmask64 os2 = _mm512_cmpeq_epi8_mask(a, _mm512_set1_epi8(12));
  const __mmask64 planes12 = _mm512_cmpeq_epi8_mask(At64(p + PlanesOffset(12)), one) &
                             _mm512_cmpeq_epi8_mask(At64(p + PlanesOffset(12) + 1), zero);
  const __mmask64 planes = _mm512_cmpeq_epi8_mask(At64(p + PlanesOffset(40)), one) &
                           _mm512_cmpeq_epi8_mask(At64(p + PlanesOffset(40) + 1), zero);
  return signature | (header & ((os2 & planes12) | (~os2 & planes)));
}

// FindInBlocksOf32 for blocks of 64.
[[gnu::target(GD_TARGET_AVX512)]] std::size_t FindInBlocksOf64(const std::uint8_t* data, std::size_t pos,
                                                               std::size_t end, bool& found) {
  for (; pos < end && end - pos >= 64; pos += 64) {
    if (const std::uint64_t m = BlockMask64(data + pos); m != 0) {
      found = true;
      return pos + static_cast<std::size_t>(__builtin_ctzll(m));
    }
  }
  return pos;
}

bool HasAvx512() {
  static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
  return has;
}

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

}  // namespace
#endif

std::size_t FindCandidate(std::span<const std::uint8_t> bytes, std::size_t pos, VectorWidth width) {
  if (bytes.size() < kCandidateBytes) return kNoMatch;
  const std::uint8_t* data = bytes.data();
  const std::size_t end = bytes.size() - kCandidateBytes + 1;  // past the last position looked at
  static_assert(PlanesOffset(40) + 2 <= kCandidateBytes);
  // A block reads 13 bytes past its last position, which lie in bytes while
  // that position has kCandidateBytes.
#if defined(GD_WIDE_VECTORS)
  if (width == VectorWidth::kBest && HasAvx512()) {
    bool found = false;
    pos = FindInBlocksOf64(data, pos, end, found);
    if (found) return pos;
  }
  if (width != VectorWidth::kBaseline && HasAvx2()) {
    bool found = false;
    pos = FindInBlocksOf32(data, pos, end, found);
    if (found) return pos;
  }
#else
  static_cast<void>(width);
#endif
#if defined(__SSE2__)
  for (; pos < end && end - pos >= 16; pos += 16) {
    if (const unsigned m = BlockMask(data + pos); m != 0) return pos + static_cast<std::size_t>(__builtin_ctz(m));
  }
#endif
  for (; pos < end; ++pos) {
    if (IsCandidate(data + pos)) return pos;
  }
  return kNoMatch;
}

}  // namespace gd
