#pragma once
// Builders for small PNG files and for chunks laid out as PNG stores them,
// with right CRCs unless a test spoils them on purpose.

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace gd::test {

using PngBytes = std::vector<std::uint8_t>;

inline void PutBe32(PngBytes& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

inline const PngBytes& PngSignature() {
  static const PngBytes sig{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  return sig;
}

// Length, type, data and the CRC of type and data.
inline PngBytes PngChunk(const char* type, const PngBytes& data) {
  PngBytes out;
  out.reserve(12 + data.size());
  PutBe32(out, static_cast<std::uint32_t>(data.size()));
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(type[i]));
  out.insert(out.end(), data.begin(), data.end());
  const uLong crc = crc32(0, out.data() + 4, static_cast<uInt>(4 + data.size()));
  PutBe32(out, static_cast<std::uint32_t>(crc));
  return out;
}

inline PngBytes IhdrData(std::uint32_t width, std::uint32_t height, std::uint8_t depth = 8,
                         std::uint8_t colour_type = 2) {
  PngBytes out;
  PutBe32(out, width);
  PutBe32(out, height);
  out.insert(out.end(), {depth, colour_type, 0, 0, 0});
  return out;
}

// The zlib stream of height rows of row_bytes zero bytes, each after filter
// type 0; level 0 stores them, which is fast at any size.
inline PngBytes ZeroRows(std::size_t row_bytes, std::size_t height, int level = 9) {
  const PngBytes raw((row_bytes + 1) * height, 0);
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  PngBytes out(size);
  if (compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), level) != Z_OK)
    throw std::runtime_error("compress2 failed");
  out.resize(size);
  return out;
}

inline void AppendTo(PngBytes& out, const PngBytes& more) { out.insert(out.end(), more.begin(), more.end()); }

// A whole PNG of zero pixels: signature, IHDR, one IDAT, IEND.
inline PngBytes TinyPng(std::uint32_t width = 3, std::uint32_t height = 2, std::uint8_t depth = 8,
                        std::uint8_t colour_type = 2) {
  static const unsigned channels[] = {1, 0, 3, 1, 2, 0, 4};
  const std::size_t row_bytes = (width * channels[colour_type] * depth + 7) / 8;
  PngBytes out = PngSignature();
  AppendTo(out, PngChunk("IHDR", IhdrData(width, height, depth, colour_type)));
  if (colour_type == 3) AppendTo(out, PngChunk("PLTE", PngBytes(3 * (1u << depth), 0x80)));
  AppendTo(out, PngChunk("IDAT", ZeroRows(row_bytes, height)));
  AppendTo(out, PngChunk("IEND", {}));
  return out;
}

}  // namespace gd::test
