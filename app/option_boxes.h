#pragma once
// The main window's six option boxes, each with its key in the settings
// file's Option section, its place in Settings and, for the four that leave
// something out, the engine's exclusion bit. In the order in which the
// settings file lists them and the engine's flags are built.

#include <cstdint>

#include "app/settings.h"
#include "extract/run/res_extract.h"

namespace gd {

struct OptionBox {
  const char* box;           // the check box's control name
  const char* key;           // its key in the Option section
  bool Settings::*setting;   // its state in Settings
  std::uint8_t exclude_bit;  // 0 for the two options that exclude nothing
};

inline constexpr OptionBox kDelBmpOption{"cbDelBmp", "DelBmp", &Settings::del_bmp, 0};
inline constexpr OptionBox kOpenFolderOption{"cbOpenFolder", "OpenFolder", &Settings::open_folder, 0};

inline constexpr OptionBox kOptionBoxes[] = {
    kDelBmpOption,
    kOpenFolderOption,
    {"cbNoIcoFile", "NoIcoFile", &Settings::no_ico_file, kNoIcoFile},
    {"cbNoCurFile", "NoCurFile", &Settings::no_cur_file, kNoCurFile},
    {"cbNoIcoRes", "NoIcoRes", &Settings::no_ico_res, kNoIcoRes},
    {"cbNoCurRes", "NoCurRes", &Settings::no_cur_res, kNoCurRes},
};

}  // namespace gd
