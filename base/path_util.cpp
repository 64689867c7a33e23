#include "base/path_util.h"

#include <algorithm>
#include <cstddef>

namespace gd {

namespace {

bool IsNameDelimiter(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/' || c == ':';
#else
  return c == '/';
#endif
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::size_t LastDot(std::string_view name) { return name.rfind('.'); }

}  // namespace

std::string RightStr(std::string_view s, int n) {
  if (n <= 0) return {};
  const auto count = static_cast<std::size_t>(n);
  if (count >= s.size()) return std::string(s);
  return std::string(s.substr(s.size() - count));
}

std::string AddBackslash(std::string_view path, char sep) {
  std::string out(path);
  if (RightStr(path, 1) != std::string_view(&sep, 1)) out.push_back(sep);
  return out;
}

std::string_view FileNameOf(std::string_view path) {
  auto it = std::find_if(path.rbegin(), path.rend(), IsNameDelimiter);
  return path.substr(static_cast<std::size_t>(path.rend() - it));
}

std::string_view FolderOf(std::string_view path) {
  return path.substr(0, path.size() - FileNameOf(path).size());
}

std::string ExtensionOf(std::string_view path) {
  const std::string_view name = FileNameOf(path);
  const std::size_t dot = LastDot(name);
  if (dot == std::string_view::npos) return {};
  std::string_view ext = name.substr(dot + 1);
  if (ext.size() > 255) {
    std::size_t cut = 255;
    // Never leave half a UTF-8 sequence at the end.
    while (cut > 0 && (static_cast<unsigned char>(ext[cut]) & 0xC0) == 0x80) --cut;
    ext = ext.substr(0, cut);
  }
  return std::string(ext);
}

std::string BaseNameOf(std::string_view path) {
  const std::string_view name = FileNameOf(path);
  return std::string(name.substr(0, std::min(LastDot(name), name.size())));
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

bool SameFolderPath(std::string_view a, std::string_view b) {
  return kPathsIgnoreCase ? EqualsNoCase(a, b) : a == b;
}

}  // namespace gd
