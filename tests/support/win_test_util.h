#pragma once
// Driving real windows from tests: running code inside modal loops, pumping,
// reading windows back, checking a form's layout, an owner for the windows
// under test, and screenshots.

#include <windows.h>

#include <chrono>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "ui/form.h"
#include "ui/layout.h"

namespace gd::test {

// Runs `action` from the thread's message loop, whichever loop that is (a
// modal dialog's included), about `delay` from now.
void Later(std::function<void()> action, std::chrono::milliseconds delay = std::chrono::milliseconds(100));

// Dispatches messages for a while.
void PumpFor(std::chrono::milliseconds duration);

std::string WindowText(HWND wnd);
std::string ClassName(HWND wnd);
std::vector<HWND> Children(HWND parent);
// A visible top-level window of this thread with this title, or null.
HWND FindThreadWindow(const std::string& title);
// The first child with this class and text, or null.
HWND FindChild(HWND parent, const std::string& cls, const std::string& text);
// A rectangle in the parent's client coordinates.
RECT RectInParent(HWND child);

// A control's expected rectangle, relative to `origin` in its parent's
// client area, and its text unless that is null.
struct ExpectedControl {
  const char* name;
  int left, top, width, height;
  const char* text = nullptr;
};

// Checks each control of the form against its expectation; a failure names
// the control.
void ExpectControls(const Form& form, std::span<const ExpectedControl> expected, POINT origin = {0, 0});

// A form with a caption and a client size and nothing in it.
FormLayout PlainLayout(std::string caption, int client_width, int client_height);

// A shown form that is the application's main window while it lives: the
// owner of dialogs and of the progress window, and the window whose messages
// go to the application's hooks.
class OwnerForm : public Form {
 public:
  explicit OwnerForm(const FormLayout& layout);
  ~OwnerForm() override;
};

// Presses and releases a key on the focused window of the thread, by posted
// messages; `alt` sends them as system keys (access keys). The characters
// come from translating them, as for real typing.
void PostKey(WORD vk, bool alt = false);

// Copies the window's picture (frame included) to a .bmp file,
// creating the file's folder. True on success.
bool SaveScreenshot(HWND wnd, const std::string& path);

}  // namespace gd::test
