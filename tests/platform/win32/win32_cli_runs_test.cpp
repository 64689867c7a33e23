// The Windows command-line tool as processes meeting in one save folder: two
// runs at once, and a run killed while it writes followed by another.

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "tests/support/dib_fixtures.h"
#include "tests/support/win_folder.h"
#include "utf16/utf16.h"

namespace gd {
namespace {

using test::Bytes;

std::string WindowsPath(std::string path) {
  if (path.starts_with('/')) path = "Z:" + path;
  for (char& c : path) c = c == '/' ? '\\' : c;
  return path;
}

class Process {
 public:
  explicit Process(const std::vector<std::string>& args) {
    std::wstring line = L"\"" + Widen(WindowsPath(GLIMMERDIG_CLI)) + L"\"";
    for (const std::string& a : args) line += L" \"" + Widen(a) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    started_ = ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                                &si, &pi_) != FALSE;
    if (started_) ::CloseHandle(pi_.hThread);
  }
  ~Process() {
    if (started_) ::CloseHandle(pi_.hProcess);
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  DWORD Wait() {
    if (!started_) return 999;
    ::WaitForSingleObject(pi_.hProcess, 300000);
    DWORD code = 999;
    ::GetExitCodeProcess(pi_.hProcess, &code);
    return code;
  }
  void Kill() {
    if (started_) ::TerminateProcess(pi_.hProcess, 9);
    Wait();
  }

 private:
  PROCESS_INFORMATION pi_{};
  bool started_ = false;
};

// Every entry of the folder with its bytes.
std::map<std::string, Bytes> Contents(FileSystem& fs, const std::string& folder) {
  std::map<std::string, Bytes> out;
  const auto listing = fs.ListFolder(folder);
  DirEntry e;
  while (listing && listing->Next(e)) {
    if (e.name == "." || e.name == "..") continue;
    Bytes bytes;
    if (const auto file = fs.OpenFile(folder + e.name)) {
      bytes.resize(static_cast<std::size_t>(file->Size()));
      file->ReadAt(0, bytes);
    }
    out[e.name] = bytes;
  }
  return out;
}

class Win32CliRuns : public ::testing::Test {
 protected:
  Win32CliRuns() {
    wchar_t cwd[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, cwd);
    root_ = Narrow(cwd) + "\\glimmerdig-runs-" + std::to_string(::GetCurrentProcessId()) + "\\";
    std::vector<Bytes> images;
    for (int i = 0; i < 250; ++i) images.push_back(test::IconImage(32, 8, static_cast<std::uint8_t>(i)));
    const Bytes file = test::IconFile(images);
    fs_->CreateFolders(root_ + "src");
    for (int f = 0; f < 4; ++f) fs_->WriteNewFile(root_ + "src\\f" + std::to_string(f) + ".ico", file);
    for (const char* folder : {"ref", "out"}) fs_->CreateFolders(root_ + folder);
    Process reference({"-q", "-o", root_ + "ref", root_ + "src"});
    EXPECT_EQ(reference.Wait(), 0u);
    expected_ = Contents(*fs_, root_ + "ref\\");
  }
  ~Win32CliRuns() override { test::RemoveFolderTree(root_); }

  std::unique_ptr<FileSystem> fs_ = MakeNativeFileSystem();
  std::string root_;
  std::map<std::string, Bytes> expected_;
};

TEST_F(Win32CliRuns, TwoRunsAtOnceWriteEveryImageOnceAndWhole) {
  ASSERT_EQ(expected_.size(), 1000u);
  Process a({"-q", "-o", root_ + "out", root_ + "src"});
  Process b({"-q", "-o", root_ + "out", root_ + "src"});
  EXPECT_EQ(a.Wait(), 0u);
  EXPECT_EQ(b.Wait(), 0u);
  EXPECT_TRUE(Contents(*fs_, root_ + "out\\") == expected_);
}

TEST_F(Win32CliRuns, AKilledRunThenAnotherLeaveWhatOneRunWould) {
  Process killed({"-q", "-o", root_ + "out", root_ + "src"});
  for (int waited = 0; waited < 60000 && Contents(*fs_, root_ + "out\\").empty(); waited += 1) ::Sleep(1);
  ::Sleep(20);
  killed.Kill();
  Process again({"-q", "-o", root_ + "out", root_ + "src"});
  EXPECT_EQ(again.Wait(), 0u);
  const auto got = Contents(*fs_, root_ + "out\\");
  for (const auto& [name, bytes] : got) {
    const auto it = expected_.find(name);
    if (it == expected_.end()) ADD_FAILURE() << "extra " << name << " " << bytes.size();
    else if (it->second != bytes) ADD_FAILURE() << "differs " << name << " " << bytes.size();
  }
  EXPECT_EQ(got.size(), expected_.size());
}

}  // namespace
}  // namespace gd
