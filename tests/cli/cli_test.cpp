// The command-line tool as a user runs it: real processes, real folders.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/support/dib_fixtures.h"
#include "tests/support/temp_dir.h"

namespace gd {
namespace {

using test::FileNames;
using test::IconFile;
using test::IconImage;
using test::TempDir;

struct Result {
  int status;
  std::string out;  // stdout and stderr together
};

// Under the locale given (the program's Japanese texts by default); the other
// locale variables are cleared so that the caller's own cannot decide.
Result RunCli(const std::string& cwd, const std::string& args, const std::string& locale = "LC_ALL=ja_JP.UTF-8") {
  const std::string cmd = "cd '" + cwd + "' && env -u LC_ALL -u LC_MESSAGES -u LANG " + locale + " '" GLIMMERDIG_CLI
                          "' " + args + " 2>&1";
  FILE* p = ::popen(cmd.c_str(), "r");
  std::string out;
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  const int status = ::pclose(p);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

class Cli : public ::testing::Test {
 protected:
  Cli() {
    tmp_.Write("src/app.ico", IconFile({IconImage(32, 4), IconImage(32, 1)}));
    tmp_.Write("src/sub/tool.exe", IconFile({IconImage(16, 8)}));
  }
  TempDir tmp_;
};

TEST_F(Cli, FolderRunIntoTheDefaultSaveFolder) {
  const Result r = RunCli(tmp_ / "", "-q src");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "3個のビットマップを抽出しました。\n");
  EXPECT_EQ(FileNames(tmp_ / "BmpSave"),
            (std::vector<std::string>{"app-ico-0.bmp", "app-ico-1.bmp", "tool-exe-0.bmp"}));
  // Again: every name exists, nothing is written.
  EXPECT_EQ(RunCli(tmp_ / "", "src").out, "ビットマップは見つかりませんでした。\n");
}

TEST_F(Cli, OptionsReachTheEngine) {
  // A save folder that cannot be made: a file stands in its way.
  tmp_.Write("file", {1});
  const Result r = RunCli(tmp_ / "src", "-o ../file/out app.ico");
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("保存先に指定された\n" + (tmp_ / "file/out") + "/\nは存在しないディレクトリです。"),
            std::string::npos)
      << r.out;

  // A missing one is made with its parents.
  const Result made = RunCli(tmp_ / "src", "-q -o ../made/in/here app.ico");
  EXPECT_EQ(made.status, 0) << made.out;
  EXPECT_EQ(FileNames(tmp_ / "made/in/here"), (std::vector<std::string>{"app-ico-0.bmp", "app-ico-1.bmp"}));

  tmp_.MakeFolder("out");
  tmp_.Write("out/old.bmp", {1});
  const Result ok = RunCli(tmp_ / "src", "-o ../out --no-cur-res --delete-first app.ico sub/tool.exe");
  EXPECT_EQ(ok.status, 0) << ok.out;
  EXPECT_EQ(FileNames(tmp_ / "out"), (std::vector<std::string>{"app-ico-0.bmp", "tool-exe-0.bmp"}));
}

TEST_F(Cli, SaveFolderInsideTheSourceIsSkippedHoweverItIsTyped) {
  tmp_.MakeFolder("src/saved");
  const Result r = RunCli(tmp_ / "src/sub", "-q -o ./../saved/. ..");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(FileNames(tmp_ / "src/saved").size(), 3u);
  // A second walk over the same tree finds nothing new, not even in saved/.
  EXPECT_EQ(RunCli(tmp_ / "src", "-q -o saved .").out, "ビットマップは見つかりませんでした。\n");
}

TEST_F(Cli, FilesAndFoldersMixedAreEachHandledInTheOrderGiven) {
  tmp_.Write("more/lib.dll", IconFile({IconImage(48, 4)}));
  const Result r = RunCli(tmp_ / "", "-q more src/app.ico src/sub");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "4個のビットマップを抽出しました。\n");
  EXPECT_EQ(FileNames(tmp_ / "BmpSave"), (std::vector<std::string>{"app-ico-0.bmp", "app-ico-1.bmp",
                                                                  "lib-dll-0.bmp", "tool-exe-0.bmp"}));
}

TEST_F(Cli, UsageErrorsAndFailures) {
  struct Case {
    const char* args;
    int status;
    const char* says;
  };
  const Case cases[] = {
      {"", 2, "no source given"},
      {"--bogus src", 2, "unknown option --bogus"},
      {"-o", 2, "needs a folder"},
      {"--help", 0, "Usage: glimmerdig-cli"},
      {"--version", 0, "glimmerdig-cli 0."},
      {"missing.ico", 2, "cannot find missing.ico"},
      {"src/app.ico missing.ico", 2, "cannot find missing.ico"},
  };
  for (const auto& c : cases) {
    const Result r = RunCli(tmp_ / "", c.args, "LANG=C.UTF-8");
    EXPECT_EQ(r.status, c.status) << c.args << ": " << r.out;
    EXPECT_NE(r.out.find(c.says), std::string::npos) << c.args << ": " << r.out;
  }
  // A missing source stops the run before anything is written.
  EXPECT_FALSE(std::filesystem::exists(tmp_ / "BmpSave/app-ico-0.bmp"));
  // An output that cannot be created ends the run with its message: a source
  // name that fits, whose output name is too long for the file system.
  const std::string base(250, 'n');
  tmp_.Write("src/" + base + ".ico", IconFile({IconImage(16, 4)}));
  const Result r = RunCli(tmp_ / "", "src/" + base + ".ico");
  EXPECT_EQ(r.status, 3) << r.out;
  EXPECT_NE(r.out.find(base + "-ico-0.bmp を作成できません（ファイル名が長すぎます）。それまでに 0 個"), std::string::npos)
      << r.out;
}

