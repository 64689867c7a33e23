#include "ui/form.h"

#include "ui/application.h"
#include "ui/busy_cursor.h"
#include "ui/font.h"
#include "ui/placement.h"
#include "utf16/utf16.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>

namespace gd {

namespace {

constexpr wchar_t kFormClass[] = L"GlimmerdigForm";
constexpr int kFirstControlId = 100;

ATOM RegisterFormClass(WNDPROC proc) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_ANIMATE_CLASS};
  InitCommonControlsEx(&icc);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = kFormClass;
  const ATOM atom = RegisterClassExW(&wc);
  if (!atom) throw std::runtime_error("Form: RegisterClassEx Failed.");
  return atom;
}

struct ClassAndStyle {
  const wchar_t* cls;
  DWORD style;
  bool tab_stop;
};

ClassAndStyle KindStyle(const ControlLayout& c) {
  const DWORD prefix = c.no_prefix ? SS_NOPREFIX : 0;
  switch (c.kind) {
    case ControlKind::kButton:
      return {L"BUTTON", static_cast<DWORD>(c.default_button ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
              true};
    case ControlKind::kCheckBox:
      return {L"BUTTON", BS_AUTOCHECKBOX, true};
    case ControlKind::kGroupBox:
      return {L"BUTTON", BS_GROUPBOX, false};
    case ControlKind::kStaticText:
      return {L"STATIC", SS_LEFT | prefix | (c.sunken ? SS_SUNKEN : 0), false};
    case ControlKind::kLabel:
      return {L"STATIC", SS_LEFT | prefix, false};
    case ControlKind::kStatusBar:
      return {STATUSCLASSNAMEW, CCS_BOTTOM, false};
    case ControlKind::kAnimation:
      return {ANIMATE_CLASSW, ACS_CENTER | ACS_TRANSPARENT, false};
  }
  return {L"STATIC", SS_LEFT, false};
}

// Controls with a keyboard position first, in that order; the rest after.
std::vector<const ControlLayout*> InTabOrder(const std::vector<ControlLayout>& list) {
  std::vector<const ControlLayout*> sorted;
  for (const ControlLayout& c : list) sorted.push_back(&c);
  std::stable_sort(sorted.begin(), sorted.end(), [](const auto* a, const auto* b) {
    const unsigned ka = static_cast<unsigned>(a->tab_order);  // -1 sorts last
    const unsigned kb = static_cast<unsigned>(b->tab_order);
    return ka < kb;
  });
  return sorted;
}

class PaintScope {
 public:
  explicit PaintScope(HWND wnd) : wnd_(wnd) { BeginPaint(wnd, &ps_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  ~PaintScope() { EndPaint(wnd_, &ps_); }

 private:
  HWND wnd_;
  PAINTSTRUCT ps_{};
};

// One axis of an anchored control: its new start and length when its
// container grows by `delta`.
std::pair<int, int> Anchored(int start, int length, int delta, bool to_start, bool to_end) {
  if (to_start && to_end) return {start, length + delta};
  if (to_end) return {start + delta, length};
  if (to_start) return {start, length};
  return {start + delta / 2, length};
}

}  // namespace

Form::Form(const FormLayout& layout, HWND owner) : layout_(layout) {
  static const ATOM atom = RegisterFormClass(&Form::WndProc);
  (void)atom;
  AddControls(layout.controls, -1);
  for (Entry& c : controls_) c.layout.children.clear();

  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_CLIPSIBLINGS |
                      (layout.system_menu ? WS_SYSMENU : 0);
  const DWORD ex_style = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT |
                         (layout.topmost ? WS_EX_TOPMOST : 0);
  RECT outer{0, 0, layout.client_width, layout.client_height};
  AdjustWindowRectEx(&outer, style, FALSE, ex_style);
  const int w = outer.right - outer.left;
  const int h = outer.bottom - outer.top;
  int x = layout.left;
  int y = layout.top;
  if (layout.position == FormPosition::kScreenCenter) {
    const POINT corner = ScreenCenter({w, h});
    x = corner.x;
    y = corner.y;
  }
  HWND wnd = CreateWindowExW(ex_style, kFormClass, Widen(layout.caption).c_str(), style, x, y,
                             w, h, owner, nullptr, GetModuleHandleW(nullptr), this);
  // The window procedure took ownership of the handle at WM_NCCREATE.
  if (!wnd) throw std::runtime_error("Form: CreateWindowEx Failed.");
  for (Entry& c : controls_) CreateControl(c);
}

Form::~Form() {
  if (wnd_) SetWindowLongPtrW(wnd_.get(), GWLP_USERDATA, 0);
}

void Form::AddControls(const std::vector<ControlLayout>& list, int container) {
  for (const ControlLayout* c : InTabOrder(list)) {
    const int index = static_cast<int>(controls_.size());
    controls_.push_back({*c, container, kFirstControlId + index, nullptr, {}, {}});
    if (!c->children.empty()) AddControls(c->children, index);
  }
}

void Form::CreateControl(Entry& c) {
  const ClassAndStyle cs = KindStyle(c.layout);
  const RECT r = ControlRect(static_cast<std::size_t>(&c - controls_.data()),
                             layout_.client_width, layout_.client_height);
  const DWORD style = WS_CHILD | WS_VISIBLE | WS_GROUP | cs.style | (cs.tab_stop ? WS_TABSTOP : 0);
  c.wnd = CreateWindowExW(0, cs.cls, Widen(c.layout.text).c_str(), style, r.left, r.top,
                          r.right - r.left, r.bottom - r.top, wnd_.get(),
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)),
                          GetModuleHandleW(nullptr), nullptr);
  if (!c.wnd) throw std::runtime_error("Form: CreateWindowEx Failed for " + c.layout.name + ".");
  if (c.layout.kind == ControlKind::kStatusBar) {
    // The status bar keeps the system's status-bar font.
    SendMessageW(c.wnd, SB_SIMPLE, TRUE, 0);
    SendMessageW(c.wnd, SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(Widen(c.layout.text).c_str()));
    c.simple_text = c.layout.text;
  } else {
    SendMessageW(c.wnd, WM_SETFONT, reinterpret_cast<WPARAM>(UiFont()), FALSE);
  }
}

