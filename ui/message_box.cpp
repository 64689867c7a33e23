#include "ui/message_box.h"

#include "ui/application.h"
#include "ui/font.h"
#include "ui/handle.h"
#include "ui/modal.h"
#include "ui/placement.h"
#include "utf16/utf16.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace gd {

namespace {

struct Button {
  int id;
  std::wstring text;
};

struct BoxSpec {
  std::wstring title;
  std::wstring text;
  LPCWSTR icon;  // a system icon, or null for none
  std::vector<Button> buttons;
  int default_id;
  int cancel_result;  // what Escape and the close box answer
};

// Pixel geometry at 96 dpi.
constexpr int kMargin = 16;
constexpr int kIconSize = 32;
constexpr int kIconGap = 12;
constexpr int kMaxTextWidth = 420;
constexpr int kButtonMinWidth = 80;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 8;
constexpr int kMinClientWidth = 180;

SIZE MeasureText(HDC dc, const std::wstring& text, UINT flags, int max_width) {
  RECT r{0, 0, max_width, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, flags | DT_CALCRECT);
  return {r.right, r.bottom};
}

HWND MakeChild(HWND dlg, LPCWSTR cls, const std::wstring& text, DWORD style, int id,
               RECT r) {
  HWND wnd = CreateWindowExW(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, r.left,
                             r.top, r.right - r.left, r.bottom - r.top, dlg,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             GetModuleHandleW(nullptr), nullptr);
  SendMessageW(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(UiFont()), FALSE);
  return wnd;
}

void LayOut(HWND dlg, const BoxSpec& spec) {
  HWND focus = nullptr;
  WindowDc dc(dlg);
  SelectObjectScope font(dc.get(), UiFont());

  const int text_left = spec.icon ? kMargin + kIconSize + kIconGap : kMargin;
  const UINT text_flags = DT_LEFT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS;
  const SIZE text = MeasureText(dc.get(), spec.text, text_flags, kMaxTextWidth);
  int text_top = kMargin;
  int content_bottom = kMargin + text.cy;
  if (spec.icon) {
    HWND icon = MakeChild(dlg, L"STATIC", L"", SS_ICON, -1,
                          {kMargin, kMargin, kMargin + kIconSize, kMargin + kIconSize});
    SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, spec.icon)), 0);
    if (text.cy < kIconSize) text_top = kMargin + (kIconSize - text.cy) / 2;
    content_bottom = std::max(content_bottom, kMargin + kIconSize);
  }

  std::vector<int> widths;
  int row_width = 0;
  for (const Button& b : spec.buttons) {
    const SIZE s = MeasureText(dc.get(), b.text, DT_SINGLELINE, 0);
    widths.push_back(std::max(kButtonMinWidth, static_cast<int>(s.cx) + 24));
    row_width += widths.back();
  }
  row_width += kButtonGap * static_cast<int>(spec.buttons.size() - 1);

  const int client_w = std::max({kMinClientWidth, text_left + static_cast<int>(text.cx) + kMargin,
                                 row_width + 2 * kMargin});
  const int row_top = content_bottom + kMargin;
  const int client_h = row_top + kButtonHeight + 12;

  MakeChild(dlg, L"STATIC", spec.text, SS_LEFT | SS_NOPREFIX, -1,
            {text_left, text_top, text_left + static_cast<int>(text.cx),
             text_top + static_cast<int>(text.cy)});
  int x = (client_w - row_width) / 2;
  for (std::size_t i = 0; i < spec.buttons.size(); ++i) {
    const Button& b = spec.buttons[i];
    const bool is_default = b.id == spec.default_id;
    HWND wnd = MakeChild(dlg, L"BUTTON", b.text,
                         WS_TABSTOP | (i == 0 ? WS_GROUP : 0) |
                             (is_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
                         b.id, {x, row_top, x + widths[i], row_top + kButtonHeight});
    if (is_default) focus = wnd;
    x += widths[i] + kButtonGap;
  }

  RECT outer{0, 0, client_w, client_h};
  AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrW(dlg, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(dlg, GWL_EXSTYLE)));
  const int w = outer.right - outer.left;
  const int h = outer.bottom - outer.top;
  const POINT corner = ScreenCenter({w, h});
  SetWindowPos(dlg, nullptr, corner.x, corner.y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(dlg, DM_SETDEFID, static_cast<WPARAM>(spec.default_id), 0);
  if (focus) SetFocus(focus);
}

INT_PTR CALLBACK BoxProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  try {
    switch (msg) {
      case WM_INITDIALOG: {
        const auto* spec = reinterpret_cast<const BoxSpec*>(lp);
        SetWindowLongPtrW(dlg, DWLP_USER, lp);
        SetWindowTextW(dlg, spec->title.c_str());
        LayOut(dlg, *spec);
        return FALSE;  // focus is set
      }
      case WM_COMMAND: {
        const auto* spec = reinterpret_cast<const BoxSpec*>(GetWindowLongPtrW(dlg, DWLP_USER));
        if (!spec || HIWORD(wp) != BN_CLICKED) return FALSE;
        const int id = LOWORD(wp);
        if (id == IDCANCEL) {
          EndDialog(dlg, spec->cancel_result);
          return TRUE;
        }
        for (const Button& b : spec->buttons) {
          if (b.id == id) {
            EndDialog(dlg, id);
            return TRUE;
          }
        }
        return FALSE;
      }
      default:
        return FALSE;
    }
  } catch (...) {
    EndDialog(dlg, IDCANCEL);
    return TRUE;
  }
}

// A dialog template with no controls; the box lays itself out in pixels.
std::vector<DWORD> EmptyTemplate() {
  DLGTEMPLATE t{};
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFOREGROUND;
  t.dwExtendedStyle = WS_EX_DLGMODALFRAME;
  // Followed by three empty words: no menu, the default class, an empty title.
  std::vector<DWORD> buffer((sizeof(DLGTEMPLATE) + 3 * sizeof(WORD)) / sizeof(DWORD) + 1, 0);
  std::memcpy(buffer.data(), &t, sizeof t);
  return buffer;
}

int Run(const BoxSpec& spec) {
  HWND owner = GetActiveWindow();
  if (!owner) owner = App().MainWindow();
  const std::vector<DWORD> tmpl = EmptyTemplate();
  ThreadWindowsDisabled modal;
  const INT_PTR result = DialogBoxIndirectParamW(
      GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(tmpl.data()), owner,
      BoxProc, reinterpret_cast<LPARAM>(&spec));
  return result <= 0 ? spec.cancel_result : static_cast<int>(result);
}

}  // namespace

void ShowMessage(std::string_view text) {
  Run({Widen(App().Title()), Widen(text), nullptr, {{IDOK, Widen(kOkButton)}}, IDOK, IDOK});
}

void ShowErrorMessage(std::string_view text) {
  Run({Widen(App().Title()), Widen(text), IDI_ERROR, {{IDOK, Widen(kOkButton)}}, IDOK,
       IDOK});
}

int Confirm(std::string_view text) {
  return Run({Widen(kConfirmTitle),
              Widen(text),
              IDI_QUESTION,
              {{IDYES, Widen(kYesButton)}, {IDNO, Widen(kNoButton)}},
              IDYES,
              IDNO});
}

}  // namespace gd
