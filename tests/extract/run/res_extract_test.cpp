#include "extract/run/res_extract.h"
#include "tests/support/run_options.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <optional>

#include "base/errors.h"
#include "extract/run/messages.h"
#include "tests/support/dib_fixtures.h"
#include "tests/support/temp_dir.h"

namespace gd {
namespace {

using test::Bytes;
using test::Concat;
using test::FileNames;
using test::IconFile;
using test::IconImage;
using test::TempDir;

class RecordingHost final : public StatusSink, public ProgressSink, public MessageSink {
 public:
  void ShowStatus(const std::string& path) override { statuses.push_back(path); }
  void SetCount(int n) override { counts.push_back(n); }
  bool IsCancelled() override {
    ++polls;
    if (on_poll) on_poll();
    return cancel_at_poll > 0 && polls >= cancel_at_poll;
  }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }

  std::vector<std::string> statuses, messages;
  std::vector<int> counts;
  int polls = 0;
  int cancel_at_poll = 0;
  std::function<void()> on_poll;
};

class Runs : public ::testing::Test {
 protected:
  Runs() : fs_(MakeNativeFileSystem()), engine_(*fs_, host_, host_, host_) {
    save_ = tmp_.MakeFolder("save");
    engine_.SetSaveDir(save_);
  }

  // An icon file: a 32×32 16-colour icon image and a 32×32 1-bit cursor image.
  static Bytes IconAndCursor() { return IconFile({IconImage(32, 4), IconImage(32, 1)}); }

