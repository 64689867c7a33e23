#pragma once
// The screen's busy cursor: the hourglass over every window of the program
// for as long as a BusyCursor lives, and the default cursor after it, also
// when an exception passes. Whoever keeps the thread busy shows it; the
// work itself (a picture loader, say) leaves the screen alone.

namespace gd {

class BusyCursor {
 public:
  BusyCursor();
  ~BusyCursor();
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

// True while a BusyCursor lives; the forms then answer with the hourglass.
bool IsBusyCursor();

}  // namespace gd
