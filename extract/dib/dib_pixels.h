#pragma once
// Turns one found bitmap into the pixels its bitmap file shows, with an alpha
// channel: a 32-bit image's own alpha bytes unless all of them are zero, else
// the 1-bit mask that follows the colour rows of an image made square (bit 1
// is transparent), else opaque.
//
// Colour choices follow what common decoders show, so that a picture looks the
// same here as in an image viewer: a palette index beyond the palette shows the
// grey of its own value (index i as i, i, i), and a 5-bit channel of a 16-bit
// pixel becomes v × 255 / 31, rounded down.

#include <cstdint>
#include <optional>

#include "extract/dib/dib_layout.h"
#include "platform/byte_source.h"
#include "platform/rgba_image.h"

namespace gd {

// The pixels of the image whose header begins at header_offset in src, laid
// out as layout says. nullopt when the layout is no picture or the source
// ends before the last colour row. A mask cut off by the end of the source is
// taken as no mask. Throws ReadError when the bytes cannot be read and
// OutOfMemoryError when the pixels do not fit in memory.
std::optional<RgbaImage> DecodeDibPixels(ByteSource& src, std::uint64_t header_offset, const DibLayout& layout);

}  // namespace gd
