#pragma once
// The settings file through the Windows profile service. A file the program
// creates is UTF-16 with a byte-order mark, so that folder names in any script
// survive; a file in the ANSI code page written by hand is still read.

#include <string>

#include "app/settings.h"

namespace gd {

class IniFile final : public ProfileStore {
 public:
  explicit IniFile(std::string path) : path_(std::move(path)) {}
  std::string ReadString(const char* section, const char* key, const std::string& default_value) override;
  void WriteString(const char* section, const char* key, const std::string& value) override;
  const std::string& path() const { return path_; }

 private:
  void CreateUnicodeFileIfMissing();

  std::string path_;
};

}  // namespace gd
