// Building a window from its structure, and what it tells of its controls.

#include <cctype>

#include "platform/ui/window_impl.h"

namespace qvn::ui {

namespace detail {

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace detail

using detail::upper;

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
    if (c.id != 0 && c.id != f) {
      return fail(name + ": declared as field " + std::to_string(c.id) + " but stands at place " + std::to_string(f) +
                  " of the structure");
    }
    if (c.parent != 0) {
      if (c.parent < 0 || c.parent > n) return fail(name + ": no container at field " + std::to_string(c.parent));
      const std::string& held_by = m->ctl(c.parent).equate;
      const std::string holder = held_by.empty() ? "field " + std::to_string(c.parent) : held_by;
      if (c.parent >= f) return fail(name + ": its container " + holder + " must come before it");
      if (!m->does(c.parent).holds_controls) return fail(name + ": " + holder + " cannot hold controls");
      m->parents[static_cast<size_t>(f - 1)] = c.parent;
    }
    const int p = m->parent(f);
    if (c.kind == ControlKind::Tab && (p == 0 || m->kind(p) != ControlKind::Sheet))
      return fail(name + ": a tab must lie in a sheet");
    if (c.kind == ControlKind::Radio && (p == 0 || m->kind(p) != ControlKind::Option))
      return fail(name + ": a radio button must lie in an option group");
    if (p != 0 && m->kind(p) == ControlKind::Sheet && c.kind != ControlKind::Tab)
      return fail(name + ": a sheet holds only tabs");
    if (!c.picture.empty()) {
      auto pic = values::Picture::parse(c.picture);
      if (!pic) {
        return fail(name + ": picture \"" + c.picture + "\" at " + std::to_string(pic.position()) + ": " + pic.error());
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

namespace {
std::string& program_icon_name() {
  static std::string name;
  return name;
}
}  // namespace

void set_program_icon(std::string icon) { program_icon_name() = std::move(icon); }
const std::string& program_icon() { return program_icon_name(); }

}  // namespace qvn::ui
