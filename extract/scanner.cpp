#include "extract/scanner.h"

#include "base/byte_order.h"
#include "extract/byte_search.h"
#include "extract/image_search.h"

namespace gd {

bool IsImageHeader(std::span<const std::uint8_t, kInfoHeaderSize> header) {
  const std::uint8_t* p = header.data();
  if (LeReader::Le32(p) != 40) return false;
  if (LeReader::Le16(p + 12) != 1) return false;
  if (LeReader::Le32(p + 16) != 0) return false;
  switch (LeReader::Le16(p + 14)) {
    case 1: case 4: case 8: case 16: case 24: case 32:
      return true;
    default:
      return false;
  }
}

bool IsIconShape(const BitmapInfoHeader& h) {
  switch (h.biWidth) {
    case 16: case 32: case 48: case 64:
      return h.biHeight == 2 * h.biWidth;
    default:
      return false;
  }
}

bool IsCursorShape(const BitmapInfoHeader& h) {
  return h.biWidth == 32 && h.biHeight == 64 && h.biBitCount == 1;
}

bool HasMaskSize(const BitmapInfoHeader& h) {
  const std::int32_t sum = Add32(SquareBitsSize(h), SquareMaskSize(h));
  return sum >= 0 && static_cast<std::uint32_t>(sum) == h.biSizeImage;
}

std::int32_t ScanExtent(const BitmapInfoHeader& header) {
  BitmapInfoHeader h = header;
  if (HasMaskSize(h)) h.biHeight = h.biWidth;
  return Add32(Add32(static_cast<std::int32_t>(kInfoHeaderSize), PaletteSize(h)), DibBitsSize(h));
}

std::optional<std::size_t> SeekNextHeader(std::span<const std::uint8_t> data, std::size_t pos) {
  const std::size_t size = data.size();
  for (;;) {
    const std::size_t at = FindHeaderMarker(data, pos);
    if (at == kNoMatch || size - at < kInfoHeaderSize) return std::nullopt;
    if (IsImageHeader(data.subspan(at).first<kInfoHeaderSize>())) return at;
    pos = at + kInfoHeaderSize;  // a rejected candidate is skipped whole
  }
}

std::vector<std::size_t> FindImages(std::span<const std::uint8_t> data, std::size_t max_count) {
  SpanSource source(data);
  WindowReader reader(source, {});
  ImageSearch search(reader, {});
  std::vector<std::size_t> found;
  while (found.size() < max_count) {
    const std::optional<FoundImage> image = search.Next();
    if (!image) break;
    found.push_back(static_cast<std::size_t>(image->offset));
  }
  return found;
}

}  // namespace gd
