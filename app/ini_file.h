#pragma once
// The settings file through the Windows profile service. The program writes
// it in UTF-16 with a byte-order mark, so that folder names in any script
// survive; a file in the ANSI code page written by hand is read, and turned
// into UTF-16 when the program first writes to it.

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
  void PrepareForWriting();
  static bool WriteNewFile(const std::wstring& path, const std::wstring& text);

  std::string path_;
  bool prepared_ = false;
};

}  // namespace gd
