// A window's life and its events: opening and closing, the accept loop with
// the Ok pass, posted events, the focus, alert keys and the timer.

#include <algorithm>

#include "platform/core/clock.h"
#include "platform/core/error_state.h"
#include "platform/ui/close_signals.h"
#include "platform/ui/folder_watch.h"
#include "platform/ui/window_impl.h"

namespace qvn::ui {

using detail::Queued;

namespace detail {

std::vector<Window*>& window_stack() {
  static std::vector<Window*> stack;
  return stack;
}

}  // namespace detail

const std::vector<Window*>& open_windows() { return detail::window_stack(); }
Window* top_window() { return detail::window_stack().empty() ? nullptr : detail::window_stack().back(); }

void Window::open() {
  Impl& m = *impl_;
  if (m.open) return;
  int start = m.first;
  if (m.valid(start) && m.does(start).passes_focus_on) start = m.next_tab_stop(start);
  m.focus = m.can_focus(start) ? start : m.next_tab_stop(0);
  display(0);
  set_timer(m.def.timer);
  m.open = true;
  detail::window_stack().push_back(this);
  m.queue.push_front(Queued{Event::GainFocus});
  m.queue.push_front(Queued{Event::OpenWindow});
  m.focus_gained_ahead = true;
  backend().window_opened(*this);
}

void Window::close() {
  Impl& m = *impl_;
  if (!m.open) return;
  m.open = false;
  m.pass = false;
  m.queue.clear();
  m.current = Queued{};
  auto& stack = detail::window_stack();
  const bool was_top = !stack.empty() && stack.back() == this;
  stack.erase(std::remove(stack.begin(), stack.end(), this), stack.end());
  detail::stop_folder_watches(*this);
  backend().window_closed(*this);
  if (was_top && !stack.empty()) {
    Impl& below = *stack.back()->impl_;
    below.push(Event::GainFocus);
    below.focus_gained_ahead = true;
  }
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
        if (m.can_focus(f)) m.give_focus(f);
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
    if (take_close_signals()) continue;
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

Window::NestedLoopScope::NestedLoopScope(Window& w) : window_(w) { ++window_.impl_->nested_loops; }
Window::NestedLoopScope::~NestedLoopScope() { --window_.impl_->nested_loops; }

bool Window::in_nested_loop() const { return impl_->nested_loops > 0; }

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
  if (m.does(field).passes_focus_on) {
    target = m.next_tab_stop(field);
  } else if (m.kind(field) == ControlKind::Tab) {
    if (!m.can_take_input(field)) return;
    m.st(m.parent(field)).selected = field;
    target = m.parent(field);
  } else if (m.kind(field) == ControlKind::Option) {
    const auto radios = m.children(field, ControlKind::Radio);
    target = radios.empty() ? 0 : radios.front();
    for (int r : radios) {
      if (m.st(r).checked) target = r;
    }
  }
  if (!m.can_focus(target)) return;
  if (row > 0 && m.kind(target) == ControlKind::List) {
    const int rows = static_cast<int>(m.rows(target));
    if (rows > 0) m.st(target).selected = std::min(row, rows);
  }
  m.give_focus(target);
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

void Window::set_timer(int hundredths) {
  impl_->timer = std::max(hundredths, 0);
  impl_->next_due = impl_->timer > 0 ? current_clock().steady_ms() + impl_->timer * 10LL : -1;
}

int Window::timer() const { return impl_->timer; }
long long Window::next_timer_ms() const { return impl_->next_due; }

}  // namespace qvn::ui
