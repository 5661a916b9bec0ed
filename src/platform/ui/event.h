#pragma once
// Events of the window layer. An event belongs either to a control (its
// field number is not 0) or to the window itself (field 0).

namespace qvn::ui {

enum class Event {
  None = 0,
  // Control events.
  Accepted,      // a button pressed, an entry's value taken, a list row chosen by Enter/double-click
  NewSelection,  // a list's highlighted row changed; also a spin box value stepped
  ScrollUp,
  ScrollDown,  // posted to a list: moves its selection one row down
  PageUp,
  PageDown,
  ScrollTop,
  ScrollBottom,
  ScrollDrag,  // a paged list's thumb dragged: its state's dragged_to holds where to
  Selected,    // a control received the focus
  Rejected,    // typed text that does not fit the control's picture or range
  Expanding,
  Contracting,
  Expanded,    // a tree line opened
  Contracted,  // a tree line closed
  AlertKey,    // an alerted key pressed on the control or window
  PreAlertKey,
  TabChanging,
  Locate,
  // Window events (field 0).
  OpenWindow,
  CloseWindow,  // the system menu's close, or posted by the program
  CloseDown,
  GainFocus,
  LoseFocus,
  Timer,
  Completed,  // the form's Ok pass ended
  Sized,
  Moved,
  FolderChanged,  // a folder the window watches changed (see folder_watch.h)
};

// True for the events that belong to the window rather than to a control.
bool is_window_event(Event e);
const char* event_name(Event e);

// Key codes of the events that carry one (alert keys, the key that
// accepted a control). Mouse buttons are keys too, as the language has it.
namespace key {
inline constexpr int None = 0;
inline constexpr int MouseLeft = 1;
inline constexpr int MouseRight = 2;
inline constexpr int MouseLeft2 = 5;  // left double-click
inline constexpr int Enter = 13;
inline constexpr int Escape = 0x1B;
inline constexpr int PageUp = 0x21;
inline constexpr int PageDown = 0x22;
inline constexpr int End = 0x23;
inline constexpr int Home = 0x24;
inline constexpr int Left = 0x25;
inline constexpr int Up = 0x26;
inline constexpr int Right = 0x27;
inline constexpr int Down = 0x28;
inline constexpr int Insert = 0x2D;
inline constexpr int Delete = 0x2E;
inline constexpr int CtrlEnter = 0x20D;
inline constexpr int CtrlEnd = 0x223;
inline constexpr int CtrlHome = 0x224;
inline constexpr int CtrlApostrophe = 734;
}  // namespace key

}  // namespace qvn::ui
