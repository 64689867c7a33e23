#include <gtest/gtest.h>

#include "cli/terminal_host.h"

namespace gd::cli {
namespace {

TEST(ProgressLine, FitsTheTerminalKeepingTheEndOfThePath) {
  EXPECT_EQ(ProgressLine(3, "/a/b.ico", 80), "3枚 | /a/b.ico");
  // "12枚 | " takes 7 cells; 19 columns leave 11 for the path, one for "…".
  EXPECT_EQ(ProgressLine(12, "/long/folder/name.ico", 19), "12枚 | …r/name.ico");
  // Wide characters take two cells each.
  EXPECT_EQ(ProgressLine(1, "/日本語/アイコン.ico", 20), "1枚 | …アイコン.ico");
  // A large file shows how far through it the run is.
  EXPECT_EQ(ProgressLine(5, "/disk.img", 80, 37), "5枚 | 37% | /disk.img");
}

}  // namespace
}  // namespace gd::cli
