// A sparse source file larger than 4 GiB with one image near its start and
// one past the 4 GiB mark: both are found and written, nothing wraps.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "extract/errors.h"
#include "extract/res_extract.h"
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

TEST(HugeFile, ImagesPastFourGibibytesAreFound) {
  test::TempDir tmp;
  const std::string save = tmp.MakeFolder("save");
  const std::string src = tmp / "huge.bin";
  constexpr std::uint64_t kFar = (std::uint64_t{1} << 32) + 4098;  // even, past 4 GiB
  const test::Bytes near_image = test::IconImage(16, 4, 0x33);
  const test::Bytes far_image = test::IconImage(32, 8, 0x44);
  {
    const int fd = ::open(src.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    WriteAt(fd, 1000, near_image);
    WriteAt(fd, kFar, far_image);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(kFar + far_image.size() + 1000)), 0);
    ::close(fd);
  }

  const auto fs = MakeNativeFileSystem();
  NullHost host;
  TResExtract engine(*fs, host, host, host);
  engine.SetSaveDir(save);
  try {
    EXPECT_EQ(engine.ExtractFromFiles({src}), 2);
  } catch (const OutOfMemoryError& e) {
    GTEST_SKIP() << "refused with the memory error: " << e.what();
  }
  const auto far_bmp = test::ReadAll(save + "huge-bin-1.bmp");
  ASSERT_EQ(far_bmp.size(), 14u + 40 + 1024 + 32 * 32);
  EXPECT_EQ(far_bmp.back(), 0x44);
  EXPECT_EQ(test::ReadAll(save + "huge-bin-0.bmp").size(), 14u + 40 + 64 + 128);
}

}  // namespace
}  // namespace gd
