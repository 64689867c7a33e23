#include "extract/write/layout_file.h"

#include <algorithm>

#include "base/bitmap_file_header.h"
#include "base/byte_reader.h"
#include "base/errors.h"
#include "extract/source/source_reading.h"

namespace gd {

std::size_t FoundBitmapLength(const DibLayout& layout) {
  return static_cast<std::size_t>(layout.RowsOffset()) + static_cast<std::size_t>(layout.format.pixel_bytes);
}

std::vector<std::uint8_t> BuildFoundBitmapFile(std::span<const std::uint8_t> from_header, const DibLayout& layout) {
  const std::size_t length = FoundBitmapLength(layout);
  BitmapFileHeader file_header;
  file_header.bfSize = static_cast<std::uint32_t>(BitmapFileHeader::kSize + length);
  file_header.bfOffBits = static_cast<std::uint32_t>(BitmapFileHeader::kSize + static_cast<std::size_t>(layout.RowsOffset()));
  const auto head = RecordBytes(file_header);
  // Zeroed, so that what the source does not hold is left zero.
  std::vector<std::uint8_t> out = AllocateBytes(BitmapFileHeader::kSize + length);
  std::copy(head.begin(), head.end(), out.begin());
  const std::span<const std::uint8_t> copied = from_header.first(std::min(length, from_header.size()));
  std::copy(copied.begin(), copied.end(), out.begin() + BitmapFileHeader::kSize);
  // A stated image size that disagrees with the rows would mislead readers.
  if (layout.format.header_bytes >= 24) {
    const auto pixel_bytes = static_cast<std::uint32_t>(layout.format.pixel_bytes);
    for (std::size_t i = 0; i < 4; ++i) {
      out[BitmapFileHeader::kSize + 20 + i] = static_cast<std::uint8_t>(pixel_bytes >> (8 * i));
    }
  }
  return out;
}

}  // namespace gd
