#pragma once
// Makes a dialog modal for the whole program: while an instance lives, every
// top-level window of the thread that was visible and enabled is disabled.

#include <windows.h>

#include <vector>

namespace gd {

class ThreadWindowsDisabled {
 public:
  // Remembers the active window and disables the windows.
  ThreadWindowsDisabled();
  // Enables again each disabled window that still exists and activates the
  // remembered window.
  ~ThreadWindowsDisabled();
  ThreadWindowsDisabled(const ThreadWindowsDisabled&) = delete;
  ThreadWindowsDisabled& operator=(const ThreadWindowsDisabled&) = delete;

  const std::vector<HWND>& Disabled() const { return disabled_; }

 private:
  HWND active_;
  std::vector<HWND> disabled_;
};

}  // namespace gd
