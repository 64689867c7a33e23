#include "extract/find/scanner.h"

#include "extract/dib/dib_shape.h"
#include "extract/find/byte_search.h"
#include "extract/find/image_search.h"
#include "extract/source/span_source.h"

namespace gd {

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
