#include "app/settings.h"

#include "app/app_text.h"
#include "app/menu_options.h"
#include "app/option_boxes.h"
#include "app/profile_values.h"

namespace gd {
namespace {

constexpr const char* kWindow = "Window";
constexpr const char* kDirectry = "Directry";
constexpr const char* kOption = "Option";

std::int32_t ReadInt(ProfileStore& store, const char* section, const char* key, std::int32_t default_value) {
  return ReadProfileInt(store.ReadString(section, key, std::string()), default_value);
}

bool ReadBool(ProfileStore& store, const char* key, bool default_value) {
  return ReadProfileBool(store.ReadString(kOption, key, std::string()), default_value);
}

}  // namespace

Settings FirstStartSettings(const std::string& exe_path) {
  Settings s;
  s.source_dir = FolderPart(exe_path);
  s.save_dir = DefaultSaveFolder(exe_path) + "\\";
  return s;
}

Settings ReadSettings(ProfileStore& store, const Settings& defaults) {
  Settings s;
  s.pos_x = ReadInt(store, kWindow, "PosX", defaults.pos_x);
  s.pos_y = ReadInt(store, kWindow, "PosY", defaults.pos_y);
  s.source_dir = store.ReadString(kDirectry, "Src", defaults.source_dir);
  s.save_dir = store.ReadString(kDirectry, "Dst", defaults.save_dir);
  for (const OptionBox& o : kOptionBoxes) s.*o.setting = ReadBool(store, o.key, defaults.*o.setting);
  for (const MenuOption& o : kMenuOptions) s.*o.setting = ReadBool(store, o.key, defaults.*o.setting);
  return s;
}

void WriteSettings(ProfileStore& store, const Settings& s) {
  store.WriteString(kWindow, "PosX", FormatProfileInt(s.pos_x));
  store.WriteString(kWindow, "PosY", FormatProfileInt(s.pos_y));
  store.WriteString(kDirectry, "Src", s.source_dir);
  store.WriteString(kDirectry, "Dst", s.save_dir);
  for (const OptionBox& o : kOptionBoxes) store.WriteString(kOption, o.key, FormatProfileBool(s.*o.setting));
  for (const MenuOption& o : kMenuOptions) store.WriteString(kOption, o.key, FormatProfileBool(s.*o.setting));
}

}  // namespace gd
