#include "extract/dib/dib_shape.h"

namespace gd {

bool IsImageHeader(std::span<const std::uint8_t, kInfoHeaderSize> header) {
  const auto h = RecordFrom<BitmapInfoHeader>(header);
  if (h.biSize != 40 || h.biPlanes != 1 || h.biCompression != 0) return false;
  switch (h.biBitCount) {
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

}  // namespace gd
