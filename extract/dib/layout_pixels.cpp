#include "extract/dib/layout_pixels.h"

#include <array>
#include <cstring>
#include <span>
#include <vector>

#include "extract/dib/bit_fields.h"
#include "base/errors.h"
#include "extract/source/source_reading.h"
#include "extract/dib/rle_stream.h"

namespace gd {

namespace {

using Rgba = std::array<std::uint8_t, 4>;
using Palette = std::array<Rgba, 256>;

std::optional<Palette> ReadPalette(ByteSource& src, std::uint64_t at, const DibLayout& l, int bits) {
  Palette pal;
  for (std::size_t i = 0; i < pal.size(); ++i) {
    const auto v = static_cast<std::uint8_t>(i);
    pal[i] = {v, v, v, 255};
  }
  if (bits > 8) return pal;
  const std::size_t entry = l.format.entry_bytes;
  const auto used = static_cast<std::size_t>(std::min<std::int64_t>(l.palette_entries, std::int64_t{1} << bits));
  std::array<std::uint8_t, 4 * 256> raw{};
  if (!ReadExactly(src, at, std::span(raw.data(), used * entry))) return std::nullopt;
  for (std::size_t i = 0; i < used; ++i) pal[i] = {raw[entry * i + 2], raw[entry * i + 1], raw[entry * i], 255};
  return pal;
}

void IndexedRow(const std::uint8_t* in, std::size_t width, int bits, const Palette& pal, std::uint8_t* out) {
  const unsigned mask = (1u << bits) - 1;
  for (std::size_t x = 0; x < width; ++x, out += 4) {
    const std::size_t bit = x * static_cast<std::size_t>(bits);
    const auto shift = static_cast<unsigned>(8 - bits) - static_cast<unsigned>(bit & 7);
    const unsigned index = (static_cast<unsigned>(in[bit >> 3]) >> shift) & mask;
    std::memcpy(out, pal[index].data(), 4);
  }
}

struct Channels {
  ChannelScale red, green, blue, alpha;
};

// Returns whether any alpha value is non-zero.
bool MaskedRow(const std::uint8_t* in, std::size_t width, int bytes, const Channels& c, std::uint8_t* out) {
  bool any_alpha = false;
  for (std::size_t x = 0; x < width; ++x, in += bytes, out += 4) {
    std::uint32_t v = in[0] | (static_cast<std::uint32_t>(in[1]) << 8);
    if (bytes >= 3) v |= static_cast<std::uint32_t>(in[2]) << 16;
    if (bytes == 4) v |= static_cast<std::uint32_t>(in[3]) << 24;
    out[0] = c.red(v);
    out[1] = c.green(v);
    out[2] = c.blue(v);
    out[3] = c.alpha.Empty() ? 255 : c.alpha(v);
    any_alpha |= out[3] != 0;
  }
  return any_alpha;
}

}  // namespace

std::optional<RgbaImage> DecodeLayoutPixels(ByteSource& src, std::uint64_t header_offset, const DibLayout& l) {
  const DibFormat& f = l.format;
  const int bits = l.written.biBitCount;
  if (l.written.biWidth < 1 || l.rows < 1 || l.extent <= 0) return std::nullopt;
  const std::uint64_t size = src.Size();
  if (header_offset > size || static_cast<std::uint64_t>(l.extent) > size - header_offset) return std::nullopt;
  const auto width = static_cast<std::size_t>(l.written.biWidth);
  const auto rows = static_cast<std::size_t>(l.rows);

  const std::optional<Palette> palette = ReadPalette(src, header_offset + f.header_bytes + f.mask_bytes, l, bits);
  if (!palette) return std::nullopt;
  const std::uint64_t rows_at = header_offset + static_cast<std::uint64_t>(l.RowsOffset());

  RgbaImage image;
  image.width = static_cast<std::uint32_t>(width);
  image.height = static_cast<std::uint32_t>(rows);
  image.rgba = AllocateBytes(std::uint64_t{width} * rows * 4);

  if (f.IsRle()) {
    const std::optional<RleIndexes> expanded =
        ExpandRle(src, rows_at, f.pixel_bytes, {static_cast<std::int64_t>(width), l.rows, bits});
    if (!expanded) return std::nullopt;
    for (std::size_t y = 0; y < rows; ++y) {
      std::uint8_t* out = image.rgba.data() + (rows - 1 - y) * width * 4;  // stored bottom-up
      for (std::size_t x = 0; x < width; ++x, out += 4) {
        const std::size_t i = y * width + x;
        if (expanded->painted[i]) std::memcpy(out, (*palette)[expanded->index[i]].data(), 4);
      }
    }
    return image;
  }

  const auto row_bytes = static_cast<std::size_t>(l.row_bytes);
  std::vector<std::uint8_t> stored = AllocateBytes(std::uint64_t{row_bytes} * rows);
  if (!ReadExactly(src, rows_at, stored)) return std::nullopt;
  const std::array<std::uint32_t, 4> masks = f.HasMasks() ? f.masks : DefaultMasks(bits);
  const Channels channels{ChannelScale(masks[0]), ChannelScale(masks[1]), ChannelScale(masks[2]),
                          ChannelScale(masks[3])};
  bool any_alpha = false;
  for (std::size_t r = 0; r < rows; ++r) {
    const std::uint8_t* in = stored.data() + r * row_bytes;
    std::uint8_t* out = image.rgba.data() + (f.top_down ? r : rows - 1 - r) * width * 4;
    if (bits <= 8) {
      IndexedRow(in, width, bits, *palette, out);
    } else {
      any_alpha |= MaskedRow(in, width, bits / 8, channels, out);
    }
  }
  if (!channels.alpha.Empty() && !any_alpha) {
    for (std::size_t i = 3; i < image.rgba.size(); i += 4) image.rgba[i] = 255;
  }
  return image;
}

}  // namespace gd
