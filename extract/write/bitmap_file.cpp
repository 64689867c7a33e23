#include "extract/write/bitmap_file.h"

#include <algorithm>

#include "base/byte_reader.h"
#include "base/errors.h"
#include "extract/write/layout_file.h"

namespace gd {

namespace {

struct FileSizes {
  std::int32_t off_bits;   // file header, info header and palette
  std::int32_t file_size;  // bfSize
  std::size_t body;        // palette and rows copied after the info header
};

FileSizes SizesOf(const DibLayout& l) {
  constexpr auto kHeaders = static_cast<std::int32_t>(kFileHeaderSize + kInfoHeaderSize);
  FileSizes s{};
  s.off_bits = Add32(Mul32(static_cast<std::int32_t>(l.palette_entries), 4), kHeaders);
  s.file_size = Add32(Mul32(static_cast<std::int32_t>(l.row_bytes), static_cast<std::int32_t>(l.rows)), s.off_bits);
  const std::int32_t body = Add32(s.file_size, -kHeaders);
  s.body = body > 0 ? static_cast<std::size_t>(body) : 0;
  return s;
}

}  // namespace

std::size_t BitmapSourceLength(const DibLayout& layout) {
  if (!layout.format.IsPlain()) return FoundBitmapLength(layout);
  return kInfoHeaderSize + SizesOf(layout).body;
}

std::vector<std::uint8_t> BuildBitmapFile(std::span<const std::uint8_t> from_header, const DibLayout& layout) {
  if (!layout.format.IsPlain()) return BuildFoundBitmapFile(from_header, layout);
  if (from_header.size() < kInfoHeaderSize) throw ShortRead();
  const FileSizes sizes = SizesOf(layout);
  const std::span<const std::uint8_t> source = from_header.subspan(kInfoHeaderSize);
  const std::size_t copied = std::min(sizes.body, source.size());

  std::vector<std::uint8_t> out;
  WithOutOfMemory([&] { out.reserve(kFileHeaderSize + kInfoHeaderSize + sizes.body); });
  LeWriter w(out);
  BitmapFileHeader file_header;
  file_header.bfSize = static_cast<std::uint32_t>(sizes.file_size);
  file_header.bfOffBits = static_cast<std::uint32_t>(sizes.off_bits);
  w.Bytes(RecordBytes(file_header));
  out.resize(kFileHeaderSize + kInfoHeaderSize);
  StoreInfoHeader(layout.written, std::span(out).subspan(kFileHeaderSize));
  w.Bytes(source.first(copied));
  out.resize(out.size() + (sizes.body - copied), 0);
  return out;
}

std::vector<std::uint8_t> BuildBitmapFile(std::span<const std::uint8_t> data, std::size_t offset) {
  if (offset > data.size() || data.size() - offset < kInfoHeaderSize) throw ShortRead();
  const std::span<const std::uint8_t> from_header = data.subspan(offset);
  return BuildBitmapFile(from_header, MeasureStandard(RecordFrom<BitmapInfoHeader>(from_header)));
}

}  // namespace gd
