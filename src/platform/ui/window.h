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
  int icon = 0;             // 0: none
  long long fg = -1, bg = -1, sel_fg = -1, sel_bg = -1;  // BGR, -1 not set
  int level = 0;            // tree column: signed level, negative = collapsed
};

struct ControlState {
  bool hidden = false;
  bool disabled = false;
  std::string text;          // caption / prompt text (PROP:Text), starts as the structure's
  std::string shown;         // what an entry, string or spin shows now (its variable through its picture)
  ListModel* list = nullptr; // lists: the queue shown
  int selected = 0;          // lists: highlighted row, 1-based, 0 none; sheets: chosen tab's field
  std::vector<std::string> icons;  // lists: the icon list (PROP:IconList), 1-based in use
  int progress = 0;
};

class Window {
 public:
  // Builds the window; a structure it cannot use (unknown parent, a list
  // format or picture it does not understand, two controls of one equate)
  // gives nullptr and the reason in *error.
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

  // The accept loop: takes the next event (asking the backend for input when
  // none is queued) and makes it current. False once the window is closed.
  bool accept();
  Event event() const;
  int field() const;     // the current event's control, 0 for a window event
  int keycode() const;   // the key of the current event, key::None if none
  int accepted() const;  // the control of an Accepted event, else 0

  // Queues an event (POST).
  void post(Event e, int field = 0, int keycode = key::None);
  // SELECT: gives a control the focus (and a list its row), queueing Selected.
  void select(int field, int row = 0);
  int focus() const;
  void set_first_field(int field);
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
  // The list's rows changed: renderers redraw it.
  void list_changed(int field);
  std::vector<ListCell> cells(int field, size_t row) const;

  // The first required entry (in field order) that shows no text, 0 when none (INCOMPLETE).
  int incomplete() const;

  // Timer, in hundredths of a second (0 stops it).
  void set_timer(int hundredths);
  int timer() const;
  // Steady-clock time (ms) at which the next Timer event is due, -1 without timer.
  long long next_timer_ms() const;

  // A nested loop over this window's events that passes nothing on: each
  // event (with the last error cleared first) goes to `body`, which returns
  // false to end the loop. Ends too when the window closes.
  template <class Body>
  void nested_loop(Body&& body);

  // Input from a person, through a backend. Each acts only on a visible,
  // enabled control and turns into the events the language gives it.
  void user_press(int field);                        // button, check box, radio
  void user_type(int field, std::string_view text);  // entry/spin: typed value, then Accepted (or Rejected)
  void user_select_row(int field, int row);          // list: 1-based row; NewSelection
  void user_accept_row(int field, int row);          // list: double-click or Enter on a row
  void user_choose_tab(int sheet_field, int tab_field);
  void user_key(int field, int keycode);             // an alerted key
  void user_expand(int field, int row, bool expand); // tree expander
  void user_close();                                  // the system menu's Close

  struct Impl;

 private:
  explicit Window(std::unique_ptr<Impl> impl);
  bool next_event_for_nested_loop();
  std::unique_ptr<Impl> impl_;
};

template <class Body>
void Window::nested_loop(Body&& body) {
  while (next_event_for_nested_loop()) {
    if (!body()) break;
  }
}

}  // namespace qvn::ui
