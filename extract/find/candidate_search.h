#pragma once
// The every-image search's pass over the bytes: each offset is looked at
// once, for the first two bytes of a PNG, GIF or JPEG signature and for the
// start of a bitmap header of any version, vectorised where the target
// allows.

#include <cstddef>
#include <cstdint>
#include <span>

#include "extract/find/byte_search.h"

namespace gd {

// The bytes from a position that tell whether it is a candidate: a header's
// size and planes fields, a signature's first two bytes. No image of any
// kind is shorter (a header is read 16 bytes at a time, a PNG, GIF or JPEG
// needs more), so a position with fewer bytes after it holds none.
inline constexpr std::size_t kCandidateBytes = 16;

// Whether a candidate may start at p (kCandidateBytes readable): 0x89 'P',
// "GI" or FF D8, or a header size as a 32-bit little-endian number with
// planes 1 where a header of that size keeps them.
bool IsCandidate(const std::uint8_t* p);

// Whether the candidate starting with this byte is a signature rather than
// a header: no header size is one of a signature's first bytes.
constexpr bool IsSignatureStart(std::uint8_t first) { return first == 0x89 || first == 'G' || first == 0xFF; }

// The widest vector instructions the search may use: the best the processor
// has, at most 32 bytes (AVX2), or the baseline's 16; so that tests try each
// way the machine they run on allows.
enum class VectorWidth { kBest, kAtMost32, kBaseline };

// The first q >= pos with q + kCandidateBytes <= data.size() that
// IsCandidate; kNoMatch when there is none.
std::size_t FindCandidate(std::span<const std::uint8_t> data, std::size_t pos,
                          VectorWidth width = VectorWidth::kBest);

}  // namespace gd
