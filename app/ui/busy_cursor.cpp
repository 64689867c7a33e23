#include "app/ui/busy_cursor.h"

#include <windows.h>

namespace gd {

namespace {
bool busy = false;
}  // namespace

void SetBusyCursor() {
  busy = true;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
}

void SetDefaultCursor() {
  busy = false;
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

bool IsBusyCursor() { return busy; }

}  // namespace gd
