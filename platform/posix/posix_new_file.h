#pragma once
// New files that appear whole under their name or not at all, on POSIX
// systems: the parts of the file services that put output in place.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace gd::posix {

// Writes a new file's bytes to fd: 0, or the errno of what failed. Throws
// ReadError when its source cannot give them.
using NewFileContent = std::function<int(int fd)>;

bool CreateNewFile(const std::string& path, const NewFileContent& content);
bool CreateNewFile(const std::string& path, std::span<const std::uint8_t> bytes);
// The content that is length bytes of the file open as source_fd from
// offset, read by position (so other threads may read it meanwhile).
NewFileContent CopyOf(int source_fd, std::uint64_t offset, std::uint64_t length);
void ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes);
bool NameTaken(const std::string& path);
void RemoveLeftovers(const std::string& folder);

// The temporary names files are written under: hidden, and ending in
// neither ".bmp" nor any other output's type, so that no run takes one for
// an image and delete-first passes them over.
bool IsTemporaryName(std::string_view name);

// The ways a new file can get its name, from the best a file system offers
// down: an unnamed file linked in, a temporary renamed only if the name is
// free, a temporary hard-linked, the file created exclusively under its name.
enum class NamingWay { kUnnamedFile, kRenameNoReplace, kLink, kExclusiveCreate };
// Starts from way instead of the best, so that tests can try each on the file
// system at hand; a way the file system lacks still falls to the next.
void StartNamingFrom(NamingWay way);

}  // namespace gd::posix
