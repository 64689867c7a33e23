// The program block: start-up, the two windows, the message loop, shut-down.

#include <windows.h>

#include <exception>
#include <memory>

#include "app/globals.h"
#include "app/main_form.h"
#include "app/progress_msg.h"
#include "app/ui/application.h"
#include "app/ui/busy_cursor.h"
#include "app/ui/message_loop.h"
#include "gif/framework/cursor.h"
#include "gif/gif_bitmap.h"

namespace gd {
namespace {

int Run() {
  // GIF is a picture format for the program's lifetime: registered before the
  // windows exist, withdrawn after they are gone. While it loads, the screen
  // shows the hourglass.
  const GifFormatRegistration gif_format;
  SetCursorHook([](TCursor cursor) {
    if (cursor == TCursor::crHourGlass) {
      SetBusyCursor();
    } else {
      SetDefaultCursor();
    }
  });

  // The application's title is kApplicationTitle, used by every message box.
  auto main_form = std::make_unique<TMainForm>();
  MainForm = main_form.get();
  App().SetMainWindow(main_form->Handle());
  auto progress_msg = std::make_unique<TProgressMsg>();
  ProgressMsg = progress_msg.get();

  main_form->Show();
  RunMessageLoop();

  // The windows go before the units shut down.
  ProgressMsg = nullptr;
  progress_msg.reset();
  MainForm = nullptr;
  main_form.reset();
  SetCursorHook({});
  return 0;
}

}  // namespace
}  // namespace gd

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    return gd::Run();
  } catch (...) {
    gd::App().HandleException(std::current_exception());
    return 1;
  }
}
