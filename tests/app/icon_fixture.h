#pragma once
// A small icon file: square 16-colour images of the given sizes, each with
// its colour rows and 1-bit mask, as icon editors write them.

#include <cstdint>
#include <vector>

namespace gd::test {

inline void PutLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

inline std::vector<std::uint8_t> IconFile(const std::vector<int>& sizes) {
  std::vector<std::uint8_t> out;
  PutLe(out, 0, 2);
  PutLe(out, 1, 2);
  PutLe(out, static_cast<std::uint32_t>(sizes.size()), 2);
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(sizes.size());
  auto image_bytes = [](int n) {
    const auto side = static_cast<std::uint32_t>(n);
    const std::uint32_t colour_row = (side * 4 + 31) / 32 * 4;
    const std::uint32_t mask_row = (side + 31) / 32 * 4;
    return std::vector<std::uint32_t>{colour_row * side, mask_row * side};
  };
  for (int n : sizes) {
    const auto parts = image_bytes(n);
    const std::uint32_t size = 40 + 64 + parts[0] + parts[1];
    out.push_back(static_cast<std::uint8_t>(n));
    out.push_back(static_cast<std::uint8_t>(n));
    out.push_back(16);
    out.push_back(0);
    PutLe(out, 1, 2);
    PutLe(out, 4, 2);
    PutLe(out, size, 4);
    PutLe(out, offset, 4);
    offset += size;
  }
  for (int n : sizes) {
    const auto parts = image_bytes(n);
    PutLe(out, 40, 4);
    PutLe(out, static_cast<std::uint32_t>(n), 4);
    PutLe(out, static_cast<std::uint32_t>(2 * n), 4);  // colour rows and mask rows
    PutLe(out, 1, 2);
    PutLe(out, 4, 2);
    PutLe(out, 0, 4);
    PutLe(out, parts[0] + parts[1], 4);
    PutLe(out, 0, 4);
    PutLe(out, 0, 4);
    PutLe(out, 0, 4);
    PutLe(out, 0, 4);
    for (std::uint32_t i = 0; i < 16; ++i) PutLe(out, (i * 0x111111u) & 0xFFFFFFu, 4);
    for (std::uint32_t i = 0; i < parts[0]; ++i) out.push_back(static_cast<std::uint8_t>(0x12 + (i % 7) * 0x11));
    for (std::uint32_t i = 0; i < parts[1]; ++i) out.push_back(0);
  }
  return out;
}

}  // namespace gd::test
