#pragma once
// Builders for small JPEG files segment by segment. TinyJpeg is a real
// picture (8 × 8 per component, every sample 128): its one-code Huffman
// tables make the entropy-coded data of each block two 0 bits.

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace gd::test {

using JpegBytes = std::vector<std::uint8_t>;

inline JpegBytes JpegCat(std::initializer_list<JpegBytes> parts) {
  JpegBytes out;
  for (const JpegBytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

inline JpegBytes Marker(std::uint8_t m) { return {0xFF, m}; }
inline JpegBytes Soi() { return Marker(0xD8); }
inline JpegBytes Eoi() { return Marker(0xD9); }

// FF, the marker, the big-endian length (2 + body) and the body.
inline JpegBytes Segment(std::uint8_t marker, const JpegBytes& body) {
  const auto length = body.size() + 2;
  JpegBytes out;
  out.reserve(2 + length);
  for (const std::uint8_t b : {std::uint8_t{0xFF}, marker, static_cast<std::uint8_t>(length >> 8),
                               static_cast<std::uint8_t>(length)})
    out.push_back(b);
  for (const std::uint8_t b : body) out.push_back(b);
  return out;
}

inline JpegBytes Jfif() { return Segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0}); }

// An 8-bit table of ones in slot.
inline JpegBytes Dqt(std::uint8_t slot = 0) {
  JpegBytes body{slot};
  body.resize(65, 1);
  return Segment(0xDB, body);
}

// A table (class 0 DC, 1 AC) with one code of one bit for the value 0.
inline JpegBytes Dht(std::uint8_t table_class, std::uint8_t slot = 0) {
  JpegBytes body{static_cast<std::uint8_t>(table_class << 4 | slot), 1};
  body.resize(17, 0);
  body.push_back(0);
  return Segment(0xC4, body);
}

inline JpegBytes Dri(std::uint16_t interval) {
  return Segment(0xDD, {static_cast<std::uint8_t>(interval >> 8), static_cast<std::uint8_t>(interval)});
}

// Components 1 to count, sampled 1 × 1, quantised by slot 0.
inline JpegBytes Sof(std::uint8_t marker, std::uint16_t width, std::uint16_t height, std::uint8_t count,
                     std::uint8_t precision = 8) {
  JpegBytes body{precision, static_cast<std::uint8_t>(height >> 8), static_cast<std::uint8_t>(height),
                 static_cast<std::uint8_t>(width >> 8), static_cast<std::uint8_t>(width), count};
  for (std::uint8_t k = 1; k <= count; ++k) body.insert(body.end(), {k, 0x11, 0});
  return Segment(marker, body);
}

// A scan of components first to first + count - 1 with tables 0 and 0.
inline JpegBytes Sos(std::uint8_t count, std::uint8_t start = 0, std::uint8_t end = 63, std::uint8_t first = 1) {
  JpegBytes body{count};
  for (std::uint8_t k = 0; k < count; ++k) body.insert(body.end(), {static_cast<std::uint8_t>(first + k), 0x00});
  body.insert(body.end(), {start, end, 0});
  return Segment(0xDA, body);
}

inline JpegBytes TinyJpeg(std::uint8_t components = 1) {
  // Two bits per block and component, padded with 1 bits.
  const JpegBytes data(1, components <= 4 ? static_cast<std::uint8_t>(0xFF >> (2 * components)) : 0);
  return JpegCat({Soi(), Jfif(), Dqt(), Sof(0xC0, 8, 8, components), Dht(0), Dht(1), Sos(components), data, Eoi()});
}

}  // namespace gd::test
