#include "extract/dib/dib_versions.h"

#include <array>
#include <cstdlib>

#include "base/byte_reader.h"
#include "extract/dib/bit_fields.h"
#include "extract/dib/dib_header.h"
#include "extract/dib/rle_stream.h"

namespace gd {

namespace {

constexpr std::size_t kLargestHeader = 124;
constexpr std::int64_t kLargestFile = 0x7FFFFFFF;

bool IsWindowsHeader(std::uint32_t size) {
  return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

// The OS/2 2.x header ends after any of its fields.
bool IsOs2Header(std::uint32_t size) {
  switch (size) {
    case 12: case 16: case 20: case 24: case 28: case 32: case 36: case 42: case 44: case 46: case 48: case 60: case 64:
      return true;
    default:
      return false;
  }
}

struct Fields {
  std::uint32_t size = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;
  std::uint32_t planes = 0;
  int bits = 0;
  std::uint32_t compression = 0;
  std::uint32_t size_image = 0;
  std::uint32_t clr_used = 0;
};

// The fields a header of this size holds; those it does not reach are zero.
Fields ReadFields(const std::uint8_t* p, std::uint32_t size) {
  Fields f;
  f.size = size;
  if (size == 12) {
    f.width = ByteReader::Le16(p + 4);
    f.height = ByteReader::Le16(p + 6);
    f.planes = ByteReader::Le16(p + PlanesOffset(12));
    f.bits = ByteReader::Le16(p + 10);
    return f;
  }
  f.width = static_cast<std::int32_t>(ByteReader::Le32(p + 4));
  f.height = static_cast<std::int32_t>(ByteReader::Le32(p + 8));
  f.planes = ByteReader::Le16(p + PlanesOffset(size));
  f.bits = ByteReader::Le16(p + 14);
  if (size >= 20) f.compression = ByteReader::Le32(p + 16);
  if (size >= 24) f.size_image = ByteReader::Le32(p + 20);
  if (size >= 36) f.clr_used = ByteReader::Le32(p + 32);
  return f;
}

bool BitsFit(const Fields& f) {
  if (IsOs2Header(f.size)) {
    // OS/2 knows these; its compression codes beyond RLE mean other things.
    if (f.bits != 1 && f.bits != 4 && f.bits != 8 && f.bits != 24) return false;
    if (f.compression > kBiRle4) return false;
  } else {
    switch (f.bits) {
      case 1: case 2: case 4: case 8: case 16: case 24: case 32: break;
      default: return false;
    }
  }
  switch (f.compression) {
    case kBiRgb: return true;
    case kBiRle8: return f.bits == 8 && f.height > 0;
    case kBiRle4: return f.bits == 4 && f.height > 0;
    case kBiBitFields: return f.bits == 16 || f.bits == 32;
    case kBiAlphaBitFields: return (f.bits == 16 || f.bits == 32) && (f.size == 40 || f.size >= 56);
    default: return false;  // JPEG and PNG inside are found by their own search
  }
}

// Whether a bitmap file header lies directly in front: "BM", or the kinds of
// an OS/2 icon, pointer or array entry, whose layout is the same.
bool HasFileHeaderInFront(ByteSource& src, std::uint64_t pos, std::uint64_t floor) {
  if (pos < kFileHeaderSize || pos - kFileHeaderSize < floor) return false;
  std::array<std::uint8_t, 2> type{};
  if (src.ReadAt(pos - kFileHeaderSize, type) != type.size()) return false;
  const int t = type[0] << 8 | type[1];
  return t == ('B' << 8 | 'M') || t == ('B' << 8 | 'A') || t == ('C' << 8 | 'I') || t == ('I' << 8 | 'C') ||
         t == ('C' << 8 | 'P') || t == ('P' << 8 | 'T');
}

// OS/2 headers without a file header in front are nearly always small
// integers that happen to line up (0C 00 00 00 01 00 01 00 ...): programs
// are full of them, and bitmaps with these headers are kept as files. The
// full 64-byte header stands on its own when its reserved fields are as
// defined.
bool Os2HeaderStands(ByteSource& src, std::uint64_t pos, std::uint64_t floor, const std::uint8_t* p,
                     std::uint32_t size) {
  if (HasFileHeaderInFront(src, pos, floor)) return true;
  if (size != 64) return false;
  return ByteReader::Le16(p + 40) == 0 && ByteReader::Le16(p + 42) == 0 && ByteReader::Le16(p + 44) == 0 &&
         ByteReader::Le16(p + 46) <= 3 && ByteReader::Le32(p + 56) == 0;
}

// The rows offset a bitmap file header in front of the header gives, if it
// says more than the palette's end; 0 otherwise.
std::uint64_t FileHeaderGap(ByteSource& src, std::uint64_t pos, std::uint64_t floor, std::uint64_t rows_offset) {
  if (pos < kFileHeaderSize || pos - kFileHeaderSize < floor) return 0;
  std::array<std::uint8_t, kFileHeaderSize> fh{};
  if (src.ReadAt(pos - kFileHeaderSize, fh) != fh.size()) return 0;
  if (fh[0] != 'B' || fh[1] != 'M') return 0;
  const std::uint64_t off_bits = ByteReader::Le32(fh.data() + 10);
  if (off_bits < kFileHeaderSize + rows_offset) return 0;  // not consistent with the palette
  return off_bits - kFileHeaderSize - rows_offset;
}

}  // namespace

bool IsBitmapHeaderSize(std::uint32_t size) { return IsOs2Header(size) || IsWindowsHeader(size); }

std::optional<DibLayout> ProbeBitmap(ByteSource& src, std::uint64_t pos, std::uint64_t file_header_floor) {
  const std::uint64_t size = src.Size();
  if (pos >= size) return std::nullopt;
  std::array<std::uint8_t, kLargestHeader> head{};
  // The fixed fields first: most candidates fail on them.
  if (src.ReadAt(pos, std::span(head.data(), 16)) != 16) return std::nullopt;
  const std::uint32_t header_size = ByteReader::Le32(head.data());
  if (!IsBitmapHeaderSize(header_size)) return std::nullopt;
  Fields f = ReadFields(head.data(), header_size == 12 ? 12 : 16);
  if (f.planes != 1 || f.width < 1 || f.height == 0) return std::nullopt;
  if (src.ReadAt(pos, std::span(head.data(), header_size)) != header_size) return std::nullopt;
  f = ReadFields(head.data(), header_size);
  if (!BitsFit(f) || f.height == INT32_MIN) return std::nullopt;
  if (IsOs2Header(header_size) && !Os2HeaderStands(src, pos, file_header_floor, head.data(), header_size)) {
    return std::nullopt;
  }

  const std::int64_t colours_possible = f.bits <= 8 ? std::int64_t{1} << f.bits : 256;
  if (f.clr_used > colours_possible) return std::nullopt;

  DibFormat format;
  format.header_bytes = header_size;
  format.entry_bytes = header_size == 12 ? 3 : 4;
  format.compression = f.compression;
  format.top_down = f.height < 0;
  if (format.HasMasks()) {
    const std::uint32_t count = f.compression == kBiAlphaBitFields ? 4 : 3;
    std::array<std::uint8_t, 16> raw{};
    if (header_size == 40) {
      format.mask_bytes = 4 * count;
      if (src.ReadAt(pos + 40, std::span(raw.data(), format.mask_bytes)) != format.mask_bytes) return std::nullopt;
    } else {
      std::copy(head.begin() + 40, head.begin() + 56, raw.begin());
      if (header_size < 56) raw[12] = raw[13] = raw[14] = raw[15] = 0;
    }
    for (std::uint32_t i = 0; i < 4; ++i) format.masks[i] = ByteReader::Le32(raw.data() + 4 * i);
    if (!AreUsableMasks(format.masks, f.bits)) return std::nullopt;
  }

  DibLayout l;
  l.palette_entries = f.clr_used != 0 ? f.clr_used : (f.bits <= 8 ? colours_possible : 0);
  l.row_bytes = (f.width * f.bits + 31) / 32 * 4;
  l.rows = std::llabs(f.height);
  l.format = format;
  const std::uint64_t base_rows = static_cast<std::uint64_t>(l.RowsOffset());
  if (base_rows >= size - pos) return std::nullopt;

  // A gap only counts when the rows still lie in the file after it.
  const auto pixel_bytes_at = [&](std::uint64_t rows_at) -> std::optional<std::uint64_t> {
    if (rows_at >= size - pos) return std::nullopt;
    const std::uint64_t available = size - pos - rows_at;
    if (!format.IsRle()) {
      const std::uint64_t bytes = static_cast<std::uint64_t>(l.row_bytes) * static_cast<std::uint64_t>(l.rows);
      if (bytes > static_cast<std::uint64_t>(kLargestFile) || bytes > available) return std::nullopt;
      return bytes;
    }
    return WalkRle(src, pos + rows_at, available, {f.width, l.rows, f.bits});
  };
  std::optional<std::uint64_t> pixel_bytes;
  if (const std::uint64_t gap = FileHeaderGap(src, pos, file_header_floor, base_rows); gap != 0) {
    pixel_bytes = pixel_bytes_at(base_rows + gap);
    if (pixel_bytes) l.format.gap = static_cast<std::uint32_t>(gap);
  }
  if (!pixel_bytes && l.format.IsPlain()) {
    // As the plain rules measure it, icons as icons (whose mask rows may
    // take less room than the header's full height).
    const std::optional<DibLayout> plain = MeasureEveryImage(RecordFrom<BitmapInfoHeader>(head));
    if (!plain || plain->extent <= 0 || static_cast<std::uint64_t>(plain->extent) > size - pos) return std::nullopt;
    return plain;
  }
  if (!pixel_bytes) pixel_bytes = pixel_bytes_at(base_rows);
  if (!pixel_bytes) return std::nullopt;

  l.format.pixel_bytes = *pixel_bytes;
  l.extent = l.RowsOffset() + static_cast<std::int64_t>(*pixel_bytes);
  if (l.extent + static_cast<std::int64_t>(kFileHeaderSize) > kLargestFile) return std::nullopt;
  l.source = BitmapInfoHeader{header_size,
                              static_cast<std::int32_t>(f.width),
                              static_cast<std::int32_t>(f.height),
                              static_cast<std::uint16_t>(f.planes),
                              static_cast<std::uint16_t>(f.bits),
                              f.compression,
                              f.size_image,
                              0,
                              0,
                              f.clr_used,
                              0};
  l.written = l.source;
  l.written.biHeight = static_cast<std::int32_t>(l.rows);
  l.written.biSizeImage = static_cast<std::uint32_t>(*pixel_bytes);
  return l;
}

}  // namespace gd
