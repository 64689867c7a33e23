// The engine on Windows: file services through the W functions, Unicode
// names, attributes, share modes, and a whole run over a real folder.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/errors.h"
#include "extract/run/res_extract.h"
#include "platform/file_system.h"
#include "tests/support/dib_fixtures.h"
#include "tests/support/win_folder.h"
#include "utf16/utf16.h"

namespace gd {
namespace {

class ScratchFolder {
 public:
  ScratchFolder() {
    // In the working folder, not in %TEMP%: the shell watches the user's
    // folders, and its change notices would disturb the browse-dialog tests.
    wchar_t cwd[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, cwd);
    path_ = Narrow(cwd) + "\\glimmerdig-fs-" + std::to_string(::GetCurrentProcessId()) + "\\";
    fs_->CreateFolders(path_.substr(0, path_.size() - 1));
  }
  ~ScratchFolder() { test::RemoveFolderTree(path_); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string Write(const std::string& rel, const test::Bytes& bytes, DWORD attributes = 0) const {
    const std::string p = path_ + rel;
    fs_->CreateFolders(p.substr(0, p.rfind('\\')));
    fs_->WriteNewFile(p, bytes);
    if (attributes) ::SetFileAttributesW(Widen(p).c_str(), attributes);
    return p;
  }

 private:
  std::unique_ptr<FileSystem> fs_ = MakeNativeFileSystem();
  std::string path_;
};

class NullHost final : public StatusSink, public ProgressSink, public MessageSink {
 public:
  void ShowStatus(const std::string& path) override { last_status = path; }
  void SetCount(int) override {}
  bool IsCancelled() override { return false; }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  std::string last_status;
  std::vector<std::string> messages;
};

TEST(Win32FileSystem, UnicodeNamesRoundTrip) {
  ScratchFolder tmp;
  const auto fs = MakeNativeFileSystem();
  const std::string path = tmp.Write("アイコン集 ✓.ico", {1, 2, 3});
  EXPECT_TRUE(fs->FileExists(path));
  EXPECT_FALSE(fs->FolderExists(path));
  EXPECT_TRUE(fs->FolderExists(tmp.path()));
  auto opened = fs->OpenFile(path);
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->Size(), 3u);
  std::vector<std::uint8_t> out(3);
  EXPECT_EQ(opened->ReadAt(1, out), 2u);
  EXPECT_EQ(out, (std::vector<std::uint8_t>{2, 3, 0}));
  opened.reset();
  const auto listing = fs->ListFolder(tmp.path());
  ASSERT_TRUE(listing);
  DirEntry e;
  bool seen = false;
  while (listing->Next(e)) seen = seen || e.name == "アイコン集 ✓.ico";
  EXPECT_TRUE(seen);
  EXPECT_TRUE(fs->DeleteFile(path));
  EXPECT_FALSE(fs->OpenFile(path));
}

TEST(Win32FileSystem, AFileHeldOpenForWritingIsPassedOver) {
  ScratchFolder tmp;
  const auto fs = MakeNativeFileSystem();
  const std::string path = tmp.Write("busy.bin", {1});
  HANDLE writer = ::CreateFileW(Widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(fs->OpenFile(path));
  ::CloseHandle(writer);
  EXPECT_TRUE(fs->OpenFile(path));
}

TEST(Win32FileSystem, ARunOverAFolderWithAttributes) {
  ScratchFolder tmp;
  const auto fs = MakeNativeFileSystem();
  const std::string save = tmp.path() + "保存\\";
  ASSERT_TRUE(fs->CreateFolders(save + "sub"));
  tmp.Write("保存\\old.bmp", {1});
  tmp.Write("保存\\hidden.bmp", {1}, FILE_ATTRIBUTE_HIDDEN);
  tmp.Write("保存\\system.bmp", {1}, FILE_ATTRIBUTE_SYSTEM);
  tmp.Write("保存\\readonly.bmp", {1}, FILE_ATTRIBUTE_READONLY);
  tmp.Write("src\\隠し.ico", test::IconFile({test::IconImage(32, 4), test::IconImage(16, 8)}),
            FILE_ATTRIBUTE_HIDDEN);
  tmp.Write("src\\深い\\tool.exe", test::IconFile({test::IconImage(32, 1)}));

  NullHost host;
  TResExtract engine(*fs, host, host, host);
  engine.SetSaveDir(save);
  engine.SetDeleteFirst(true);
  EXPECT_EQ(engine.ExtractFromFolder(tmp.path()), 3);
  EXPECT_FALSE(fs->FileExists(save + "old.bmp"));
  // Hidden and system bitmaps are not listed; a read-only one is, but the
  // system refuses to delete it, and a refused deletion is passed over.
  for (const char* kept : {"hidden.bmp", "system.bmp", "readonly.bmp", "隠し-ico-0.bmp", "隠し-ico-1.bmp",
                           "tool-exe-0.bmp"}) {
    EXPECT_TRUE(fs->FileExists(save + kept)) << kept;
  }
  EXPECT_TRUE(host.messages.empty());
  // The save folder matches however its letters are cased.
  std::string upper = save;
  for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  engine.SetSaveDir(upper);
  EXPECT_EQ(engine.ExtractFromFolder(tmp.path() + "保存"), 0);
}

TEST(Win32FileSystem, AbsolutePathsAndFailures) {
  ScratchFolder tmp;
  const auto fs = MakeNativeFileSystem();
  EXPECT_EQ(fs->AbsolutePath("C:\\a\\.\\b\\..\\c"), "C:\\a\\c");
  const test::Bytes one{1};
  EXPECT_THROW(fs->WriteNewFile(tmp.path() + "no\\such\\x.bmp", one), CreateFileError);
  EXPECT_FALSE(fs->ListFolder(tmp.path() + "missing\\"));
}

}  // namespace
}  // namespace gd
