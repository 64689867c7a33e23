#include "browse/browse_dialog.h"

#include "tests/support/win_test_util.h"
#include "ui/form.h"
#include "utf16/utf16.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shlobj.h>

#include <filesystem>

namespace gd {
namespace {

using enum TBrowseOption;

TEST(BrowseFlags, MapsEachOptionToItsShellFlag) {
  const struct {
    TBrowseOptions options;
    std::uint32_t flags;
  } cases[] = {
      {{}, 0},
      {{biReturnOnlyFSDirs}, 0x0001},
      {{biBrowseForComputer, biBrowseForPrinter, biDontGoBelowDomain, biReturnFSAncestors,
        biReturnOnlyFSDirs, biStatusText},
       0x300F},
      {{biStatusText, biDontGoBelowDomain}, 0x0006},
  };
  for (const auto& c : cases) EXPECT_EQ(BrowseFlags(c.options), c.flags) << int(c.options.Bits());
  EXPECT_EQ(TBrowseOptions{biReturnOnlyFSDirs}.Bits(), 16);
  EXPECT_EQ(TBrowseDialog().Options, TBrowseOptions{biReturnOnlyFSDirs}) << "the default";
}

TEST(SelectionPath, DropsOneTrailingBackslashExceptFromShortPaths) {
  const struct {
    const char* directory;
    const char* path;
  } cases[] = {
      {"C:\\", "C:\\"},           {"D:\\Data\\", "D:\\Data"}, {"D:\\Data", "D:\\Data"},
      {"D:\\Data\\\\", "D:\\Data\\"}, {"\\\\", "\\\\"},        {"", ""},
      {"C:\\データ\\", "C:\\データ"},
  };
  for (const auto& c : cases) EXPECT_EQ(SelectionPath(c.directory), c.path) << c.directory;
}

// A test folder with a Japanese name, under Wine's C: drive.
class BrowseDialogTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    // A fresh Wine prefix creates the user's shell folders on first use,
    // and an open dialog rebuilds its tree when they appear, losing its
    // selection. Have them made, and the news delivered, before any dialog.
    wchar_t path[MAX_PATH];
    for (int folder : {CSIDL_DESKTOPDIRECTORY, CSIDL_PERSONAL, CSIDL_APPDATA}) {
      SHGetFolderPathW(nullptr, folder | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path);
    }
    test::PumpFor(std::chrono::milliseconds(300));
    // Opening the first dialog of a fresh prefix makes still more of them
    // (and the test's own folder is new then too): open one, let it settle,
    // cancel it, and let the news pass before the tests' dialogs.
    TBrowseDialog warm_up;
    warm_up.Directory = Narrow((TestFolder() / L"下").wstring());
    std::filesystem::create_directories(TestFolder() / L"下");
    warm_up.OnInitialized = [](TBrowseDialog&, HWND wnd, const std::string&, std::string&, TOKButtonState&) {
      test::Later([wnd] { PostMessageW(wnd, WM_COMMAND, IDCANCEL, 0); }, std::chrono::milliseconds(1000));
    };
    warm_up.Execute();
    test::PumpFor(std::chrono::milliseconds(500));
  }
  static std::filesystem::path TestFolder() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return std::filesystem::path(temp) / L"閲覧テスト";
  }
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    folder_ = std::filesystem::path(temp) / L"閲覧テスト";
    std::filesystem::create_directories(folder_ / L"下");
  }
  std::string Folder() const { return Narrow(folder_.wstring()); }

  std::filesystem::path folder_;
  TBrowseDialog dialog_;
};

// Presses a button of the shell dialog once the current message is done.
void Press(HWND dialog, int id) { PostMessageW(dialog, WM_COMMAND, static_cast<WPARAM>(id), 0); }

HWND TreeOf(HWND dialog) {
  for (HWND c : test::Children(dialog)) {
    if (test::ClassName(c) == "SysTreeView32") return c;
  }
  return nullptr;
}

