#pragma once
// How settings values are read and written. The settings file is edited by
// hand now and then, so reading is lenient in the same few ways the program
// has always been: hexadecimal with "$", "x" or "0x", a sign, leading blanks.
// Anything else falls back to the key's default.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace gd {

// A signed 32-bit integer: leading blanks, an optional "+" or "-", then
// decimal digits, or hexadecimal digits after "$", "x", "X", "0x" or "0X".
// nullopt for empty text, stray characters or a value outside the range.
std::optional<std::int32_t> ParseProfileInt(std::string_view text);

// The value of an integer key as read: a leading "0x" is taken as "$" first.
std::int32_t ReadProfileInt(std::string_view text, std::int32_t default_value);

// Booleans are integers; any value other than 0 is true, a value that is not
// an integer gives the default.
bool ReadProfileBool(std::string_view text, bool default_value);

std::string FormatProfileInt(std::int32_t value);
std::string FormatProfileBool(bool value);

}  // namespace gd
