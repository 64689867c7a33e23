#pragma once
// New files that appear whole under their name or not at all, on Windows:
// the parts of the file services that put output in place.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace gd::win32 {

bool CreateNewFile(const std::string& path, std::span<const std::uint8_t> bytes);
void ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes);
bool NameTaken(const std::string& path);
void RemoveLeftovers(const std::string& folder);

// The temporary names replaced files are written under: ending in neither ".bmp" nor
// any other output's type, so that no run takes one for an image and
// delete-first passes them over.
bool IsTemporaryName(std::string_view name);

}  // namespace gd::win32
