#include "extract/dib/dib_layout.h"

#include "extract/dib/dib_shape.h"

namespace gd {

BitmapInfoHeader AdjustedHeader(const BitmapInfoHeader& source) {
  BitmapInfoHeader h = source;
  if (IsIconShape(source) || IsCursorShape(source) || HasMaskSize(source)) h.biHeight = h.biWidth;
  h.biSizeImage = static_cast<std::uint32_t>(DibBitsSize(h));
  return h;
}

std::int32_t ScanExtent(const BitmapInfoHeader& header) {
  BitmapInfoHeader h = header;
  if (HasMaskSize(h)) h.biHeight = h.biWidth;
  return Add32(Add32(static_cast<std::int32_t>(kInfoHeaderSize), PaletteSize(h)), DibBitsSize(h));
}

DibLayout MeasureStandard(const BitmapInfoHeader& h) {
  DibLayout l;
  l.source = h;
  l.written = AdjustedHeader(h);
  l.extent = ScanExtent(h);
  l.made_square = l.written.biHeight != h.biHeight;
  l.palette_entries = ColorCount(l.written);
  l.row_bytes = BytesPerScanline(l.written.biWidth, l.written.biBitCount, 32);
  l.rows = l.written.biHeight;
  return l;
}

std::optional<DibLayout> MeasureEveryImage(const BitmapInfoHeader& h) {
  constexpr std::int32_t kLargestIcon = 1024;
  const std::int64_t width = h.biWidth;
  const std::int64_t height = h.biHeight;
  const std::int64_t bits = h.biBitCount;
  if (width < 1 || height < 1) return std::nullopt;
  const std::int64_t colours_possible = bits <= 8 ? std::int64_t{1} << bits : 256;
  if (h.biClrUsed > colours_possible) return std::nullopt;

  DibLayout l;
  l.source = h;
  l.written = h;
  l.palette_entries = h.biClrUsed != 0 ? h.biClrUsed : (bits <= 8 ? colours_possible : 0);
  l.row_bytes = (width * bits + 31) / 32 * 4;
  // An icon image's height counts its colour rows and as many mask rows. A
  // square one is known by its shape alone; any other by an image size that
  // counts half its rows (as icon writers often declare), or half its rows
  // and their mask. At 1 bit a mask row is as long as a colour row, so half
  // the rows and their mask are all the rows: such a size is a bitmap's own.
  const std::int64_t half = height / 2;
  const std::int64_t half_mask = half * ((width + 31) / 32 * 4);
  const bool half_declared =
      height % 2 == 0 && (h.biSizeImage == l.row_bytes * half ||
                          (bits != 1 && h.biSizeImage == l.row_bytes * half + half_mask));
  const bool icon = (height == 2 * width && width <= kLargestIcon) || half_declared;
  l.made_square = icon || HasMaskSize(h);
  l.rows = icon ? half : l.made_square ? width : height;
  l.written.biHeight = static_cast<std::int32_t>(l.rows);
  const std::int64_t colour_bytes = l.row_bytes * l.rows;
  // Every size fits 32 bits once the image is within the 4 GiB a bitmap
  // file can state; larger claims are not pictures this engine writes.
  if (l.BodySize() > 0x7FFFFFFF - 54) return std::nullopt;
  l.written.biSizeImage = static_cast<std::uint32_t>(colour_bytes);
  l.extent = l.RowsOffset() + colour_bytes;
  if (icon) l.extent += l.MaskRowBytes() * l.rows;
  return l;
}

std::optional<DibLayout> Measure(const BitmapInfoHeader& h, MeasureRules rules) {
  if (rules == MeasureRules::kStandard) return MeasureStandard(h);
  return MeasureEveryImage(h);
}

}  // namespace gd
