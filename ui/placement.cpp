#include "ui/placement.h"

#include <algorithm>

namespace gd {

POINT CenterOver(const RECT& over, SIZE own) {
  const LONG left = over.left + (over.right - over.left - own.cx) / 2;
  const LONG top = over.top + (over.bottom - over.top - own.cy) / 2;
  return {std::max(left, 0L), std::max(top, 0L)};
}

POINT ScreenCenter(SIZE own) {
  return {(GetSystemMetrics(SM_CXSCREEN) - own.cx) / 2, (GetSystemMetrics(SM_CYSCREEN) - own.cy) / 2};
}

void CenterOnScreen(HWND wnd) {
  RECT r{};
  GetWindowRect(wnd, &r);
  const SIZE size{r.right - r.left, r.bottom - r.top};
  const POINT corner = ScreenCenter(size);
  MoveWindow(wnd, corner.x, corner.y, size.cx, size.cy, TRUE);
}

}  // namespace gd
