// A sparse source file larger than 4 GiB with images near its start, around
// the 2 GiB mark, past the 4 GiB mark and at its very end: all are found and
// written, nothing wraps. ctest runs this under a 1 GiB address-space cap, so
// the file is searched in bounded memory.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "extract/run/res_extract.h"
#include "tests/support/dib_fixtures.h"
#include "tests/support/temp_dir.h"

namespace gd {
namespace {

class NullHost final : public StatusSink, public ProgressSink, public MessageSink {
 public:
  void ShowStatus(const std::string&) override {}
  void SetCount(int) override {}
  bool IsCancelled() override { return false; }
  void ShowMessage(const std::string& text) override { ADD_FAILURE() << text; }
};

void WriteAt(int fd, std::uint64_t offset, const test::Bytes& bytes) {
  ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)),
            static_cast<ssize_t>(bytes.size()));
}

TEST(HugeFile, ImagesAnywhereInAFileFarLargerThanMemoryAreFound) {
  test::TempDir tmp;
  const std::string save = tmp.MakeFolder("save");
  const std::string src = tmp / "huge.bin";
  constexpr std::uint64_t kTwoGiB = std::uint64_t{1} << 31;
  constexpr std::uint64_t kFar = (std::uint64_t{1} << 32) + 4098;  // even, past 4 GiB
  const test::Bytes near_image = test::IconImage(16, 4, 0x33);
  const test::Bytes middle_image = test::IconImage(48, 32, 0x55);
  const test::Bytes far_image = test::IconImage(32, 8, 0x44);
  const test::Bytes last_image = test::IconImage(16, 1, 0x66);
  const std::uint64_t last_at = kFar + 8 * 1024 * 1024;
  {
    const int fd = ::open(src.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    WriteAt(fd, 1000, near_image);
    WriteAt(fd, kTwoGiB - 100, middle_image);  // across the 2 GiB mark
    WriteAt(fd, kFar, far_image);
    WriteAt(fd, last_at, last_image);  // its mask is the file's last byte
    ::close(fd);
  }

  const auto fs = MakeNativeFileSystem();
  NullHost host;
  TResExtract engine(*fs, host, host, host);
  engine.SetSaveDir(save);
  EXPECT_EQ(engine.ExtractFromFiles({src}), 4);
  EXPECT_EQ(test::ReadAll(save + "huge-bin-0.bmp").size(), 14u + 40 + 64 + 128);
  const auto middle_bmp = test::ReadAll(save + "huge-bin-1.bmp");
  ASSERT_EQ(middle_bmp.size(), 14u + 40 + 48 * 48 * 4);
  EXPECT_EQ(middle_bmp.back(), 0x55);
  const auto far_bmp = test::ReadAll(save + "huge-bin-2.bmp");
  ASSERT_EQ(far_bmp.size(), 14u + 40 + 1024 + 32 * 32);
  EXPECT_EQ(far_bmp.back(), 0x44);
  const auto last_bmp = test::ReadAll(save + "huge-bin-3.bmp");
  ASSERT_EQ(last_bmp.size(), 14u + 40 + 8 + 16 * 4);
  EXPECT_EQ(last_bmp.back(), 0x66);
}

}  // namespace
}  // namespace gd
