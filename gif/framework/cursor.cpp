#include "gif/framework/cursor.h"

#include <utility>

namespace gd {

namespace {

CursorHook& Hook() {
  static CursorHook hook;
  return hook;
}

}  // namespace

CursorHook SetCursorHook(CursorHook hook) { return std::exchange(Hook(), std::move(hook)); }

void SetScreenCursor(TCursor cursor) {
  if (Hook()) Hook()(cursor);
}

}  // namespace gd
