// The operations the program does on a window's controls: DISPLAY, UPDATE,
// CHOICE, their states and texts, lists, INCOMPLETE and POPUP.

#include <algorithm>

#include "platform/ui/window_impl.h"

namespace qvn::ui {

namespace {

// A variable holds a check box's or radio button's value.
bool holds(const values::VarRef& var, std::string_view value) {
  if (var.numeric()) return var.get_number() == values::VarRef::parse_number(value);
  return clip(var.get()) == clip(value);
}

}  // namespace

void Window::display(int field) {
  Impl& m = *impl_;
  if (field == 0) {
    for (int f = 1; f <= m.count(); ++f) display(f);
    return;
  }
  if (!m.valid(field)) return;
  const ControlDef& c = m.ctl(field);
  ControlState& s = m.st(field);
  if (m.does(field).shows_value) {
    if (c.use.bound()) {
      s.shown = m.format(field, c.use.get());
      m.refused[static_cast<size_t>(field - 1)] = false;
    }
  } else if (c.kind == ControlKind::Check) {
    if (c.use.bound()) s.checked = holds(c.use, c.value_on);
  } else if (c.kind == ControlKind::Option) {
    for (int r : m.children(field, ControlKind::Radio)) {
      m.st(r).checked = c.use.bound() && holds(c.use, m.ctl(r).value_on);
    }
  } else if (c.kind == ControlKind::Progress) {
    if (c.use.bound()) s.progress = static_cast<int>(std::clamp(c.use.get_number(), 0LL, 100LL));
  }
  if (m.open) backend().refresh(*this, field);
}

void Window::update(int field) {
  Impl& m = *impl_;
  if (field == 0) {
    for (int f = 1; f <= m.count(); ++f) update(f);
    return;
  }
  if (!m.valid(field)) return;
  const ControlDef& c = m.ctl(field);
  if (!c.use.bound()) return;
  const ControlState& s = m.st(field);
  if (m.does(field).typed) {
    const auto& pic = m.pictures[static_cast<size_t>(field - 1)];
    if (!pic) {
      c.use.set(s.shown);
      return;
    }
    values::TypedValue v = pic->deformat(s.shown);
    if (v.ok) c.use.set(v.text);
  } else if (c.kind == ControlKind::Check) {
    c.use.set(s.checked ? c.value_on : c.value_off);
  } else if (c.kind == ControlKind::Option) {
    for (int r : m.children(field, ControlKind::Radio)) {
      if (m.st(r).checked) c.use.set(m.ctl(r).value_on);
    }
  }
}

int Window::choice(int field) const {
  const Impl& m = *impl_;
  if (!m.valid(field)) return 0;
  switch (m.kind(field)) {
    case ControlKind::List: return m.st(field).selected;
    case ControlKind::Sheet: {
      const auto tabs = m.children(field, ControlKind::Tab);
      auto it = std::find(tabs.begin(), tabs.end(), m.st(field).selected);
      return it == tabs.end() ? 0 : static_cast<int>(it - tabs.begin()) + 1;
    }
    case ControlKind::Option: {
      const auto radios = m.children(field, ControlKind::Radio);
      for (size_t i = 0; i < radios.size(); ++i) {
        if (m.st(radios[i]).checked) return static_cast<int>(i) + 1;
      }
      return 0;
    }
    default: return 0;
  }
}

namespace {
// Sets one of a control's own states and lets the renderer show it.
void set_state(Window& w, Window::Impl& m, int field, bool ControlState::*flag, bool on) {
  if (!m.valid(field)) return;
  m.st(field).*flag = on;
  if (m.open) backend().refresh(w, field);
}
}  // namespace

void Window::enable(int field) { set_state(*this, *impl_, field, &ControlState::disabled, false); }
void Window::disable(int field) { set_state(*this, *impl_, field, &ControlState::disabled, true); }
void Window::hide(int field) { set_state(*this, *impl_, field, &ControlState::hidden, true); }
void Window::unhide(int field) { set_state(*this, *impl_, field, &ControlState::hidden, false); }

bool Window::is_disabled(int field) const { return !impl_->valid(field) || impl_->disabled_in_window(field); }
bool Window::is_hidden(int field) const { return !impl_->valid(field) || impl_->hidden_in_window(field); }

void Window::set_text(int field, std::string text) {
  if (!impl_->valid(field)) return;
  impl_->st(field).text = std::move(text);
  if (impl_->open) backend().refresh(*this, field);
}

void Window::set_list(int field, ListModel* model) {
  if (!impl_->valid(field)) return;
  impl_->st(field).list = model;
  list_changed(field);
}

void Window::list_changed(int field) {
  Impl& m = *impl_;
  if (!m.valid(field)) return;
  ControlState& s = m.st(field);
  const int rows = static_cast<int>(m.rows(field));
  s.selected = rows == 0 ? 0 : std::clamp(s.selected, 1, rows);
  if (m.open) backend().refresh(*this, field);
}

std::vector<ListCell> Window::cells(int field, size_t row) const {
  const Impl& m = *impl_;
  std::vector<ListCell> out;
  if (!m.valid(field) || row >= m.rows(field)) return out;
  const std::vector<std::string> values = m.st(field).list->fields(row);
  auto value = [&values](int i) -> std::string_view {
    return i >= 0 && static_cast<size_t>(i) < values.size() ? std::string_view(values[static_cast<size_t>(i)])
                                                            : std::string_view();
  };
  const auto& format = m.formats[static_cast<size_t>(field - 1)];
  if (!format) {
    out.push_back(ListCell{std::string(clip(value(0)))});
    return out;
  }
  for (const Column& col : format->columns) {
    ListCell cell;
    cell.text = std::string(clip(col.picture.format(value(col.value_field()))));
    const ColumnColors& d = col.default_colors;
    long long given[4] = {kNoColor, kNoColor, kNoColor, kNoColor};
    if (col.colors) {
      for (int i = 0; i < 4; ++i) given[i] = values::VarRef::parse_number(value(col.color_field() + i));
    }
    cell.fg = given[0] != kNoColor ? given[0] : d.fg;
    cell.bg = given[1] != kNoColor ? given[1] : d.bg;
    cell.sel_fg = given[2] != kNoColor ? given[2] : d.selected_fg;
    cell.sel_bg = given[3] != kNoColor ? given[3] : d.selected_bg;
    if (col.icon) cell.icon = static_cast<int>(values::VarRef::parse_number(value(col.icon_field())));
    if (col.tree) cell.level = static_cast<int>(values::VarRef::parse_number(value(col.level_field())));
    out.push_back(std::move(cell));
  }
  return out;
}

int Window::incomplete() {
  Impl& m = *impl_;
  for (int f = 1; f <= m.count(); ++f) {
    if (!m.ctl(f).required || !m.can_take_input(f) || !m.shows_no_text(f)) continue;
    if (m.can_focus(f)) {
      m.give_focus(f);
      if (m.open) backend().refresh(*this, 0);
    }
    return f;
  }
  return 0;
}

int Window::popup(const std::string& menu) {
  const std::vector<PopupItem> items = popup_items(menu);
  const int chosen = backend().popup(*this, menu);
  for (const PopupItem& item : items) {
    if (item.number == chosen && chosen != 0) return item.disabled ? 0 : chosen;
  }
  return 0;
}

}  // namespace qvn::ui
