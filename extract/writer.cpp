#include "extract/writer.h"

#include <algorithm>
#include <new>

#include "base/byte_order.h"
#include "extract/errors.h"
#include "extract/path_util.h"
#include "extract/scanner.h"

namespace gd {

BitmapInfoHeader AdjustedHeader(const BitmapInfoHeader& source) {
  BitmapInfoHeader h = source;
  if (IsIconShape(source) || IsCursorShape(source) || HasMaskSize(source)) h.biHeight = h.biWidth;
  h.biSizeImage = static_cast<std::uint32_t>(DibBitsSize(h));
  return h;
}

std::vector<std::uint8_t> BuildBitmapFile(std::span<const std::uint8_t> data, std::size_t offset) {
  if (offset > data.size() || data.size() - offset < kInfoHeaderSize) throw ShortRead();
  const BitmapInfoHeader h = AdjustedHeader(ParseInfoHeader(data.subspan(offset)));
  const std::int32_t off_bits = Add32(PaletteSize(h), static_cast<std::int32_t>(kFileHeaderSize + kInfoHeaderSize));
  const std::int32_t file_size = Add32(DibBitsSize(h), off_bits);
  const std::int32_t body = Add32(file_size, -static_cast<std::int32_t>(kFileHeaderSize + kInfoHeaderSize));
  const std::size_t body_size = body > 0 ? static_cast<std::size_t>(body) : 0;

  const std::span<const std::uint8_t> source = data.subspan(offset + kInfoHeaderSize);
  const std::size_t copied = std::min(body_size, source.size());

  std::vector<std::uint8_t> out;
  try {
    out.reserve(kFileHeaderSize + kInfoHeaderSize + body_size);
  } catch (const std::bad_alloc&) {
    throw OutOfMemoryError();
  } catch (const std::length_error&) {
    throw OutOfMemoryError();
  }
  LeWriter w(out);
  BitmapFileHeader file_header;
  file_header.bfSize = static_cast<std::uint32_t>(file_size);
  file_header.bfOffBits = static_cast<std::uint32_t>(off_bits);
  w.Bytes(RecordBytes(file_header));
  out.resize(kFileHeaderSize + kInfoHeaderSize);
  StoreInfoHeader(h, std::span(out).subspan(kFileHeaderSize));
  w.Bytes(source.first(copied));
  out.resize(out.size() + (body_size - copied), 0);
  return out;
}

std::string OutputName(std::string_view save_dir, std::string_view source_path, std::size_t index) {
  std::string name(save_dir);
  name += BaseNameOf(source_path);
  name += '-';
  name += ExtensionOf(source_path);
  name += '-';
  name += std::to_string(index);
  name += ".bmp";
  return name;
}

}  // namespace gd
