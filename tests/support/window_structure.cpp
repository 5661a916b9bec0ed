#include "support/window_structure.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace qvn::test_support {

namespace {

std::string shown(const std::string& s) { return "\"" + s + "\""; }
std::string shown(bool b) { return b ? "true" : "false"; }
std::string shown(int n) { return std::to_string(n); }
std::string shown(ui::ControlKind kind) { return kind_name(kind); }
std::string shown(const ui::Rect& r) {
  return "{" + std::to_string(r.x) + ", " + std::to_string(r.y) + ", " + std::to_string(r.w) + ", " +
         std::to_string(r.h) + "}";
}
std::string shown(const values::Font& f) {
  return "{" + shown(f.face) + ", " + std::to_string(f.points) + (f.bold ? ", bold}" : "}");
}
std::string shown(const std::pair<int, int>& size) {
  return std::to_string(size.first) + " x " + std::to_string(size.second);
}

bool same(const ui::Rect& a, const ui::Rect& b) { return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h; }
bool same(const values::Font& a, const values::Font& b) {
  return a.face == b.face && a.points == b.points && a.bold == b.bold;
}
template <class T>
bool same(const T& a, const T& b) {
  return a == b;
}

// The mismatches found, one line each.
class Findings {
 public:
  template <class T>
  void compare(const std::string& who, std::string_view attribute, const T& has, const T& expected) {
    if (!same(has, expected)) {
      add(who + ": " + std::string(attribute) + " is " + shown(has) + ", expected " + shown(expected));
    }
  }
  template <class T>
  void compare(const std::string& who, std::string_view attribute, const T& has, const std::optional<T>& expected) {
    if (expected) compare(who, attribute, has, *expected);
  }
  // In a complete table, an attribute the row leaves out is compared with
  // `otherwise`, what a control declared without it has.
  template <class T>
  void compare(const std::string& who, std::string_view attribute, const T& has, const std::optional<T>& expected,
               bool complete, const T& otherwise) {
    if (expected) {
      compare(who, attribute, has, *expected);
    } else if (complete) {
      compare(who, attribute, has, otherwise);
    }
  }
  void add(std::string line) { lines_.push_back(std::move(line)); }
  bool empty() const { return lines_.empty(); }
  const std::vector<std::string>& lines() const { return lines_; }

 private:
  std::vector<std::string> lines_;
};

std::string control_name(const std::string& equate, int field) {
  return (equate.empty() ? std::string("control") : equate) + " (field " + std::to_string(field) + ")";
}

// How the order check knows a control: by its equate, or, without one, by
// its field number (a table row gives it, or its place in the table).
std::string order_key(const std::string& equate, int field) {
  return equate.empty() ? "field " + std::to_string(field) : equate;
}

bool holds(const std::vector<std::string>& list, const std::string& equate) {
  return std::find(list.begin(), list.end(), equate) != list.end();
}

// Controls missing from the window, controls the table lacks, and the first
// place where the controls both have come in another order.
void check_order(const std::vector<std::string>& has, const std::vector<std::string>& want, Findings& findings) {
  for (const std::string& equate : want) {
    if (!holds(has, equate)) findings.add(equate + ": missing from the window");
  }
  for (size_t i = 0; i < has.size(); ++i) {
    if (!holds(want, has[i])) findings.add(control_name(has[i], static_cast<int>(i + 1)) + ": not in the table");
  }
  std::vector<std::string> has_common, want_common;
  for (const std::string& equate : has) {
    if (holds(want, equate)) has_common.push_back(equate);
  }
  for (const std::string& equate : want) {
    if (holds(has, equate)) want_common.push_back(equate);
  }
  for (size_t i = 0; i < std::min(has_common.size(), want_common.size()); ++i) {
    if (has_common[i] != want_common[i]) {
      findings.add("field order: " + has_common[i] + " comes where the table has " + want_common[i]);
      return;
    }
  }
  if (has.size() != want.size()) {
    findings.add("the window has " + std::to_string(has.size()) + " controls, the table " +
                 std::to_string(want.size()));
  }
}

void check_control(const ui::Window& window, int field, const ExpectedControl& want, bool complete,
                   Findings& findings) {
  static const ui::ControlDef kBare;
  const ui::ControlDef& has = window.control(field);
  const std::string who = control_name(has.equate, field);
  findings.compare(who, "field number", field, want.field);
  // A window refuses a control declared at another place, so a row that
  // gives the number needs only see that the control declares one.
  if (want.field && has.id == 0) findings.add(who + ": declares no field number");
  findings.compare(who, "kind", has.kind, want.kind);
  findings.compare(who, "text", has.text, want.text);
  findings.compare(who, "tip", has.tip, want.tip, complete, kBare.tip);
  findings.compare(who, "message", has.msg, want.msg, complete, kBare.msg);
  findings.compare(who, "icon", has.icon, want.icon, complete, kBare.icon);
  findings.compare(who, "position", has.at, want.at, complete, kBare.at);
  findings.compare(who, "hidden", has.hidden, want.hidden);
  findings.compare(who, "disabled", has.disabled, want.disabled);
  findings.compare(who, "required", has.required, want.required);
  findings.compare(who, "default button", window.default_button() == field, want.is_default);
  findings.compare(who, "attributes", attribute_words(has), want.attributes, complete, std::string());
  findings.compare(who, "on value", has.value_on, want.value_on, complete, kBare.value_on);
  findings.compare(who, "off value", has.value_off, want.value_off, complete, kBare.value_off);
  findings.compare(who, "picture", has.picture, want.picture, complete, kBare.picture);
  findings.compare(who, "list format", has.format, want.format, complete, kBare.format);
  findings.compare(who, "parent", has.parent, want.parent, complete, kBare.parent);
}

}  // namespace

