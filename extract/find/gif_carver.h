#pragma once
// Recognises a GIF file lying inside other bytes and measures it.

#include <cstdint>
#include <optional>
#include <span>

#include "extract/find/carved_image.h"
#include "platform/byte_source.h"

namespace gd {

// "GIF87a" or "GIF89a" at the start of bytes.
bool IsGifSignature(std::span<const std::uint8_t> bytes);

// The GIF file that starts at offset, if one does: "GIF87a" or "GIF89a", a
// logical screen of at least 1 × 1, then extensions and at least one image,
// each block whole inside src, through the trailer byte 0x3B; and the GIF
// codec must read exactly those bytes without an error. length runs through
// the trailer. width and height are the logical screen's. bits is the size
// exponent (1 to 8) of the colour table the first image's indices refer to:
// its local table if it has one, the global table otherwise.
//
// The codec holds the file and every decoded image at once, so a file longer
// than MaxGifAllocation() bytes, or whose images hold more pixels than that
// together, is not taken. ReadError from src passes through.
std::optional<CarvedImage> CarveGif(ByteSource& src, std::uint64_t offset);

}  // namespace gd