std::string ItemText(HWND tree, WPARAM which) {
  wchar_t text[MAX_PATH] = {};
  TVITEMW item{};
  item.mask = TVIF_TEXT;
  item.hItem = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, which, 0));
  if (item.hItem == nullptr) return {};
  item.pszText = text;
  item.cchTextMax = MAX_PATH;
  SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  return Narrow(text);
}

std::string RootItemText(HWND tree) { return ItemText(tree, TVGN_ROOT); }

// Presses OK once the tree shows `name` selected, or after about three
// seconds: Wine fills and expands the tree in steps, later on a busy machine.
void PressOkOnceSelected(HWND dialog, const std::string& name, int tries = 30) {
  if (tries > 0 && ItemText(TreeOf(dialog), TVGN_CARET) != name) {
    test::Later([dialog, name, tries] { PressOkOnceSelected(dialog, name, tries - 1); });
    return;
  }
  Press(dialog, IDOK);
}

TEST_F(BrowseDialogTest, PreselectsDirectoryAndReturnsTheConfirmedFolder) {
  const std::string sub = Folder() + "\\下";
  dialog_.Caption = "抽出するフォルダを選んでください";
  dialog_.Directory = sub + "\\";
  std::string init_path = "unset";
  std::vector<std::string> selections;
  std::string caption_seen;
  dialog_.OnSelectionChanged = [&](TBrowseDialog& sender, HWND, const std::string& path,
                                   std::string& show_text, TOKButtonState& ok) {
    EXPECT_EQ(&sender, &dialog_);
    EXPECT_EQ(show_text, "");
    EXPECT_EQ(ok, TOKButtonState::obsUnchanged);
    selections.push_back(path);
  };
  dialog_.OnInitialized = [&](TBrowseDialog&, HWND wnd, const std::string& path, std::string&,
                              TOKButtonState&) {
    init_path = path;
    caption_seen = test::FindChild(wnd, "Static", dialog_.Caption) ? dialog_.Caption : "";
    test::Later([wnd] {
      RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      EXPECT_TRUE(test::SaveScreenshot(wnd, "screenshots/browse-dialog.bmp"));
      PressOkOnceSelected(wnd, "下");
    });
  };
  ASSERT_TRUE(dialog_.Execute());
  EXPECT_EQ(init_path, sub) << "sent without its trailing backslash";
  EXPECT_EQ(caption_seen, dialog_.Caption);
  // Wine does not always report the preselection as a selection change.
  if (!selections.empty()) {
    EXPECT_EQ(selections.back(), sub);
  }
  EXPECT_EQ(dialog_.Directory, sub);
  // The shell's display name: the plain name on Windows, the path on Wine.
  EXPECT_TRUE(dialog_.DisplayName().ends_with("下")) << dialog_.DisplayName();
}

TEST_F(BrowseDialogTest, CancelLeavesDirectoryAndDisplayName) {
  dialog_.Directory = Folder() + "\\";
  dialog_.OnInitialized = [&](TBrowseDialog&, HWND wnd, const std::string&, std::string&,
                              TOKButtonState&) { Press(wnd, IDOK); };
  ASSERT_TRUE(dialog_.Execute());
  const std::string display = dialog_.DisplayName();
  EXPECT_TRUE(display.ends_with("閲覧テスト")) << display;

  dialog_.Directory = "C:\\";
  std::string init_path;
  dialog_.OnInitialized = [&](TBrowseDialog&, HWND wnd, const std::string& path, std::string&,
                              TOKButtonState&) {
    init_path = path;
    Press(wnd, IDCANCEL);
  };
  EXPECT_FALSE(dialog_.Execute());
  EXPECT_EQ(init_path, "C:\\") << "a drive root keeps its backslash";
  EXPECT_EQ(dialog_.Directory, "C:\\");
  EXPECT_EQ(dialog_.DisplayName(), display);
}

TEST_F(BrowseDialogTest, EmptyDirectoryFiresInitializedWithEmptyPath) {
  std::string init_path = "unset";
  dialog_.OnInitialized = [&](TBrowseDialog&, HWND wnd, const std::string& path, std::string&,
                              TOKButtonState&) {
    init_path = path;
    Press(wnd, IDCANCEL);
  };
  EXPECT_FALSE(dialog_.Execute());
  EXPECT_EQ(init_path, "");
  EXPECT_EQ(dialog_.Directory, "");
}

