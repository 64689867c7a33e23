#include "app/open_dialog.h"

#include <commdlg.h>

#include <algorithm>

#include "base/path_util.h"
#include "utf16/utf16.h"

namespace gd {

bool TOpenDialog::Execute(HWND owner) {
  // Room for long paths; the dialog reports a name that does not fit as an
  // error, which counts as no choice.
  std::wstring buffer(32768, L'\0');
  // The name alone: a full path here would take the dialog to its folder
  // whatever the initial folder says.
  const std::wstring name = Widen(FileNameOf(FileName));
  std::copy_n(name.begin(), std::min(name.size(), buffer.size() - 1), buffer.begin());
  const std::wstring initial_dir = Widen(InitialDir);

  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.lpstrInitialDir = initial_dir.empty() ? nullptr : initial_dir.c_str();
  ofn.Flags = OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_EXPLORER;
  if (!GetOpenFileNameW(&ofn)) return false;
  FileName = Narrow(buffer.c_str());
  Files.assign(1, FileName);
  return true;
}

}  // namespace gd
