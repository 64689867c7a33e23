#include "tests/support/win_test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <utility>

#include "ui/application.h"
#include "ui/handle.h"
#include "ui/message_loop.h"
#include "utf16/utf16.h"

namespace gd::test {

namespace {

std::map<UINT_PTR, std::function<void()>>& Pending() {
  static std::map<UINT_PTR, std::function<void()>> pending;
  return pending;
}

void CALLBACK RunPending(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  auto it = Pending().find(id);
  if (it == Pending().end()) return;
  auto action = std::move(it->second);
  Pending().erase(it);
  action();
}

BOOL CALLBACK CollectChild(HWND wnd, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(wnd);
  return TRUE;
}

}  // namespace

void Later(std::function<void()> action, std::chrono::milliseconds delay) {
  const UINT_PTR id = SetTimer(nullptr, 0, static_cast<UINT>(delay.count()), RunPending);
  Pending()[id] = std::move(action);
}

void PumpFor(std::chrono::milliseconds duration) {
  const auto end = std::chrono::steady_clock::now() + duration;
  while (std::chrono::steady_clock::now() < end) {
    ProcessMessages();
    Sleep(10);
  }
}

std::string WindowText(HWND wnd) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(wnd)) + 1, L'\0');
  GetWindowTextW(wnd, text.data(), static_cast<int>(text.size()));
  text.resize(wcslen(text.c_str()));
  return Narrow(text);
}

std::string ClassName(HWND wnd) {
  wchar_t cls[128] = {};
  GetClassNameW(wnd, cls, 128);
  return Narrow(cls);
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> list;
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&list));
  return list;
}

HWND FindThreadWindow(const std::string& title) {
  std::vector<HWND> list;
  EnumThreadWindows(GetCurrentThreadId(), CollectChild, reinterpret_cast<LPARAM>(&list));
  for (HWND wnd : list) {
    if (IsWindowVisible(wnd) && WindowText(wnd) == title) return wnd;
  }
  return nullptr;
}

HWND FindChild(HWND parent, const std::string& cls, const std::string& text) {
  for (HWND wnd : Children(parent)) {
    if (_wcsicmp(Widen(ClassName(wnd)).c_str(), Widen(cls).c_str()) == 0 &&
        WindowText(wnd) == text) {
      return wnd;
    }
  }
  return nullptr;
}

RECT RectInParent(HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void ExpectControls(const Form& form, std::span<const ExpectedControl> expected, POINT origin) {
  for (const ExpectedControl& e : expected) {
    SCOPED_TRACE(e.name);
    const RECT r = RectInParent(form.Control(e.name));
    EXPECT_EQ(r.left - origin.x, e.left);
    EXPECT_EQ(r.top - origin.y, e.top);
    EXPECT_EQ(r.right - r.left, e.width);
    EXPECT_EQ(r.bottom - r.top, e.height);
    if (e.text != nullptr) {
      EXPECT_EQ(WindowText(form.Control(e.name)), e.text);
    }
  }
}

FormLayout PlainLayout(std::string caption, int client_width, int client_height) {
  FormLayout f;
  f.caption = std::move(caption);
  f.client_width = client_width;
  f.client_height = client_height;
  return f;
}

OwnerForm::OwnerForm(const FormLayout& layout) : Form(layout) {
  App().SetMainWindow(Handle());
  Show();
}

OwnerForm::~OwnerForm() {
  if (App().MainWindow() == Handle()) App().SetMainWindow(nullptr);
}

void PostKey(WORD vk, bool alt) {
  HWND focus = GetFocus();
  const LPARAM down = 1;
  const LPARAM up = static_cast<LPARAM>(0xC0000001u);
  if (alt) {
    const LPARAM context = 1 << 29;
    PostMessageW(focus, WM_SYSKEYDOWN, vk, down | context);
    PostMessageW(focus, WM_SYSKEYUP, vk, up | context);
  } else {
    PostMessageW(focus, WM_KEYDOWN, vk, down);
    PostMessageW(focus, WM_KEYUP, vk, up);
  }
}

bool SaveScreenshot(HWND wnd, const std::string& path) {
  RECT r;
  GetWindowRect(wnd, &r);
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  // The window's own device context, frame included: what the window has
  // drawn, even before the system has put it on the screen.
  WindowDc screen(nullptr);
  HDC window = GetWindowDC(wnd);
  HDC mem = CreateCompatibleDC(screen.get());
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = h;  // bottom-up, as the file stores it
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  GdiObject bitmap(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  bool ok = false;
  if (bitmap && mem) {
    SelectObjectScope select(mem, bitmap.get());
    ok = BitBlt(mem, 0, 0, w, h, window, 0, 0, SRCCOPY) != FALSE;
  }
  if (mem) DeleteDC(mem);
  ReleaseDC(wnd, window);
  if (!ok) return false;
  const DWORD stride = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
  const DWORD image = stride * static_cast<DWORD>(h);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + image;
  std::filesystem::path p = std::filesystem::u8path(path);
  if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
  out.write(static_cast<const char*>(bits), image);
  return out.good();
}

}  // namespace gd::test
