// The check every window's test runs on its structure: it passes a window
// that matches its table, and names the control and the attribute of every
// difference.
#include "support/window_structure.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/fixed_string.h"

namespace qvn::ui {
namespace {

using test_support::check_window_structure;
using test_support::ExpectedControl;
using test_support::ExpectedWindow;
using test_support::window_structure_matches;
using values::VarRef;

constexpr const char* kKindsFormat = "20L(2)|M~Kind~@s20@";

// A small form with one control of each attribute the table can give; its
// controls declare their field numbers, as a procedure's do.
WindowDef form(FixedString<20>& name) {
  WindowDef def{.label = "Form$Window", .caption = "Thing", .at = {0, 0, 200, 90}, .font = {"MS Sans Serif", 8, false}};
  // clang-format off
  def.controls = {
      {.id = 1, .equate = "?NAME:PROMPT", .kind = ControlKind::Prompt, .at = {8, 8, 30, 10}, .text = "&Name:"},
      {.id = 2, .equate = "?NAME", .kind = ControlKind::Entry, .at = {40, 8, 80, 10}, .tip = "The thing's name",
       .picture = "@s20", .msg = "Enter the name", .use = VarRef::of(name), .required = true, .upper = true},
      {.id = 3, .equate = "?GROUP1", .kind = ControlKind::Group, .at = {8, 22, 180, 40}, .text = " Kind "},
      {.id = 4, .equate = "?KIND", .kind = ControlKind::List, .parent = 3, .at = {12, 30, 80, 28},
       .format = kKindsFormat},
      {.id = 5, .equate = "?NOTE", .kind = ControlKind::String, .parent = 3, .text = "x", .hidden = true},
      {.id = 6, .equate = "?OK", .kind = ControlKind::Button, .at = {100, 70, 40, 14}, .text = "&Ok", .icon = "OK.ICO",
       .is_default = true},
      {.id = 7, .equate = "?CANCEL", .kind = ControlKind::Button, .at = {150, 70, 40, 14}, .text = "&Cancel",
       .disabled = true},
  };
  // clang-format on
  return def;
}

ExpectedWindow form_table() {
  // clang-format off
  return {.label = "Form$Window",
          .caption = "Thing",
          .width = 200,
          .height = 90,
          .font = {"MS Sans Serif", 8, false},
          .controls = {
              {.equate = "?NAME:PROMPT", .kind = ControlKind::Prompt, .text = "&Name:", .at = {{8, 8, 30, 10}}},
              {.equate = "?NAME", .kind = ControlKind::Entry, .at = {{40, 8, 80, 10}}, .required = true,
               .picture = "@s20", .parent = 0},
              {.equate = "?GROUP1", .kind = ControlKind::Group, .text = " Kind "},
              {.equate = "?KIND", .kind = ControlKind::List, .format = kKindsFormat, .parent = 3},
              {.equate = "?NOTE", .kind = ControlKind::String, .text = "x", .hidden = true, .parent = 3},
              {.equate = "?OK", .kind = ControlKind::Button, .text = "&Ok", .at = {{100, 70, 40, 14}},
               .disabled = false, .is_default = true},
              {.equate = "?CANCEL", .kind = ControlKind::Button, .text = "&Cancel", .disabled = true,
               .is_default = false},
          }};
  // clang-format on
}

// The same form given whole: every row names all its control has.
ExpectedWindow complete_table() {
  // clang-format off
  return {.label = "Form$Window",
          .caption = "Thing",
          .width = 200,
          .height = 90,
          .font = {"MS Sans Serif", 8, false},
          .controls =
              {
                  {.equate = "?NAME:PROMPT", .field = 1, .kind = ControlKind::Prompt, .text = "&Name:",
                   .at = {{8, 8, 30, 10}}},
                  {.equate = "?NAME", .field = 2, .kind = ControlKind::Entry, .tip = "The thing's name",
                   .msg = "Enter the name", .at = {{40, 8, 80, 10}}, .attributes = "bound upper required",
                   .picture = "@s20"},
                  {.equate = "?GROUP1", .field = 3, .kind = ControlKind::Group, .text = " Kind ",
                   .at = {{8, 22, 180, 40}}},
                  {.equate = "?KIND", .field = 4, .kind = ControlKind::List, .at = {{12, 30, 80, 28}},
                   .format = kKindsFormat, .parent = 3},
                  {.equate = "?NOTE", .field = 5, .kind = ControlKind::String, .text = "x", .attributes = "hidden",
                   .parent = 3},
                  {.equate = "?OK", .field = 6, .kind = ControlKind::Button, .text = "&Ok", .icon = "OK.ICO",
                   .at = {{100, 70, 40, 14}}, .attributes = "default"},
                  {.equate = "?CANCEL", .field = 7, .kind = ControlKind::Button, .text = "&Cancel",
                   .at = {{150, 70, 40, 14}}, .attributes = "disabled"},
              },
          .complete = true};
  // clang-format on
}

ExpectedControl& row(ExpectedWindow& table, const std::string& equate) {
  for (ExpectedControl& c : table.controls) {
    if (c.equate == equate) return c;
  }
  throw std::logic_error("no row " + equate);
}

class WindowStructure : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = check_window_structure(form(name_), form_table());
    ASSERT_NE(window_, nullptr);
  }

