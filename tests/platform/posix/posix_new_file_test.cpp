// New output files on a real POSIX file system, by every way of naming them:
// whole under their name or not there at all, never through a link.

#include "platform/posix/posix_new_file.h"

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>

#include "base/errors.h"
#include "base/write_failure.h"
#include "platform/file_system.h"
#include "tests/support/temp_dir.h"

namespace gd {
namespace {

using posix::NamingWay;
using test::TempDir;
namespace fs = std::filesystem;

using Bytes = std::vector<std::uint8_t>;

// Every entry of a folder, hidden ones too.
std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class NewFiles : public ::testing::TestWithParam<NamingWay> {
 protected:
  NewFiles() {
    posix::StartNamingFrom(GetParam());
    save_ = tmp_.MakeFolder("save");
  }
  ~NewFiles() override { posix::StartNamingFrom(NamingWay::kUnnamedFile); }

  TempDir tmp_;
  std::string save_;
  const std::unique_ptr<FileSystem> fs_ = MakeNativeFileSystem();
};

TEST_P(NewFiles, AFreeNameGetsTheWholeFileAndNothingElseIsLeft) {
  const Bytes bytes(70000, 0x5A);
  EXPECT_TRUE(fs_->CreateNewFile(save_ + "a-dll-0.bmp", bytes));
  EXPECT_EQ(test::ReadAll(save_ + "a-dll-0.bmp"), bytes);
  EXPECT_EQ(Entries(save_), (std::vector<std::string>{"a-dll-0.bmp"}));
}

TEST_P(NewFiles, ANameTakenInAnyFormIsLeftAsItIs) {
  const std::string existing = tmp_.Write("elsewhere/existing.bmp", {9, 9});
  const std::string missing = tmp_ / "elsewhere/missing.bmp";
  const std::string name = save_ + "a-dll-0.bmp";
  struct Form {
    const char* what;
    std::function<void()> make;
  };
  const Form forms[] = {
      {"file", [&] { tmp_.Write("save/a-dll-0.bmp", {9, 9}); }},
      {"link to an existing file", [&] { fs::create_symlink(existing, name); }},
      {"dangling link", [&] { fs::create_symlink(missing, name); }},
      {"folder", [&] { fs::create_directory(name); }},
  };
  for (const Form& form : forms) {
    SCOPED_TRACE(form.what);
    fs::remove_all(name);
    form.make();
    const fs::file_status before = fs::symlink_status(name);
    EXPECT_TRUE(fs_->NameTaken(name));
    EXPECT_FALSE(fs_->CreateNewFile(name, Bytes(100, 1)));
    EXPECT_EQ(fs::symlink_status(name).type(), before.type());
    EXPECT_EQ(test::ReadAll(existing), (Bytes{9, 9}));
    EXPECT_FALSE(fs::exists(fs::symlink_status(missing)));
    EXPECT_EQ(Entries(save_), (std::vector<std::string>{"a-dll-0.bmp"}));
  }
}

TEST_P(NewFiles, AWriteThatFailsHalfWayLeavesNothing) {
  // The system stops the write at the size limit, part of the file written.
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 4096;
  ::setrlimit(RLIMIT_FSIZE, &small);
  const std::string name = save_ + "a-dll-0.bmp";
  try {
    fs_->CreateNewFile(name, Bytes(10000, 1));
    ADD_FAILURE() << "no error";
  } catch (const OutputWriteError& e) {
    EXPECT_EQ(e.file(), name);
    EXPECT_EQ(e.step(), WriteStep::kWrite);
  }
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_EQ(Entries(save_), std::vector<std::string>{});
}

// A small file system of its own, when the test may mount one.
class SmallFileSystem {
 public:
  explicit SmallFileSystem(const std::string& folder) : folder_(folder) {
    mounted_ = ::geteuid() == 0 && ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") == 0;
  }
  ~SmallFileSystem() {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
  }
  SmallFileSystem(const SmallFileSystem&) = delete;
  SmallFileSystem& operator=(const SmallFileSystem&) = delete;
  bool mounted() const { return mounted_; }

