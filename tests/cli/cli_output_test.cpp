// The command-line tool's outputs when runs meet in one save folder, when a
// run is killed, and when the save folder fills up: real processes.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tests/support/dib_fixtures.h"
#include "tests/support/temp_dir.h"

extern char** environ;

namespace gd {
namespace {

using test::Bytes;
using test::IconFile;
using test::IconImage;
using test::TempDir;
namespace fs = std::filesystem;

// Starts the tool with stdout and stderr going to out_file.
pid_t Start(const std::vector<std::string>& args, const std::string& out_file) {
  std::vector<std::string> all{GLIMMERDIG_CLI};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  // Under a Japanese locale, whose texts (the program's own) the tests read;
  // the caller's locale variables are left out.
  std::vector<std::string> env_strings{"LC_ALL=ja_JP.UTF-8"};
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string_view v(*e);
    if (!v.starts_with("LC_ALL=") && !v.starts_with("LC_MESSAGES=") && !v.starts_with("LANG=")) {
      env_strings.emplace_back(v);
    }
  }
  std::vector<char*> envp;
  for (std::string& e : env_strings) envp.push_back(e.data());
  envp.push_back(nullptr);
  pid_t pid = -1;
  EXPECT_EQ(::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()), 0);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// The exit status, -1 when killed.
int Wait(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Text(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Every entry of the folder, hidden ones too, with its bytes.
std::map<std::string, Bytes> Contents(const std::string& folder) {
  std::map<std::string, Bytes> out;
  for (const auto& e : fs::directory_iterator(folder)) out[e.path().filename().string()] = test::ReadAll(e.path());
  return out;
}

class CliOutputs : public ::testing::Test {
 protected:
  // Sources enough for a run to take a while: many small files each.
  void ManySources() {
    std::vector<Bytes> images;
    for (int i = 0; i < 250; ++i) images.push_back(IconImage(32, 8, static_cast<std::uint8_t>(i)));
    for (int f = 0; f < 8; ++f) tmp_.Write("src/f" + std::to_string(f) + ".ico", IconFile(images));
  }
  // The output of one run alone, to hold others against.
  std::map<std::string, Bytes> OneRun(std::vector<std::string> extra = {}) {
    const std::string ref = tmp_.MakeFolder("ref");
    std::vector<std::string> args{"-q", "-o", ref, tmp_ / "src"};
    args.insert(args.end(), extra.begin(), extra.end());
    EXPECT_EQ(Wait(Start(args, tmp_ / "ref.txt")), 0) << Text(tmp_ / "ref.txt");
    return Contents(ref);
  }

  TempDir tmp_;
};

TEST_F(CliOutputs, TwoRunsIntoOneFolderAtOnceWriteEveryImageOnceAndWhole) {
  ManySources();
  const std::map<std::string, Bytes> expected = OneRun();
  const std::string out = tmp_.MakeFolder("out");
  const pid_t a = Start({"-q", "-o", out, tmp_ / "src"}, tmp_ / "a.txt");
  const pid_t b = Start({"-q", "-o", out, tmp_ / "src"}, tmp_ / "b.txt");
  EXPECT_EQ(Wait(a), 0) << Text(tmp_ / "a.txt");
  EXPECT_EQ(Wait(b), 0) << Text(tmp_ / "b.txt");
  EXPECT_TRUE(Contents(out) == expected);
  // Between them, each name was counted by exactly one run.
  const auto count = [](const std::string& text) { return text.find("個") == std::string::npos ? 0 : std::stoi(text); };
  EXPECT_EQ(count(Text(tmp_ / "a.txt")) + count(Text(tmp_ / "b.txt")), static_cast<int>(expected.size()));
}

TEST_F(CliOutputs, ARunKilledWhileWritingThenRunAgainLeavesWhatOneRunWould) {
  ManySources();
  const std::map<std::string, Bytes> expected = OneRun();
  const std::string out = tmp_.MakeFolder("out");
  const pid_t killed = Start({"-q", "-o", out, tmp_ / "src"}, tmp_ / "killed.txt");
  while (fs::is_empty(out)) std::this_thread::sleep_for(std::chrono::microseconds(200));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ::kill(killed, SIGKILL);
  Wait(killed);
  EXPECT_EQ(Wait(Start({"-q", "-o", out, tmp_ / "src"}, tmp_ / "again.txt")), 0) << Text(tmp_ / "again.txt");
  EXPECT_TRUE(Contents(out) == expected);
}

TEST_F(CliOutputs, AGalleryLinkInTheSaveFolderIsReplacedAndItsTargetKept) {
  tmp_.Write("src/app.ico", IconFile({IconImage(16, 4)}));
  const std::string target = tmp_.Write("elsewhere/page.html", {'k'});
  const std::string out = tmp_.MakeFolder("out");
  fs::create_symlink(target, out + "index.html");
  EXPECT_EQ(Wait(Start({"-q", "--gallery", "-o", out, tmp_ / "src"}, tmp_ / "run.txt")), 0) << Text(tmp_ / "run.txt");
  EXPECT_EQ(Text(target), "k");
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(out + "index.html")));
  EXPECT_NE(Text(out + "index.html").find("app-ico-0.bmp"), std::string::npos);
}

TEST_F(CliOutputs, AFullSaveFolderIsToldWithTheFileTheReasonAndTheCount) {
  // 246 bytes, then 65 KiB: the second does not fit into 64 KiB.
  tmp_.Write("src/app.ico", IconFile({IconImage(16, 4), IconImage(128, 32)}));
  const std::string out = tmp_.MakeFolder("out");
  if (::geteuid() != 0 || ::mount("tmpfs", out.c_str(), "tmpfs", 0, "size=64k") != 0) {
    GTEST_SKIP() << "cannot mount a small file system here";
  }
  const int status = Wait(Start({"-q", "-o", out, tmp_ / "src"}, tmp_ / "run.txt"));
  const std::string text = Text(tmp_ / "run.txt");
  const auto entries = Contents(out);
  ::umount2(out.c_str(), MNT_DETACH);
  EXPECT_EQ(status, 3);
  EXPECT_EQ(text, "glimmerdig-cli: ファイル " + out +
                      "app-ico-1.bmp に書き込めません（ディスクの空き容量が足りません）。"
                      "それまでに 1 個のビットマップを抽出しました。\n");
  EXPECT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries.count("app-ico-0.bmp"), 1u);
}

}  // namespace
}  // namespace gd