TEST_F(Cli, MessagesFollowTheLocale) {
  tmp_.Write("file", {1});
  struct Case {
    const char* locale;
    const char* result;  // of a run that finds nothing new
    const char* save_dir_error;
    const char* help;
  };
  const Case cases[] = {
      {"LANG=ja_JP.UTF-8", "ビットマップは見つかりませんでした。\n", "は存在しないディレクトリです。", "使い方:"},
      {"LANG=C.UTF-8", "No bitmaps were found.\n", "does not exist and cannot be created.", "Usage:"},
      {"LC_ALL=en_US.UTF-8 LANG=ja_JP.UTF-8", "No bitmaps were found.\n", "does not exist", "Usage:"},
      {"LC_MESSAGES=ja_JP.UTF-8 LANG=C", "ビットマップは見つかりませんでした。\n", "存在しない", "使い方:"},
      {"", "No bitmaps were found.\n", "does not exist", "Usage:"},
  };
  ASSERT_EQ(RunCli(tmp_ / "", "-q src").status, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locale);
    const Result again = RunCli(tmp_ / "", "-q src", c.locale);
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.out, c.result);
    const Result no_folder = RunCli(tmp_ / "", "-q -o file/out src", c.locale);
    EXPECT_EQ(no_folder.status, 1);
    EXPECT_NE(no_folder.out.find(c.save_dir_error), std::string::npos) << no_folder.out;
    const Result help = RunCli(tmp_ / "", "--help", c.locale);
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with(c.help)) << help.out;
  }
  EXPECT_EQ(RunCli(tmp_ / "", "-q -o fresh src/app.ico", "LANG=C").out, "2 bitmaps extracted.\n");
  // An output name too long for the file system.
  const std::string base(250, 'n');
  tmp_.Write("long/" + base + ".ico", IconFile({IconImage(16, 4)}));
  const Result failed = RunCli(tmp_ / "", "-o broken long/" + base + ".ico", "LANG=C");
  EXPECT_EQ(failed.status, 3);
  EXPECT_NE(failed.out.find("cannot create the file " + (tmp_ / "broken/") + base + "-ico-0.bmp (file name too long)"),
            std::string::npos)
      << failed.out;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A report-only run lists exactly what the same writing run writes, as its
// manifest, and changes nothing.
TEST_F(Cli, ListReportsWhatTheSameRunWouldWrite) {
  // Same base name in two folders: the second finds the names taken.
  tmp_.Write("src/again/app.ico", IconFile({IconImage(32, 4), IconImage(48, 8)}));
  const char* const cases[] = {"", "--all", "--all --format png --unique", "--no-ico-file", "-d"};
  for (const char* options : cases) {
    SCOPED_TRACE(options);
    // Both save folders hold a bitmap of a name the run would take, and another.
    for (const char* dir : {"listed", "written"}) {
      std::filesystem::remove_all(tmp_ / dir);
      tmp_.Write(std::string(dir) + "/app-ico-1.bmp", {1});
      tmp_.Write(std::string(dir) + "/old.bmp", {2});
    }
    const std::string args = std::string(options) + " src";
    const Result listed = RunCli(tmp_ / "", "-q --list -o listed --manifest listed.csv " + args, "LANG=C");
    const Result written = RunCli(tmp_ / "", "-q -o written --manifest written.csv " + args, "LANG=C");
    ASSERT_EQ(listed.status, 0) << listed.out;
    ASSERT_EQ(written.status, 0) << written.out;
    const std::string manifest = ReadText(tmp_ / "written.csv");
    EXPECT_GT(std::count(manifest.begin(), manifest.end(), '\n'), 1);
    EXPECT_EQ(listed.out, manifest);
    EXPECT_EQ(ReadText(tmp_ / "listed.csv"), manifest);
    EXPECT_EQ(FileNames(tmp_ / "listed"), (std::vector<std::string>{"app-ico-1.bmp", "old.bmp"}));
  }
  // Nothing is made, not even a missing save folder, whose images are all listed.
  const Result fresh = RunCli(tmp_ / "", "-q --list -o not/there src/app.ico");
  EXPECT_EQ(fresh.status, 0) << fresh.out;
  EXPECT_EQ(std::count(fresh.out.begin(), fresh.out.end(), '\n'), 3);
  EXPECT_FALSE(std::filesystem::exists(tmp_ / "not"));
  EXPECT_EQ(RunCli(tmp_ / "", "--list --gallery src").status, 2);
}

}  // namespace
}  // namespace gd
