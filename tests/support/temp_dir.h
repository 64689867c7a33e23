#pragma once
// A scratch folder for one test, removed with everything in it afterwards.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace gd::test {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "glimmerdig-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder path with a trailing separator, as the engine takes folders.
  std::string folder() const { return path_.string() + "/"; }
  std::string operator/(const std::string& rel) const { return (path_ / rel).string(); }

  std::string Write(const std::string& rel, const std::vector<std::uint8_t>& bytes) const {
    const std::filesystem::path p = path_ / rel;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                             static_cast<std::streamsize>(bytes.size()));
    return p.string();
  }
  std::string MakeFolder(const std::string& rel) const {
    std::filesystem::create_directories(path_ / rel);
    return (path_ / rel).string() + "/";
  }

 private:
  std::filesystem::path path_;
};

inline std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Names of the files directly in a folder, sorted.
inline std::vector<std::string> FileNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    if (e.is_regular_file()) names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace gd::test
