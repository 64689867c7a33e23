#pragma once
// The system's file-open dialog with the program's settings: no filter, no
// title of its own, no read-only box, resizable, one file. It offers the last
// chosen name again the next time it opens.

#include <windows.h>

#include <string>
#include <vector>

namespace gd {

class TOpenDialog {
 public:
  std::string InitialDir;
  std::string FileName;            // the name offered, then the one chosen
  std::vector<std::string> Files;  // after a successful Execute: FileName alone

  // True when the user chose a file.
  bool Execute(HWND owner);
};

}  // namespace gd
