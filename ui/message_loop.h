#pragma once
// The main message loop and the pumping of pending messages, with the same
// pre-processing (dialog navigation and access keys) in both.

#include <windows.h>

namespace gd {

// Offers a message to the keyboard handling of the form it belongs to; true
// when consumed there (not to be dispatched).
bool PreTranslate(MSG& msg);

// Runs every message waiting in the thread's queue, then returns. A quit
// message is not dispatched: it marks the application as terminating.
void ProcessMessages();

// Runs until the application terminates (a quit message arrives).
void RunMessageLoop();

}  // namespace gd
