#include "app/globals.h"

namespace gd {

TMainForm* MainForm = nullptr;
TProgressMsg* ProgressMsg = nullptr;

}  // namespace gd