RECT Form::ControlRect(std::size_t index, int client_w, int client_h) const {
  const Entry& c = controls_[index];
  RECT box{0, 0, client_w, client_h};
  int design_w = layout_.client_width;
  int design_h = layout_.client_height;
  if (c.container >= 0) {
    const ControlLayout& p = controls_[static_cast<std::size_t>(c.container)].layout;
    box = ControlRect(static_cast<std::size_t>(c.container), client_w, client_h);
    design_w = p.width;
    design_h = p.height;
  }
  const unsigned a = c.layout.anchors;
  const auto [x, w] = Anchored(c.layout.left, c.layout.width, (box.right - box.left) - design_w,
                               a & kAnchorLeft, a & kAnchorRight);
  const auto [y, h] = Anchored(c.layout.top, c.layout.height, (box.bottom - box.top) - design_h,
                               a & kAnchorTop, a & kAnchorBottom);
  return {box.left + x, box.top + y, box.left + x + w, box.top + y + h};
}

void Form::ApplyAnchors(int client_w, int client_h) {
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (controls_[i].layout.kind == ControlKind::kStatusBar) {
      SendMessageW(controls_[i].wnd, WM_SIZE, 0, 0);  // docks itself
      continue;
    }
    const RECT r = ControlRect(i, client_w, client_h);
    SetWindowPos(controls_[i].wnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

const Form::Entry& Form::Find(std::string_view name) const {
  for (const Entry& c : controls_) {
    if (c.layout.name == name) return c;
  }
  throw std::out_of_range("Form: no control named " + std::string(name) + ".");
}

Form::Entry& Form::Find(std::string_view name) {
  return const_cast<Entry&>(std::as_const(*this).Find(name));
}

HWND Form::Control(std::string_view name) const { return Find(name).wnd; }

std::string Form::Text(std::string_view name) const {
  const Entry& c = Find(name);
  if (c.layout.kind == ControlKind::kStatusBar) return c.simple_text;
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(c.wnd)) + 1, L'\0');
  GetWindowTextW(c.wnd, text.data(), static_cast<int>(text.size()));
  text.resize(wcslen(text.c_str()));
  return Narrow(text);
}

void Form::SetText(std::string_view name, std::string_view text) {
  Entry& c = Find(name);
  const std::wstring wide = Widen(text);
  if (c.layout.kind == ControlKind::kStatusBar) {
    c.simple_text = text;
    SendMessageW(c.wnd, SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(wide.c_str()));
  } else {
    SetWindowTextW(c.wnd, wide.c_str());
  }
}

