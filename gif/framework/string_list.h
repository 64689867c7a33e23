#pragma once
// An ordered list of byte strings with the list index error of the framework.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace gd {

class TStringList {
 public:
  // Appends s; returns its 0-based index.
  std::int32_t Add(std::string_view s);
  std::int32_t Count() const { return static_cast<std::int32_t>(items_.size()); }
  // 0-based; an index outside 0 to Count - 1 raises EStringListError.
  const std::string& Get(std::int32_t index) const;
  const std::string& operator[](std::int32_t index) const { return Get(index); }

 private:
  std::vector<std::string> items_;
};

}  // namespace gd
