#pragma once
// The shell's browse-for-folder dialog behind a few properties: a caption, the
// folder to preselect, an optional root, options and two events through which
// the owner sets the dialog's status line and its OK button.

#include "ui/application.h"

#include <windows.h>
#include <shlobj.h>

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

namespace gd {

enum class TBrowseOption : std::uint8_t {
  biBrowseForComputer,
  biBrowseForPrinter,
  biDontGoBelowDomain,
  biReturnFSAncestors,
  biReturnOnlyFSDirs,
  biStatusText,
};

// A set of options in one byte, bit n standing for the option with ordinal n.
class TBrowseOptions {
 public:
  constexpr TBrowseOptions() = default;
  constexpr TBrowseOptions(std::initializer_list<TBrowseOption> options) {
    for (TBrowseOption o : options) Include(o);
  }
  constexpr bool Contains(TBrowseOption o) const { return (bits_ & Bit(o)) != 0; }
  constexpr void Include(TBrowseOption o) { bits_ = static_cast<std::uint8_t>(bits_ | Bit(o)); }
  constexpr void Exclude(TBrowseOption o) {
    bits_ = static_cast<std::uint8_t>(bits_ & ~Bit(o));
  }
  constexpr std::uint8_t Bits() const { return bits_; }
  friend constexpr bool operator==(TBrowseOptions, TBrowseOptions) = default;

 private:
  static constexpr unsigned Bit(TBrowseOption o) { return 1u << static_cast<unsigned>(o); }
  std::uint8_t bits_ = 0;
};

// The shell's flag for each option, by ordinal.
inline constexpr std::array<std::uint32_t, 6> kBrowseOptionFlags = {
    0x1000,  // BIF_BROWSEFORCOMPUTER
    0x2000,  // BIF_BROWSEFORPRINTER
    0x0002,  // BIF_DONTGOBELOWDOMAIN
    0x0008,  // BIF_RETURNFSANCESTORS
    0x0001,  // BIF_RETURNONLYFSDIRS
    0x0004,  // BIF_STATUSTEXT
};

// The shell's browse flags for a set of options.
std::uint32_t BrowseFlags(TBrowseOptions options);

// The path to preselect for a Directory: one trailing backslash removed,
// except from a path of three characters or fewer (a drive root keeps it).
std::string SelectionPath(const std::string& directory);

enum class TOKButtonState : std::uint8_t { obsUnchanged, obsEnabled, obsDisabled };

class TBrowseDialog;

// Sender: the dialog object; Wnd: the shell dialog; Path: the folder in
// question; ShowText (in: empty) and OKButtonState (in: obsUnchanged) are the
// answers.
using TBrowseDialogEvent =
    std::function<void(TBrowseDialog& Sender, HWND Wnd, const std::string& Path,
                       std::string& ShowText, TOKButtonState& OKButtonState)>;

class TBrowseDialog {
 public:
  TBrowseDialog() = default;
  virtual ~TBrowseDialog() = default;
  TBrowseDialog(const TBrowseDialog&) = delete;
  TBrowseDialog& operator=(const TBrowseDialog&) = delete;

  // Offered every message of the application's window while the dialog is
  // up; true marks the message handled.
  virtual bool MainWindowHook(WindowMessage& Message);
  // Shows the dialog modally. True when the user chose an item with OK.
  // Throws std::runtime_error when the shell cannot be set up.
  virtual bool Execute();

  // The display name of the item chosen by the last successful Execute.
  const std::string& DisplayName() const { return display_name_; }

  std::string Directory;  // in: folder to preselect; out: the chosen path
  std::string Caption;    // text above the tree (not the window title)
  std::string Root;       // parsed by the desktop folder; empty: the desktop
  TBrowseOptions Options{TBrowseOption::biReturnOnlyFSDirs};
  TBrowseDialogEvent OnInitialized;
  TBrowseDialogEvent OnSelectionChanged;

 protected:
  // Where Execute gets the shell's allocator and desktop folder (the shell's
  // own functions); a test derives to make them fail.
  virtual HRESULT GetShellAllocator(IMalloc** allocator);
  virtual HRESULT GetDesktopFolder(IShellFolder** folder);

 private:
  std::string display_name_;
};

// The shell's browse callback; data is the executing TBrowseDialog.
int CALLBACK BrowseCallback(HWND wnd, UINT msg, LPARAM param, LPARAM data);

}  // namespace gd
