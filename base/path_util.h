#pragma once
// Path text helpers. Paths are UTF-8 strings; a folder path ends in the
// platform's separator.

#include <string>
#include <string_view>

namespace gd {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
// Windows file names ignore the case of letters; the save-folder skip follows.
inline constexpr bool kPathsIgnoreCase = true;
#else
inline constexpr char kPathSeparator = '/';
inline constexpr bool kPathsIgnoreCase = false;
#endif

// The last n bytes of s; all of s when it is shorter; empty for n <= 0.
std::string RightStr(std::string_view s, int n);

// path unchanged when it already ends in sep, otherwise path + sep; an empty
// path gives sep alone.
std::string AddBackslash(std::string_view path, char sep = kPathSeparator);

// The file name: the text after the last separator (on Windows also "/" and
// the drive colon).
std::string_view FileNameOf(std::string_view path);
// The folder part: everything up to and including the last separator.
std::string_view FolderOf(std::string_view path);
// The extension without its dot: text after the last "." of the file name, at
// most 255 bytes (cut on a UTF-8 boundary); empty when there is no ".".
std::string ExtensionOf(std::string_view path);
// The file name without its extension (all of it when there is no ".").
std::string BaseNameOf(std::string_view path);

// True when text begins with prefix, ASCII letters compared without case.
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool EqualsNoCase(std::string_view a, std::string_view b);

// Whether two folder paths name the same folder as far as the text tells:
// ASCII case is ignored where the platform's file names ignore it.
bool SameFolderPath(std::string_view a, std::string_view b);

}  // namespace gd
