#include "ui/font.h"

#include "ui/handle.h"

#include <cwchar>

namespace gd {

HFONT UiFont() {
  static const GdiObject font = [] {
    LOGFONTW lf{};
    // Negative: the character height without internal leading, as designed.
    lf.lfHeight = -kUiFontHeight;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    wcsncpy(lf.lfFaceName, kUiFontFace, LF_FACESIZE - 1);
    HFONT f = CreateFontIndirectW(&lf);
    return GdiObject(f ? f : GetStockObject(DEFAULT_GUI_FONT));
  }();
  return static_cast<HFONT>(font.get());
}

}  // namespace gd
