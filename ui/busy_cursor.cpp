#include "ui/busy_cursor.h"

#include <windows.h>

namespace gd {

namespace {
int busy_scopes = 0;  // nested scopes: the outermost one restores the default
}  // namespace

BusyCursor::BusyCursor() {
  ++busy_scopes;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
}

BusyCursor::~BusyCursor() {
  if (--busy_scopes == 0) SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

bool IsBusyCursor() { return busy_scopes > 0; }

}  // namespace gd
