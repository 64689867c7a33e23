#include "extract/write/layout_file.h"

#include <algorithm>

#include "base/bitmap_file_header.h"
#include "base/byte_reader.h"
#include "base/errors.h"

namespace gd {

std::size_t FoundBitmapLength(const DibLayout& layout) {
  return static_cast<std::size_t>(layout.RowsOffset()) + static_cast<std::size_t>(layout.format.pixel_bytes);
}

std::vector<std::uint8_t> BuildFoundBitmapFile(std::span<const std::uint8_t> from_header, const DibLayout& layout) {
  const std::size_t length = FoundBitmapLength(layout);
  std::vector<std::uint8_t> out;
  WithOutOfMemory([&] { out.reserve(BitmapFileHeader::kSize + length); });
  LeWriter w(out);
  BitmapFileHeader file_header;
  file_header.bfSize = static_cast<std::uint32_t>(BitmapFileHeader::kSize + length);
  file_header.bfOffBits = static_cast<std::uint32_t>(BitmapFileHeader::kSize + static_cast<std::size_t>(layout.RowsOffset()));
  w.Bytes(RecordBytes(file_header));
  w.Bytes(from_header.first(std::min(length, from_header.size())));
  out.resize(BitmapFileHeader::kSize + length, 0);
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
