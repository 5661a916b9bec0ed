#pragma once
// One check of a window's structure for every window's test: the window
// builds, its controls come in the table's field order, and each control
// and the window itself have the attributes the table gives.
//
// A table names each control's equate, kind and text (as stored, with its
// "&" marks); the position and the other attributes are checked only where
// the table gives them. Tables are written with designated initialisers:
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
  std::string equate;
  ui::ControlKind kind = ui::ControlKind::String;
  std::string text;  // as stored: "&" marks the mnemonic
  // Checked only when given.
  std::optional<ui::Rect> at;
  std::optional<bool> hidden;
  std::optional<bool> disabled;
  std::optional<bool> required;
  std::optional<bool> is_default;  // the window's default button
  std::optional<std::string> picture;
  std::optional<std::string> format;  // a list's format
  std::optional<std::string> parent;  // "" for a control the window itself holds
};

struct ExpectedWindow {
  std::string label;
  std::string caption;
  int width = 0;
  int height = 0;
  ui::Font font;
  std::vector<ExpectedControl> controls;  // in field order
};

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
