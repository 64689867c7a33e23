// The command-line tool as a user runs it: real processes, real folders.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>

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

Result RunCli(const std::string& cwd, const std::string& args) {
  const std::string cmd = "cd '" + cwd + "' && '" GLIMMERDIG_CLI "' " + args + " 2>&1";
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
  const Result r = RunCli(tmp_ / "src", "-o ../out --no-cur-res --delete-first app.ico sub/tool.exe");
  // A save folder that was given must exist.
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("保存先に指定された\n" + (tmp_ / "out") + "/\nは存在しないディレクトリです。"), std::string::npos)
      << r.out;

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
    const Result r = RunCli(tmp_ / "", c.args);
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

}  // namespace
}  // namespace gd