  TempDir tmp_;
  std::string save_;
  RecordingHost host_;
  std::unique_ptr<FileSystem> fs_;
  TResExtract engine_;
};

TEST_F(Runs, WritesEveryImageOfAFileAndReportsTheCount) {
  const std::string src = tmp_.Write("src/app.ico", IconAndCursor());
  EXPECT_EQ(engine_.ExtractFromFiles({src}), 2);
  EXPECT_EQ(FileNames(save_), (std::vector<std::string>{"app-ico-0.bmp", "app-ico-1.bmp"}));
  EXPECT_EQ(host_.counts, (std::vector<int>{1, 2}));
  EXPECT_EQ(host_.statuses, (std::vector<std::string>{src}));
  EXPECT_EQ(test::ReadAll(save_ + "app-ico-0.bmp").size(), 54u + 64 + 512);

  // A second run finds every name taken and writes nothing.
  EXPECT_EQ(engine_.ExtractFromFiles({src}), 0);
  EXPECT_EQ(engine_.ImageCount(), 0);
}

TEST_F(Runs, ExtensionRules) {
  struct Case {
    const char* name;
    std::uint8_t flags;
    bool scanned;
  };
  const Case cases[] = {
      {"x.bmp", 0, false},  {"x.BMP", 0, false},      {"x.bmpx", 0, false},    {"x.dib", 0, false},
      {"x.bm", 0, true},    {"noext", 0, true},       {"x.ico", 0, true},      {"x.icon", kNoIcoFile, false},
      {"x.ICO", kNoIcoFile, false}, {"x.ico", kNoCurFile, true}, {"x.cur", kNoCurFile, false},
      {"x.cursor", kNoCurFile, false}, {"x.cur", kNoIcoFile, true},
  };
  for (const auto& c : cases) {
    host_.statuses.clear();
    const std::string src = tmp_.Write("ext/" + std::string(c.name), IconAndCursor());
    engine_.SetExcludeFlags(c.flags);
    engine_.SetDeleteFirst(true);
    const int written = engine_.ExtractFromFiles({src});
    EXPECT_EQ(written, c.scanned ? 2 : 0) << c.name << " flags " << int(c.flags);
    EXPECT_EQ(host_.statuses.size(), c.scanned ? 1u : 0u) << c.name;
    std::filesystem::remove(src);
  }
}

TEST_F(Runs, ShapeExclusionsKeepTheIndexNumbers) {
  const std::string src = tmp_.Write("src/mixed.dll",
                                     Concat({IconImage(32, 4), IconImage(32, 1), IconFile({}), IconImage(24, 8)}));
  struct Case {
    std::uint8_t flags;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {0, {"mixed-dll-0.bmp", "mixed-dll-1.bmp", "mixed-dll-2.bmp"}},
      {kNoCurRes, {"mixed-dll-0.bmp", "mixed-dll-2.bmp"}},
      {kNoIcoRes, {"mixed-dll-2.bmp"}},  // the cursor is icon-shaped too
      {kNoIcoRes | kNoCurRes, {"mixed-dll-2.bmp"}},
  };
  for (const auto& c : cases) {
    engine_.SetDeleteFirst(true);
    engine_.SetExcludeFlags(c.flags);
    EXPECT_EQ(engine_.ExtractFromFiles({src}), static_cast<int>(c.names.size())) << int(c.flags);
    EXPECT_EQ(FileNames(save_), c.names) << int(c.flags);
  }
}

TEST_F(Runs, AtMostAThousandImagesPerFile) {
  Bytes many;
  const Bytes img = IconImage(16, 1);
  for (int i = 0; i < 1003; ++i) many.insert(many.end(), img.begin(), img.end());
  const std::string src = tmp_.Write("src/many.bin", many);
  EXPECT_EQ(engine_.ExtractFromFiles({src}), 1000);
  EXPECT_TRUE(std::filesystem::exists(save_ + "many-bin-999.bmp"));
  EXPECT_FALSE(std::filesystem::exists(save_ + "many-bin-1000.bmp"));
}

TEST_F(Runs, MissingSaveFolderIsReportedAndNothingHappens) {
  const std::string src = tmp_.Write("src/a.ico", IconAndCursor());
  engine_.ExtractFromFiles({src});
  const std::string missing = tmp_ / "nowhere/";
  engine_.SetSaveDir(missing);
  engine_.SetDeleteFirst(true);
  EXPECT_FALSE(engine_.CheckSaveDir());
  EXPECT_EQ(engine_.ExtractFromFolder(tmp_.folder()), 0);
  EXPECT_EQ(engine_.ExtractFromFiles({src}), 0);
  EXPECT_EQ(engine_.ImageCount(), 2);  // untouched since the last real run
  ASSERT_EQ(host_.messages.size(), 3u);
  EXPECT_EQ(host_.messages[0], "保存先に指定された\r" + missing + "\rは存在しないディレクトリです。変更してください｡");
  EXPECT_EQ(host_.messages[0], MissingSaveDirMessage(missing));
  // A file is not a folder.
  engine_.SetSaveDir(src);
  EXPECT_FALSE(engine_.CheckSaveDir());
}

TEST_F(Runs, FolderWalkSkipsTheSaveFolderAndFollowsNoFolderLinks) {
  tmp_.Write("a.ico", IconAndCursor());
  tmp_.Write("sub/deeper/b.exe", IconFile({IconImage(16, 4)}));
  tmp_.Write("save/inside.ico", IconAndCursor());  // never read
  tmp_.Write(".hidden/c.cur", IconFile({IconImage(32, 1)}));
  ::symlink(tmp_.folder().c_str(), (tmp_ / "sub/loop").c_str());
  ::symlink((tmp_ / "a.ico").c_str(), (tmp_ / "sub/link.ico").c_str());
  ::mkfifo((tmp_ / "sub/pipe.ico").c_str(), 0666);

  EXPECT_EQ(engine_.ExtractFromFolder(tmp_ / ""), 6);
  // Hidden folders are walked; a link to a file is read under its own name.
  EXPECT_EQ(FileNames(save_), (std::vector<std::string>{"a-ico-0.bmp", "a-ico-1.bmp", "b-exe-0.bmp", "c-cur-0.bmp", "inside.ico",
                                                        "link-ico-0.bmp", "link-ico-1.bmp"}));
  for (const std::string& s : host_.statuses) EXPECT_EQ(s.find("/save/"), std::string::npos) << s;
}

TEST_F(Runs, TheSaveFolderItselfAsSourceGivesNothing) {
  tmp_.Write("save/old.bmp", {1});
  tmp_.Write("save/x.ico", IconAndCursor());
  engine_.SetDeleteFirst(true);
  EXPECT_EQ(engine_.ExtractFromFolder(save_.substr(0, save_.size() - 1)), 0);
  EXPECT_EQ(FileNames(save_), (std::vector<std::string>{"x.ico"}));
  EXPECT_TRUE(host_.statuses.empty());
}

TEST_F(Runs, SameNameInTwoFoldersIsWrittenOnce) {
  tmp_.Write("src/one/app.ico", IconAndCursor());
  tmp_.Write("src/two/app.ico", IconFile({IconImage(16, 4), IconImage(16, 8), IconImage(16, 4)}));
  EXPECT_EQ(engine_.ExtractFromFolder(tmp_ / "src"), 3);
  EXPECT_EQ(FileNames(save_), (std::vector<std::string>{"app-ico-0.bmp", "app-ico-1.bmp", "app-ico-2.bmp"}));
}

TEST_F(Runs, DeleteFirstRemovesOnlyVisibleBitmapsOfTheSaveFolder) {
  for (const char* name : {"a.bmp", "B.BMP", "c.Bmp", ".hidden.bmp", "d.bmpx", "e.txt", "sub/f.bmp"}) {
    tmp_.Write("save/" + std::string(name), {1});
  }
  tmp_.MakeFolder("save/g.bmp");
  engine_.SetDeleteFirst(true);
  EXPECT_EQ(engine_.ExtractFromFiles({}), 0);
  EXPECT_EQ(FileNames(save_), (std::vector<std::string>{".hidden.bmp", "d.bmpx", "e.txt"}));
  EXPECT_TRUE(std::filesystem::exists(save_ + "sub/f.bmp"));
  EXPECT_TRUE(std::filesystem::is_directory(save_ + "g.bmp"));
}

TEST_F(Runs, CancelStopsBeforeTheNextEntryAtEveryLevel) {
  tmp_.Write("src/a/1.ico", IconAndCursor());
  tmp_.Write("src/a/2.ico", IconAndCursor());
  tmp_.Write("src/b/3.ico", IconAndCursor());
  // Poll 1: "src/a" or "src/b" or ".", ... Cancel as soon as one file is done.
  host_.on_poll = [&] {
    if (!host_.statuses.empty() && host_.cancel_at_poll == 0) host_.cancel_at_poll = host_.polls;
  };
  const int written = engine_.ExtractFromFolder(tmp_ / "src");
  EXPECT_EQ(written, 2);  // the file in hand was finished, nothing after it
  EXPECT_EQ(host_.statuses.size(), 1u);
}

// Open descriptors of this process, where the system tells them.
std::optional<std::size_t> OpenFiles() {
#if defined(__linux__)
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
#else
  return std::nullopt;
#endif
}

TEST_F(Runs, FilesOpenedAheadAreSearchedInTurnAndNotHeldAfterTheRun) {
  // Each file is opened while the one before it is searched.
  const std::string a = tmp_.Write("src/a.ico", IconAndCursor());
  tmp_.Write("src/b.bmp", IconAndCursor());  // passed over by name
  const std::string c = tmp_.Write("src/c.dll", IconAndCursor());
  const std::string d = tmp_.Write("src/d.ico", IconAndCursor());
  const std::optional<std::size_t> before = OpenFiles();
  EXPECT_EQ(engine_.ExtractFromSources({a, tmp_ / "src/b.bmp", c, c, d}), 6);
  EXPECT_EQ(host_.statuses, (std::vector<std::string>{a, c, c, d}));
  EXPECT_EQ(OpenFiles(), before);

  // Cancelled after the first file, with the second opened already.
  host_.on_poll = [&] {
    if (host_.statuses.size() == 1 && host_.cancel_at_poll == 0) host_.cancel_at_poll = host_.polls;
  };
  host_.counts.clear();
  host_.statuses.clear();
  engine_.SetSaveDir(tmp_.MakeFolder("save2"));
  EXPECT_EQ(engine_.ExtractFromSources({c, d, a}), 2);
  EXPECT_EQ(host_.statuses, (std::vector<std::string>{c}));
  EXPECT_EQ(OpenFiles(), before);
}

// Twenty icon images, 3000 bytes apart: many windows long when windows are
// made small.
Bytes SpreadIcons() {
  std::vector<Bytes> parts;
  for (int i = 0; i < 20; ++i) {
    parts.push_back(Bytes(3000, 0xEE));
    parts.push_back(IconImage(16, 4));
  }
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST_F(Runs, AFolderWalkHonoursCancelBetweenTheWindowsOfALargeFile) {
  tmp_.Write("src/big.bin", SpreadIcons());
  test::ChangeOptions(engine_, [&](RunOptions& o) { o.read = {4096}; });
  // Cancel on the third poll after the file was started: between windows.
  int polls_in_file = 0;
  host_.on_poll = [&] {
    if (!host_.statuses.empty() && ++polls_in_file == 3) host_.cancel_at_poll = host_.polls;
  };
  const int written = engine_.ExtractFromFolder(tmp_ / "src");
  EXPECT_GT(written, 0);
  EXPECT_LT(written, 20);
  EXPECT_EQ(FileNames(save_).size(), static_cast<std::size_t>(written));  // those written stay

  // A run over a file list does not poll, and reads the file to its end.
  RecordingHost list_host;
  TResExtract list_engine(*fs_, list_host, list_host, list_host);
  list_engine.SetSaveDir(tmp_.MakeFolder("save2"));
  test::ChangeOptions(list_engine, [&](RunOptions& o) { o.read = {4096}; });
  EXPECT_EQ(list_engine.ExtractFromFiles({tmp_ / "src/big.bin"}), 20);
  EXPECT_EQ(list_host.polls, 0);
}

TEST_F(Runs, LargeFilesReportHowFarThroughThemTheRunIs) {
  class Recorder final : public FileProgressSink {
   public:
    void ShowFileProgress(std::uint64_t done, std::uint64_t total) override { seen.emplace_back(done, total); }
    std::vector<std::pair<std::uint64_t, std::uint64_t>> seen;
  } recorder;
  test::ChangeOptions(engine_, [&](RunOptions& o) { o.file_progress = &recorder; });
  const std::string small = tmp_.Write("src/small.bin", SpreadIcons());
  const std::string large = tmp_ / "src/large.bin";
  std::filesystem::resize_file(tmp_.Write("src/large.bin", IconImage(16, 4)), kFileProgressThreshold + 1);
  EXPECT_EQ(engine_.ExtractFromFiles({small, large}), 21);
  ASSERT_FALSE(recorder.seen.empty());  // only the large file reports
  for (std::size_t i = 0; i < recorder.seen.size(); ++i) {
    EXPECT_EQ(recorder.seen[i].second, kFileProgressThreshold + 1);
    EXPECT_LE(recorder.seen[i].first, recorder.seen[i].second);
    if (i > 0) EXPECT_GT(recorder.seen[i].first, recorder.seen[i - 1].first);
  }
}

TEST_F(Runs, FilesThatCannotBeOpenedArePassedOver) {
  const std::string good = tmp_.Write("src/good.ico", IconAndCursor());
  ::mkfifo((tmp_ / "src/pipe.ico").c_str(), 0666);
  EXPECT_EQ(engine_.ExtractFromFiles({tmp_ / "src/missing.ico", tmp_ / "src/pipe.ico", good}), 2);
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(Runs, AnOutputThatCannotBeCreatedEndsTheRun) {
  const std::string src = tmp_.Write("src/app.ico", IconAndCursor());
  // A source name that fits, whose output name is too long for the file system.
  const std::string base(250, 'n');
  const std::string longer = tmp_.Write("src/" + base + ".ico", IconAndCursor());
  try {
    engine_.ExtractFromFiles({src, longer, src});
    FAIL() << "no error";
  } catch (const ExtractError& e) {
    EXPECT_EQ(std::string(e.what()), "ファイル " + save_ + base +
                                         "-ico-0.bmp を作成できません（ファイル名が長すぎます）。"
                                         "それまでに 2 個のビットマップを抽出しました。");
  }
  EXPECT_EQ(engine_.ImageCount(), 2);
  EXPECT_EQ(host_.counts, (std::vector<int>{1, 2}));
}

TEST_F(Runs, TheSaveFolderIsReadAfreshForEveryImage) {
  tmp_.Write("src/a/1.ico", IconFile({IconImage(16, 4)}));
  tmp_.Write("src/b/2.ico", IconFile({IconImage(16, 4)}));
  const std::string other = tmp_.MakeFolder("other");
  // Moving the save folder while the walk lets the user interface run.
  host_.on_poll = [&] {
    if (!host_.statuses.empty()) engine_.SetSaveDir(other);
  };
  EXPECT_EQ(engine_.ExtractFromFolder(tmp_ / "src"), 2);
  EXPECT_EQ(FileNames(save_).size(), 1u);
  EXPECT_EQ(FileNames(other).size(), 1u);
}

}  // namespace
}  // namespace gd
