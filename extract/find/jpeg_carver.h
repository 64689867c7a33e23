#pragma once
// Recognises a JPEG file lying inside other bytes and measures it by its
// structure.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "extract/find/carved_image.h"
#include "platform/byte_source.h"

namespace gd {

// SOI and the first byte of the marker after it.
inline constexpr std::size_t kJpegSignatureSize = 3;

// Whether head starts with FF D8 FF.
bool IsJpegSignature(std::span<const std::uint8_t> head);

// The JPEG file that starts at offset, if one does: SOI directly followed by
// markers (each may have fill bytes FF before it) that are, up to EOI:
// APPn, COM, DQT, DHT, DAC, DRI and DNL segments and exactly one frame
// header (SOF0 to SOF15 but DHT, JPG and DAC), each with a length that the
// contents agree with and that stays inside src; the frame at least 1 wide,
// at least 1 high or given a height by a DNL segment after the first scan,
// 1 to 4 components; then one or more scans, each naming components of the
// frame whose quantisation and Huffman tables are defined before it, and
// followed by entropy-coded data in which FF 00 is a stuffed byte and FF D0
// to FF D7 are restart markers, up to the next marker. length runs through
// EOI; bits is 8 × components. The image's header must also read alike in
// the JPEG decoder (DecoderReadsJpegHeader). Segments that are skipped
// (APPn and COM, which hold an EXIF thumbnail) are not read; entropy-coded
// data is read in bounded pieces. ReadError passes through.
std::optional<CarvedImage> CarveJpeg(ByteSource& src, std::uint64_t offset);

}  // namespace gd
