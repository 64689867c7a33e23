#pragma once
// The files and folders of a drop onto a window (WM_DROPFILES).

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "ui/handle.h"

namespace gd {

// Owns the drop's memory from the message on; frees it once.
using DropHandle = UniqueHandle<HDROP, &DragFinish>;

// The full paths in UTF-8, in the order the drop gives them.
std::vector<std::string> DroppedPaths(const DropHandle& drop);

}  // namespace gd
