#include "ui/modal.h"

namespace gd {

namespace {

BOOL CALLBACK DisableOne(HWND wnd, LPARAM list) {
  if (IsWindowVisible(wnd) && IsWindowEnabled(wnd)) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(wnd);
  }
  return TRUE;
}

}  // namespace

ThreadWindowsDisabled::ThreadWindowsDisabled() : active_(GetActiveWindow()) {
  // Collect first: disabling while enumerating could reorder the list.
  EnumThreadWindows(GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(&disabled_));
  for (HWND wnd : disabled_) EnableWindow(wnd, FALSE);
}

ThreadWindowsDisabled::~ThreadWindowsDisabled() {
  for (HWND wnd : disabled_) {
    if (IsWindow(wnd)) EnableWindow(wnd, TRUE);
  }
  if (active_ && IsWindow(active_)) SetActiveWindow(active_);
}

}  // namespace gd
