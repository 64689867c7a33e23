#include <gtest/gtest.h>

#include <filesystem>

#include "extract/errors.h"
#include "extract/file_system.h"
#include "tests/support/temp_dir.h"

namespace gd {
namespace {

using test::TempDir;

TEST(PosixFileSystem, LoadsWholeFilesAndRefusesWhatIsNoFile) {
  TempDir tmp;
  const auto fs = MakeNativeFileSystem();
  const std::vector<std::uint8_t> bytes{1, 2, 3, 4, 5};
  const std::string path = tmp.Write("f.bin", bytes);
  const auto loaded = fs->LoadFile(path);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(std::vector<std::uint8_t>(loaded->bytes().begin(), loaded->bytes().end()), bytes);
  const auto empty = fs->LoadFile(tmp.Write("empty", {}));
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->size(), 0u);
  EXPECT_FALSE(fs->LoadFile(tmp / "missing"));
  EXPECT_FALSE(fs->LoadFile(tmp.folder()));
}

TEST(PosixFileSystem, ExistenceTellsFilesFromFolders) {
  TempDir tmp;
  const auto fs = MakeNativeFileSystem();
  const std::string file = tmp.Write("f", {1});
  EXPECT_TRUE(fs->FileExists(file));
  EXPECT_FALSE(fs->FolderExists(file));
  EXPECT_TRUE(fs->FolderExists(tmp.folder()));
  EXPECT_FALSE(fs->FileExists(tmp.folder()));
  EXPECT_FALSE(fs->FolderExists(""));
}

TEST(PosixFileSystem, WritesReplacesAndCreatesFolders) {
  TempDir tmp;
  const auto fs = MakeNativeFileSystem();
  const std::string path = tmp / "out.bmp";
  fs->WriteNewFile(path, std::vector<std::uint8_t>(10, 7));
  fs->WriteNewFile(path, std::vector<std::uint8_t>(3, 9));
  EXPECT_EQ(test::ReadAll(path), (std::vector<std::uint8_t>{9, 9, 9}));
  EXPECT_THROW(fs->WriteNewFile(tmp / "no/such/folder/x.bmp", {}), CreateFileError);
  EXPECT_TRUE(fs->CreateFolders(tmp / "a/b/c"));
  EXPECT_TRUE(std::filesystem::is_directory(tmp / "a/b/c"));
  EXPECT_TRUE(fs->DeleteFile(path));
  EXPECT_FALSE(fs->DeleteFile(path));
}

TEST(PosixFileSystem, AbsolutePathResolvesDotsByText) {
  const auto fs = MakeNativeFileSystem();
  const std::string cwd = std::filesystem::current_path().string();
  const std::string parent = std::filesystem::current_path().parent_path().string();
  EXPECT_EQ(fs->AbsolutePath("/a/./b/../c"), "/a/c");
  EXPECT_EQ(fs->AbsolutePath("/a/b/"), "/a/b/");
  EXPECT_EQ(fs->AbsolutePath("/.."), "/");
  EXPECT_EQ(fs->AbsolutePath("x"), cwd + "/x");
  EXPECT_EQ(fs->AbsolutePath("."), cwd + "/");
  EXPECT_EQ(fs->AbsolutePath("../y/"), parent + "/y/");
}

}  // namespace
}  // namespace gd
