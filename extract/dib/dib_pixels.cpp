#include "extract/dib/dib_pixels.h"

#include <array>
#include <cstddef>
#include <cstring>
#include <span>
#include <vector>

#include "base/errors.h"
#include "extract/dib/layout_pixels.h"
#include "extract/source/source_reading.h"

namespace gd {

namespace {

using Rgba = std::array<std::uint8_t, 4>;
using Palette = std::array<Rgba, 256>;

// Entries past the ones the file stores keep the grey of their index.
Palette ReadPalette(ByteSource& src, std::uint64_t at, std::int64_t entries, int bits) {
  Palette pal;
  for (std::size_t i = 0; i < pal.size(); ++i) {
    const auto v = static_cast<std::uint8_t>(i);
    pal[i] = {v, v, v, 255};
  }
  const std::int64_t used = std::min<std::int64_t>(entries, std::int64_t{1} << bits);
  std::array<std::uint8_t, 4 * 256> quads{};
  const std::span<std::uint8_t> wanted(quads.data(), static_cast<std::size_t>(4 * used));
  if (!ReadExactly(src, at, wanted)) throw ReadError();
  for (std::size_t i = 0; i < static_cast<std::size_t>(used); ++i) {
    pal[i] = {quads[4 * i + 2], quads[4 * i + 1], quads[4 * i], 255};
  }
  return pal;
}

template <int kBits>
void IndexedRow(const std::uint8_t* in, std::size_t width, const Palette& pal, std::uint8_t* out) {
  for (std::size_t x = 0; x < width; ++x) {
    unsigned index;
    if constexpr (kBits == 8) {
      index = in[x];
    } else if constexpr (kBits == 4) {
      index = (x & 1) ? in[x >> 1] & 0x0Fu : static_cast<unsigned>(in[x >> 1] >> 4);
    } else {
      index = (static_cast<unsigned>(in[x >> 3]) >> (7 - (x & 7))) & 1u;
    }
    std::memcpy(out + 4 * x, pal[index].data(), 4);
  }
}

constexpr std::array<std::uint8_t, 32> kFiveBitScale = [] {
  std::array<std::uint8_t, 32> t{};
  for (unsigned v = 0; v < 32; ++v) t[v] = static_cast<std::uint8_t>(v * 255 / 31);
  return t;
}();

void Row16(const std::uint8_t* in, std::size_t width, std::uint8_t* out) {
  for (std::size_t x = 0; x < width; ++x, in += 2, out += 4) {
    const unsigned v = in[0] | (static_cast<unsigned>(in[1]) << 8);
    out[0] = kFiveBitScale[(v >> 10) & 31];
    out[1] = kFiveBitScale[(v >> 5) & 31];
    out[2] = kFiveBitScale[v & 31];
    out[3] = 255;
  }
}

void Row24(const std::uint8_t* in, std::size_t width, std::uint8_t* out) {
  for (std::size_t x = 0; x < width; ++x, in += 3, out += 4) {
    out[0] = in[2];
    out[1] = in[1];
    out[2] = in[0];
    out[3] = 255;
  }
}

// Returns whether any alpha byte is non-zero.
bool Row32(const std::uint8_t* in, std::size_t width, std::uint8_t* out) {
  std::uint8_t any_alpha = 0;
  for (std::size_t x = 0; x < width; ++x, in += 4, out += 4) {
    out[0] = in[2];
    out[1] = in[1];
    out[2] = in[0];
    out[3] = in[3];
    any_alpha |= in[3];
  }
  return any_alpha != 0;
}

}  // namespace

std::optional<RgbaImage> DecodeDibPixels(ByteSource& src, std::uint64_t header_offset, const DibLayout& layout) {
  const int bits = layout.written.biBitCount;
  if (!layout.format.IsPlain() || bits == 2) return DecodeLayoutPixels(src, header_offset, layout);
  if (!layout.IsPicture() || (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)) {
    return std::nullopt;
  }
  const auto width = static_cast<std::size_t>(layout.written.biWidth);
  const auto rows = static_cast<std::size_t>(layout.rows);
  const auto row_bytes = static_cast<std::size_t>(layout.row_bytes);
  const std::uint64_t size = src.Size();
  if (header_offset > size || static_cast<std::uint64_t>(layout.MaskOffset()) > size - header_offset) {
    return std::nullopt;
  }
  const std::uint64_t rows_at = header_offset + static_cast<std::uint64_t>(layout.RowsOffset());
  const std::uint64_t mask_at = header_offset + static_cast<std::uint64_t>(layout.MaskOffset());

  std::vector<std::uint8_t> colour = AllocateBytes(row_bytes * rows);
  if (!ReadExactly(src, rows_at, colour)) return std::nullopt;
  Palette palette{};
  if (bits <= 8) palette = ReadPalette(src, header_offset + 40, layout.palette_entries, bits);

  RgbaImage image;
  image.width = static_cast<std::uint32_t>(width);
  image.height = static_cast<std::uint32_t>(rows);
  image.rgba = AllocateBytes(std::uint64_t{width} * rows * 4);

  bool own_alpha = false;
  for (std::size_t r = 0; r < rows; ++r) {
    const std::uint8_t* in = colour.data() + r * row_bytes;
    std::uint8_t* out = image.rgba.data() + (rows - 1 - r) * width * 4;  // rows are stored bottom-up
    switch (bits) {
      case 1: IndexedRow<1>(in, width, palette, out); break;
      case 4: IndexedRow<4>(in, width, palette, out); break;
      case 8: IndexedRow<8>(in, width, palette, out); break;
      case 16: Row16(in, width, out); break;
      case 24: Row24(in, width, out); break;
      case 32: own_alpha |= Row32(in, width, out); break;
      default: break;
    }
  }
  if (own_alpha) return image;

  const auto mask_row_bytes = static_cast<std::size_t>(layout.MaskRowBytes());
  std::vector<std::uint8_t> mask;
  if (layout.made_square && size - mask_at >= std::uint64_t{mask_row_bytes} * rows) {
    mask = AllocateBytes(mask_row_bytes * rows);
    if (!ReadExactly(src, mask_at, mask)) mask.clear();
  }
  if (mask.empty() && bits != 32) return image;  // opaque already
  for (std::size_t r = 0; r < rows; ++r) {
    std::uint8_t* out = image.rgba.data() + (rows - 1 - r) * width * 4 + 3;
    if (mask.empty()) {
      for (std::size_t x = 0; x < width; ++x) out[4 * x] = 255;
    } else {
      const std::uint8_t* m = mask.data() + r * mask_row_bytes;
      for (std::size_t x = 0; x < width; ++x) out[4 * x] = ((m[x >> 3] >> (7 - (x & 7))) & 1) ? 0 : 255;
    }
  }
  return image;
}

}  // namespace gd