TEST_F(BrowseDialogTest, StatusTextAndOkButtonFollowTheEvents) {
  dialog_.Options = {biReturnOnlyFSDirs, biStatusText};
  dialog_.Directory = Folder();
  bool ok_enabled_after_init = true;
  bool status_after_init = false;
  bool ok_enabled_after_select = false;
  bool status_cleared = false;
  std::string selected;
  dialog_.OnInitialized = [&](TBrowseDialog&, HWND wnd, const std::string&, std::string& text,
                              TOKButtonState& ok) {
    text = "状態テキスト";
    ok = TOKButtonState::obsDisabled;
    test::Later([&, wnd] {
      ok_enabled_after_init = IsWindowEnabled(GetDlgItem(wnd, IDOK)) != FALSE;
      status_after_init = test::FindChild(wnd, "Static", "状態テキスト") != nullptr;
      // A selection whose handler enables OK and leaves the text empty.
      dialog_.OnSelectionChanged = [&](TBrowseDialog&, HWND, const std::string& path,
                                       std::string&, TOKButtonState& state) {
        selected = path;
        state = TOKButtonState::obsEnabled;
      };
      const std::wstring sub = (folder_ / L"下").wstring();
      SendMessageW(wnd, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(sub.c_str()));
      ok_enabled_after_select = IsWindowEnabled(GetDlgItem(wnd, IDOK)) != FALSE;
      status_cleared = test::FindChild(wnd, "Static", "状態テキスト") == nullptr;
      Press(wnd, IDCANCEL);
    });
  };
  EXPECT_FALSE(dialog_.Execute());
  EXPECT_FALSE(ok_enabled_after_init);
  EXPECT_TRUE(status_after_init);
  EXPECT_TRUE(ok_enabled_after_select);
  EXPECT_EQ(selected, Folder() + "\\下");
  EXPECT_TRUE(status_cleared) << "an empty text still clears the status line";
}

TEST_F(BrowseDialogTest, ItemOutsideTheFileSystemGivesEmptyDirectory) {
  dialog_.Options = {};
  dialog_.Root = "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}";  // the computer
  dialog_.Directory = "C:\\";
  dialog_.OnInitialized = [&](TBrowseDialog&, HWND wnd, const std::string&, std::string&,
                              TOKButtonState&) {
    // Select the root itself: the first item of the tree.
    HWND tree = TreeOf(wnd);
    ASSERT_NE(tree, nullptr);
    const auto root = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(root));
    Press(wnd, IDOK);
  };
  EXPECT_TRUE(dialog_.Execute());
  EXPECT_EQ(dialog_.Directory, "");
}

TEST_F(BrowseDialogTest, RootNamesTheTopOfTheTree) {
  dialog_.Root = Folder();
  dialog_.Directory = Folder() + "\\下\\";
  std::string root_text;
  dialog_.OnInitialized = [&](TBrowseDialog&, HWND wnd, const std::string&, std::string&,
                              TOKButtonState&) {
    HWND tree = TreeOf(wnd);
    ASSERT_NE(tree, nullptr);
    root_text = RootItemText(tree);
    Press(wnd, IDOK);
  };
  EXPECT_TRUE(dialog_.Execute());
  EXPECT_TRUE(root_text.ends_with("閲覧テスト")) << root_text;
  EXPECT_EQ(dialog_.Directory, Folder() + "\\下");
}

TEST_F(BrowseDialogTest, UnparsableRootOpensAtTheDesktopSilently) {
  dialog_.Root = "no such place at all";
  std::string root_text;
  dialog_.OnInitialized = [&](TBrowseDialog&, HWND wnd, const std::string&, std::string&,
                              TOKButtonState&) {
    root_text = RootItemText(TreeOf(wnd));
    Press(wnd, IDCANCEL);
  };
  EXPECT_FALSE(dialog_.Execute());
  // The desktop, whatever the system calls it.
  EXPECT_FALSE(root_text.empty());
  EXPECT_FALSE(root_text.ends_with("閲覧テスト"));
}

