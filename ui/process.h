#pragma once
// The running program and the programs it starts.

#include <string>

namespace gd {

// The full path of the running executable.
std::string ModulePath();

// Starts a command line shown normally, as WinExec does, but in UTF-16 so
// that any folder name survives. A failure is not reported.
void StartCommandLine(const std::string& command_line);

}  // namespace gd
