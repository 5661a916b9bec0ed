#include "platform/ui/window.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <unordered_map>

#include "platform/core/clock.h"
#include "platform/core/error_state.h"
#include "platform/core/fixed_string.h"
#include "platform/ui/folder_watch.h"
#include "platform/ui/list_format.h"
#include "platform/ui/picture.h"

namespace qvn::ui {

namespace {

struct Queued {
  Event event = Event::None;
  int field = 0;
  int keycode = key::None;
  // Not an event: after an entry was typed into and accepted, the focus
  // moves on as Tab moves it, unless the focus changed in between.
  bool tab_on = false;
  unsigned focus_serial = 0;
};

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}


bool container_kind(ControlKind k) {
  return k == ControlKind::Group || k == ControlKind::Option || k == ControlKind::Sheet || k == ControlKind::Tab;
}

bool typed_kind(ControlKind k) { return k == ControlKind::Entry || k == ControlKind::Text || k == ControlKind::Spin; }

// A variable holds a check box's or radio button's value.
bool holds(const VarRef& var, std::string_view value) {
  if (var.numeric()) return var.get_number() == VarRef::parse_number(value);
  return clip(var.get()) == clip(value);
}

std::vector<Window*>& window_stack() {
  static std::vector<Window*> stack;
  return stack;
}

}  // namespace

std::string visible_text(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') {
        out += '&';
        ++i;
      }
      continue;
    }
    out += text[i];
  }
  return out;
}

const std::vector<Window*>& open_windows() { return window_stack(); }
Window* top_window() { return window_stack().empty() ? nullptr : window_stack().back(); }

struct Window::Impl {
  WindowDef def;
  std::vector<ControlState> states;
  std::vector<int> parents;  // the container's field, 0 for the window
  std::vector<std::optional<Picture>> pictures;
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

  int count() const { return static_cast<int>(def.controls.size()); }
  bool valid(int f) const { return f >= 1 && f <= count(); }
  const ControlDef& ctl(int f) const { return def.controls[static_cast<size_t>(f - 1)]; }
  ControlState& st(int f) { return states[static_cast<size_t>(f - 1)]; }
  const ControlState& st(int f) const { return states[static_cast<size_t>(f - 1)]; }
  int parent(int f) const { return parents[static_cast<size_t>(f - 1)]; }
  ControlKind kind(int f) const { return ctl(f).kind; }

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
  bool can_focus(int f) const {
    return valid(f) && takes_focus(kind(f)) && !hidden_in_window(f) && !disabled_in_window(f);
  }
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
    switch (kind(f)) {
      case ControlKind::Entry:
      case ControlKind::Text:
      case ControlKind::Spin:
      case ControlKind::String:
        return clip(st(f).shown).empty();
      case ControlKind::Option:
        for (int r : children(f, ControlKind::Radio)) {
          if (st(r).checked) return false;
        }
        return true;
      default:
        return false;
    }
  }

  bool has_range(int f) const {
    const ControlDef& c = ctl(f);
    return c.kind == ControlKind::Spin && c.range_low <= c.range_high && (c.range_low != 0 || c.range_high != 0);
  }

  // The Ok pass visits the visible, enabled controls that take input into a variable.
  bool takes_part_in_pass(int f) const {
    const ControlKind k = kind(f);
    const bool input = typed_kind(k) || k == ControlKind::Check || k == ControlKind::Option;
    return input && ctl(f).use.bound() && !hidden_in_window(f) && !disabled_in_window(f);
  }

  bool is_alerted(int f, int keycode) const {
    const std::vector<int>& keys = f == 0 ? window_alerts : alerts[static_cast<size_t>(f - 1)];
    return std::find(keys.begin(), keys.end(), keycode) != keys.end();
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
};

