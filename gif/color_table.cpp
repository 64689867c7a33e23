#include "gif/color_table.h"

namespace gd {

namespace {

constexpr std::array<TColorItem, 16> kSixteenColors{{
    {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
    {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {128, 128, 128},
    {192, 192, 192}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
    {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
}};

}  // namespace

TColorTable::TColorTable(std::uint16_t num_colors) {
  switch (num_colors) {
    case 0:
    case 2:
      Colors[1] = {255, 255, 255};
      break;
    case 16:
      for (std::size_t i = 0; i < kSixteenColors.size(); ++i) Colors[i] = kSixteenColors[i];
      break;
    case 256:
      for (std::size_t i = 0; i < Colors.size(); ++i) {
        const auto v = static_cast<std::uint8_t>(i);
        Colors[i] = {v, v, v};
      }
      break;
    default:
      break;
  }
  Count = num_colors;
}

}  // namespace gd
