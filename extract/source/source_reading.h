#pragma once
// Reading the bytes of one image out of a source, by position. Every stage
// that needs more than a window's worth reads through these, so short reads
// and memory failures are handled the same way everywhere.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/byte_source.h"

namespace gd {

// size zeroed bytes; OutOfMemoryError when they cannot be had.
std::vector<std::uint8_t> AllocateBytes(std::uint64_t size);

// Fills out from offset. A source may deliver its bytes in pieces; a piece
// of length 0 means its end, and then false.
bool ReadExactly(ByteSource& src, std::uint64_t offset, std::span<std::uint8_t> out);

// length bytes from offset, or as many as the source holds. ReadError when
// the source delivers fewer than it holds.
std::vector<std::uint8_t> ReadRange(ByteSource& src, std::uint64_t offset, std::uint64_t length);

}  // namespace gd
