#pragma once
// A window built from its structure: controls by field number, their
// run-time state, the event queue and the accept loop, and the operations
// the language offers on them (POST, SELECT, DISPLAY, UPDATE, CHOICE,
// ENABLE/DISABLE/HIDE/UNHIDE, properties). Backends turn user input into
// events through the user_* entry points and read the state to draw it.

#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/backend.h"
#include "platform/ui/event.h"
#include "platform/ui/list_model.h"
#include "platform/ui/window_def.h"

namespace qvn::ui {

// A list's cell as the renderers draw it, worked out from the list format.
struct ListCell {
  std::string text;
  int icon = 0;                                          // 0: none
  long long fg = -1, bg = -1, sel_fg = -1, sel_bg = -1;  // BGR, -1 not set
  int level = 0;                                         // tree column: signed level, negative = collapsed
};

struct ControlState {
  bool hidden = false;
  bool disabled = false;
  std::string text;                // caption / prompt text (PROP:Text), starts as the structure's
  std::string shown;               // what an entry, string or spin shows now (its variable through its picture)
  ListModel* list = nullptr;       // lists: the queue shown
  int selected = 0;                // lists: highlighted row, 1-based, 0 none; sheets: chosen tab's field
  bool checked = false;            // check boxes: ticked; radio buttons: the chosen one of their group
  int mouse_row = 0;               // lists: row of the last mouse press on it (the program may set it too)
  std::vector<std::string> icons;  // lists: the icon list (PROP:IconList), 1-based in use
  int progress = 0;                // progress bars: 0 to 100
  // Lists: a browse holds only a page of the rows and moves through the
  // rest itself (set by the browse). Moves past the rows shown then reach
  // it as scroll events, and the list's scroll bar stands at `thumb`.
  bool paged = false;
  int thumb = 0;       // paged lists: the scroll bar's thumb, 0 (top) to 100 (bottom)
  int dragged_to = 0;  // paged lists: where the person last dragged the thumb (ScrollDrag)
};

// A move on a paged list's scroll bar or by its keys: a row, a page, to the
// first or last record, or the thumb dragged to a position.
enum class ScrollMove { LineUp, LineDown, PageUp, PageDown, Top, Bottom, Thumb };

class Window {
 public:
  // Builds the window; a structure it cannot use (a control declared at
  // another field number than its place, an unknown parent, a list format or
  // picture it does not understand, two controls of one equate) gives
  // nullptr and the reason in *error.
  static std::unique_ptr<Window> create(WindowDef def, std::string* error);
  ~Window();

  const WindowDef& def() const;
  // Field number of an equate ("?LIST:2"), 0 when the window has none.
  int field(std::string_view equate) const;
  const ControlDef& control(int field) const;
  ControlState& state(int field);
  const ControlState& state(int field) const;
  int controls() const;  // number of controls; fields run 1..controls()

  // Opens the window: the backend shows it (unless hidden) and OpenWindow is queued.
  void open();
  void close();  // the accept loop ends at its next turn
  bool is_open() const;
  bool hidden() const;
  void set_hidden(bool hidden);  // PROP:Hide
  const std::string& caption() const;
  void set_caption(std::string caption);
  // Brings the window in front of the desktop's other windows.
  void to_front();

  // The accept loop: takes the next event (asking the backend for input when
  // none is queued) and makes it current. False once the window is closed.
  // Order: the Ok pass (accept_all), then queued events, then a signal
  // that asks the program to end (CloseWindow, close_signals.h), then a
  // change its folder watches reported (FolderChanged), then a due Timer.
  // A ScrollUp/ScrollDown/ScrollTop/ScrollBottom event for a list has moved
  // its selection by the time it is current. CloseWindow only asks: the
  // window closes when the program calls close().
  bool accept();
  Event event() const;
  int field() const;     // the current event's control, 0 for a window event
  int keycode() const;   // the key of the current event, key::None if none
  int accepted() const;  // the control of an Accepted event, else 0

  // Queues an event (POST).
  void post(Event e, int field = 0, int keycode = key::None);
  // True when such an event waits in the queue.
  bool has_queued(Event e, int field = 0) const;
  // SELECT: gives a control the focus (and a list its row), queueing Selected.
  // A prompt passes the focus to the next control Tab reaches; a tab is
  // chosen in its sheet. Ignored while the Ok pass runs.
  void select(int field, int row = 0);
  // SELECT() without a control: the Ok pass. Every visible, enabled control
  // with a variable gets Accepted in field order; one that still shows typed
  // text it refused ends the pass with Rejected, a required one that shows
  // no text ends it too, and each takes the focus; otherwise Completed follows.
  // The pass takes nothing from the controls: typed input reached the
  // variables when it was typed.
  void accept_all();
  bool accepting_all() const;
  int focus() const;
  void set_first_field(int field);
  int first_field() const;
  // The button Enter presses (PROP:Default), 0 none.
  int default_button() const;
  void set_default_button(int field);
  // ALERT: a key that gives AlertKey instead of its own action (field 0: the window's).
  void alert(int field, int keycode);
  bool alerted(int field, int keycode) const;
  // DISPLAY: controls show their variables again (field 0: all).
  void display(int field = 0);
  // UPDATE: variables take what their controls hold (field 0: all).
  void update(int field = 0);
  // CHOICE: a list's highlighted row (1-based, 0 none); a sheet's chosen tab number.
  int choice(int field) const;