// Records what reaches the application's window while the dialog is up.
class HookedDialog : public TBrowseDialog {
 public:
  bool MainWindowHook(WindowMessage& Message) override {
    if (Message.Msg != WM_APP + 3) return false;
    ++hooked;
    Message.Result = 99;
    return true;
  }
  int hooked = 0;
};

TEST_F(BrowseDialogTest, DisablesTheProgramsWindowsAndHooksTheMainWindowWhileUp) {
  const FormLayout f = test::PlainLayout("main", 200, 100);
  test::OwnerForm main(f);
  Form other(f);
  other.Show();
  HookedDialog dialog;
  bool main_enabled = true;
  bool other_enabled = true;
  HWND owner = nullptr;
  LRESULT answer = 0;
  dialog.OnInitialized = [&](TBrowseDialog&, HWND wnd, const std::string&, std::string&,
                             TOKButtonState&) {
    main_enabled = IsWindowEnabled(main.Handle()) != FALSE;
    other_enabled = IsWindowEnabled(other.Handle()) != FALSE;
    owner = GetWindow(wnd, GW_OWNER);
    answer = SendMessageW(main.Handle(), WM_APP + 3, 0, 0);
    Press(wnd, IDCANCEL);
  };
  EXPECT_FALSE(dialog.Execute());
  EXPECT_FALSE(main_enabled);
  EXPECT_FALSE(other_enabled);
  EXPECT_EQ(owner, main.Handle()) << "owned by the application's window";
  EXPECT_EQ(answer, 99);
  EXPECT_EQ(dialog.hooked, 1);
  EXPECT_EQ(SendMessageW(main.Handle(), WM_APP + 3, 0, 0), 0) << "hook gone";
  EXPECT_TRUE(IsWindowEnabled(main.Handle()));
  EXPECT_TRUE(IsWindowEnabled(other.Handle()));
  EXPECT_EQ(GetActiveWindow(), other.Handle()) << "the window active before";
}

TEST_F(BrowseDialogTest, ExceptionFromAnEventReachesTheDefaultHandler) {
  std::string reported;
  App().SetExceptionHandler([&](const std::string& text) { reported = text; });
  dialog_.OnInitialized = [&](TBrowseDialog&, HWND wnd, const std::string&, std::string&,
                              TOKButtonState&) {
    Press(wnd, IDCANCEL);
    throw std::runtime_error("handler failed");
  };
  EXPECT_FALSE(dialog_.Execute());
  EXPECT_EQ(reported, "handler failed");
  App().SetExceptionHandler({});
}

TEST(BrowseCallback, IgnoresAParameterThatIsNoExecutingDialog) {
  TBrowseDialog idle;
  bool fired = false;
  idle.OnInitialized = [&](TBrowseDialog&, HWND, const std::string&, std::string&,
                           TOKButtonState&) { fired = true; };
  EXPECT_EQ(BrowseCallback(nullptr, BFFM_INITIALIZED, 0, 0), 0);
  EXPECT_EQ(BrowseCallback(nullptr, BFFM_INITIALIZED, 0, reinterpret_cast<LPARAM>(&idle)), 0);
  EXPECT_FALSE(fired);
}

}  // namespace
}  // namespace gd

namespace gd {
namespace {

// COM objects end through Release, never through a destructor call on the
// interface, so COM interfaces have none.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// The shell's allocator, counting its references and what it frees; it can
// be told to give out no memory.
class CountingMalloc : public IMalloc {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IMalloc) {
      *out = this;
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  void* STDMETHODCALLTYPE Alloc(SIZE_T n) override {
    return refuse_alloc ? nullptr : CoTaskMemAlloc(n);
  }
  void* STDMETHODCALLTYPE Realloc(void* p, SIZE_T n) override { return CoTaskMemRealloc(p, n); }
  void STDMETHODCALLTYPE Free(void* p) override {
    if (p) ++freed;
    CoTaskMemFree(p);
  }
  SIZE_T STDMETHODCALLTYPE GetSize(void*) override { return static_cast<SIZE_T>(-1); }
  int STDMETHODCALLTYPE DidAlloc(void*) override { return -1; }
  void STDMETHODCALLTYPE HeapMinimize() override {}

