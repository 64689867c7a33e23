#include "app/dropped_files.h"

#include "utf16/utf16.h"

namespace gd {

std::vector<std::string> DroppedPaths(const DropHandle& drop) {
  std::vector<std::string> paths;
  if (!drop) return paths;
  const UINT count = DragQueryFileW(drop.get(), 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileW(drop.get(), i, nullptr, 0);
    std::wstring path(length + 1, L'\0');
    DragQueryFileW(drop.get(), i, path.data(), length + 1);
    path.resize(length);
    if (!path.empty()) paths.push_back(Narrow(path));
  }
  return paths;
}

}  // namespace gd
