#include "browse/browse_dialog.h"

#include "ui/handle.h"
#include "ui/modal.h"
#include "utf16/utf16.h"

#include <objbase.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace gd {

namespace {

// Room for any path the system can hand out, long paths included.
constexpr DWORD kLongPathChars = 32768;

// Memory from the shell's allocator, freed with it.
class ShellMemory {
 public:
  explicit ShellMemory(IMalloc* allocator, void* p = nullptr) : allocator_(allocator), p_(p) {}
  ShellMemory(const ShellMemory&) = delete;
  ShellMemory& operator=(const ShellMemory&) = delete;
  ~ShellMemory() { allocator_->Free(p_); }
  void* get() const { return p_; }

 private:
  IMalloc* allocator_;
  void* p_;
};

// The dialogs inside Execute right now: the callback serves only these.
std::vector<const TBrowseDialog*>& Executing() {
  static std::vector<const TBrowseDialog*> list;
  return list;
}

class ExecutingScope {
 public:
  explicit ExecutingScope(const TBrowseDialog* d) : d_(d) { Executing().push_back(d); }
  ExecutingScope(const ExecutingScope&) = delete;
  ExecutingScope& operator=(const ExecutingScope&) = delete;
  ~ExecutingScope() {
    auto& list = Executing();
    list.erase(std::find(list.begin(), list.end(), d_));
  }

 private:
  const TBrowseDialog* d_;
};

class HookScope {
 public:
  explicit HookScope(TBrowseDialog* d)
      : key_(App().AddHook([d](WindowMessage& m) { return d->MainWindowHook(m); })) {}
  HookScope(const HookScope&) = delete;
  HookScope& operator=(const HookScope&) = delete;
  ~HookScope() { App().RemoveHook(key_); }

 private:
  int key_;
};

class ComScope {
 public:
  ComScope() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  ~ComScope() {
    if (ok_) CoUninitialize();
  }

 private:
  bool ok_;
};

// The file-system path of an item, or empty for an item outside it.
std::string PathOf(PCIDLIST_ABSOLUTE item) {
  if (!item) return {};
  std::vector<wchar_t> buffer(kLongPathChars, L'\0');
  if (!SHGetPathFromIDListEx(item, buffer.data(), kLongPathChars, GPFIDL_DEFAULT)) return {};
  return Narrow(buffer.data());
}

}  // namespace

std::uint32_t BrowseFlags(TBrowseOptions options) {
  std::uint32_t flags = 0;
  for (std::size_t i = 0; i < kBrowseOptionFlags.size(); ++i) {
    if (options.Contains(static_cast<TBrowseOption>(i))) flags |= kBrowseOptionFlags[i];
  }
  return flags;
}

std::string SelectionPath(const std::string& directory) {
  std::string path = directory;
  if (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

bool TBrowseDialog::MainWindowHook(WindowMessage& /*Message*/) { return false; }

HRESULT TBrowseDialog::GetShellAllocator(IMalloc** allocator) { return SHGetMalloc(allocator); }

HRESULT TBrowseDialog::GetDesktopFolder(IShellFolder** folder) {
  return SHGetDesktopFolder(folder);
}

bool TBrowseDialog::Execute() {
  ComScope com;
  ComPtr<IMalloc> allocator;
  if (GetShellAllocator(allocator.put()) != S_OK || !allocator) return false;

  PIDLIST_RELATIVE root_item = nullptr;
  if (!Root.empty()) {
    ComPtr<IShellFolder> desktop;
    if (FAILED(GetDesktopFolder(desktop.put())) || !desktop) {
      throw std::runtime_error("TBrowseDialog: SHGetDesktopFolder Failed.");
    }
    std::wstring name = Widen(Root);
    // A root the shell cannot parse leaves the tree rooted at the desktop.
    if (FAILED(desktop->ParseDisplayName(App().MainWindow(), nullptr, name.data(), nullptr,
                                         &root_item, nullptr))) {
      root_item = nullptr;
    }
  }
  ShellMemory root_owner(allocator.get(), root_item);

  ShellMemory display(allocator.get(), allocator->Alloc(MAX_PATH * sizeof(wchar_t)));
  if (!display.get()) throw std::runtime_error("TBrowseDialog: ppmem.Alloc Failed.");
  auto* display_name = static_cast<wchar_t*>(display.get());
  display_name[0] = L'\0';

  const std::wstring title = Widen(Caption);
  BROWSEINFOW info{};
  info.hwndOwner = App().MainWindow();
  info.pidlRoot = reinterpret_cast<PCIDLIST_ABSOLUTE>(root_item);
  info.pszDisplayName = display_name;
  info.lpszTitle = title.c_str();
  info.ulFlags = BrowseFlags(Options);
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(this);

  PIDLIST_ABSOLUTE chosen = nullptr;
  {
    // Destroyed in reverse: the hook goes first, then the windows come back.
    ThreadWindowsDisabled modal;
    HookScope hook(this);
    ExecutingScope executing(this);
    chosen = SHBrowseForFolderW(&info);
  }
  if (!chosen) return false;
  ShellMemory chosen_owner(allocator.get(), chosen);
  display_name_ = Narrow(std::wstring_view(display_name, wcsnlen(display_name, MAX_PATH)));
  // An item outside the file system (a computer, a printer) has no path.
  Directory = PathOf(chosen);
  return true;
}

int CALLBACK BrowseCallback(HWND wnd, UINT msg, LPARAM param, LPARAM data) {
  auto* dialog = reinterpret_cast<TBrowseDialog*>(data);
  const auto& executing = Executing();
  if (!dialog || std::find(executing.begin(), executing.end(), dialog) == executing.end()) {
    return 0;
  }
  try {
    std::string path;
    std::string show_text;
    TOKButtonState ok_state = TOKButtonState::obsUnchanged;
    if (msg == BFFM_SELCHANGED) {
      path = PathOf(reinterpret_cast<PCIDLIST_ABSOLUTE>(param));
      if (dialog->OnSelectionChanged) {
        dialog->OnSelectionChanged(*dialog, wnd, path, show_text, ok_state);
      }
    }
    if (msg == BFFM_INITIALIZED) {
      if (!dialog->Directory.empty()) {
        path = SelectionPath(dialog->Directory);
        const std::wstring wide = Widen(path);
        // Sent twice. In a process that has shown no file or folder dialog
        // yet, Wine often loses the first selection of a path on a drive such
        // as Z: and leaves the tree at the desktop; sent again, it takes.
        // Selecting the selected folder again changes nothing.
        for (int i = 0; i < 2; ++i) {
          SendMessageW(wnd, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(wide.c_str()));
        }
      }
      if (dialog->OnInitialized) dialog->OnInitialized(*dialog, wnd, path, show_text, ok_state);
    }
    const std::wstring status = Widen(show_text);
    SendMessageW(wnd, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(status.c_str()));
    if (ok_state == TOKButtonState::obsEnabled) SendMessageW(wnd, BFFM_ENABLEOK, 0, 1);
    if (ok_state == TOKButtonState::obsDisabled) SendMessageW(wnd, BFFM_ENABLEOK, 0, 0);
  } catch (...) {
    // The shell's message loop is no place for an exception.
    App().HandleException(std::current_exception());
  }
  return 0;
}

}  // namespace gd
