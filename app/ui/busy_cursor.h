#pragma once
// The screen's busy cursor: the hourglass over every window of the program
// until the default cursor is set again.

namespace gd {

void SetBusyCursor();
void SetDefaultCursor();
bool IsBusyCursor();

}  // namespace gd
