#pragma once
// Builders for the small byte fixtures the engine's tests and benchmarks use:
// bitmap headers, icon images and icon files laid out as the formats store
// them.

#include <cstdint>
#include <string>
#include <vector>

#include "base/byte_reader.h"
#include "extract/dib/dib_header.h"

namespace gd::test {

using Bytes = std::vector<std::uint8_t>;

struct HeaderSpec {
  std::int32_t width = 32;
  std::int32_t height = 64;
  std::uint16_t bits = 4;
  std::uint32_t size_image = 0;
  std::uint32_t clr_used = 0;
  std::uint32_t size = 40;
  std::uint16_t planes = 1;
  std::uint32_t compression = 0;
};

inline Bytes Header(const HeaderSpec& s) {
  Bytes out;
  LeWriter w(out);
  w.U32(s.size);
  w.I32(s.width);
  w.I32(s.height);
  w.U16(s.planes);
  w.U16(s.bits);
  w.U32(s.compression);
  w.U32(s.size_image);
  w.I32(0);
  w.I32(0);
  w.U32(s.clr_used);
  w.U32(0);
  return out;
}

inline BitmapInfoHeader Info(const HeaderSpec& s) { return RecordFrom<BitmapInfoHeader>(Header(s)); }

// An icon image as icon files store it: header (height counting colour and
// mask rows, biSizeImage counting both), palette, colour rows, mask rows.
// Pixel and palette bytes are `fill`, mask bytes zero.
inline Bytes IconImage(std::int32_t side, std::uint16_t bits, std::uint8_t fill = 0x11) {
  HeaderSpec s{side, 2 * side, bits};
  const BitmapInfoHeader square{40, side, side, 1, bits, 0, 0, 0, 0, 0, 0};
  const std::int32_t colour = DibBitsSize(square);
  const std::int32_t mask = BytesPerScanline(side, 1, 32) * side;
  s.size_image = static_cast<std::uint32_t>(colour + mask);
  Bytes out = Header(s);
  out.insert(out.end(), static_cast<std::size_t>(PaletteSize(square) + colour), fill);
  out.insert(out.end(), static_cast<std::size_t>(mask), 0);
  return out;
}

// A whole .ico file holding the given images, with its 6-byte directory
// header and 16-byte entries in front.
inline Bytes IconFile(const std::vector<Bytes>& images) {
  Bytes out;
  LeWriter w(out);
  w.U16(0);
  w.U16(1);
  w.U16(static_cast<std::uint16_t>(images.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (const Bytes& img : images) {
    const std::int32_t width = static_cast<std::int32_t>(ByteReader::Le32(img.data() + 4));
    w.U8(static_cast<std::uint8_t>(width));
    w.U8(static_cast<std::uint8_t>(width));
    w.U8(0);
    w.U8(0);
    w.U16(1);
    w.U16(ByteReader::Le16(img.data() + 14));
    w.U32(static_cast<std::uint32_t>(img.size()));
    w.U32(offset);
    offset += static_cast<std::uint32_t>(img.size());
  }
  for (const Bytes& img : images) w.Bytes(img);
  return out;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

}  // namespace gd::test
