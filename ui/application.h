#pragma once
// The application object: its title, its main window, whether it is ending,
// the hooks on the main window's messages, and the default handler for
// exceptions nobody caught.

#include <windows.h>

#include <exception>
#include <functional>
#include <map>
#include <string>
#include <utility>

namespace gd {

// One window message, as offered to a hook; a hook that handles it sets Result.
struct WindowMessage {
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
  LRESULT Result;
};

using MessageHook = std::function<bool(WindowMessage& message)>;

class Application {
 public:
  // The title of the program's plain and error message boxes.
  const std::string& Title() const { return title_; }
  void SetTitle(std::string title) { title_ = std::move(title); }

  // The main window is the application's window: owner of dialogs, and the
  // window whose messages are offered to the hooks first.
  HWND MainWindow() const { return main_window_; }
  void SetMainWindow(HWND wnd) { main_window_ = wnd; }

  // Set when a quit message arrives; the main message loop then ends.
  bool Terminated() const { return terminated_; }
  void Terminate() { terminated_ = true; }
  void ResetTerminated() { terminated_ = false; }

  // Returns a key for RemoveHook.
  int AddHook(MessageHook hook);
  void RemoveHook(int key);
  // True when a hook handled the message.
  bool OfferToHooks(WindowMessage& message);

  // The default handler: an error box with the exception's message; the
  // program goes on.
  void HandleException(std::exception_ptr error);

  // Replaces the error box, for tests; an empty function restores it.
  void SetExceptionHandler(std::function<void(const std::string&)> handler) {
    exception_handler_ = std::move(handler);
  }

 private:
  std::string title_;
  HWND main_window_ = nullptr;
  bool terminated_ = false;
  int next_hook_ = 1;
  std::map<int, MessageHook> hooks_;
  std::function<void(const std::string&)> exception_handler_;
};

Application& App();

// The message of any exception, for the error box.
std::string ExceptionMessage(std::exception_ptr error);

}  // namespace gd
