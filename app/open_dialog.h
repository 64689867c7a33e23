#pragma once
// The system's file-open dialog with the program's settings: no filter, no
// title of its own, no read-only box, resizable, one file. It starts in
// InitialDir and offers the last chosen file's name (without its folder)
// again the next time it opens.

#include <windows.h>

#include <string>
#include <vector>

namespace gd {

class TOpenDialog {
 public:
  std::string InitialDir;
  std::string FileName;            // its name is offered; then the full path chosen
  std::vector<std::string> Files;  // after a successful Execute: FileName alone

  // True when the user chose a file.
  bool Execute(HWND owner);
};

}  // namespace gd
