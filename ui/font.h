#pragma once
// The one font of the program's windows.

#include <windows.h>

namespace gd {

inline constexpr wchar_t kUiFontFace[] = L"ＭＳ Ｐゴシック";
inline constexpr int kUiFontHeight = 12;  // character height in pixels, at 96 dpi

// "ＭＳ Ｐゴシック" with a 12-pixel character height and the Shift-JIS
// character set; made on first use and kept for the program's lifetime.
HFONT UiFont();

}  // namespace gd
