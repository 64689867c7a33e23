#pragma once
// The few things the command-line tool needs of the terminal, per platform.

#include <string>
#include <string_view>
#include <vector>

namespace gd::cli {

void WriteOut(std::string_view utf8);
void WriteErr(std::string_view utf8);

// Whether stderr is a terminal, and its width in columns (80 when unknown).
bool StderrIsTerminal();
int StderrColumns();

// After this, the first Ctrl-C only sets Interrupted(); a second one ends the
// program at once with status 130.
void InstallInterruptHandler();
bool Interrupted();

}  // namespace gd::cli
