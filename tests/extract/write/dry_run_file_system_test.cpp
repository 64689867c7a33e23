// A report-only run's file services: the real files are read and left as they
// are; what the run writes, deletes or creates is answered as if done.

#include "extract/write/dry_run_file_system.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/temp_dir.h"

namespace gd {
namespace {

TEST(DryRunFileSystem, AnswersAsIfDoneAndChangesNothing) {
  test::TempDir tmp;
  tmp.Write("save/old.bmp", {1, 2});
  tmp.Write("blocker", {3});
  const std::unique_ptr<FileSystem> real = MakeNativeFileSystem();
  DryRunFileSystem dry(*real);
  const std::string save = tmp / "save/";
  const std::uint8_t bytes[] = {4, 5, 6};

  EXPECT_FALSE(dry.FileExists(save + "new.bmp"));
  dry.WriteNewFile(save + "new.bmp", bytes);
  EXPECT_TRUE(dry.FileExists(save + "new.bmp"));

  EXPECT_TRUE(dry.DeleteFile(save + "old.bmp"));
  EXPECT_FALSE(dry.FileExists(save + "old.bmp"));
  EXPECT_FALSE(dry.DeleteFile(save + "old.bmp")) << "already gone";
  EXPECT_FALSE(dry.DeleteFile(save + "never.bmp"));
  dry.WriteNewFile(save + "old.bmp", bytes);  // written again after the delete
  EXPECT_TRUE(dry.FileExists(save + "old.bmp"));

  EXPECT_TRUE(dry.CreateFolders(tmp / "made/deep"));
  EXPECT_TRUE(dry.FolderExists(tmp / "made/deep/"));
  EXPECT_FALSE(dry.CreateFolders(tmp / "blocker")) << "a file stands where the folder would go";

  // The real files are as they were, and are read through.
  EXPECT_FALSE(std::filesystem::exists(tmp / "save/new.bmp"));
  EXPECT_TRUE(std::filesystem::exists(tmp / "save/old.bmp"));
  EXPECT_FALSE(std::filesystem::exists(tmp / "made"));
  const std::unique_ptr<ByteSource> old = dry.OpenFile(save + "old.bmp");
  ASSERT_NE(old, nullptr);
  EXPECT_EQ(old->Size(), 2u);
}

}  // namespace
}  // namespace gd
