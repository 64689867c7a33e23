#pragma once
// A window described as data: its frame, client size and controls in pixels
// at 96 dpi. Form builds the real window from it.

#include <string>
#include <utility>
#include <vector>

namespace gd {

enum class ControlKind {
  kButton,
  kCheckBox,
  kGroupBox,    // holds the controls in its children
  kStaticText,  // a static text, optionally with a sunken border
  kLabel,       // a plain text drawn on the form's face
  kStatusBar,   // docked to the bottom, one simple-text panel
  kAnimation,   // plays a clip by itself, centred and transparent
};

// Which edges of its container a control keeps its distance to when the
// container is resized.
enum Anchor : unsigned {
  kAnchorLeft = 1,
  kAnchorTop = 2,
  kAnchorRight = 4,
  kAnchorBottom = 8,
};

struct ControlLayout {
  std::string name;
  ControlKind kind = ControlKind::kLabel;
  int left = 0, top = 0, width = 0, height = 0;  // relative to the container
  std::string text;
  // Position in the keyboard order among the container's controls; controls
  // without one come after the others. Whether Tab stops on the control
  // follows from its kind.
  int tab_order = -1;
  unsigned anchors = kAnchorLeft | kAnchorTop;
  bool sunken = false;       // static text: sunken border
  bool no_prefix = false;    // show "&" as it is instead of marking an access key
  bool default_button = false;
  std::vector<ControlLayout> children;  // group box only
};

// A control at its place with its text; the rest as the defaults above.
inline ControlLayout PlaceControl(std::string name, ControlKind kind, int left, int top, int width, int height,
                                  std::string text, int tab_order = -1) {
  ControlLayout c;
  c.name = std::move(name);
  c.kind = kind;
  c.left = left;
  c.top = top;
  c.width = width;
  c.height = height;
  c.text = std::move(text);
  c.tab_order = tab_order;
  return c;
}

enum class FormPosition {
  kDesigned,              // where the layout says
  kScreenCenter,          // centred on the screen
  kMainFormCenterOnce,    // centred over the main window on the first showing
};

struct FormLayout {
  std::string caption;
  int left = 0, top = 0;
  int client_width = 0, client_height = 0;
  bool system_menu = true;  // close box and window menu
  bool topmost = false;
  FormPosition position = FormPosition::kDesigned;
  // Outer size limits; 0 means none.
  int min_width = 0, min_height = 0;
  std::vector<ControlLayout> controls;
};

}  // namespace gd
