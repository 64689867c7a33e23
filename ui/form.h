#pragma once
// A top-level window built from a FormLayout: the button-face colour, the
// program's font on every control, the layout's geometry, keyboard order and
// anchors. Handlers are plain functions bound by control name.

#include "ui/handle.h"
#include "ui/layout.h"

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace gd {

class Form {
 public:
  // owner: the window this one stays above (none for the main window).
  explicit Form(const FormLayout& layout, HWND owner = nullptr);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  HWND Handle() const { return wnd_.get(); }
  // The control's window; throws std::out_of_range for an unknown name.
  HWND Control(std::string_view name) const;

  std::string Text(std::string_view name) const;
  void SetText(std::string_view name, std::string_view text);
  bool Checked(std::string_view name) const;
  void SetChecked(std::string_view name, bool checked);
  void SetEnabled(std::string_view name, bool enabled);
  void SetOnClick(std::string_view name, std::function<void()> handler);

  // Makes the window visible, brings it to the front and paints it.
  void Show();
  void Hide();
  // The main window ends the application; any other window is hidden.
  void Close();
  bool Visible() const;
  // Paints the whole window, controls included, before returning.
  void Repaint();

  // Events, called on the window's thread.
  std::function<void()> OnShow;   // each time the window becomes visible
  std::function<void()> OnPaint;  // inside each painting of the form
  std::function<void()> OnClose;  // before Close does its work

  // The Form behind a window handle, or null for any other window.
  static Form* FromHandle(HWND wnd);

 protected:
  // Messages not handled here go to DefWindowProc.
  virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

 private:
  struct Entry {
    ControlLayout layout;  // children moved out; rectangle relative to container
    int container;         // index of the enclosing group box, -1 for the form
    int id;
    HWND wnd;
    std::function<void()> on_click;
    std::string simple_text;  // status bar: what it shows (not every system reads it back)
  };

  static LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  void AddControls(const std::vector<ControlLayout>& list, int container);
  void CreateControl(Entry& c);
  const Entry& Find(std::string_view name) const;
  Entry& Find(std::string_view name);
  RECT ControlRect(std::size_t index, int client_w, int client_h) const;
  void ApplyAnchors(int client_w, int client_h);
  void PlaceOnFirstShow();

  FormLayout layout_;
  std::vector<Entry> controls_;
  WindowHandle wnd_;
  HWND last_focus_ = nullptr;
  bool shown_before_ = false;
};

}  // namespace gd
