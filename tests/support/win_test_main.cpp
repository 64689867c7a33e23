// The Windows tests' entry point (wide, like the program: -municode).
#include <gtest/gtest.h>

#include "ui/application.h"

int wmain(int argc, wchar_t** argv) {
  testing::InitGoogleTest(&argc, argv);
  // The message boxes' title, as the program sets it.
  gd::App().SetTitle("グリマーディグ");
  return RUN_ALL_TESTS();
}
