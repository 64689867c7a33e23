#pragma once
// Run-length encoded rows (RLE8 and RLE4): walking a stream to its
// end-of-bitmap code, and expanding it into palette indexes.
//
// A stream ends cleanly only with its end-of-bitmap code inside the bytes it
// may use. It is no picture when it paints or moves below the last row or
// beyond the right edge (a delta, or a run that starts there), or runs out of
// bytes first. A run that starts inside a row and goes past its end is cut
// at the edge: encoders pad runs of odd-width RLE4 rows so.

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/byte_source.h"

namespace gd {

struct RleShape {
  std::int64_t width = 0;
  std::int64_t height = 0;
  int bits = 8;  // 8 or 4
};

// The stream's length through its end-of-bitmap code, reading at most
// available bytes from at; nullopt when it does not end cleanly there.
std::optional<std::uint64_t> WalkRle(ByteSource& src, std::uint64_t at, std::uint64_t available, const RleShape& shape);

// Palette indexes, width × height, rows in stored order (bottom row first);
// painted[i] is 0 where a delta or an early end of row or bitmap skipped the
// pixel.
struct RleIndexes {
  std::vector<std::uint8_t> index;
  std::vector<std::uint8_t> painted;
};

// nullopt when the stream does not end cleanly within available bytes.
// Throws OutOfMemoryError when the indexes do not fit in memory.
std::optional<RleIndexes> ExpandRle(ByteSource& src, std::uint64_t at, std::uint64_t available, const RleShape& shape);

}  // namespace gd
