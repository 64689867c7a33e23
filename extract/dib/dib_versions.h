#pragma once
// Bitmap headers of every version, as the every-image rules read them: the
// OS/2 1.x header (12 bytes: 16-bit width and height, 3-byte palette
// entries), the OS/2 2.x header (16 to 64 bytes, ending after any of its
// fields, which are those of the 40-byte header as far as it reaches), and
// the Windows headers of 40, 52, 56, 108 and 124 bytes; rows uncompressed,
// RLE8, RLE4 or bit fields (masks after a 40-byte header or inside a longer
// one), bottom-up or top-down; and a bitmap file header directly in front,
// whose pixel offset places the rows. An OS/2 header other than a full
// 64-byte one counts only with a file header in front (see Os2HeaderStands).
//
// A plain 40-byte header (uncompressed, bottom-up rows right after its
// palette) is measured by MeasureEveryImage, so icons stay icons.

#include <cstdint>
#include <optional>

#include "platform/byte_source.h"
#include "extract/dib/dib_layout.h"

namespace gd {

// Whether a header may be this many bytes long: the first field of every
// header, and so what a search for headers looks for.
bool IsBitmapHeaderSize(std::uint32_t size);
// Where a header of this size keeps its 16-bit planes field, which is 1 in
// every header that describes a picture.
constexpr std::uint32_t PlanesOffset(std::uint32_t header_size) { return header_size == 12 ? 8 : 12; }

// The bitmap whose header starts at pos, or nullopt when none that describes
// a picture lying whole in the source does. A bitmap file header is looked
// for in front of it only at or after file_header_floor (the end of the image
// before), so it never takes bytes of another image.
std::optional<DibLayout> ProbeBitmap(ByteSource& src, std::uint64_t pos, std::uint64_t file_header_floor);

}  // namespace gd