  void enable(int field);
  void disable(int field);
  void hide(int field);
  void unhide(int field);
  bool is_disabled(int field) const;
  bool is_hidden(int field) const;  // hidden itself or inside a hidden or unchosen container
  void set_text(int field, std::string text);

  void set_list(int field, ListModel* model);
  // The list's rows changed: renderers redraw it. The selection keeps its
  // row number within the rows there are.
  void list_changed(int field);
  // One cell per column of the row (0-based, as the list model counts).
  std::vector<ListCell> cells(int field, size_t row) const;

  // INCOMPLETE(): the first visible, enabled, required control (in field
  // order) that shows no text gets the focus; its field, 0 when none.
  int incomplete();

  // POPUP(): the 1-based item chosen, 0 when none or a disabled one.
  int popup(const std::string& menu);

  // Timer, in hundredths of a second (0 stops it).
  void set_timer(int hundredths);
  int timer() const;
  // Steady-clock time (ms) at which the next Timer event is due, -1 without timer.
  long long next_timer_ms() const;

  // A nested loop over this window's events that passes nothing on: each
  // event (with the last error cleared first) goes to `body`, which returns
  // false to end the loop. Ends too when the window closes. While it runs,
  // the person's input is refused but for the close box: the events it
  // would give go nowhere, so a tab's page, a list's row or a box's tick
  // would change behind the program's back.
  template <class Body>
  void nested_loop(Body&& body);
  // True while a nested loop runs over this window.
  bool in_nested_loop() const;

  // Input from a person, through a backend. Each acts only on a visible,
  // enabled control of the top window, outside a nested loop (user_close
  // and user_activated act within one too), and turns into the events the
  // language gives it; a control that gets the focus first gets Selected.
  // Each returns false when the window took no input.
  // Button, check box, radio, tab. A button with `req` set first runs
  // INCOMPLETE: while a required control shows no text, that control gets
  // the focus and the button is not pressed (so too by Enter and its key).
  bool user_press(int field);
  // Entry, text or spin: the typed value through the picture (upper case
  // first where asked, a text cut to the picture's width) reaches the
  // variable, then Accepted, and the focus moves on as Tab moves it unless
  // the program gives it elsewhere. Text the picture refuses, or a spin
  // box's value outside its range, gives Rejected.
  bool user_type(int field, std::string_view text);
  // List: 1-based row; NewSelection with the key (MouseRight for a right
  // click, which reports even an unchanged row), or AlertKey when alerted.
  bool user_select_row(int field, int row, int keycode = key::MouseLeft);
  bool user_accept_row(int field, int row);  // list: double-click on a row
  bool user_choose_tab(int sheet_field, int tab_field);
  // A key on a control (0: the focused one): an alerted key gives AlertKey;
  // otherwise a hot key presses its control, Enter the default button,
  // Escape the cancel button or, without one, asks the window to close as
  // its close box does (unless the window keeps Escape from closing it), Up
  // and Down move a list's selection. On a paged list Up at the first row
  // and Down at the last, PageUp, PageDown, Home, End, Ctrl+Home and
  // Ctrl+End are the moves of user_scroll.
  bool user_key(int field, int keycode);
  // A paged list's scroll bar: ScrollUp, ScrollDown, PageUp, PageDown,
  // ScrollTop, ScrollBottom, or ScrollDrag with the thumb's place (0 to
  // 100) in the state's dragged_to. False for any other control.
  bool user_scroll(int field, ScrollMove move, int thumb = 0);
  // The mouse wheel on a paged list: `rows` rows down (up when negative).
  bool user_wheel(int field, int rows);
  bool user_expand(int field, int row, bool expand);  // tree expander: Expanded or Contracted
  bool user_spin(int field, bool up);                 // spin arrows: a step within the range, NewSelection
  bool user_close();                                  // the system menu's Close: CloseWindow
  // The desktop made the window the active one: GainFocus, once for each
  // activation. Opening the window and closing the window above it post
  // GainFocus themselves, so the activation that follows them adds none.
  bool user_activated();

  struct Impl;

 private:
  explicit Window(std::unique_ptr<Impl> impl);
  bool next_event_for_nested_loop();
  // Counts the nested loops running over the window, for as long as one runs.
  class NestedLoopScope {
   public:
    explicit NestedLoopScope(Window& w);
    ~NestedLoopScope();
    NestedLoopScope(const NestedLoopScope&) = delete;
    NestedLoopScope& operator=(const NestedLoopScope&) = delete;

   private:
    Window& window_;
  };
  std::unique_ptr<Impl> impl_;
};

// The open windows, the last one on top; only the top one takes input.
const std::vector<Window*>& open_windows();
Window* top_window();

template <class Body>
void Window::nested_loop(Body&& body) {
  const NestedLoopScope scope(*this);
  while (next_event_for_nested_loop()) {
    if (!body()) break;
  }
}

}  // namespace qvn::ui
