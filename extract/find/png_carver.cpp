#include "extract/find/png_carver.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <span>
#include <vector>

#include "base/byte_reader.h"
#include "extract/source/source_reading.h"

namespace gd {

namespace {

constexpr std::uint32_t kLargestPngNumber = 0x7FFFFFFF;
constexpr std::uint32_t kIhdrLength = 13;
constexpr std::uint64_t kChunkFrame = 12;  // length, type and CRC around the data
// Chunk data is checked in pieces of this size, so a chunk that claims
// gigabytes costs no more memory than a small one.
constexpr std::size_t kPiece = 64 * 1024;

bool IsChunkType(std::span<const std::uint8_t> type) {
  return std::all_of(type.begin(), type.end(),
                     [](std::uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); });
}

bool IsType(std::span<const std::uint8_t> type, const char (&name)[5]) {
  return std::equal(type.begin(), type.end(), name, name + 4);
}

// 0 for a pair PNG does not allow: such a file has no pixel layout.
std::uint32_t BitsPerPixel(std::uint8_t colour_type, std::uint8_t depth) {
  const bool small = depth == 1 || depth == 2 || depth == 4;
  const bool wide = depth == 8 || depth == 16;
  switch (colour_type) {
    case 0: return small || wide ? depth : 0u;                 // grey
    case 2: return wide ? 3u * depth : 0u;                     // RGB
    case 3: return small || depth == 8 ? depth : 0u;           // palette index
    case 4: return wide ? 2u * depth : 0u;                     // grey and alpha
    case 6: return wide ? 4u * depth : 0u;                     // RGBA
    default: return 0;
  }
}

std::uint32_t Crc(std::uint32_t crc, std::span<const std::uint8_t> bytes) {
  return static_cast<std::uint32_t>(crc32(crc, bytes.data(), static_cast<uInt>(bytes.size())));
}

}  // namespace

bool IsPngSignature(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= kPngSignature.size() && std::equal(kPngSignature.begin(), kPngSignature.end(), bytes.begin());
}

std::optional<CarvedImage> CarvePng(ByteSource& src, std::uint64_t offset) {
  const std::uint64_t size = src.Size();
  if (offset > size) return std::nullopt;

  // The signature and the whole IHDR chunk decide most candidates in one read.
  std::array<std::uint8_t, kPngSignature.size() + kChunkFrame + kIhdrLength> head{};
  if (!ReadExactly(src, offset, head)) return std::nullopt;
  if (!IsPngSignature(head)) return std::nullopt;
  ByteReader r(std::span<const std::uint8_t>(head).subspan(kPngSignature.size()));
  const std::uint32_t ihdr_length = r.U32Be();
  const auto ihdr_type_and_data = std::span<const std::uint8_t>(head).subspan(kPngSignature.size() + 4, 4 + kIhdrLength);
  if (ihdr_length != kIhdrLength || !IsType(r.Bytes(4), "IHDR")) return std::nullopt;
  CarvedImage image;
  image.width = r.U32Be();
  image.height = r.U32Be();
  const std::uint8_t depth = r.U8();
  const std::uint8_t colour_type = r.U8();
  r.Skip(3);  // compression, filter and interlace methods: the pixels are not decoded here
  image.bits = BitsPerPixel(colour_type, depth);
  if (image.width == 0 || image.height == 0 || image.width > kLargestPngNumber ||
      image.height > kLargestPngNumber || image.bits == 0)
    return std::nullopt;
  if (Crc(0, ihdr_type_and_data) != r.U32Be()) return std::nullopt;

  std::vector<std::uint8_t> piece(kPiece);
  std::uint64_t at = offset + head.size();
  bool has_data = false;
  for (;;) {
    std::array<std::uint8_t, 8> frame{};
    if (!ReadExactly(src, at, frame)) return std::nullopt;
    ByteReader c(frame);
    const std::uint32_t length = c.U32Be();
    const auto type = c.Bytes(4);
    if (length > kLargestPngNumber || !IsChunkType(type)) return std::nullopt;
    const bool last = IsType(type, "IEND");
    if (last && (length != 0 || !has_data)) return std::nullopt;
    has_data = has_data || IsType(type, "IDAT");
    // at + 8 <= size here, so this cannot wrap.
    if (size - at < kChunkFrame + length) return std::nullopt;

    std::uint32_t crc = Crc(0, type);
    for (std::uint64_t done = 0; done < length;) {
      const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, length - done));
      const auto part = std::span(piece).first(n);
      if (!ReadExactly(src, at + 8 + done, part)) return std::nullopt;
      crc = Crc(crc, part);
      done += part.size();
    }
    std::array<std::uint8_t, 4> stored{};
    if (!ReadExactly(src, at + 8 + length, stored)) return std::nullopt;
    if (ByteReader::Be32(stored.data()) != crc) return std::nullopt;

    at += kChunkFrame + length;
    if (last) {
      image.length = at - offset;
      return image;
    }
  }
}

}  // namespace gd
