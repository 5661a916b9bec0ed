// Every way input reaches a control asks the same question first: can the
// control take input where it lies? A control hidden or disabled itself, or
// held by a hidden or disabled group, or on a tab that is not chosen, takes
// nothing from the person and is left out of the Ok pass and of INCOMPLETE.

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <ostream>

#include "platform/core/fixed_string.h"
#include "platform/ui/window.h"
#include "quiet_backend.h"

namespace qvn::ui {
namespace {

using testing::control;
using testing::pending;
using testing::QuietBackend;
using testing::Seen;
using values::VarRef;

struct Condition {
  const char* name;
  std::function<void(Window&, int target)> apply;
  bool available;
};

void PrintTo(const Condition& c, std::ostream* os) { *os << c.name; }

struct Input {
  const char* name;
  const char* target;
  std::function<bool(Window&, int target)> give;
};

class ControlInput : public ::testing::TestWithParam<Condition> {
 protected:
  std::unique_ptr<Window> make() {
    WindowDef def;
    // clang-format off
    def.controls = {
        control("?SHEET", ControlKind::Sheet),
        control("?TAB1", ControlKind::Tab, 1, "One"),
        control("?TAB2", ControlKind::Tab, 1, "Two"),
        control("?GROUP", ControlKind::Group, 3, "Group"),
        control("?BUTTON", ControlKind::Button, 4, "&Go"),
        control("?ENTRY", ControlKind::Entry, 4),
        control("?SPIN", ControlKind::Spin, 4),
        control("?CHECK", ControlKind::Check, 4, "Check"),
        control("?LIST", ControlKind::List, 4),
    };
    // clang-format on
    auto& c = def.controls;
    c[4].is_default = true;
    c[4].hot_key = key::Insert;
    c[5].picture = "@s20";
    c[5].required = true;
    c[5].use = VarRef::of(entry);
    c[6].picture = "@n3";
    c[6].range_low = 1;
    c[6].range_high = 9;
    c[6].use = VarRef::of(spin);
    c[7].use = VarRef::of(check);
    std::string error;
    auto w = Window::create(std::move(def), &error);
    EXPECT_NE(w, nullptr) << error;
    if (!w) return w;
    rows.data() = {{"one"}, {"two"}};
    w->set_list(w->field("?LIST"), &rows);
    w->open();
    w->select(w->field("?TAB2"));
    pending(*w);
    return w;
  }

  QuietBackend backend;
  FixedString<20> entry;
  uint8_t spin = 5;
  int16_t check = 0;
  VectorListModel rows;
};

TEST_P(ControlInput, EveryEntryPointAsksWhetherTheControlCanTakeInput) {
  const Condition& condition = GetParam();
  const Input inputs[] = {
      {"a press of a button", "?BUTTON", [](Window& w, int f) { return w.user_press(f); }},
      {"a press of a check box", "?CHECK", [](Window& w, int f) { return w.user_press(f); }},
      {"typing", "?ENTRY", [](Window& w, int f) { return w.user_type(f, "typed"); }},
      {"a spin arrow", "?SPIN", [](Window& w, int f) { return w.user_spin(f, true); }},
      {"a click on a row", "?LIST", [](Window& w, int f) { return w.user_select_row(f, 2); }},
      {"a double-click on a row", "?LIST", [](Window& w, int f) { return w.user_accept_row(f, 2); }},
      {"an expander", "?LIST", [](Window& w, int f) { return w.user_expand(f, 1, true); }},
      {"a key on a list", "?LIST", [](Window& w, int f) { return w.user_key(f, key::Down); }},
      {"Enter for the default button", "?BUTTON", [](Window& w, int) { return w.user_key(0, key::Enter); }},
      {"the button's hot key", "?BUTTON", [](Window& w, int) { return w.user_key(0, key::Insert); }},
  };
  for (const Input& input : inputs) {
    SCOPED_TRACE(std::string(input.name) + ", " + condition.name);
    entry = "";
    spin = 5;
    check = 0;
    auto w = make();
    ASSERT_NE(w, nullptr);
    const int target = w->field(input.target);
    condition.apply(*w, target);
    pending(*w);
    const bool taken = input.give(*w, target);
    const std::vector<Seen> seen = pending(*w);
    bool reached = false;
    for (const Seen& s : seen) reached = reached || s.field == target;
    EXPECT_EQ(taken, condition.available);
    EXPECT_EQ(reached, condition.available);
    if (!condition.available) {
      EXPECT_EQ(entry, "");
      EXPECT_EQ(spin, 5);
      EXPECT_EQ(check, 0);
      EXPECT_EQ(w->choice(w->field("?LIST")), 1) << "the list's selection stays";
    }
  }
}

TEST_P(ControlInput, TheOkPassAndIncompleteLeaveOutWhatCannotTakeInput) {
  const Condition& condition = GetParam();
  auto w = make();
  ASSERT_NE(w, nullptr);
  const int target = w->field("?ENTRY");
  condition.apply(*w, target);
  pending(*w);
  EXPECT_EQ(w->incomplete(), condition.available ? target : 0);
  pending(*w);
  w->accept_all();
  std::vector<int> accepted;
  bool completed = false;
  for (const Seen& s : pending(*w)) {
    if (s.event == Event::Accepted) accepted.push_back(s.field);
    completed = completed || s.event == Event::Completed;
  }
  if (condition.available) {
    EXPECT_FALSE(completed) << "the blank required entry ends the pass";
    EXPECT_EQ(w->focus(), target);
  } else {
    EXPECT_TRUE(completed);
    for (int f : accepted) EXPECT_NE(f, target);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Conditions, ControlInput,
    ::testing::Values(Condition{"shown and enabled", [](Window&, int) {}, true},
                      Condition{"hidden itself", [](Window& w, int f) { w.hide(f); }, false},
                      Condition{"disabled itself", [](Window& w, int f) { w.disable(f); }, false},
                      Condition{"in a hidden group", [](Window& w, int) { w.hide(w.field("?GROUP")); }, false},
                      Condition{"in a disabled group", [](Window& w, int) { w.disable(w.field("?GROUP")); }, false},
                      Condition{"on a tab not chosen", [](Window& w, int) { w.select(w.field("?TAB1")); }, false}),
    [](const ::testing::TestParamInfo<Condition>& info) {
      std::string name;
      bool start = true;
      for (const char* p = info.param.name; *p; ++p) {
        if (*p == ' ') {
          start = true;
        } else {
          name += start ? static_cast<char>(std::toupper(static_cast<unsigned char>(*p))) : *p;
          start = false;
        }
      }
      return name;
    });

}  // namespace
}  // namespace qvn::ui
