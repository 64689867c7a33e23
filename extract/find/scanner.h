#pragma once
// Finds 40-byte bitmap headers lying in a file's raw bytes. The search looks
// at even offsets only, skips 40 bytes past a rejected candidate and jumps
// over each accepted image, so bytes inside a found image are never searched.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <vector>

namespace gd {

// The offset of the next acceptable header at or after pos, searching pos,
// pos + 2, ...; nullopt when the data ends first.
std::optional<std::size_t> SeekNextHeader(std::span<const std::uint8_t> data, std::size_t pos);

// Offsets of the accepted headers in file order, at most max_count of them.
// A header whose extent is zero or negative is passed over (the search goes
// on 40 bytes past its first byte); one whose extent runs past the end of the
// data ends the search.
std::vector<std::size_t> FindImages(std::span<const std::uint8_t> data,
                                    std::size_t max_count = std::numeric_limits<std::size_t>::max());

}  // namespace gd
