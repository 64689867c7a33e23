// The program's entry: start-up, the two windows, the message loop, shut-down.

#include <windows.h>

#include <exception>
#include <memory>
#include <string>
#include <utility>

#include "app/app_text.h"
#include "app/command_line.h"
#include "app/main_form.h"
#include "app/progress_msg.h"
#include "gif/picture/gif_bitmap.h"
#include "ui/application.h"
#include "ui/message_loop.h"

namespace gd {
namespace {

int Run() {
  // GIF is one of the graphics framework's picture formats for as long as
  // the program runs: registered before the windows exist, withdrawn after
  // they are gone. Extraction never loads a picture; code of the program
  // that does holds a BusyCursor around the load, since the codec leaves the
  // screen alone.
  const GifFormatRegistration gif_format;

  App().SetTitle(std::string(kAppTitle));

  // The progress window stays above the main window, so it comes second; the
  // main window asks for it when a run starts.
  std::unique_ptr<TProgressMsg> progress_msg;
  MainFormSeams seams;
  seams.progress_window = [&progress_msg] { return progress_msg.get(); };
  auto main_form = std::make_unique<TMainForm>(std::move(seams));
  App().SetMainWindow(main_form->Handle());
  progress_msg = std::make_unique<TProgressMsg>();

  // "Send to" and drops on the program's icon name their sources here.
  main_form->OpenWhenShown(CommandLineSources(GetCommandLineW()));
  main_form->Show();
  RunMessageLoop();

  // The windows go before the picture format is withdrawn.
  progress_msg.reset();
  main_form.reset();
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
