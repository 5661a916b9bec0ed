#pragma once
// One check of a window's structure for every window's test: the window
// builds, its controls come in the table's field order, and each control
// and the window itself have the attributes the table gives.
//
// A table names each control by its field number (the procedure's enum)
// or, in a window that names its controls, by its equate, and gives its
// kind and text (as stored, with its "&" marks); the position and the
// other attributes are checked only where the table gives them. Tables are written with designated initialisers:
//
//   const ExpectedWindow kForm{
//       .label = "UpdateThings$Window", .caption = "Thing", .width = 200, .height = 80,
//       .font = {"MS Sans Serif", 8, false},
//       .controls = {
//           {.equate = "?NAME:PROMPT", .kind = ControlKind::Prompt, .text = "&Name:", .at = {{8, 8, 30, 10}}},
//           {.equate = "?NAME", .kind = ControlKind::Entry, .required = true, .picture = "@s20"},
//           {.equate = "?OK", .kind = ControlKind::Button, .text = "&Ok", .is_default = true},
//       }};
//   auto window = check_window_structure(form_structure(), kForm);
//
// (the test's target calls qvn_window_structures, as window structures'
// targets do). Each mismatch is one non-fatal failure line naming the
// control and the attribute, with what the window has and what the table
// expects; the trace points at the caller.
//
// A table with `.complete = true` gives each control whole: what a row
// leaves out, the control must not have. No position means {0, 0, 0, 0};
// no tip, message, icon, picture, list format or parent means none; no
// attribute words means no attribute; no values means a check box's "1"
// and "0". A window procedure's test writes its table this way, from the
// window's layout:
//
//   {.field = NAME, .kind = ControlKind::Entry, .tip = "The name", .at = {{40, 8, 80, 10}},
//    .attributes = "bound upper required", .picture = "@s20", .parent = GROUP1},

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <source_location>
#include <string>
#include <vector>

#include "platform/ui/window.h"
#include "platform/ui/window_def.h"

namespace qvn::test_support {

struct ExpectedControl {
  std::string equate;  // in a window that names its controls
  // The field number the procedure's header gives the control: checked to
  // be its place in the window, and the control to declare it. Checked only
  // when given.
  std::optional<int> field;
  ui::ControlKind kind = ui::ControlKind::String;
  std::string text;  // as stored: "&" marks the mnemonic
  // Checked only when given, or in a complete table.
  std::optional<std::string> tip;
  std::optional<std::string> msg;  // the status-bar text
  std::optional<std::string> icon;
  std::optional<ui::Rect> at;
  // Checked only when given.
  std::optional<bool> hidden;
  std::optional<bool> disabled;
  std::optional<bool> required;
  std::optional<bool> is_default;  // the window's default button
  // Checked only when given, or in a complete table.
  std::optional<std::string> attributes;  // every attribute the control has, as attribute_words gives them
  std::optional<std::string> value_on;    // a check box's on value, a radio's value
  std::optional<std::string> value_off;   // a check box's off value
  std::optional<std::string> picture;
  std::optional<std::string> format;  // a list's format
  std::optional<int> parent;          // the container's field number, 0 for a control the window itself holds
};

struct ExpectedWindow {
  std::string label;
  std::string caption;
  int width = 0;
  int height = 0;
  values::Font font;
  std::vector<ExpectedControl> controls;  // in field order
  bool complete = false;                  // each row gives its control whole (see above)
};

// The attributes a control has, as words in a fixed order: "bound" (a
// variable is bound), "bold", "upper", "read-only", "skip", "required",
// "req", "default", "cancel", "hidden", "disabled", "flat", "icon-left",
// "transparent", "tree", "vscroll", "hscroll", "immediate", "range L-H step
// S" and "key N"; "" for none.
std::string attribute_words(const ui::ControlDef& control);

// Every way `window` differs from `expected`, one line each; success when
// there is none.
::testing::AssertionResult window_structure_matches(const ui::Window& window, const ExpectedWindow& expected);

// Checks a window already built (by a procedure, say) against the table.
void check_window_structure(const ui::Window& window, const ExpectedWindow& expected,
                            std::source_location where = std::source_location::current());

// Builds the window from `def` and checks it against the table. A structure
// the window layer refuses is a failure giving its reason, and nullptr is
// returned; otherwise the window, for the test to go on with.
std::unique_ptr<ui::Window> check_window_structure(ui::WindowDef def, const ExpectedWindow& expected,
                                                   std::source_location where = std::source_location::current());

// A kind's name as the tables write it ("Button", "Entry").
const char* kind_name(ui::ControlKind kind);

}  // namespace qvn::test_support
