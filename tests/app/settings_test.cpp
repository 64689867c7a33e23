#include "app/settings.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace gd {
namespace {

// An INI file in memory that records the order of writes and can be made to
// fail at a given write.
class FakeProfile : public ProfileStore {
 public:
  std::map<std::pair<std::string, std::string>, std::string> values;
  std::vector<std::string> written;  // "Section/Key=value"
  int fail_at = -1;

  std::string ReadString(const char* section, const char* key, const std::string& default_value) override {
    auto it = values.find({section, key});
    return it == values.end() ? default_value : it->second;
  }
  void WriteString(const char* section, const char* key, const std::string& value) override {
    if (static_cast<int>(written.size()) == fail_at) throw SettingsWriteError("cannot write");
    values[{section, key}] = value;
    written.push_back(std::string(section) + "/" + key + "=" + value);
  }
};

TEST(Settings, FirstStartDefaults) {
  FakeProfile empty;
  const Settings s = ReadSettings(empty, FirstStartSettings("C:\\Tools\\glimmerdig.exe"));
  EXPECT_EQ(s.pos_x, 68);
  EXPECT_EQ(s.pos_y, 128);
  EXPECT_EQ(s.source_dir, "C:\\Tools\\");
  EXPECT_EQ(s.save_dir, "C:\\Tools\\BmpSave\\");
  EXPECT_FALSE(s.del_bmp);
  EXPECT_TRUE(s.open_folder);
  EXPECT_FALSE(s.no_ico_file || s.no_cur_file || s.no_ico_res || s.no_cur_res);
  EXPECT_FALSE(s.all_images);
  EXPECT_FALSE(s.save_as_png);
}

TEST(Settings, ReadAppliesTheValueRulesPerKey) {
  FakeProfile p;
  p.values[{"Window", "PosX"}] = "0x20";
  p.values[{"Window", "PosY"}] = "abc";
  p.values[{"Directry", "Src"}] = "D:\\src\\";
  p.values[{"Directry", "Dst"}] = "";  // present but empty: kept, not defaulted
  p.values[{"Option", "DelBmp"}] = "2";
  p.values[{"Option", "OpenFolder"}] = "yes";
  p.values[{"Option", "NoIcoFile"}] = "yes";
  p.values[{"Option", "NoCurRes"}] = "-1";
  p.values[{"Option", "AllImages"}] = "yes";
  p.values[{"Option", "SaveAsPng"}] = "1";
  Settings defaults = FirstStartSettings("C:\\T\\g.exe");
  defaults.pos_y = 300;  // the window's current top edge is the default
  const Settings s = ReadSettings(p, defaults);
  EXPECT_EQ(s.pos_x, 32);
  EXPECT_EQ(s.pos_y, 300);
  EXPECT_EQ(s.source_dir, "D:\\src\\");
  EXPECT_EQ(s.save_dir, "");
  EXPECT_TRUE(s.del_bmp);
  EXPECT_TRUE(s.open_folder);
  EXPECT_FALSE(s.no_ico_file);
  EXPECT_FALSE(s.no_cur_file);
  EXPECT_FALSE(s.no_ico_res);
  EXPECT_TRUE(s.no_cur_res);
  EXPECT_FALSE(s.all_images);  // not an integer: the default, off
  EXPECT_TRUE(s.save_as_png);
}

TEST(Settings, DstWithoutTrailingBackslashIsKeptAsItIs) {
  FakeProfile p;
  p.values[{"Directry", "Dst"}] = "E:\\out";
  EXPECT_EQ(ReadSettings(p, FirstStartSettings("C:\\g.exe")).save_dir, "E:\\out");
}

TEST(Settings, WritesEveryKeyInOrderAndReadsThemBack) {
  Settings s;
  s.pos_x = -8;
  s.pos_y = 640;
  s.source_dir = "C:\\ソース\\";
  s.save_dir = "";
  s.del_bmp = true;
  s.open_folder = false;
  s.no_cur_file = true;
  s.no_cur_res = true;
  s.save_as_png = true;
  FakeProfile p;
  WriteSettings(p, s);
  const std::vector<std::string> expected = {
      "Window/PosX=-8",      "Window/PosY=640",      "Directry/Src=C:\\ソース\\", "Directry/Dst=",
      "Option/DelBmp=1",     "Option/OpenFolder=0",  "Option/NoIcoFile=0",       "Option/NoCurFile=1",
      "Option/NoIcoRes=0",   "Option/NoCurRes=1",    "Option/AllImages=0",       "Option/SaveAsPng=1"};
  EXPECT_EQ(p.written, expected);
  const Settings back = ReadSettings(p, FirstStartSettings("C:\\g.exe"));
  EXPECT_EQ(back.pos_x, -8);
  EXPECT_EQ(back.save_dir, "");
  EXPECT_EQ(back.source_dir, s.source_dir);
  EXPECT_TRUE(back.del_bmp);
  EXPECT_FALSE(back.open_folder);
  EXPECT_TRUE(back.no_cur_file && back.no_cur_res);
  EXPECT_FALSE(back.all_images);
  EXPECT_TRUE(back.save_as_png);
}

TEST(Settings, AFailingWriteKeepsTheEarlierKeysAndStops) {
  FakeProfile p;
  p.fail_at = 3;  // Directry/Dst
  EXPECT_THROW(WriteSettings(p, Settings{}), SettingsWriteError);
  EXPECT_EQ(p.written.size(), 3u);
  EXPECT_EQ(p.values.count({"Option", "DelBmp"}), 0u);
}

}  // namespace
}  // namespace gd
