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

// The ways a new file can get its name: a temporary that the system deletes
// when its handle closes, hard-linked under the name (a killed run leaves
// nothing); where the file system has no hard links, a temporary moved to the
// name without replacing (a killed run's temporary is left for the next run
// to remove; under Wine this move replaces a dangling link).
enum class NamingWay { kHardLink, kMove };
// Starts from way instead of the best, so that tests can try each.
void StartNamingFrom(NamingWay way);

}  // namespace gd::win32