bool Form::Checked(std::string_view name) const {
  return SendMessageW(Find(name).wnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Form::SetChecked(std::string_view name, bool checked) {
  SendMessageW(Find(name).wnd, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Form::SetEnabled(std::string_view name, bool enabled) {
  EnableWindow(Find(name).wnd, enabled ? TRUE : FALSE);
}

void Form::SetOnClick(std::string_view name, std::function<void()> handler) {
  Find(name).on_click = std::move(handler);
}

void Form::PlaceOnFirstShow() {
  if (shown_before_) return;
  shown_before_ = true;
  HWND main = App().MainWindow();
  if (layout_.position != FormPosition::kMainFormCenterOnce || !main || main == wnd_.get()) return;
  RECT over;
  RECT own;
  GetWindowRect(main, &over);
  GetWindowRect(wnd_.get(), &own);
  const POINT p = CenterOver(over, {own.right - own.left, own.bottom - own.top});
  SetWindowPos(wnd_.get(), nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::Show() {
  PlaceOnFirstShow();
  ShowWindow(wnd_.get(), SW_SHOW);
  BringWindowToTop(wnd_.get());
  // Drawn at once: the caller may keep the thread busy before the message
  // loop runs again, and the window must not stand there blank or stale.
  Repaint();
}

void Form::Hide() { ShowWindow(wnd_.get(), SW_HIDE); }

void Form::Close() {
  if (OnClose) OnClose();
  if (wnd_.get() == App().MainWindow()) {
    PostQuitMessage(0);
  } else {
    Hide();
  }
}

bool Form::Visible() const { return IsWindowVisible(wnd_.get()) != FALSE; }

void Form::Repaint() {
  RedrawWindow(wnd_.get(), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_ERASENOW);
}

Form* Form::FromHandle(HWND wnd) {
  wchar_t cls[32];
  if (!GetClassNameW(wnd, cls, 32) || wcscmp(cls, kFormClass) != 0) return nullptr;
  return reinterpret_cast<Form*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
}

LRESULT CALLBACK Form::WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* form = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    form->wnd_.reset(wnd);
  }
  Form* form = reinterpret_cast<Form*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
  if (!form) return DefWindowProcW(wnd, msg, wp, lp);
  try {
    if (wnd == App().MainWindow()) {
      WindowMessage m{msg, wp, lp, 0};
      if (App().OfferToHooks(m)) return m.Result;
    }
    return form->HandleMessage(msg, wp, lp);
  } catch (...) {
    App().HandleException(std::current_exception());
    return 0;
  }
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  HWND wnd = wnd_.get();
  switch (msg) {
    case WM_COMMAND:
      if (HIWORD(wp) == BN_CLICKED && lp != 0) {
        const int index = LOWORD(wp) - kFirstControlId;
        if (index >= 0 && index < static_cast<int>(controls_.size())) {
          // Copied: the handler may replace itself.
          const auto handler = controls_[static_cast<std::size_t>(index)].on_click;
          if (handler) handler();
        }
      }
      return 0;
    case WM_SHOWWINDOW:
      if (wp && OnShow) OnShow();
      break;
    case WM_PAINT:
      if (OnPaint) {
        // Ended also when the handler throws, or the window would be asked
        // to paint again and again.
        PaintScope paint(wnd);
        OnPaint();
        return 0;
      }
      break;
    case WM_SIZE:
      if (wp != SIZE_MINIMIZED) ApplyAnchors(LOWORD(lp), HIWORD(lp));
      return 0;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lp);
      if (layout_.min_width > 0) info->ptMinTrackSize.x = layout_.min_width;
      if (layout_.min_height > 0) info->ptMinTrackSize.y = layout_.min_height;
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(wnd, focus)) last_focus_ = focus;
      } else {
        HWND focus = last_focus_ && IsWindow(last_focus_) ? last_focus_
                                                          : GetNextDlgTabItem(wnd, nullptr, FALSE);
        if (focus) SetFocus(focus);
        return 0;
      }
      break;
    case WM_SETCURSOR:
      if (IsBusyCursor()) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
      wnd_.release();
      break;
    default:
      break;
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

}  // namespace gd
