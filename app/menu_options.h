#pragma once
// The two options of the main window's system menu, each with its key in the
// settings file's Option section (after the six boxes' keys) and its place in
// Settings. Both are off unless the file says otherwise.

#include "app/settings.h"

namespace gd {

struct MenuOption {
  const char* caption;
  // Its command in the system menu: the system keeps the low four bits of
  // WM_SYSCOMMAND for itself, and its own commands start at 0xF000.
  unsigned command;
  const char* key;
  bool Settings::*setting;
};

// Every image: PNG and GIF too, icons measured as icons, no limit per file.
inline constexpr MenuOption kAllImagesOption{"すべての画像を探す(&A)", 0x0110, "AllImages",
                                             &Settings::all_images};
// Bitmaps saved as PNG with their transparency.
inline constexpr MenuOption kSaveAsPngOption{"PNG 形式で保存する(&P)", 0x0120, "SaveAsPng",
                                             &Settings::save_as_png};

inline constexpr MenuOption kMenuOptions[] = {kAllImagesOption, kSaveAsPngOption};

}  // namespace gd
