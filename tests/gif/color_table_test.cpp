#include "gif/color_table.h"

#include <gtest/gtest.h>

namespace gd {
namespace {

bool Same(const TColorItem& a, const TColorItem& b) {
  return a.Red == b.Red && a.Green == b.Green && a.Blue == b.Blue;
}

TEST(ColorTable, CountIsWhatWasAskedForWhateverThePreset) {
  for (const std::uint16_t n : std::initializer_list<std::uint16_t>{0, 1, 2, 3, 4, 8, 16, 32, 64, 128, 256, 300}) {
    TColorTable table(n);
    EXPECT_EQ(table.Count, n);
  }
}

TEST(ColorTable, BlackAndWhitePresetForZeroAndTwo) {
  for (const std::uint16_t n : std::initializer_list<std::uint16_t>{0, 2}) {
    TColorTable table(n);
    EXPECT_TRUE(Same(table.Colors[0], {0, 0, 0}));
    EXPECT_TRUE(Same(table.Colors[1], {255, 255, 255}));
    for (std::size_t i = 2; i < 256; ++i) EXPECT_TRUE(Same(table.Colors[i], {0, 0, 0})) << n << " " << i;
  }
}

TEST(ColorTable, SixteenColourPresetInItsOrder) {
  const TColorItem expected[16] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                   {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {128, 128, 128},
                                   {192, 192, 192}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                   {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
  TColorTable table(16);
  for (std::size_t i = 0; i < 16; ++i) EXPECT_TRUE(Same(table.Colors[i], expected[i])) << i;
  for (std::size_t i = 16; i < 256; ++i) EXPECT_TRUE(Same(table.Colors[i], {0, 0, 0})) << i;
}

TEST(ColorTable, GreyRampForTwoHundredFiftySix) {
  TColorTable table(256);
  for (std::size_t i = 0; i < 256; ++i) {
    const auto v = static_cast<std::uint8_t>(i);
    EXPECT_TRUE(Same(table.Colors[i], {v, v, v})) << i;
  }
}

TEST(ColorTable, CountsWithoutPresetAreAllBlack) {
  for (const std::uint16_t n : std::initializer_list<std::uint16_t>{4, 8, 32, 64, 128}) {
    TColorTable table(n);
    for (const TColorItem& c : table.Colors) EXPECT_TRUE(Same(c, {0, 0, 0})) << n;
  }
}

TEST(ColorTable, SettingCountChangesNoEntry) {
  TColorTable table(256);
  table.Count = 8;
  EXPECT_TRUE(Same(table.Colors[200], {200, 200, 200}));
  EXPECT_TRUE(Same(table.Colors[255], {255, 255, 255}));
}

}  // namespace
}  // namespace gd