  ULONG refs = 0;
  int freed = 0;
  bool refuse_alloc = false;
};

#pragma GCC diagnostic pop

class FailingShellDialog : public TBrowseDialog {
 public:
  CountingMalloc allocator;
  bool no_allocator = false;
  bool no_desktop = false;

 protected:
  HRESULT GetShellAllocator(IMalloc** out) override {
    if (no_allocator) return E_FAIL;
    allocator.AddRef();
    *out = &allocator;
    return S_OK;
  }
  HRESULT GetDesktopFolder(IShellFolder** out) override {
    if (no_desktop) return E_FAIL;
    return TBrowseDialog::GetDesktopFolder(out);
  }
};

class BrowseDialogFailureTest : public testing::Test {
 protected:
  void SetUp() override {
    dialog_.Directory = "C:\\";
    dialog_.OnInitialized = [this](TBrowseDialog&, HWND wnd, const std::string&, std::string&,
                                   TOKButtonState&) {
      opened_ = true;
      PostMessageW(wnd, WM_COMMAND, IDCANCEL, 0);
    };
  }
  FailingShellDialog dialog_;
  bool opened_ = false;
};

TEST_F(BrowseDialogFailureTest, NoAllocatorReturnsFalseWithoutADialog) {
  dialog_.no_allocator = true;
  EXPECT_FALSE(dialog_.Execute());
  EXPECT_FALSE(opened_);
  EXPECT_EQ(dialog_.Directory, "C:\\");
}

TEST_F(BrowseDialogFailureTest, NoDesktopFolderWithARootThrowsAndReleasesTheAllocator) {
  dialog_.no_desktop = true;
  dialog_.Root = "C:\\";
  try {
    dialog_.Execute();
    ADD_FAILURE() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "TBrowseDialog: SHGetDesktopFolder Failed.");
  }
  EXPECT_FALSE(opened_);
  EXPECT_EQ(dialog_.allocator.refs, 0u);
  EXPECT_EQ(dialog_.Directory, "C:\\");

  dialog_.Root = "";
  EXPECT_FALSE(dialog_.Execute()) << "without a root the desktop folder is not needed";
  EXPECT_TRUE(opened_);
}

TEST_F(BrowseDialogFailureTest, NoDisplayNameBufferThrowsAndFreesTheRoot) {
  dialog_.allocator.refuse_alloc = true;
  dialog_.Root = "C:\\";
  try {
    dialog_.Execute();
    ADD_FAILURE() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "TBrowseDialog: ppmem.Alloc Failed.");
  }
  EXPECT_FALSE(opened_);
  EXPECT_EQ(dialog_.allocator.freed, 1) << "the parsed root";
  EXPECT_EQ(dialog_.allocator.refs, 0u);
}

TEST_F(BrowseDialogFailureTest, EveryPathReleasesWhatItObtained) {
  dialog_.Root = "C:\\";
  EXPECT_FALSE(dialog_.Execute());
  EXPECT_TRUE(opened_);
  EXPECT_EQ(dialog_.allocator.freed, 2) << "the root and the display-name buffer";
  EXPECT_EQ(dialog_.allocator.refs, 0u);

  dialog_.OnInitialized = [](TBrowseDialog&, HWND wnd, const std::string&, std::string&,
                             TOKButtonState&) { PostMessageW(wnd, WM_COMMAND, IDOK, 0); };
  EXPECT_TRUE(dialog_.Execute());
  EXPECT_EQ(dialog_.allocator.freed, 2 + 3) << "and the chosen item";
  EXPECT_EQ(dialog_.allocator.refs, 0u);
}

}  // namespace
}  // namespace gd
