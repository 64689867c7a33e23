#pragma once
// The screen's busy cursor. Portable code only says "busy" and "done"; a
// program with a real cursor (the Windows program) installs a hook that shows
// the hourglass. Without a hook both are no-ops.

#include <functional>

namespace gd {

enum class TCursor { crDefault, crHourGlass };

using CursorHook = std::function<void(TCursor)>;

// Installs hook (an empty function removes it); returns the previous one.
CursorHook SetCursorHook(CursorHook hook);
void SetScreenCursor(TCursor cursor);

// Shows the busy cursor for its lifetime and the default cursor after it,
// also when an exception passes.
class BusyCursor {
 public:
  BusyCursor() { SetScreenCursor(TCursor::crHourGlass); }
  ~BusyCursor() { SetScreenCursor(TCursor::crDefault); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace gd