  FixedString<20> name_;
  std::unique_ptr<Window> window_;
};

TEST_F(WindowStructure, AWindowMatchingItsTablePassesAndAttributesNotGivenAreNotChecked) {
  EXPECT_TRUE(window_structure_matches(*window_, form_table()));
  ExpectedWindow bare = form_table();
  for (ExpectedControl& c : bare.controls) c = {.equate = c.equate, .kind = c.kind, .text = c.text};
  EXPECT_TRUE(window_structure_matches(*window_, bare));
}

TEST_F(WindowStructure, EachDifferenceNamesTheControlAndTheAttribute) {
  struct Case {
    const char* what;
    std::function<void(ExpectedWindow&)> change;
    std::vector<std::string> findings;
  };
  const std::string header = "the structure of window Form$Window differs from the table:";
  const Case cases[] = {
      {"kind",
       [](ExpectedWindow& t) { row(t, "?NAME").kind = ControlKind::Spin; },
       {"?NAME (field 2): kind is Entry, expected Spin"}},
      {"text keeps its marks",
       [](ExpectedWindow& t) { row(t, "?NAME:PROMPT").text = "Name:"; },
       {"?NAME:PROMPT (field 1): text is \"&Name:\", expected \"Name:\""}},
      {"position",
       [](ExpectedWindow& t) {
         row(t, "?OK").at = Rect{100, 70, 40, 12};
       },
       {"?OK (field 6): position is {100, 70, 40, 14}, expected {100, 70, 40, 12}"}},
      {"hidden",
       [](ExpectedWindow& t) { row(t, "?NOTE").hidden = false; },
       {"?NOTE (field 5): hidden is true, expected false"}},
      {"disabled",
       [](ExpectedWindow& t) { row(t, "?OK").disabled = true; },
       {"?OK (field 6): disabled is false, expected true"}},
      {"required",
       [](ExpectedWindow& t) { row(t, "?NAME").required = false; },
       {"?NAME (field 2): required is true, expected false"}},
      {"default button",
       [](ExpectedWindow& t) { row(t, "?CANCEL").is_default = true; },
       {"?CANCEL (field 7): default button is false, expected true"}},
      {"picture",
       [](ExpectedWindow& t) { row(t, "?NAME").picture = "@s30"; },
       {"?NAME (field 2): picture is \"@s20\", expected \"@s30\""}},
      {"list format",
       [](ExpectedWindow& t) { row(t, "?KIND").format = "20L(2)@s20@"; },
       {"?KIND (field 4): list format is \"20L(2)|M~Kind~@s20@\", expected \"20L(2)@s20@\""}},
      {"parent", [](ExpectedWindow& t) { row(t, "?NOTE").parent = 0; }, {"?NOTE (field 5): parent is 3, expected 0"}},
      {"the header's field number",
       [](ExpectedWindow& t) { row(t, "?NAME").field = 3; },
       {"?NAME (field 2): field number is 2, expected 3"}},
      {"tip",
       [](ExpectedWindow& t) { row(t, "?NAME").tip = "The name"; },
       {"?NAME (field 2): tip is \"The thing's name\", expected \"The name\""}},
      {"message",
       [](ExpectedWindow& t) { row(t, "?NAME").msg = ""; },
       {"?NAME (field 2): message is \"Enter the name\", expected \"\""}},
      {"icon",
       [](ExpectedWindow& t) { row(t, "?OK").icon = "CANCEL.ICO"; },
       {"?OK (field 6): icon is \"OK.ICO\", expected \"CANCEL.ICO\""}},
      {"attribute words",
       [](ExpectedWindow& t) { row(t, "?NAME").attributes = "bound required"; },
       {"?NAME (field 2): attributes is \"bound upper required\", expected \"bound required\""}},
      {"values",
       [](ExpectedWindow& t) {
         row(t, "?NOTE").value_on = "Y";
         row(t, "?NOTE").value_off = "N";
       },
       {"?NOTE (field 5): on value is \"1\", expected \"Y\"", "?NOTE (field 5): off value is \"0\", expected \"N\""}},
      {"window label",
       [](ExpectedWindow& t) { t.label = "Other$Window"; },
       {"window Form$Window: label is \"Form$Window\", expected \"Other$Window\""}},
      {"window caption",
       [](ExpectedWindow& t) { t.caption = "Things"; },
       {"window Form$Window: caption is \"Thing\", expected \"Things\""}},
      {"window size",
       [](ExpectedWindow& t) { t.height = 100; },
       {"window Form$Window: size is 200 x 90, expected 200 x 100"}},
      {"window font",
       [](ExpectedWindow& t) { t.font.bold = true; },
       {"window Form$Window: font is {\"MS Sans Serif\", 8}, expected {\"MS Sans Serif\", 8, bold}"}},
      {"field order",
       [](ExpectedWindow& t) { std::swap(t.controls[5], t.controls[6]); },
       {"field order: ?OK comes where the table has ?CANCEL"}},
      {"a control the window lacks",
       [](ExpectedWindow& t) {
         t.controls.push_back({.equate = "?HELP", .kind = ControlKind::Button, .text = "&Help"});
       },
       {"?HELP: missing from the window", "the window has 7 controls, the table 8"}},
      {"a control the table lacks",
       [](ExpectedWindow& t) { t.controls.pop_back(); },
       {"?CANCEL (field 7): not in the table", "the window has 7 controls, the table 6"}},
      {"several at once",
       [](ExpectedWindow& t) {
         row(t, "?KIND").parent = 2;
         row(t, "?OK").text = "OK";
       },
       {"?KIND (field 4): parent is 3, expected 2", "?OK (field 6): text is \"&Ok\", expected \"OK\""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectedWindow table = form_table();
    c.change(table);
    const ::testing::AssertionResult result = window_structure_matches(*window_, table);
    EXPECT_FALSE(result);
    std::string expected = header;
    for (const std::string& line : c.findings) expected += "\n  " + line;
    EXPECT_EQ(result.message(), expected);
  }
}

// In a complete table, what a row leaves out the control must lack.
TEST_F(WindowStructure, ACompleteTableChecksWhatARowLeavesOut) {
  EXPECT_TRUE(window_structure_matches(*window_, complete_table()));
  struct Case {
    const char* what;
    std::function<void(ExpectedControl&)> leave_out;
    std::string finding;
  };
  const std::string header = "the structure of window Form$Window differs from the table:\n  ";
  const Case cases[] = {
      {"position", [](ExpectedControl& c) { c.at.reset(); },
       "?NAME (field 2): position is {40, 8, 80, 10}, expected {0, 0, 0, 0}"},
      {"tip", [](ExpectedControl& c) { c.tip.reset(); }, "?NAME (field 2): tip is \"The thing's name\", expected \"\""},
      {"message", [](ExpectedControl& c) { c.msg.reset(); },
       "?NAME (field 2): message is \"Enter the name\", expected \"\""},
      {"attributes", [](ExpectedControl& c) { c.attributes.reset(); },
       "?NAME (field 2): attributes is \"bound upper required\", expected \"\""},
      {"picture", [](ExpectedControl& c) { c.picture.reset(); }, "?NAME (field 2): picture is \"@s20\", expected \"\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectedWindow table = complete_table();
    c.leave_out(row(table, "?NAME"));
    const ::testing::AssertionResult result = window_structure_matches(*window_, table);
    EXPECT_FALSE(result);
    EXPECT_EQ(result.message(), header + c.finding);
    table.complete = false;
    EXPECT_TRUE(window_structure_matches(*window_, table)) << "checked only in a complete table";
  }
  ExpectedWindow table = complete_table();
  row(table, "?OK").icon.reset();
  row(table, "?KIND").format.reset();
  row(table, "?NOTE").parent.reset();
  EXPECT_EQ(window_structure_matches(*window_, table).message(),
            header + "?KIND (field 4): list format is \"" + kKindsFormat + "\", expected \"\"\n" +
                "  ?NOTE (field 5): parent is 3, expected 0\n" + "  ?OK (field 6): icon is \"OK.ICO\", expected \"\"");
}

TEST(WindowStructureWords, NameEveryAttributeInAFixedOrder) {
  EXPECT_EQ(test_support::attribute_words(ControlDef{}), "");
  ControlDef all{.kind = ControlKind::Spin,
                 .font = {"", 0, true},
                 .range_low = 1,
                 .range_high = 255,
                 .step = 5,
                 .hidden = true,
                 .disabled = true,
                 .required = true,
                 .read_only = true,
                 .upper = true,
                 .skip = true,
                 .is_default = true,
                 .req = true,
                 .std_cancel = true,
                 .flat = true,
                 .icon_left = true,
                 .transparent = true,
                 .tree = true,
                 .vscroll = true,
                 .hscroll = true,
                 .immediate = true,
                 .hot_key = 45};
  FixedString<4> v;
  all.use = VarRef::of(v);
  EXPECT_EQ(test_support::attribute_words(all),
            "bound bold upper read-only skip required req default cancel hidden disabled flat icon-left "
            "transparent tree vscroll hscroll immediate range 1-255 step 5 key 45");
}

TEST_F(WindowStructure, AMismatchIsReportedWhereTheCheckWasCalled) {
  ExpectedWindow table = form_table();
  row(table, "?NAME").kind = ControlKind::Text;
  ::testing::TestPartResultArray results;
  int line = 0;
  {
    ::testing::ScopedFakeTestPartResultReporter reporter(
        ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
    // The check reports the line it is called from: the line after this one.
    line = __LINE__ + 1;
    check_window_structure(*window_, table);
  }
  ASSERT_EQ(results.size(), 1);
  const ::testing::TestPartResult& failure = results.GetTestPartResult(0);
  EXPECT_TRUE(failure.nonfatally_failed());
  EXPECT_STREQ(failure.file_name(), __FILE__);
  EXPECT_EQ(failure.line_number(), line);
  EXPECT_NE(std::string(failure.message()).find("?NAME (field 2): kind is Entry, expected Text"), std::string::npos)
      << failure.message();
}

TEST(WindowStructureBuild, AControlThatDeclaresNoNumberFailsWhereTheTableGivesOne) {
  FixedString<20> name;
  WindowDef def = form(name);
  def.controls[4].id = 0;
  auto window = Window::create(def, nullptr);
  ASSERT_NE(window, nullptr);
  const ::testing::AssertionResult result = window_structure_matches(*window, complete_table());
  EXPECT_EQ(std::string(result.message()),
            "the structure of window Form$Window differs from the table:\n  ?NOTE (field 5): declares no field number");
  EXPECT_TRUE(window_structure_matches(*window, form_table())) << "a row without a number checks none";
}

TEST(WindowStructureBuild, AStructureTheWindowLayerRefusesFailsWithItsReason) {
  FixedString<20> name;
  WindowDef def = form(name);
  def.controls[3].parent = 9;
  std::unique_ptr<Window> window;
  EXPECT_NONFATAL_FAILURE(window = check_window_structure(def, form_table()),
                          "window Form$Window does not build: ?KIND: no container at field 9");
  EXPECT_EQ(window, nullptr);
}

}  // namespace
}  // namespace qvn::ui
