#include <gtest/gtest.h>

#include <filesystem>

#include "base/errors.h"
#include "platform/file_system.h"
#include "tests/support/temp_dir.h"

namespace gd {
namespace {

using test::TempDir;

TEST(PosixFileSystem, ReadsFilesByPositionAndRefusesWhatIsNoFile) {
  TempDir tmp;
  const auto fs = MakeNativeFileSystem();
  const std::vector<std::uint8_t> bytes{1, 2, 3, 4, 5};
  const std::string path = tmp.Write("f.bin", bytes);
  const auto file = fs->OpenFile(path);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->Size(), 5u);
  std::vector<std::uint8_t> out(4, 0);
  EXPECT_EQ(file->ReadAt(2, out), 3u);  // as many as there are
  EXPECT_EQ(out, (std::vector<std::uint8_t>{3, 4, 5, 0}));
  EXPECT_EQ(file->ReadAt(5, out), 0u);
  const auto empty = fs->OpenFile(tmp.Write("empty", {}));
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->Size(), 0u);
  EXPECT_FALSE(fs->OpenFile(tmp / "missing"));
  EXPECT_FALSE(fs->OpenFile(tmp.folder()));
}

TEST(PosixFileSystem, AFileThatShrinksAfterOpeningIsAReadError) {
  TempDir tmp;
  const auto fs = MakeNativeFileSystem();
  const std::string path = tmp.Write("f.bin", std::vector<std::uint8_t>(100, 7));
  const auto file = fs->OpenFile(path);
  ASSERT_TRUE(file);
  std::filesystem::resize_file(path, 10);
  std::vector<std::uint8_t> out(50);
  EXPECT_THROW(file->ReadAt(0, out), ReadError);
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
