#include "extract/write/output_name.h"

#include <gtest/gtest.h>

namespace gd {
namespace {

TEST(OutputName, BaseExtensionAndIndex) {
  EXPECT_EQ(OutputName("/out/", "/w/app.ico", 0), "/out/app-ico-0.bmp");
  EXPECT_EQ(OutputName("/out/", "/w/README", 12), "/out/README--12.bmp");
  EXPECT_EQ(OutputName("/out/", "/w/.profile", 0), "/out/-profile-0.bmp");
  EXPECT_EQ(OutputName("/out/", "/w/archive.tar.gz", 999), "/out/archive.tar-gz-999.bmp");
  // The save folder is used as given: no separator is inserted.
  EXPECT_EQ(OutputName("/out", "/w/a.exe", 1), "/outa-exe-1.bmp");
}

}  // namespace
}  // namespace gd
