#pragma once
// Where windows go: centred over another window or on the primary screen,
// with integer division truncating toward zero.

#include <windows.h>

namespace gd {

// Top-left corner that centres a window of outer size `own` over `over`
// (a screen rectangle); a negative coordinate is raised to 0.
POINT CenterOver(const RECT& over, SIZE own);

// Top-left corner that centres a window of outer size `own` on the primary
// screen; negative when the window is the larger.
POINT ScreenCenter(SIZE own);

// Moves the window, keeping its size, to the centre of the primary screen.
void CenterOnScreen(HWND wnd);

}  // namespace gd
