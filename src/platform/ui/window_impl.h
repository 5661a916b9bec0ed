#pragma once
// The inside of a Window, shared by the files that implement it: building it
// from its structure (window_build.cpp), the accept loop and its events
// (window_events.cpp), the person's input (window_input.cpp) and the
// operations the program does on its controls (window.cpp).

#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/core/fixed_string.h"
#include "platform/ui/backend.h"
#include "platform/ui/list_format.h"
#include "platform/ui/window.h"
#include "platform/values/picture.h"

namespace qvn::ui {

namespace detail {

struct Queued {
  Event event = Event::None;
  int field = 0;
  int keycode = key::None;
  // Not an event: after an entry was typed into and accepted, the focus
  // moves on as Tab moves it, unless the focus changed in between.
  bool tab_on = false;
  unsigned focus_serial = 0;
};

std::string upper(std::string_view s);

// The open windows, the last one on top.
std::vector<Window*>& window_stack();

}  // namespace detail

struct Window::Impl {
  using Queued = detail::Queued;

  WindowDef def;
  std::vector<ControlState> states;
  std::vector<int> parents;  // the container's field, 0 for the window
  std::vector<std::optional<values::Picture>> pictures;
  std::vector<std::optional<ListFormat>> formats;
  std::vector<std::vector<int>> alerts;
  std::vector<int> window_alerts;
  // Controls that show typed text they refused, until new text or DISPLAY replaces it.
  std::vector<bool> refused;
  std::unordered_map<std::string, int> by_equate;

  std::deque<Queued> queue;
  Queued current;
  bool open = false;
  bool hidden = false;
  std::string caption;
  int focus = 0;
  int first = 0;
  int default_button = 0;
  unsigned focus_serial = 0;
  int timer = 0;
  long long next_due = -1;
  bool pass = false;
  int pass_at = 0;
  int nested_loops = 0;  // nested loops running over the window
  // GainFocus was posted ahead of the activation the desktop is about to
  // report: at the window's opening, or when the window above it closed.
  bool focus_gained_ahead = false;

  int count() const { return static_cast<int>(def.controls.size()); }
  bool valid(int f) const { return f >= 1 && f <= count(); }
  const ControlDef& ctl(int f) const { return def.controls[static_cast<size_t>(f - 1)]; }
  ControlState& st(int f) { return states[static_cast<size_t>(f - 1)]; }
  const ControlState& st(int f) const { return states[static_cast<size_t>(f - 1)]; }
  int parent(int f) const { return parents[static_cast<size_t>(f - 1)]; }
  ControlKind kind(int f) const { return ctl(f).kind; }
  const ControlTraits& does(int f) const { return traits(kind(f)); }

  bool hidden_in_window(int f) const {
    for (int c = f; c != 0; c = parent(c)) {
      if (st(c).hidden) return true;
      const int p = parent(c);
      if (p != 0 && kind(p) == ControlKind::Tab) {
        const int sheet = parent(p);
        if (sheet != 0 && st(sheet).selected != p) return true;
      }
    }
    return false;
  }
  bool disabled_in_window(int f) const {
    for (int c = f; c != 0; c = parent(c)) {
      if (st(c).disabled) return true;
    }
    return false;
  }
  // The one test of whether a control can take input, by the person or by
  // the Ok pass: it is one of the window's controls, and neither it nor a
  // container that holds it is hidden (or on a tab not chosen) or disabled.
  bool can_take_input(int f) const { return valid(f) && !hidden_in_window(f) && !disabled_in_window(f); }
  bool can_focus(int f) const { return can_take_input(f) && does(f).takes_focus; }
  bool tab_stop(int f) const { return can_focus(f) && !ctl(f).skip; }

  // The next control after `after` that Tab reaches, going round; 0 none.
  int next_tab_stop(int after) const {
    const int n = count();
    for (int i = 1; i <= n; ++i) {
      const int f = (after + i - 1) % n + 1;
      if (tab_stop(f)) return f;
    }
    return 0;
  }

  std::vector<int> children(int container, ControlKind k) const {
    std::vector<int> out;
    for (int f = container + 1; f <= count(); ++f) {
      if (parent(f) == container && kind(f) == k) out.push_back(f);
    }
    return out;
  }

  bool shows_no_text(int f) const {
    if (does(f).shows_value) return clip(st(f).shown).empty();
    if (kind(f) == ControlKind::Option) {
      for (int r : children(f, ControlKind::Radio)) {
        if (st(r).checked) return false;
      }
      return true;
    }
    return false;
  }

  bool has_range(int f) const {
    const ControlDef& c = ctl(f);
    return c.kind == ControlKind::Spin && c.range_low <= c.range_high && (c.range_low != 0 || c.range_high != 0);
  }

  // The Ok pass visits the controls that can take input into a variable.
  bool takes_part_in_pass(int f) const { return does(f).takes_input && ctl(f).use.bound() && can_take_input(f); }

  bool is_alerted(int f, int keycode) const {
    const std::vector<int>& keys = f == 0 ? window_alerts : alerts[static_cast<size_t>(f - 1)];
    for (int k : keys) {
      if (k == keycode) return true;
    }
    return false;
  }

  size_t rows(int f) const { return st(f).list ? st(f).list->rows() : 0; }

  std::string format(int f, std::string_view value) const {
    const auto& pic = pictures[static_cast<size_t>(f - 1)];
    return pic ? pic->format(value) : std::string(clip(value));
  }

  void push(Event e, int f = 0, int keycode = key::None) { queue.push_back(Queued{e, f, keycode}); }

  // Moves the focus; a person's move announces itself with Selected.
  void move_focus(int f, bool announce) {
    if (focus == f) return;
    focus = f;
    ++focus_serial;
    if (announce) push(Event::Selected, f);
  }
  // Gives a control the focus as the window's own decision, announced
  // with Selected even when the control had it already.
  void give_focus(int f) {
    focus = f;
    ++focus_serial;
    push(Event::Selected, f);
  }
};

}  // namespace qvn::ui
