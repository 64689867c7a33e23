#pragma once
// Removing a scratch folder tree in Win32 tests. SHFileOperation would pull
// in the shell; the trees here are shallow.

#include <windows.h>

#include <string>

#include "utf16/utf16.h"

namespace gd::test {

// Deletes everything under folder (a path ending in a backslash), read-only
// and hidden files included, then the folder itself.
inline void RemoveFolderTree(const std::string& folder) {
  WIN32_FIND_DATAW fd;
  HANDLE h = ::FindFirstFileW(Widen(folder + "*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::string p = folder + Narrow(name);
      ::SetFileAttributesW(Widen(p).c_str(), FILE_ATTRIBUTE_NORMAL);
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveFolderTree(p + "\\");
      } else {
        ::DeleteFileW(Widen(p).c_str());
      }
    } while (::FindNextFileW(h, &fd));
    ::FindClose(h);
  }
  ::RemoveDirectoryW(Widen(folder).c_str());
}

}  // namespace gd::test
