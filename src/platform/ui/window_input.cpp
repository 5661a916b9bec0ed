// Input from a person, through a backend: each entry point acts only on a
// control of the top window that can take input, and turns into the events
// the language gives it.

#include <algorithm>
#include <cstdlib>

#include "platform/ui/window_impl.h"

namespace qvn::ui {

using detail::Queued;

namespace {

// The window is in front of the person: open, shown, and not below a modal one.
bool window_on_top(const Window& w) { return w.is_open() && !w.hidden() && top_window() == &w; }

// The window is the person's to use: on top, and not waiting in a nested
// loop of the program, which passes its controls' events on to nobody; a
// tab's page, a list's row or a box's tick would change while the program
// still works from what they were.
bool window_takes_input(const Window& w) { return window_on_top(w) && !w.in_nested_loop(); }

// A button that checks the required controls first (req) is pressed only
// when none of them is blank; otherwise INCOMPLETE gives the first blank
// one the focus and the press is over.
bool required_entries_complete(Window& w, int button) { return !w.control(button).req || w.incomplete() == 0; }

// A row of a list that can take input, which the list holds.
bool list_row_takes_input(const Window& w, const Window::Impl& m, int field, int row) {
  return window_takes_input(w) && m.can_take_input(field) && m.kind(field) == ControlKind::List && row >= 1 &&
         static_cast<size_t>(row) <= m.rows(field);
}

// The event a paged list's move gives.
Event scroll_event(ScrollMove move) {
  switch (move) {
    case ScrollMove::LineUp: return Event::ScrollUp;
    case ScrollMove::LineDown: return Event::ScrollDown;
    case ScrollMove::PageUp: return Event::PageUp;
    case ScrollMove::PageDown: return Event::PageDown;
    case ScrollMove::Top: return Event::ScrollTop;
    case ScrollMove::Bottom: return Event::ScrollBottom;
    case ScrollMove::Thumb: break;
  }
  return Event::ScrollDrag;
}

// The move a key makes on a paged list, given the row selected and the rows
// shown; false for a key that moves within the rows shown, or not at all.
bool paged_key_move(int keycode, int selected, int rows, ScrollMove& move) {
  switch (keycode) {
    case key::Up: move = ScrollMove::LineUp; return rows > 0 && selected <= 1;
    case key::Down: move = ScrollMove::LineDown; return rows > 0 && selected >= rows;
    case key::PageUp: move = ScrollMove::PageUp; return true;
    case key::PageDown: move = ScrollMove::PageDown; return true;
    case key::Home:
    case key::CtrlHome: move = ScrollMove::Top; return true;
    case key::End:
    case key::CtrlEnd: move = ScrollMove::Bottom; return true;
    default: return false;
  }
}

}  // namespace

bool Window::user_press(int field) {
  Impl& m = *impl_;
  if (!window_takes_input(*this) || !m.can_take_input(field) || !m.does(field).pressed) return false;
  const ControlDef& c = m.ctl(field);
  switch (c.kind) {
    case ControlKind::Check:
      m.move_focus(field, true);
      m.st(field).checked = !m.st(field).checked;
      if (c.use.bound()) c.use.set(m.st(field).checked ? c.value_on : c.value_off);
      m.push(Event::Accepted, field, key::MouseLeft);
      break;
    case ControlKind::Radio: {
      const int option = m.parent(field);
      m.move_focus(field, true);
      for (int r : m.children(option, ControlKind::Radio)) m.st(r).checked = r == field;
      if (m.ctl(option).use.bound()) m.ctl(option).use.set(c.value_on);
      m.push(Event::Accepted, option, key::MouseLeft);
      break;
    }
    case ControlKind::Tab: return user_choose_tab(m.parent(field), field);
    default:
      if (!required_entries_complete(*this, field)) break;
      m.move_focus(field, true);
      m.push(Event::Accepted, field, key::MouseLeft);
      break;
  }
  backend().refresh(*this, 0);
  return true;
}

bool Window::user_type(int field, std::string_view text) {
  Impl& m = *impl_;
  if (!window_takes_input(*this) || !m.can_take_input(field)) return false;
  const ControlDef& c = m.ctl(field);
  if (!m.does(field).typed || c.read_only) return false;
  m.move_focus(field, true);
  std::string typed = c.upper ? detail::upper(text) : std::string(text);
  const auto& pic = m.pictures[static_cast<size_t>(field - 1)];
  if (pic && pic->kind() == values::PictureKind::Text && typed.size() > pic->width()) typed.resize(pic->width());
  ControlState& s = m.st(field);
  values::TypedValue v;
  if (pic) {
    v = pic->deformat(typed);
  } else {
    v.ok = true;
    v.text = typed;
  }
  // A spin box takes only values of its range; its variable never sees another.
  if (v.ok && m.has_range(field)) {
    const long long n = values::VarRef::parse_number(v.text);
    v.ok = n >= c.range_low && n <= c.range_high;
  }
  m.refused[static_cast<size_t>(field - 1)] = !v.ok;
  if (!v.ok) {
    s.shown = typed;
    m.push(Event::Rejected, field);
    backend().refresh(*this, field);
    return true;
  }
  if (c.use.bound()) {
    c.use.set(v.text);
    s.shown = m.format(field, c.use.get());
  } else {
    s.shown = m.format(field, v.text);
  }
  m.push(Event::Accepted, field);
  m.queue.push_back(Queued{Event::None, field, key::None, true, m.focus_serial});
  backend().refresh(*this, field);
  return true;
}

bool Window::user_select_row(int field, int row, int keycode) {
  Impl& m = *impl_;
  if (!list_row_takes_input(*this, m, field, row)) return false;
  m.move_focus(field, true);
  ControlState& s = m.st(field);
  const bool moved = s.selected != row;
  s.selected = row;
  s.mouse_row = row;
  if (m.is_alerted(field, keycode)) {
    m.push(Event::AlertKey, field, keycode);
  } else if (moved || keycode == key::MouseRight) {
    m.push(Event::NewSelection, field, keycode);
  }
  backend().refresh(*this, field);
  return true;
}

bool Window::user_accept_row(int field, int row) {
  if (!user_select_row(field, row, key::MouseLeft)) return false;
  Impl& m = *impl_;
  m.push(m.is_alerted(field, key::MouseLeft2) ? Event::AlertKey : Event::Accepted, field, key::MouseLeft2);
  return true;
}

bool Window::user_choose_tab(int sheet_field, int tab_field) {
  Impl& m = *impl_;
  if (!window_takes_input(*this) || !m.valid(sheet_field) || !m.can_take_input(tab_field) ||
      m.kind(tab_field) != ControlKind::Tab || m.parent(tab_field) != sheet_field)
    return false;
  m.move_focus(sheet_field, true);
  if (m.st(sheet_field).selected != tab_field) {
    m.st(sheet_field).selected = tab_field;
    m.push(Event::NewSelection, sheet_field);
  }
  backend().refresh(*this, 0);
  return true;
}

bool Window::user_key(int field, int keycode) {
  Impl& m = *impl_;
  if (field == 0) field = m.focus;
  if (!window_takes_input(*this)) return false;
  if (m.valid(field)) {
    if (!m.can_take_input(field)) return false;
    if (m.can_focus(field)) m.move_focus(field, true);
  }
  if (m.valid(field) && m.is_alerted(field, keycode)) {
    m.push(Event::AlertKey, field, keycode);
    return true;
  }
  if (m.is_alerted(0, keycode)) {
    m.push(Event::AlertKey, field, keycode);
    return true;
  }
  auto press = [this, &m](int f, int k) {
    if (!m.can_take_input(f)) return false;
    if (required_entries_complete(*this, f)) m.push(Event::Accepted, f, k);
    return true;
  };
  for (int f = 1; f <= m.count(); ++f) {
    if (m.ctl(f).hot_key == keycode && keycode != key::None && m.kind(f) == ControlKind::Button)
      return press(f, keycode);
  }
  const bool in_list = m.valid(field) && m.kind(field) == ControlKind::List;
  if (in_list && m.st(field).paged) {
    ScrollMove move{};
    if (paged_key_move(keycode, m.st(field).selected, static_cast<int>(m.rows(field)), move)) {
      m.push(scroll_event(move), field, keycode);
      return true;
    }
  }
  switch (keycode) {
    case key::Enter:
      if (m.valid(field) && m.does(field).keeps_enter) return true;
      if (m.default_button != 0) return press(m.default_button, keycode);
      if (in_list) m.push(Event::Accepted, field, keycode);
      return true;
    case key::Escape:
      for (int f = 1; f <= m.count(); ++f) {
        if (m.ctl(f).std_cancel) return press(f, keycode);
      }
      if (m.def.escape_closes) m.push(Event::CloseWindow);
      return true;
    case key::Up:
    case key::Down:
      if (in_list) {
        ControlState& s = m.st(field);
        const int rows = static_cast<int>(m.rows(field));
        const int want = std::clamp(s.selected + (keycode == key::Down ? 1 : -1), rows > 0 ? 1 : 0, rows);
        if (want != s.selected) {
          s.selected = want;
          m.push(Event::NewSelection, field, keycode);
          backend().refresh(*this, field);
        }
      }
      return true;
    default: return true;
  }
}

bool Window::user_scroll(int field, ScrollMove move, int thumb) {
  Impl& m = *impl_;
  if (!window_takes_input(*this) || !m.can_take_input(field) || m.kind(field) != ControlKind::List ||
      !m.st(field).paged)
    return false;
  m.move_focus(field, true);
  if (move == ScrollMove::Thumb) m.st(field).dragged_to = std::clamp(thumb, 0, 100);
  m.push(scroll_event(move), field);
  return true;
}

bool Window::user_wheel(int field, int rows) {
  const ScrollMove move = rows < 0 ? ScrollMove::LineUp : ScrollMove::LineDown;
  for (int i = 0; i < std::abs(rows); ++i) {
    if (!user_scroll(field, move)) return false;
  }
  return true;
}

bool Window::user_expand(int field, int row, bool expand) {
  Impl& m = *impl_;
  if (!list_row_takes_input(*this, m, field, row)) return false;
  m.move_focus(field, true);
  m.st(field).mouse_row = row;
  m.push(expand ? Event::Expanded : Event::Contracted, field);
  return true;
}

bool Window::user_spin(int field, bool up) {
  Impl& m = *impl_;
  if (!window_takes_input(*this) || !m.can_take_input(field) || m.kind(field) != ControlKind::Spin ||
      m.ctl(field).read_only)
    return false;
  const ControlDef& c = m.ctl(field);
  ControlState& s = m.st(field);
  m.move_focus(field, true);
  long long v = c.use.bound() ? c.use.get_number() : values::VarRef::parse_number(s.shown);
  const long long step = c.step > 0 ? c.step : 1;
  v = up ? v + step : v - step;
  if (m.has_range(field)) v = std::clamp(v, c.range_low, c.range_high);
  m.refused[static_cast<size_t>(field - 1)] = false;
  if (c.use.bound()) {
    c.use.set_number(v);
    s.shown = m.format(field, c.use.get());
  } else {
    s.shown = m.format(field, std::to_string(v));
  }
  m.push(Event::NewSelection, field);
  backend().refresh(*this, field);
  return true;
}

// The close box acts during a nested loop too: the program's wait ends on it.
bool Window::user_close() {
  if (!window_on_top(*this)) return false;
  impl_->push(Event::CloseWindow);
  return true;
}

bool Window::user_activated() {
  Impl& m = *impl_;
  if (!window_on_top(*this)) return false;
  if (m.focus_gained_ahead) {
    m.focus_gained_ahead = false;
    return false;
  }
  m.push(Event::GainFocus);
  return true;
}

}  // namespace qvn::ui
