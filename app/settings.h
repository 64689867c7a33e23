#pragma once
// The program's persistent state: one INI file with the sections Window,
// Directry (spelled so in every file ever written) and Option. Read once when
// the main window is created, written once when it closes.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace gd {

struct Settings {
  std::int32_t pos_x = 68;  // the main window's designed position
  std::int32_t pos_y = 128;
  std::string source_dir;
  std::string save_dir;
  bool del_bmp = false;
  bool open_folder = true;
  bool no_ico_file = false;
  bool no_cur_file = false;
  bool no_ico_res = false;
  bool no_cur_res = false;
  bool all_images = false;
  bool save_as_png = false;
};

// One INI file. ReadString yields default_value when the file, the section or
// the key is missing, and the empty string for a key present with no value.
class ProfileStore {
 public:
  virtual ~ProfileStore() = default;
  virtual std::string ReadString(const char* section, const char* key, const std::string& default_value) = 0;
  // Replaces or adds the key; throws SettingsWriteError when it cannot.
  virtual void WriteString(const char* section, const char* key, const std::string& value) = 0;
};

class SettingsWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The values of a first start: the designed position, the executable's folder
// as the source folder, the default save folder with a trailing "\".
Settings FirstStartSettings(const std::string& exe_path);

// Each key that is missing or unreadable keeps the value it has in defaults.
Settings ReadSettings(ProfileStore& store, const Settings& defaults);

// Writes every key, section by section in the order above, so that a new
// file lists them in that order. A failing write stops there.
void WriteSettings(ProfileStore& store, const Settings& settings);

}  // namespace gd
