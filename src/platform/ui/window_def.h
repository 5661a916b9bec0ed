#pragma once
// Windows declared as data: a WindowDef lists its controls in field order
// (which is also the Tab order). A window procedure writes its structure
// once, as a table, and binds variables to it; the Window built from it
// (window.h) is what the program and the renderers work with.

#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/control_kind.h"
#include "platform/values/font.h"
#include "platform/values/var_ref.h"

namespace qvn::ui {

// The icon of every window that names none of its own (program-wide).
void set_program_icon(std::string icon);
const std::string& program_icon();

// Position and size in dialog units (width/height 0: the control's natural size).
struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
};

// One control of a window structure. Its field number is its 1-based place
// in the structure; `id` declares that number (a procedure gives it from the
// enum of its controls), and a window whose declared numbers disagree with
// the places is refused, so a wrong enum cannot shift controls silently.
// `parent` is the field number of the group, option, sheet or tab that holds
// it. `equate` is an optional name ("?LIST:2") a control can be found by.
struct ControlDef {
  int id = 0;  // the declared field number; 0 declares none
  std::string equate;
  ControlKind kind = ControlKind::String;
  int parent = 0;  // field number of the container, 0 for the window
  Rect at;
  std::string text;     // "&" marks the mnemonic, "&&" is a literal "&"
  std::string tip;      // "\n" breaks the tip's line
  std::string icon;     // button icon; a leading "~" names one of the program's resources
  values::Font font;    // empty face: the window's; 0 points: the window's size
  std::string picture;  // entries, strings, spin boxes: "@s30", "@n3"
  std::string format;   // lists: the list-format string
  std::string msg;      // status-bar text while the control has the focus
  values::VarRef use;   // bound variable
  // Check box: values for on/off. Radio: the value its option group takes.
  std::string value_on = "1", value_off = "0";
  // Spin box range and step.
  long long range_low = 0, range_high = 0, step = 1;
  bool hidden = false;
  bool disabled = false;
  bool required = false;
  bool read_only = false;
  bool upper = false;       // typing is turned to upper case
  bool skip = false;        // not reached by Tab
  bool is_default = false;  // the window's default button, pressed by Enter
  // A button that counts as pressed only while every required control that
  // can take input shows text; otherwise the first blank one gets the focus.
  bool req = false;
  bool std_cancel = false;  // pressed by Escape instead of the window's close
  bool flat = false;
  bool icon_left = false;  // button shows the icon left of the text
  bool transparent = false;
  bool centered = false;  // a string: its text centred in its box
  bool tree = false;      // a list drawn as a tree (format column with T)
  bool vscroll = false, hscroll = false;
  bool immediate = false;  // list: a new selection is reported at once
  int hot_key = 0;         // a key (event.h key codes) that presses the control from anywhere in the window
  std::vector<int> alert_keys;
};

// A control text as it shows: "&" marks dropped, "&&" turned into "&".
std::string visible_text(std::string_view text);

struct WindowDef {
  std::string label;  // "P1$WINDOW"
  std::string caption;
  std::string icon;
  Rect at;            // x/y ignored: windows open at the default position
  values::Font font;  // "MS Sans Serif" 8 unless given
  int timer = 0;      // hundredths of a second between Timer events; 0 none
  bool hidden_at_start = false;
  bool resizable = false;
  bool modal = true;
  // Escape asks the window to close, as its close box does; a window that a
  // stray key must not end (the program's main window) keeps it from that.
  bool escape_closes = true;
  bool system_menu = true;
  bool center = false;
  long long color = -1;  // BGR, -1 = system colour
  std::string help;      // help topic
  std::string status_text;
  std::vector<int> alert_keys;
  std::vector<ControlDef> controls;
};

}  // namespace qvn::ui
