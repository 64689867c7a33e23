// New output files through the Win32 file services: whole under their name or
// not there at all, never through a link, nothing left by a failure. Under
// Wine, links and a small file system are made on the Unix side, as a user
// sharing the folder would make them.

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "base/write_failure.h"
#include "platform/file_system.h"
#include "platform/win32/win32_new_file.h"
#include "utf16/utf16.h"

namespace gd {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The Unix path of a Windows one, when running under Wine; empty otherwise.
std::string UnixPath(const std::string& path) {
  using Convert = char*(__cdecl*)(const wchar_t*);
  const auto convert = reinterpret_cast<Convert>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (convert == nullptr) return {};
  char* unix_path = convert(Widen(path).c_str());
  if (unix_path == nullptr) return {};
  std::string out = unix_path;
  ::HeapFree(::GetProcessHeap(), 0, unix_path);
  return out;
}

// Starts a shell command on the Unix side of Wine, whose process cannot be
// waited for.
bool StartUnix(const std::string& command) {
  std::wstring line = L"Z:\\bin\\sh -c \"" + Widen(command) + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(L"Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    return false;
  }
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return true;
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

class Scratch {
 public:
  Scratch() {
    static int serial = 0;
    wchar_t cwd[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, cwd);
    path_ = Narrow(cwd) + "\\glimmerdig-new-" + std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(serial++) + "\\";
    ::CreateDirectoryW(Widen(path_).c_str(), nullptr);
    unix_ = UnixPath(path_);
    if (!unix_.empty() && !unix_.ends_with('/')) unix_ += '/';
  }
  ~Scratch() {
    // Wine does not see dangling links, so Unix removes the folder.
    if (under_wine()) {
      StartUnix("umount -l " + Quoted(unix_ + "small") + " 2>/dev/null; rm -rf " + Quoted(unix_));
    }
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  const std::string& path() const { return path_; }
  bool under_wine() const { return !unix_.empty(); }

  // A symbolic link rel → target (both relative to the folder).
  bool Link(const std::string& rel, const std::string& target) const {
    if (under_wine()) return RunUnix("ln -s " + Quoted(unix_ + target) + " " + Quoted(unix_ + rel));
    return ::CreateSymbolicLinkW(Widen(path_ + rel).c_str(), Widen(path_ + target).c_str(),
                                 SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != FALSE;
  }
  // A 64 KiB file system mounted on the sub-folder "small".
  bool MountSmall() const {
    ::CreateDirectoryW(Widen(path_ + "small").c_str(), nullptr);
    return under_wine() && RunUnix("mount -t tmpfs -o size=64k tmpfs " + Quoted(unix_ + "small"));
  }

 private:
  // Runs the command and waits for its exit status, which it leaves in a file.
  bool RunUnix(const std::string& command) const {
    static int serial = 0;
    const std::string marker = "~status-" + std::to_string(serial++);
    if (!StartUnix(command + "; echo $? > " + Quoted(unix_ + marker))) return false;
    const std::wstring wide = Widen(path_ + marker);
    std::string status;
    for (int waited = 0; waited < 20000 && status.empty(); waited += 10) {
      ::Sleep(10);
      HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
      if (h == INVALID_HANDLE_VALUE) continue;
      char buf[16] = {};
      DWORD got = 0;
      ::ReadFile(h, buf, sizeof buf - 1, &got, nullptr);
      ::CloseHandle(h);
      if (got > 0 && buf[got - 1] == '\n') status.assign(buf, got - 1);
    }
    ::DeleteFileW(wide.c_str());
    return status == "0";
  }

  std::string path_;
  std::string unix_;
};

Bytes Read(const std::string& path) {
  const auto file = MakeNativeFileSystem()->OpenFile(path);
  if (!file) return {};
  Bytes out(static_cast<std::size_t>(file->Size()));
  file->ReadAt(0, out);
  return out;
}

// Names in the folder as Windows lists them.
std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  const auto listing = MakeNativeFileSystem()->ListFolder(folder);
  DirEntry e;
  while (listing && listing->Next(e)) {
    if (e.name != "." && e.name != "..") names.push_back(e.name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

using win32::NamingWay;

class Win32NewFiles : public ::testing::TestWithParam<NamingWay> {
 protected:
  Win32NewFiles() { win32::StartNamingFrom(GetParam()); }
  ~Win32NewFiles() override { win32::StartNamingFrom(NamingWay::kHardLink); }
};

TEST_P(Win32NewFiles, AFreeNameGetsTheWholeFileAndAFailureLeavesNothing) {
  Scratch tmp;
  const auto fs = MakeNativeFileSystem();
  const Bytes bytes(70000, 0x5A);
  EXPECT_TRUE(fs->CreateNewFile(tmp.path() + "a-dll-0.bmp", bytes));
  EXPECT_EQ(Read(tmp.path() + "a-dll-0.bmp"), bytes);
  EXPECT_EQ(Entries(tmp.path()), std::vector<std::string>{"a-dll-0.bmp"});
  EXPECT_THROW(fs->CreateNewFile(tmp.path() + "no\\such\\x.bmp", bytes), OutputWriteError);
  EXPECT_EQ(Entries(tmp.path()), std::vector<std::string>{"a-dll-0.bmp"});
}

TEST_P(Win32NewFiles, ANameTakenInAnyFormIsLeftAsItIs) {
  Scratch tmp;
  const auto fs = MakeNativeFileSystem();
  ASSERT_TRUE(fs->CreateFolders(tmp.path() + "save"));
  ASSERT_TRUE(fs->CreateFolders(tmp.path() + "elsewhere"));
  fs->WriteNewFile(tmp.path() + "elsewhere\\existing.bmp", Bytes{9, 9});
  fs->WriteNewFile(tmp.path() + "save\\file.bmp", Bytes{9});
  ASSERT_TRUE(fs->CreateFolders(tmp.path() + "save\\folder.bmp"));
  const bool links = tmp.Link("save/linked.bmp", "elsewhere/existing.bmp") &&
                     tmp.Link("save/dangling.bmp", "elsewhere/missing.bmp");
  std::vector<std::string> names{"file.bmp", "folder.bmp"};
  if (links) {
    names.push_back("linked.bmp");
    // Wine moves a file over a dangling link as if the name were free.
    if (GetParam() == NamingWay::kHardLink || !tmp.under_wine()) names.push_back("dangling.bmp");
  } else {
    ADD_FAILURE() << "cannot make symbolic links here";
  }
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(fs->CreateNewFile(tmp.path() + "save\\" + name, Bytes(100, 1)));
  }
  EXPECT_EQ(Read(tmp.path() + "save\\file.bmp"), Bytes{9});
  EXPECT_EQ(Read(tmp.path() + "elsewhere\\existing.bmp"), (Bytes{9, 9}));
  EXPECT_EQ(Entries(tmp.path() + "elsewhere\\"), std::vector<std::string>{"existing.bmp"});
  EXPECT_TRUE(fs->FolderExists(tmp.path() + "save\\folder.bmp"));
}

TEST_P(Win32NewFiles, AFullFileSystemIsToldByNameAndLeavesNothing) {
  Scratch tmp;
  if (!tmp.MountSmall()) GTEST_SKIP() << "cannot mount a small file system here";
  const auto fs = MakeNativeFileSystem();
  const std::string small = tmp.path() + "small\\";
  for (const char* name : {"a-dll-0.bmp", "index.html"}) {
    SCOPED_TRACE(name);
    try {
      if (std::string(name) == "index.html") {
        fs->ReplaceFile(small + name, Bytes(200000, 1));
      } else {
        fs->CreateNewFile(small + name, Bytes(200000, 1));
      }
      ADD_FAILURE() << "no error";
    } catch (const OutputWriteError& e) {
      EXPECT_EQ(e.reason(), WriteFailureReason::kDiskFull) << e.what();
      EXPECT_EQ(e.file(), small + name);
    }
    EXPECT_EQ(Entries(small), std::vector<std::string>{});
  }
}

std::string WayName(const ::testing::TestParamInfo<NamingWay>& way) {
  return way.param == NamingWay::kHardLink ? "HardLink" : "Move";
}

INSTANTIATE_TEST_SUITE_P(EveryWay, Win32NewFiles, ::testing::Values(NamingWay::kHardLink, NamingWay::kMove), WayName);

TEST(Win32ReplacedFiles, ALinkIsReplacedItselfAndItsTargetKept) {
  Scratch tmp;
  const auto fs = MakeNativeFileSystem();
  fs->WriteNewFile(tmp.path() + "page.html", Bytes{9});
  if (!tmp.Link("index.html", "page.html")) GTEST_SKIP() << "cannot make symbolic links here";
  fs->ReplaceFile(tmp.path() + "index.html", Bytes{1, 2});
  fs->ReplaceFile(tmp.path() + "index.html", Bytes{3});
  EXPECT_EQ(Read(tmp.path() + "page.html"), Bytes{9});
  EXPECT_EQ(Read(tmp.path() + "index.html"), Bytes{3});
  EXPECT_EQ(::GetFileAttributesW(Widen(tmp.path() + "index.html").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
  EXPECT_EQ(Entries(tmp.path()), (std::vector<std::string>{"index.html", "page.html"}));
}

TEST(Win32Leftovers, OnlyThoseOfRunsThatEndedBeforeAreRemoved) {
  Scratch tmp;
  const auto fs = MakeNativeFileSystem();
  const auto leftover = [&](const std::string& name, LONGLONG age_seconds) {
    const std::string path = tmp.path() + name;
    fs->WriteNewFile(path, Bytes{1});
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{};
    t.LowPart = now.dwLowDateTime;
    t.HighPart = now.dwHighDateTime;
    t.QuadPart -= static_cast<ULONGLONG>(age_seconds * 10000000);
    FILETIME when{t.LowPart, t.HighPart};
    HANDLE h = ::CreateFileW(Widen(path).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ::SetFileTime(h, nullptr, nullptr, &when);
    ::CloseHandle(h);
    return path;
  };
  leftover(".glimmerdig-1-0.tmp", 60);                        // a killed run's
  const std::string held = leftover(".glimmerdig-2-0.tmp", 60);  // a run still writing
  leftover(".glimmerdig-3-0.tmp", -60);                       // newer than the cleaning run
  leftover("old-dll-0.bmp", 60);
  HANDLE writer = ::CreateFileW(Widen(held).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  fs->RemoveLeftovers(tmp.path());
  ::CloseHandle(writer);
  EXPECT_EQ(Entries(tmp.path()),
            (std::vector<std::string>{".glimmerdig-2-0.tmp", ".glimmerdig-3-0.tmp", "old-dll-0.bmp"}));
}

}  // namespace
}  // namespace gd
