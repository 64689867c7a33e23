#include "extract/scanner.h"

#include "base/byte_order.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace gd {

namespace {

constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

// The first q >= pos, q - pos even, with the bytes 28 00 at q and q + 1.
std::size_t FindMarker(const std::uint8_t* data, std::size_t size, std::size_t pos) {
#if defined(__SSE2__)
  // Compare 16-bit lanes against 0x0028: every lane starts an even distance
  // from pos, which is exactly the set of offsets the search may look at.
  const __m128i marker = _mm_set1_epi16(0x0028);
  const auto load = [&](std::size_t at) {
    return _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at)), marker);
  };
  while (pos <= size && size - pos >= 128) {
    const __m128i a = _mm_or_si128(_mm_or_si128(load(pos), load(pos + 16)), _mm_or_si128(load(pos + 32), load(pos + 48)));
    const __m128i b =
        _mm_or_si128(_mm_or_si128(load(pos + 64), load(pos + 80)), _mm_or_si128(load(pos + 96), load(pos + 112)));
    if (_mm_movemask_epi8(_mm_or_si128(a, b)) != 0) break;  // the tail loop pins it down
    pos += 128;
  }
  while (pos <= size && size - pos >= 16) {
    if (const int m = _mm_movemask_epi8(load(pos)); m != 0) {
      return pos + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(m)));
    }
    pos += 16;
  }
#endif
  for (; pos <= size && size - pos >= 2; pos += 2) {
    if (data[pos] == 0x28 && data[pos + 1] == 0x00) return pos;
  }
  return kNotFound;
}

}  // namespace

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
    const std::size_t at = FindMarker(data.data(), size, pos);
    if (at == kNotFound || size - at < kInfoHeaderSize) return std::nullopt;
    if (IsImageHeader(data.subspan(at).first<kInfoHeaderSize>())) return at;
    pos = at + kInfoHeaderSize;  // a rejected candidate is skipped whole
  }
}

std::vector<std::size_t> FindImages(std::span<const std::uint8_t> data, std::size_t max_count) {
  std::vector<std::size_t> found;
  std::size_t pos = 0;
  while (found.size() < max_count) {
    const std::optional<std::size_t> at = SeekNextHeader(data, pos);
    if (!at) break;
    const std::int32_t extent = ScanExtent(ParseInfoHeader(data.subspan(*at)));
    if (extent <= 0) {
      // A top-down image or wrapped sizes: it cannot be measured, and moving
      // by its extent would not move forward.
      pos = *at + kInfoHeaderSize;
      continue;
    }
    const auto length = static_cast<std::size_t>(extent);
    if (length > data.size() - *at) break;
    found.push_back(*at);
    pos = *at + length;
  }
  return found;
}

}  // namespace gd