Window::Window(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

Window::~Window() { close(); }

std::unique_ptr<Window> Window::create(WindowDef def, std::string* error) {
  auto fail = [error](std::string why) -> std::unique_ptr<Window> {
    if (error) *error = std::move(why);
    return nullptr;
  };
  auto m = std::make_unique<Impl>();
  m->def = std::move(def);
  const int n = m->count();
  m->states.resize(static_cast<size_t>(n));
  m->parents.assign(static_cast<size_t>(n), 0);
  m->pictures.resize(static_cast<size_t>(n));
  m->formats.resize(static_cast<size_t>(n));
  m->alerts.resize(static_cast<size_t>(n));
  m->refused.assign(static_cast<size_t>(n), false);
  m->window_alerts = m->def.alert_keys;

  for (int f = 1; f <= n; ++f) {
    const std::string& eq = m->ctl(f).equate;
    if (eq.empty()) continue;
    if (!m->by_equate.emplace(upper(eq), f).second) return fail("Two controls are named " + eq);
  }
  for (int f = 1; f <= n; ++f) {
    const ControlDef& c = m->ctl(f);
    const std::string name = c.equate.empty() ? "Control " + std::to_string(f) : c.equate;
    if (!c.parent.empty()) {
      auto it = m->by_equate.find(upper(c.parent));
      if (it == m->by_equate.end()) return fail(name + ": no container named " + c.parent);
      const int p = it->second;
      if (p >= f) return fail(name + ": its container " + c.parent + " must come before it");
      if (!container_kind(m->kind(p))) return fail(name + ": " + c.parent + " cannot hold controls");
      m->parents[static_cast<size_t>(f - 1)] = p;
    }
    const int p = m->parent(f);
    if (c.kind == ControlKind::Tab && (p == 0 || m->kind(p) != ControlKind::Sheet))
      return fail(name + ": a tab must lie in a sheet");
    if (c.kind == ControlKind::Radio && (p == 0 || m->kind(p) != ControlKind::Option))
      return fail(name + ": a radio button must lie in an option group");
    if (p != 0 && m->kind(p) == ControlKind::Sheet && c.kind != ControlKind::Tab)
      return fail(name + ": a sheet holds only tabs");
    if (!c.picture.empty()) {
      auto pic = Picture::parse(c.picture);
      if (!pic) {
        return fail(name + ": picture \"" + c.picture + "\" at " + std::to_string(pic.position()) + ": " +
                    pic.error());
      }
      m->pictures[static_cast<size_t>(f - 1)] = *pic;
    }
    if (c.kind == ControlKind::List && !c.format.empty()) {
      auto format = ListFormat::parse(c.format);
      if (!format) {
        return fail(name + ": list format at " + std::to_string(format.position()) + ": " + format.error());
      }
      m->formats[static_cast<size_t>(f - 1)] = *format;
    }
    if (c.is_default) {
      if (m->default_button != 0) return fail(name + ": a window has one default button");
      m->default_button = f;
    }
    ControlState& s = m->st(f);
    s.hidden = c.hidden;
    s.disabled = c.disabled;
    s.text = c.text;
    m->alerts[static_cast<size_t>(f - 1)] = c.alert_keys;
  }
  for (int f = 1; f <= n; ++f) {
    if (m->kind(f) != ControlKind::Sheet) continue;
    for (int t : m->children(f, ControlKind::Tab)) {
      if (!m->st(t).hidden) {
        m->st(f).selected = t;
        break;
      }
    }
  }
  m->caption = m->def.caption;
  m->hidden = m->def.hidden_at_start;
  return std::unique_ptr<Window>(new Window(std::move(m)));
}

const WindowDef& Window::def() const { return impl_->def; }

int Window::field(std::string_view equate) const {
  auto it = impl_->by_equate.find(upper(equate));
  return it == impl_->by_equate.end() ? 0 : it->second;
}

const ControlDef& Window::control(int field) const {
  static const ControlDef none;
  return impl_->valid(field) ? impl_->ctl(field) : none;
}

ControlState& Window::state(int field) {
  static ControlState none;
  if (impl_->valid(field)) return impl_->st(field);
  none = ControlState{};
  return none;
}

const ControlState& Window::state(int field) const {
  static const ControlState none;
  return impl_->valid(field) ? impl_->st(field) : none;
}

int Window::controls() const { return impl_->count(); }

void Window::open() {
  Impl& m = *impl_;
  if (m.open) return;
  int start = m.first;
  if (m.valid(start) && m.kind(start) == ControlKind::Prompt) start = m.next_tab_stop(start);
  m.focus = m.can_focus(start) ? start : m.next_tab_stop(0);
  display(0);
  set_timer(m.def.timer);
  m.open = true;
  window_stack().push_back(this);
  m.queue.push_front(Queued{Event::GainFocus});
  m.queue.push_front(Queued{Event::OpenWindow});
  backend().window_opened(*this);
}

void Window::close() {
  Impl& m = *impl_;
  if (!m.open) return;
  m.open = false;
  m.pass = false;
  m.queue.clear();
  m.current = Queued{};
  auto& stack = window_stack();
  const bool was_top = !stack.empty() && stack.back() == this;
  stack.erase(std::remove(stack.begin(), stack.end(), this), stack.end());
  detail::stop_folder_watches(*this);
  backend().window_closed(*this);
  if (was_top && !stack.empty()) stack.back()->impl_->push(Event::GainFocus);
}

bool Window::is_open() const { return impl_->open; }
bool Window::hidden() const { return impl_->hidden; }

void Window::set_hidden(bool hidden) {
  impl_->hidden = hidden;
  if (impl_->open) backend().refresh(*this, 0);
}

const std::string& Window::caption() const { return impl_->caption; }

void Window::set_caption(std::string caption) {
  impl_->caption = std::move(caption);
  if (impl_->open) backend().refresh(*this, 0);
}

void Window::to_front() {
  if (impl_->open) backend().to_front(*this);
}

bool Window::accept() {
  Impl& m = *impl_;
  m.current = Queued{};
  while (m.open) {
    if (m.pass) {
      int f = m.pass_at + 1;
      while (f <= m.count() && !m.takes_part_in_pass(f)) ++f;
      if (f > m.count()) {
        m.pass = false;
        m.current = Queued{Event::Completed};
        return true;
      }
      if (m.ctl(f).required && m.shows_no_text(f)) {
        m.pass = false;
        if (m.can_focus(f)) {
          m.focus = f;
          ++m.focus_serial;
          m.push(Event::Selected, f);
        }
        continue;
      }
      if (m.refused[static_cast<size_t>(f - 1)]) {
        m.pass = false;
        m.focus = f;
        ++m.focus_serial;
        m.current = Queued{Event::Rejected, f};
        return true;
      }
      m.pass_at = f;
      m.current = Queued{Event::Accepted, f};
      return true;
    }
    if (!m.queue.empty()) {
      Queued q = m.queue.front();
      m.queue.pop_front();
      if (q.tab_on) {
        if (q.focus_serial != m.focus_serial) continue;
        const int next = m.next_tab_stop(q.field);
        if (next == 0 || next == m.focus) continue;
        m.focus = next;
        ++m.focus_serial;
        m.current = Queued{Event::Selected, next};
        if (m.open) backend().refresh(*this, 0);
        return true;
      }
      if (m.valid(q.field) && m.kind(q.field) == ControlKind::List) {
        ControlState& s = m.st(q.field);
        const int rows = static_cast<int>(m.rows(q.field));
        const int before = s.selected;
        if (q.event == Event::ScrollDown && rows > 0) s.selected = std::min(s.selected + 1, rows);
        if (q.event == Event::ScrollUp && rows > 0) s.selected = std::max(s.selected - 1, 1);
        if (q.event == Event::ScrollTop && rows > 0) s.selected = 1;
        if (q.event == Event::ScrollBottom && rows > 0) s.selected = rows;
        if (s.selected != before) backend().refresh(*this, q.field);
      }
      m.current = q;
      return true;
    }
    if (take_folder_changes(*this)) continue;
    if (m.timer > 0 && current_clock().steady_ms() >= m.next_due) {
      m.next_due = current_clock().steady_ms() + m.timer * 10LL;
      m.current = Queued{Event::Timer};
      return true;
    }
    backend().wait_for_event(*this);
  }
  return false;
}

bool Window::next_event_for_nested_loop() {
  if (!accept()) return false;
  clear_error();
  return true;
}

Event Window::event() const { return impl_->current.event; }
int Window::field() const { return impl_->current.field; }
int Window::keycode() const { return impl_->current.keycode; }
int Window::accepted() const { return impl_->current.event == Event::Accepted ? impl_->current.field : 0; }

void Window::post(Event e, int field, int keycode) { impl_->push(e, field, keycode); }

bool Window::has_queued(Event e, int field) const {
  return std::any_of(impl_->queue.begin(), impl_->queue.end(),
                     [e, field](const Queued& q) { return !q.tab_on && q.event == e && q.field == field; });
}

void Window::select(int field, int row) {
  Impl& m = *impl_;
  if (m.pass || !m.valid(field)) return;
  int target = field;
  switch (m.kind(field)) {
    case ControlKind::Prompt:
      target = m.next_tab_stop(field);
      break;
    case ControlKind::Tab: {
      const int sheet = m.parent(field);
      if (m.hidden_in_window(field) || m.disabled_in_window(field)) return;
      m.st(sheet).selected = field;
      target = sheet;
      break;
    }
    case ControlKind::Option: {
      const auto radios = m.children(field, ControlKind::Radio);
      target = radios.empty() ? 0 : radios.front();
      for (int r : radios) {
        if (m.st(r).checked) target = r;
      }
      break;
    }
    default:
      break;
  }
  if (!m.can_focus(target)) return;
  if (row > 0 && m.kind(target) == ControlKind::List) {
    const int rows = static_cast<int>(m.rows(target));
    if (rows > 0) m.st(target).selected = std::min(row, rows);
  }
  m.focus = target;
  ++m.focus_serial;
  m.push(Event::Selected, target);
  if (m.open) backend().refresh(*this, 0);
}

void Window::accept_all() {
  impl_->pass = true;
  impl_->pass_at = 0;
}

bool Window::accepting_all() const { return impl_->pass; }
int Window::focus() const { return impl_->focus; }
void Window::set_first_field(int field) { impl_->first = field; }
int Window::first_field() const { return impl_->first; }
int Window::default_button() const { return impl_->default_button; }

void Window::set_default_button(int field) {
  Impl& m = *impl_;
  m.default_button = m.valid(field) && m.kind(field) == ControlKind::Button ? field : 0;
  if (m.open) backend().refresh(*this, 0);
}

void Window::alert(int field, int keycode) {
  Impl& m = *impl_;
  if (field != 0 && !m.valid(field)) return;
  if (m.is_alerted(field, keycode)) return;
  (field == 0 ? m.window_alerts : m.alerts[static_cast<size_t>(field - 1)]).push_back(keycode);
}

bool Window::alerted(int field, int keycode) const {
  return (field == 0 || impl_->valid(field)) && impl_->is_alerted(field, keycode);
}

void Window::display(int field) {
  Impl& m = *impl_;
  if (field == 0) {
    for (int f = 1; f <= m.count(); ++f) display(f);
    return;
  }
  if (!m.valid(field)) return;
  const ControlDef& c = m.ctl(field);
  ControlState& s = m.st(field);
  switch (c.kind) {
    case ControlKind::Entry:
    case ControlKind::Text:
    case ControlKind::Spin:
    case ControlKind::String:
      if (c.use.bound()) {
        s.shown = m.format(field, c.use.get());
        m.refused[static_cast<size_t>(field - 1)] = false;
      }
      break;
    case ControlKind::Check:
      if (c.use.bound()) s.checked = holds(c.use, c.value_on);
      break;
    case ControlKind::Option:
      for (int r : m.children(field, ControlKind::Radio)) {
        m.st(r).checked = c.use.bound() && holds(c.use, m.ctl(r).value_on);
      }
      break;
    case ControlKind::Progress:
      if (c.use.bound()) s.progress = static_cast<int>(std::clamp(c.use.get_number(), 0LL, 100LL));
      break;
    default:
      break;
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
  switch (c.kind) {
    case ControlKind::Entry:
    case ControlKind::Text:
    case ControlKind::Spin: {
      const auto& pic = m.pictures[static_cast<size_t>(field - 1)];
      if (!pic) {
        c.use.set(s.shown);
        break;
      }
      TypedValue v = pic->deformat(s.shown);
      if (v.ok) c.use.set(v.text);
      break;
    }
    case ControlKind::Check:
      c.use.set(s.checked ? c.value_on : c.value_off);
      break;
    case ControlKind::Option:
      for (int r : m.children(field, ControlKind::Radio)) {
        if (m.st(r).checked) c.use.set(m.ctl(r).value_on);
      }
      break;
    default:
      break;
  }
}

int Window::choice(int field) const {
  const Impl& m = *impl_;
  if (!m.valid(field)) return 0;
  switch (m.kind(field)) {
    case ControlKind::List:
      return m.st(field).selected;
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
    default:
      return 0;
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
      for (int i = 0; i < 4; ++i) given[i] = VarRef::parse_number(value(col.color_field() + i));
    }
    cell.fg = given[0] != kNoColor ? given[0] : d.fg;
    cell.bg = given[1] != kNoColor ? given[1] : d.bg;
    cell.sel_fg = given[2] != kNoColor ? given[2] : d.selected_fg;
    cell.sel_bg = given[3] != kNoColor ? given[3] : d.selected_bg;
    if (col.icon) cell.icon = static_cast<int>(VarRef::parse_number(value(col.icon_field())));
    if (col.tree) cell.level = static_cast<int>(VarRef::parse_number(value(col.level_field())));
    out.push_back(std::move(cell));
  }
  return out;
}

int Window::incomplete() {
  Impl& m = *impl_;
  for (int f = 1; f <= m.count(); ++f) {
    if (!m.ctl(f).required || m.hidden_in_window(f) || m.disabled_in_window(f) || !m.shows_no_text(f)) continue;
    if (m.can_focus(f)) {
      m.focus = f;
      ++m.focus_serial;
      m.push(Event::Selected, f);
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

void Window::set_timer(int hundredths) {
  impl_->timer = std::max(hundredths, 0);
  impl_->next_due = impl_->timer > 0 ? current_clock().steady_ms() + impl_->timer * 10LL : -1;
}

int Window::timer() const { return impl_->timer; }
long long Window::next_timer_ms() const { return impl_->next_due; }

// Input from a person.

namespace {

bool takes_input(const Window& w) { return w.is_open() && !w.hidden() && top_window() == &w; }

}  // namespace

bool Window::user_press(int field) {
  Impl& m = *impl_;
  if (!takes_input(*this) || !m.valid(field) || m.hidden_in_window(field) || m.disabled_in_window(field)) return false;
  const ControlDef& c = m.ctl(field);
  switch (c.kind) {
    case ControlKind::Button:
      m.move_focus(field, true);
      m.push(Event::Accepted, field, key::MouseLeft);
      break;
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
    case ControlKind::Tab:
      return user_choose_tab(m.parent(field), field);
    default:
      return false;
  }
  backend().refresh(*this, 0);
  return true;
}

bool Window::user_type(int field, std::string_view text) {
  Impl& m = *impl_;
  if (!takes_input(*this) || !m.valid(field) || m.hidden_in_window(field) || m.disabled_in_window(field)) return false;
  const ControlDef& c = m.ctl(field);
  if (!typed_kind(c.kind) || c.read_only) return false;
  m.move_focus(field, true);
  std::string typed = c.upper ? upper(text) : std::string(text);
  const auto& pic = m.pictures[static_cast<size_t>(field - 1)];
  if (pic && pic->kind() == PictureKind::Text && typed.size() > pic->width()) typed.resize(pic->width());
  ControlState& s = m.st(field);
  TypedValue v;
  if (pic) {
    v = pic->deformat(typed);
  } else {
    v.ok = true;
    v.text = typed;
  }
  // A spin box takes only values of its range; its variable never sees another.
  if (v.ok && m.has_range(field)) {
    const long long n = VarRef::parse_number(v.text);
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
  if (!takes_input(*this) || !m.valid(field) || m.kind(field) != ControlKind::List || m.hidden_in_window(field) ||
      m.disabled_in_window(field))
    return false;
  if (row < 1 || static_cast<size_t>(row) > m.rows(field)) return false;
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
  if (!takes_input(*this) || !m.valid(sheet_field) || !m.valid(tab_field) || m.kind(tab_field) != ControlKind::Tab ||
      m.parent(tab_field) != sheet_field || m.hidden_in_window(tab_field) || m.disabled_in_window(tab_field))
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
  if (!takes_input(*this)) return false;
  if (m.valid(field)) {
    if (m.hidden_in_window(field) || m.disabled_in_window(field)) return false;
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
  auto press = [&m](int f, int k) {
    if (!m.valid(f) || m.hidden_in_window(f) || m.disabled_in_window(f)) return false;
    m.push(Event::Accepted, f, k);
    return true;
  };
  for (int f = 1; f <= m.count(); ++f) {
    if (m.ctl(f).hot_key == keycode && keycode != key::None && m.kind(f) == ControlKind::Button) return press(f, keycode);
  }
  const bool in_list = m.valid(field) && m.kind(field) == ControlKind::List;
  switch (keycode) {
    case key::Enter:
      if (m.valid(field) && m.kind(field) == ControlKind::Text) return true;
      if (m.default_button != 0) return press(m.default_button, keycode);
      if (in_list) m.push(Event::Accepted, field, keycode);
      return true;
    case key::Escape:
      for (int f = 1; f <= m.count(); ++f) {
        if (m.ctl(f).std_cancel) return press(f, keycode);
      }
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
    default:
      return true;
  }
}

bool Window::user_expand(int field, int row, bool expand) {
  Impl& m = *impl_;
  if (!takes_input(*this) || !m.valid(field) || m.kind(field) != ControlKind::List || m.hidden_in_window(field) ||
      m.disabled_in_window(field))
    return false;
  if (row < 1 || static_cast<size_t>(row) > m.rows(field)) return false;
  m.move_focus(field, true);
  m.st(field).mouse_row = row;
  m.push(expand ? Event::Expanded : Event::Contracted, field);
  return true;
}

bool Window::user_spin(int field, bool up) {
  Impl& m = *impl_;
  if (!takes_input(*this) || !m.valid(field) || m.kind(field) != ControlKind::Spin || m.hidden_in_window(field) ||
      m.disabled_in_window(field) || m.ctl(field).read_only)
    return false;
  const ControlDef& c = m.ctl(field);
  ControlState& s = m.st(field);
  m.move_focus(field, true);
  long long v = c.use.bound() ? c.use.get_number() : VarRef::parse_number(s.shown);
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

bool Window::user_close() {
  if (!takes_input(*this)) return false;
  impl_->push(Event::CloseWindow);
  return true;
}

bool takes_focus(ControlKind k) {
  switch (k) {
    case ControlKind::Button:
    case ControlKind::Entry:
    case ControlKind::Text:
    case ControlKind::Spin:
    case ControlKind::Check:
    case ControlKind::Radio:
    case ControlKind::List:
    case ControlKind::Sheet:
      return true;
    default:
      return false;
  }
}

namespace {
std::string& program_icon_name() {
  static std::string name;
  return name;
}
}  // namespace

void set_program_icon(std::string icon) { program_icon_name() = std::move(icon); }
const std::string& program_icon() { return program_icon_name(); }

}  // namespace qvn::ui
