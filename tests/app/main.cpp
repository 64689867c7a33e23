// The main window's tests under Wine (wide entry point, like the program).
#include <gtest/gtest.h>

#include <string>

#include "app/app_text.h"
#include "ui/application.h"

int wmain(int argc, wchar_t** argv) {
  testing::InitGoogleTest(&argc, argv);
  // The message boxes' title, as the program sets it.
  gd::App().SetTitle(std::string(gd::kAppTitle));
  return RUN_ALL_TESTS();
}
