#pragma once
// The program-wide references to its two windows, set by the program block
// when it creates them. The engine reaches the windows only through these.

namespace gd {

class TMainForm;
class TProgressMsg;

extern TMainForm* MainForm;
extern TProgressMsg* ProgressMsg;

}  // namespace gd