 private:
  std::string folder_;
  bool mounted_;
};

TEST_P(NewFiles, AFullFileSystemIsToldByNameAndLeavesNothing) {
  const SmallFileSystem small(save_);
  if (!small.mounted()) GTEST_SKIP() << "cannot mount a small file system here";
  const std::string name = save_ + "a-dll-0.bmp";
  const std::unique_ptr<ByteSource> source = fs_->OpenFile(tmp_.Write("big.dll", Bytes(300000, 7)));
  ASSERT_NE(source, nullptr);
  const std::function<void()> writes[] = {
      [&] { fs_->CreateNewFile(name, Bytes(200000, 1)); },
      [&] { fs_->CreateNewFileFrom(name, *source, 1000, 200000); },
  };
  for (const auto& write : writes) {
    try {
      write();
      ADD_FAILURE() << "no error";
    } catch (const OutputWriteError& e) {
      EXPECT_EQ(e.reason(), WriteFailureReason::kDiskFull) << e.what();
      EXPECT_EQ(e.file(), name);
    }
    EXPECT_EQ(Entries(save_), std::vector<std::string>{});
  }
}

// Pattern bytes, so that a copy from the wrong place shows.
Bytes Pattern(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  return bytes;
}

TEST_P(NewFiles, ACopyFromASourceIsExactlyItsRangeOnAnyFileSystem) {
  const Bytes bytes = Pattern(300000);
  const std::unique_ptr<ByteSource> source = fs_->OpenFile(tmp_.Write("big.dll", bytes));
  ASSERT_NE(source, nullptr);
  const auto expect_copy = [&](const std::string& folder) {
    const std::string name = folder + "big-dll-0.jpg";
    ASSERT_TRUE(fs_->CreateNewFileFrom(name, *source, 12345, 200001));
    EXPECT_EQ(test::ReadAll(name), Bytes(bytes.begin() + 12345, bytes.begin() + 12345 + 200001));
    EXPECT_FALSE(fs_->CreateNewFileFrom(name, *source, 0, 10));  // taken now
    EXPECT_EQ(Entries(folder), std::vector<std::string>{"big-dll-0.jpg"});
  };
  expect_copy(save_);
  // Another file system: the copy cannot be made inside one.
  const std::string other = tmp_.MakeFolder("other");
  const struct OtherFileSystem {
    explicit OtherFileSystem(const std::string& at) : at(at) {
      mounted = ::geteuid() == 0 && ::mount("tmpfs", at.c_str(), "tmpfs", 0, "size=1m") == 0;
    }
    ~OtherFileSystem() {
      if (mounted) ::umount2(at.c_str(), MNT_DETACH);
    }
    std::string at;
    bool mounted;
  } mount(other);
  if (mount.mounted) expect_copy(other);
}

TEST_P(NewFiles, ACopyFromASourceThatShrankIsAReadErrorAndLeavesNothing) {
  const std::string path = tmp_.Write("big.dll", Pattern(100000));
  const std::unique_ptr<ByteSource> source = fs_->OpenFile(path);
  ASSERT_NE(source, nullptr);
  ASSERT_EQ(::truncate(path.c_str(), 5000), 0);
  EXPECT_THROW(fs_->CreateNewFileFrom(save_ + "big-dll-0.jpg", *source, 1000, 50000), ReadError);
  EXPECT_EQ(Entries(save_), std::vector<std::string>{});
}

std::string WayName(const ::testing::TestParamInfo<NamingWay>& info) {
  switch (info.param) {
    case NamingWay::kUnnamedFile: return "UnnamedFile";
    case NamingWay::kRenameNoReplace: return "RenameNoReplace";
    case NamingWay::kLink: return "Link";
    case NamingWay::kExclusiveCreate: return "ExclusiveCreate";
  }
  return "Unknown";
}

INSTANTIATE_TEST_SUITE_P(EveryWay, NewFiles,
                         ::testing::Values(NamingWay::kUnnamedFile, NamingWay::kRenameNoReplace, NamingWay::kLink,
                                           NamingWay::kExclusiveCreate),
                         WayName);

TEST(ReplacedFiles, ALinkIsReplacedItselfAndItsTargetKept) {
  TempDir tmp;
  const auto native = MakeNativeFileSystem();
  const std::string target = tmp.Write("elsewhere/page.html", {9});
  const std::string save = tmp.MakeFolder("save");
  fs::create_symlink(target, save + "index.html");
  native->ReplaceFile(save + "index.html", Bytes{1, 2});
  native->ReplaceFile(save + "index.html", Bytes{3});
  EXPECT_EQ(test::ReadAll(target), Bytes{9});
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(save + "index.html")));
  EXPECT_EQ(test::ReadAll(save + "index.html"), Bytes{3});
  fs::create_directory(save + "folder.html");
  EXPECT_THROW(native->ReplaceFile(save + "folder.html", Bytes{3}), OutputWriteError);
  EXPECT_EQ(Entries(save), (std::vector<std::string>{"folder.html", "index.html"}));
}

TEST(Leftovers, OnlyThoseOfRunsThatEndedBeforeAreRemoved) {
  TempDir tmp;
  const std::string save = tmp.MakeFolder("save");
  const auto age = [&](const std::string& name, int seconds) {
    const std::string path = tmp.Write("save/" + name, {1});
    fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(seconds));
    return path;
  };
  age(".glimmerdig-1-0.tmp", -60);   // a killed run's
  const std::string held = age(".glimmerdig-2-0.tmp", -60);  // a run still writing
  age(".glimmerdig-3-0.tmp", 60);    // newer than the cleaning run
  age("old-dll-0.bmp", -60);
  age(".glimmerdig-a.bmp", -60);
  const int fd = ::open(held.c_str(), O_RDONLY);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  MakeNativeFileSystem()->RemoveLeftovers(save);
  ::close(fd);
  EXPECT_EQ(Entries(save), (std::vector<std::string>{".glimmerdig-2-0.tmp", ".glimmerdig-3-0.tmp",
                                                     ".glimmerdig-a.bmp", "old-dll-0.bmp"}));
}

}  // namespace
}  // namespace gd
