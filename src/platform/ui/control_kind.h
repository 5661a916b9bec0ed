#pragma once
// The kinds of control a window structure can hold, and what each kind does,
// in one table. The window (window.h) and every renderer ask this table
// rather than listing kinds of their own, so a new kind is described here
// once; only what is a kind's very own (a list's rows, a sheet's tabs, an
// option group's radios) is handled by name.

namespace qvn::ui {

enum class ControlKind {
  Button,
  Prompt,  // a label; giving it the focus passes the focus to the next Tab-reachable control
  String,  // display-only text, from `text` or from a bound variable through `picture`
  Entry,
  Text,  // multi-line entry
  Spin,
  Check,
  Option,  // option group: its variable takes the value of the chosen radio
  Radio,
  Group,
  Sheet,
  Tab,
  List,
  Image,
  Progress,
  Box,
  Line,
};

struct ControlTraits {
  // Can hold the focus.
  bool takes_focus = false;
  // Giving it the focus gives the focus to the next control Tab reaches.
  bool passes_focus_on = false;
  // Takes typed text, through its picture, into its variable.
  bool typed = false;
  // Enter types into it instead of pressing the default button.
  bool keeps_enter = false;
  // Shows a value (its variable through its picture, or what was typed) as text.
  bool shows_value = false;
  // A press by the person acts on it (a click, or its key).
  bool pressed = false;
  // Puts the person's input into a variable; the Ok pass visits it.
  bool takes_input = false;
  // Other controls may lie in it (they name it as their parent).
  bool holds_controls = false;
  // Drawn behind the controls laid over its area.
  bool backdrop = false;
};

// The table's row for a kind.
const ControlTraits& traits(ControlKind kind);

// True for the kinds of control that can hold the focus.
inline bool takes_focus(ControlKind kind) { return traits(kind).takes_focus; }

}  // namespace qvn::ui
