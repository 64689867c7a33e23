// A run's outputs against what else is in the save folder: links, names taken
// while the run goes on, files that cannot be written, and what a killed run
// left. Real files, with the file services wrapped where a test must step in.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "base/write_failure.h"
#include "extract/report/gallery.h"
#include "extract/report/manifest.h"
#include "extract/run/res_extract.h"
#include "tests/support/run_options.h"
#include "tests/support/dib_fixtures.h"
#include "tests/support/temp_dir.h"

namespace gd {
namespace {

using test::Bytes;
using test::FileNames;
using test::IconFile;
using test::IconImage;
using test::TempDir;
namespace fs = std::filesystem;

// The native file services, with hooks after the existence check and in
// place of the write.
class SteppedFiles final : public FileSystem {
 public:
  std::unique_ptr<FolderListing> ListFolder(const std::string& f) override { return real->ListFolder(f); }
  std::unique_ptr<ByteSource> OpenFile(const std::string& p) override { return real->OpenFile(p); }
  void WriteNewFile(const std::string& p, std::span<const std::uint8_t> b) override { real->WriteNewFile(p, b); }
  bool CreateNewFile(const std::string& p, std::span<const std::uint8_t> b) override {
    if (before_write) before_write(p);
    return real->CreateNewFile(p, b);
  }
  void ReplaceFile(const std::string& p, std::span<const std::uint8_t> b) override { real->ReplaceFile(p, b); }
  bool NameTaken(const std::string& p) override {
    const bool taken = real->NameTaken(p);
    if (after_check) after_check(p);
    return taken;
  }
  void RemoveLeftovers(const std::string& f) override { real->RemoveLeftovers(f); }
  bool FileExists(const std::string& p) override { return real->FileExists(p); }
  bool FolderExists(const std::string& p) override { return real->FolderExists(p); }
  bool DeleteFile(const std::string& p) override { return real->DeleteFile(p); }
  bool CreateFolders(const std::string& p) override { return real->CreateFolders(p); }
  std::string AbsolutePath(const std::string& p) override { return real->AbsolutePath(p); }

  std::unique_ptr<FileSystem> real = MakeNativeFileSystem();
  std::function<void(const std::string&)> after_check;
  std::function<void(const std::string&)> before_write;
};

class Quiet final : public StatusSink, public ProgressSink, public MessageSink {
 public:
  void ShowStatus(const std::string&) override {}
  void SetCount(int) override {}
  bool IsCancelled() override { return false; }
  void ShowMessage(const std::string&) override {}
};

class OutputNames : public ::testing::Test {
 protected:
  OutputNames() {
    save_ = tmp_.MakeFolder("save");
    src_ = tmp_.Write("src/app.ico", IconFile({IconImage(32, 4), IconImage(32, 1), IconImage(16, 8)}));
    logs_.Add(manifest_);
    logs_.Add(gallery_);
    test::ChangeOptions(engine_, [&](RunOptions& o) {
      o.save_dir = save_;
      o.image_log = &logs_;
    });
  }

  TempDir tmp_;
  std::string save_, src_;
  SteppedFiles files_;
  Quiet host_;
  TResExtract engine_{files_, host_, host_, host_};
  Manifest manifest_;
  Gallery gallery_;
  ImageLogs logs_;
};

TEST_F(OutputNames, LinksAndFoldersTakeTheNameAndNothingIsWrittenBehindThem) {
  const std::string kept = tmp_.Write("elsewhere/kept.bmp", {9});
  fs::create_symlink(tmp_ / "elsewhere/new.bmp", save_ + "app-ico-0.bmp");  // dangling
  fs::create_symlink(kept, save_ + "app-ico-1.bmp");
  fs::create_directory(save_ + "app-ico-2.bmp");
  EXPECT_EQ(engine_.ExtractFromFiles({src_}), 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(tmp_ / "elsewhere/new.bmp")));
  EXPECT_EQ(test::ReadAll(kept), Bytes{9});
  EXPECT_EQ(manifest_.rows(), 0u);
}

TEST_F(OutputNames, ANameTakenAfterTheCheckIsLeftAloneAndNotCounted) {
  const Bytes theirs{7, 7, 7};
  files_.after_check = [&](const std::string& path) {
    if (path == save_ + "app-ico-1.bmp") tmp_.Write("save/app-ico-1.bmp", theirs);
  };
  EXPECT_EQ(engine_.ExtractFromFiles({src_}), 2);
  EXPECT_EQ(test::ReadAll(save_ + "app-ico-1.bmp"), theirs);
  EXPECT_EQ(manifest_.rows(), 2u);
  EXPECT_EQ(gallery_.images(), 2u);
  EXPECT_EQ(manifest_.Csv().find("app-ico-1.bmp"), std::string::npos);
}

TEST_F(OutputNames, AFailedWriteNamesTheFileTheReasonAndWhatWasWrittenBefore) {
  files_.before_write = [&](const std::string& path) {
    if (path == save_ + "app-ico-2.bmp") {
      throw OutputWriteError(path, WriteStep::kWrite, WriteFailureReason::kDiskFull, "No space left on device");
    }
  };
  try {
    engine_.ExtractFromSources({src_});
    FAIL() << "no error";
  } catch (const OutputWriteError& e) {
    EXPECT_EQ(std::string(e.what()), "ファイル " + save_ +
                                         "app-ico-2.bmp に書き込めません（ディスクの空き容量が足りません）。"
                                         "それまでに 2 個のビットマップを抽出しました。");
  }
  EXPECT_EQ(manifest_.rows(), 2u);
}

TEST_F(OutputNames, ARunRemovesWhatAKilledRunLeftButNotWhatOthersAreWriting) {
  const auto leftover = [&](const std::string& name, int age_seconds) {
    const std::string path = tmp_.Write("save/" + name, {1});
    fs::last_write_time(path, fs::last_write_time(path) - std::chrono::seconds(age_seconds));
  };
  leftover(".glimmerdig-99-0.tmp", 60);
  leftover(".glimmerdig-99-1.tmp", -60);  // newer than the run: another run's
  engine_.SetDeleteFirst(true);
  EXPECT_EQ(engine_.ExtractFromFiles({src_}), 3);
  std::vector<std::string> hidden;
  for (const auto& e : fs::directory_iterator(save_)) {
    if (e.path().filename().string().starts_with('.')) hidden.push_back(e.path().filename().string());
  }
  EXPECT_EQ(hidden, std::vector<std::string>{".glimmerdig-99-1.tmp"});
  EXPECT_EQ(FileNames(save_).size(), 4u);
}

}  // namespace
}  // namespace gd
