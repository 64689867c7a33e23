#pragma once
// A GIF colour table: 256 entries in file byte order, and how many are in use.

#include <array>
#include <cstdint>

namespace gd {

struct TColorItem {
  std::uint8_t Red;
  std::uint8_t Green;
  std::uint8_t Blue;
};
static_assert(sizeof(TColorItem) == 3, "a colour entry has the layout of a GIF table entry");

class TColorTable {
 public:
  // Every entry starts black; the counts 0, 2, 16 and 256 then get a preset
  // palette. Count is set to num_colors whatever it is.
  explicit TColorTable(std::uint16_t num_colors);

  // Plain fields: the reader sets Count and fills Colors directly. All 256
  // entries always exist; those at and above Count keep what they hold.
  std::int32_t Count = 0;
  std::array<TColorItem, 256> Colors{};
};

}  // namespace gd
