#pragma once
// Owning wrappers for Win32 handles and COM interfaces: each closes what it
// holds exactly once, when it goes out of scope or is reset.

#include <windows.h>

#include <utility>

namespace gd {

template <typename Handle, auto Close, Handle Invalid = Handle{}>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle h) : h_(h) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    reset(other.release());
    return *this;
  }
  ~UniqueHandle() { reset(); }

  Handle get() const { return h_; }
  explicit operator bool() const { return h_ != Invalid; }
  Handle release() { return std::exchange(h_, Invalid); }
  void reset(Handle h = Invalid) {
    if (h_ != Invalid) Close(h_);
    h_ = h;
  }

 private:
  Handle h_ = Invalid;
};

using WindowHandle = UniqueHandle<HWND, &DestroyWindow>;
using GdiObject = UniqueHandle<HGDIOBJ, &DeleteObject>;

// A window's device context, released to the window it came from.
class WindowDc {
 public:
  explicit WindowDc(HWND wnd) : wnd_(wnd), dc_(GetDC(wnd)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() {
    if (dc_) ReleaseDC(wnd_, dc_);
  }
  HDC get() const { return dc_; }

 private:
  HWND wnd_;
  HDC dc_;
};

// Selects an object into a device context and puts the old one back.
class SelectObjectScope {
 public:
  SelectObjectScope(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  SelectObjectScope(const SelectObjectScope&) = delete;
  SelectObjectScope& operator=(const SelectObjectScope&) = delete;
  ~SelectObjectScope() { SelectObject(dc_, old_); }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// A COM interface pointer that releases its reference.
template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { reset(); }

  Interface* get() const { return p_; }
  Interface* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For functions that hand out a new reference through an out parameter.
  Interface** put() {
    reset();
    return &p_;
  }
  void reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }

 private:
  Interface* p_ = nullptr;
};

}  // namespace gd