std::string attribute_words(const ui::ControlDef& c) {
  std::vector<std::string> words;
  auto add = [&](bool on, const char* word) {
    if (on) words.emplace_back(word);
  };
  add(c.use.bound(), "bound");
  add(c.font.bold, "bold");
  add(c.upper, "upper");
  add(c.read_only, "read-only");
  add(c.skip, "skip");
  add(c.required, "required");
  add(c.req, "req");
  add(c.is_default, "default");
  add(c.std_cancel, "cancel");
  add(c.hidden, "hidden");
  add(c.disabled, "disabled");
  add(c.flat, "flat");
  add(c.icon_left, "icon-left");
  add(c.transparent, "transparent");
  add(c.tree, "tree");
  add(c.vscroll, "vscroll");
  add(c.hscroll, "hscroll");
  add(c.immediate, "immediate");
  if (c.range_low != 0 || c.range_high != 0) {
    words.push_back("range " + std::to_string(c.range_low) + "-" + std::to_string(c.range_high) + " step " +
                    std::to_string(c.step));
  }
  if (c.hot_key != 0) words.push_back("key " + std::to_string(c.hot_key));
  std::string out;
  for (const std::string& w : words) out += (out.empty() ? "" : " ") + w;
  return out;
}

const char* kind_name(ui::ControlKind kind) {
  switch (kind) {
    case ui::ControlKind::Button: return "Button";
    case ui::ControlKind::Prompt: return "Prompt";
    case ui::ControlKind::String: return "String";
    case ui::ControlKind::Entry: return "Entry";
    case ui::ControlKind::Text: return "Text";
    case ui::ControlKind::Spin: return "Spin";
    case ui::ControlKind::Check: return "Check";
    case ui::ControlKind::Option: return "Option";
    case ui::ControlKind::Radio: return "Radio";
    case ui::ControlKind::Group: return "Group";
    case ui::ControlKind::Sheet: return "Sheet";
    case ui::ControlKind::Tab: return "Tab";
    case ui::ControlKind::List: return "List";
    case ui::ControlKind::Image: return "Image";
    case ui::ControlKind::Progress: return "Progress";
    case ui::ControlKind::Box: return "Box";
    case ui::ControlKind::Line: return "Line";
  }
  return "(unknown kind)";
}

::testing::AssertionResult window_structure_matches(const ui::Window& window, const ExpectedWindow& expected) {
  Findings findings;
  const ui::WindowDef& def = window.def();
  const std::string who = "window " + def.label;
  findings.compare(who, "label", def.label, expected.label);
  findings.compare(who, "caption", def.caption, expected.caption);
  findings.compare(who, "size", std::pair(def.at.w, def.at.h), std::pair(expected.width, expected.height));
  findings.compare(who, "font", def.font, expected.font);

  std::vector<std::string> has, want;
  for (int f = 1; f <= window.controls(); ++f) has.push_back(order_key(window.control(f).equate, f));
  for (size_t i = 0; i < expected.controls.size(); ++i) {
    const ExpectedControl& c = expected.controls[i];
    want.push_back(order_key(c.equate, c.field.value_or(static_cast<int>(i + 1))));
  }
  const bool in_order = has == want;
  if (!in_order) check_order(has, want, findings);

  for (size_t i = 0; i < expected.controls.size(); ++i) {
    const ExpectedControl& c = expected.controls[i];
    int field = 0;
    if (in_order) {
      field = static_cast<int>(i + 1);
    } else {
      // Out of order: each control is compared with the table's row of its name or number.
      auto at = std::find(has.begin(), has.end(), want[i]);
      if (at != has.end()) field = static_cast<int>(at - has.begin()) + 1;
    }
    if (field != 0) check_control(window, field, c, expected.complete, findings);
  }

  if (findings.empty()) return ::testing::AssertionSuccess();
  ::testing::AssertionResult result = ::testing::AssertionFailure();
  result << "the structure of " << who << " differs from the table:";
  for (const std::string& line : findings.lines()) result << "\n  " << line;
  return result;
}

void check_window_structure(const ui::Window& window, const ExpectedWindow& expected, std::source_location where) {
  if (::testing::AssertionResult result = window_structure_matches(window, expected); !result) {
    ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line())) << result.message();
  }
}

std::unique_ptr<ui::Window> check_window_structure(ui::WindowDef def, const ExpectedWindow& expected,
                                                   std::source_location where) {
  const std::string label = def.label;
  std::string error;
  std::unique_ptr<ui::Window> window = ui::Window::create(std::move(def), &error);
  if (window == nullptr) {
    ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line()))
        << "window " << label << " does not build: " << error;
    return nullptr;
  }
  check_window_structure(*window, expected, where);
  return window;
}

}  // namespace qvn::test_support
