#pragma once
// The sources named on the program's command line, as "Send to" and a drop
// onto the program's icon give them.

#include <string>
#include <vector>

namespace gd {

// The arguments after the program's name, in UTF-8, in their order. A quoted
// argument that ends in a backslash ("D:\" from "Send to" on a drive) comes
// back with its backslash.
std::vector<std::string> CommandLineSources(const wchar_t* command_line);

}  // namespace gd
