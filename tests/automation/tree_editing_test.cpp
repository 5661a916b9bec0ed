// Editing through the project tree, with stand-in forms that record what
// they were handed: which form, the request, and the record in its buffer.
// The buttons, the keys and the right-click menu reach the same routines;
// a line whose record another program renamed or deleted opens no form.

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "main_window_fixture.h"
#include "other_program.h"

namespace qvn::automation::testing {

namespace {

using framework::request::Change;
using framework::request::Delete;
using framework::request::Insert;
using ui::HeadlessUser;
using ui::WindowView;

constexpr const char* kTreeMenu = "&Insert|Chan&ge|&Delete|-|&Expand All|Co&ntract All";

// What a form found when it was called.
struct FormCall {
  std::string form;
  int request = 0;
  int number = 0;        // PRO:P_REF or APP:P_REF
  std::string name;      // PRO:PROJECTNAME or APP:APPLICATION
  bool current = false;  // the file has a current record
  bool operator==(const FormCall&) const = default;
};

void PrintTo(const FormCall& c, std::ostream* out) {
  *out << "{" << c.form << ", request " << c.request << ", " << c.number << ", \"" << c.name << "\", "
       << (c.current ? "current" : "none current") << "}";
}

// Both update procedures, recording each call and answering cancelled.
class RecordingForms {
 public:
  RecordingForms() {
    main_calls().UpdateProjects = [this] {
      calls.push_back({"UpdateProjects", framework::GlobalRequest, data::PRO.P_REF, data::PRO.PROJECTNAME.str(),
                       data::Projects.pointer() != 0});
      framework::GlobalRequest = framework::request::None;
      framework::GlobalResponse = framework::response::Cancelled;
    };
    main_calls().UpdateApps = [this] {
      calls.push_back({"UpdateApps", framework::GlobalRequest, data::APP.P_REF, data::APP.APPLICATION.str(),
                       data::Apps.pointer() != 0});
      framework::GlobalRequest = framework::request::None;
      framework::GlobalResponse = framework::response::Cancelled;
    };
  }
  std::vector<FormCall> calls;
};

std::vector<std::string> tree_texts(WindowView& w) {
  std::vector<std::string> texts;
  for (const auto& row : w.list_cells(RELTREE)) texts.push_back(row[0].text);
  return texts;
}

// In name order Accounting (1), Empty (4), Payroll (3), Warehouse (2).
const std::vector<std::pair<int, std::string>> kProjects = {
    {1, "Accounting"}, {2, "Warehouse"}, {3, "Payroll"}, {4, "Empty"}};
const std::vector<AppOnFile> kApps = {
    {.application = "LEDGER.APP", .priority = 1, .project = 1},
    {.application = "JOURNAL.APP", .priority = 2, .project = 1},
    {.application = "STOCK.APP", .priority = 1, .project = 2},
    {.application = "PAYROLL.APP", .priority = 2, .project = 3},
};

// The rows after Expand All.
const std::vector<std::string> kExpanded = {"PROJECTS", "Accounting",  "LEDGER.APP", "JOURNAL.APP", "Empty",
                                            "Payroll",  "PAYROLL.APP", "Warehouse",  "STOCK.APP"};

struct ButtonCase {
  int button;
  int row;
  std::optional<FormCall> call;
};

TEST_F(MainWindowTest, TheTreeButtonsHandTheLinesRecordToItsForm) {
  const std::vector<ButtonCase> cases = {
      {INSERT_2, 1, FormCall{"UpdateProjects", Insert, 5, "", true}},
      {INSERT_2, 2, FormCall{"UpdateApps", Insert, 1, "", false}},
      {INSERT_2, 4, FormCall{"UpdateApps", Insert, 1, "", false}},
      {INSERT_2, 5, FormCall{"UpdateApps", Insert, 4, "", false}},
      {INSERT_2, 9, FormCall{"UpdateApps", Insert, 2, "", false}},
      {CHANGE_2, 6, FormCall{"UpdateProjects", Change, 3, "Payroll", true}},
      {CHANGE_2, 4, FormCall{"UpdateApps", Change, 1, "JOURNAL.APP", true}},
      {DELETE_2, 8, FormCall{"UpdateProjects", Delete, 2, "Warehouse", true}},
      {DELETE_2, 7, FormCall{"UpdateApps", Delete, 3, "PAYROLL.APP", true}},
      {CHANGE_2, 1, std::nullopt},
      {DELETE_2, 1, std::nullopt},
  };
  for (const ButtonCase& c : cases) {
    SCOPED_TRACE("control " + std::to_string(c.button) + " on row " + std::to_string(c.row));
    seed(kApps, kProjects);
    RecordingForms forms;
    HeadlessUser user;
    user.on_window(kCaption, [&](WindowView& w) { w.choose_tab(TAB2); });
    user.then([&](WindowView& w) { w.press("&Expand All"); });
    user.then([&](WindowView& w) {
      ASSERT_EQ(tree_texts(w), kExpanded);
      w.select_row(RELTREE, c.row);
      w.window().select(EXPAND);
    });
    user.then([&](WindowView& w) { w.press(c.button); });
    user.then([&](WindowView& w) {
      EXPECT_TRUE(w.has_focus(RELTREE));
      EXPECT_EQ(tree_texts(w), kExpanded) << "a cancelled form leaves the tree as it was";
      EXPECT_EQ(framework::GlobalRequest, framework::request::None);
      w.press(BUTTON7);
    });
    Main();
    if (c.call) {
      EXPECT_EQ(forms.calls, std::vector<FormCall>{*c.call});
    } else {
      EXPECT_TRUE(forms.calls.empty());
    }
    EXPECT_TRUE(user.messages().empty());
    bare_names();
  }
}

// The keys and the menu of the tree act on the line under the mouse or
// the selected line, as the buttons do.
struct TriggerCase {
  const char* name;
  int row;
  bool double_click;  // else a right click, answered by `item`
  std::string item;   // "" dismisses the menu
  std::optional<FormCall> call;
};

TEST_F(MainWindowTest, DoubleClickAndTheRightClickMenuRunTheSameEdits) {
  const FormCall change_payroll{"UpdateProjects", Change, 3, "Payroll", true};
  const std::vector<TriggerCase> cases = {
      {"double-click", 6, true, "", change_payroll},
      {"double-click on an application", 3, true, "", FormCall{"UpdateApps", Change, 1, "LEDGER.APP", true}},
      {"double-click on the root", 1, true, "", std::nullopt},
      {"menu Insert", 6, false, "&Insert", FormCall{"UpdateApps", Insert, 3, "", false}},
      {"menu Change", 6, false, "Chan&ge", change_payroll},
      {"menu Delete", 6, false, "&Delete", FormCall{"UpdateProjects", Delete, 3, "Payroll", true}},
      {"menu Insert on the root", 1, false, "&Insert", FormCall{"UpdateProjects", Insert, 5, "", true}},
      {"menu Change on the root", 1, false, "Chan&ge", std::nullopt},
      {"menu dismissed", 6, false, "", std::nullopt},
  };
  for (const TriggerCase& c : cases) {
    SCOPED_TRACE(c.name);
    seed(kApps, kProjects);
    RecordingForms forms;
    HeadlessUser user;
    user.on_window(kCaption, [&](WindowView& w) { w.choose_tab(TAB2); });
    user.then([&](WindowView& w) { w.press("&Expand All"); });
    user.then([&](WindowView& w) {
      if (c.double_click) {
        w.accept_row(RELTREE, c.row);
      } else {
        w.right_click_row(RELTREE, c.row);
      }
    });
    if (!c.double_click) user.choose_popup(c.item);
    user.then([&](WindowView& w) {
      EXPECT_EQ(w.choice(RELTREE), c.row) << "the click selected the line";
      w.press(BUTTON7);
    });
    Main();
    if (c.call) {
      EXPECT_EQ(forms.calls, std::vector<FormCall>{*c.call});
    } else {
      EXPECT_TRUE(forms.calls.empty());
    }
    EXPECT_EQ(user.popups(), c.double_click ? std::vector<std::string>{} : std::vector<std::string>{kTreeMenu});
    bare_names();
  }
}

TEST_F(MainWindowTest, ArrowKeysAndTheMenuExpandAndContractTheTree) {
  seed(kApps, kProjects);
  RecordingForms forms;
  const std::vector<std::string> collapsed = {"PROJECTS", "Accounting", "Empty", "Payroll", "Warehouse"};
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) { w.choose_tab(TAB2); });
  user.then([&](WindowView& w) { w.select_row(RELTREE, 4); });
  user.then([&](WindowView& w) { w.press_key(RELTREE, ui::key::Right); });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tree_texts(w),
              (std::vector<std::string>{"PROJECTS", "Accounting", "Empty", "Payroll", "PAYROLL.APP", "Warehouse"}));
    w.press_key(RELTREE, ui::key::Left);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tree_texts(w), collapsed);
    w.right_click_row(RELTREE, 2);
  });
  user.choose_popup("&Expand All");
  user.then([&](WindowView& w) {
    EXPECT_EQ(tree_texts(w), kExpanded);
    w.right_click_row(RELTREE, 3);
  });
  user.choose_popup("Co&ntract All");
  user.then([&](WindowView& w) {
    EXPECT_EQ(tree_texts(w), collapsed);
    w.press(BUTTON7);
  });
  Main();
  EXPECT_TRUE(forms.calls.empty());
  EXPECT_EQ(user.popups().size(), 2u);
}

// A line whose record another program renamed or deleted after the tree
// was loaded: no form runs on whatever record happens to be current, and
// the tree is rebuilt from the files as they are.
struct StaleCase {
  const char* name;
  std::function<void(OtherProgram&)> change;
  int button;
  int row;
  std::vector<std::string> after;
};

TEST_F(MainWindowTest, AStaleTreeLineOpensNoFormAndRebuildsTheTree) {
  // The renamed project has a new position, so it comes back collapsed.
  const std::vector<std::string> renamed = {"PROJECTS", "Empty",     "Payroll",  "PAYROLL.APP",
                                            "Sales",    "Warehouse", "STOCK.APP"};
  const std::vector<std::string> deleted = {"PROJECTS", "Empty", "Payroll", "PAYROLL.APP", "Warehouse", "STOCK.APP"};
  const auto rename = [](OtherProgram& other) { other.rename_project(1, "Sales"); };
  const auto erase = [](OtherProgram& other) { other.delete_project(1); };
  const auto erase_app = [](OtherProgram& other) { other.delete_app("JOURNAL.APP"); };
  const std::vector<std::string> app_gone = {"PROJECTS", "Accounting",  "LEDGER.APP", "Empty",
                                             "Payroll",  "PAYROLL.APP", "Warehouse",  "STOCK.APP"};
  const std::vector<StaleCase> cases = {
      {"change of a renamed project", rename, CHANGE_2, 2, renamed},
      {"delete of a renamed project", rename, DELETE_2, 2, renamed},
      {"insert on a renamed project", rename, INSERT_2, 2, renamed},
      {"insert on an application of a renamed project", rename, INSERT_2, 4, renamed},
      {"change of a deleted project", erase, CHANGE_2, 2, deleted},
      {"delete of a deleted project", erase, DELETE_2, 2, deleted},
      {"change of a deleted application", erase_app, CHANGE_2, 4, app_gone},
      {"delete of a deleted application", erase_app, DELETE_2, 4, app_gone},
  };
  for (const StaleCase& c : cases) {
    SCOPED_TRACE(c.name);
    seed(kApps, kProjects);
    RecordingForms forms;
    OtherProgram other;
    HeadlessUser user;
    user.on_window(kCaption, [&](WindowView& w) { w.choose_tab(TAB2); });
    user.then([&](WindowView& w) { w.press("&Expand All"); });
    user.then([&](WindowView& w) {
      ASSERT_EQ(tree_texts(w), kExpanded);
      w.select_row(RELTREE, c.row);
      c.change(other);
    });
    user.then([&](WindowView& w) { w.press(c.button); });
    user.then([&](WindowView& w) {
      EXPECT_EQ(tree_texts(w), c.after);
      w.press(BUTTON7);
    });
    Main();
    EXPECT_TRUE(forms.calls.empty());
    EXPECT_TRUE(user.messages().empty());
    EXPECT_TRUE(halts.empty());
    bare_names();
  }
}

// A new project whose number cannot be reserved gets no form.
TEST_F(MainWindowTest, InsertOnTheRootOpensNoFormWhenTheNumberCannotBeReserved) {
  seed(kApps, kProjects);
  RecordingForms forms;
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) {
    w.choose_tab(TAB2);
    // From now on every add to the projects file is refused.
    data::Projects.close();
    ASSERT_EQ(data::Projects.open(storage::kReadOnly | storage::kDenyNone), 0) << error_text();
  });
  user.then([&](WindowView& w) { w.press(INSERT_2); });
  user.answer_any_message(ui::button::Ok);
  user.then([&](WindowView& w) { w.press(BUTTON7); });
  Main();
  EXPECT_TRUE(forms.calls.empty());
  ASSERT_EQ(user.messages().size(), 1u);
  EXPECT_EQ(user.messages()[0].box.caption, "Main: Record Insert Error");
  EXPECT_TRUE(halts.empty());
}

// A completed edit through the tree leaves the record buffers as they
// were: the subset list, ranged by the project buffer, stays on the project
// highlighted in ?LIST:2 while the window regains the focus.
TEST_F(MainWindowTest, AnEditThroughTheTreeLeavesTheSubsetListOnItsProject) {
  seed(kApps, kProjects);
  main_calls().UpdateProjects = [] {
    framework::GlobalRequest = framework::request::None;
    framework::GlobalResponse = framework::response::Completed;
  };
  const std::vector<std::string> payroll = {"PAYROLL.APP"};
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) { w.choose_tab(TAB4); });
  user.then([&](WindowView& w) { w.select_row(LIST_2, 3); });
  user.then([&](WindowView& w) {
    ASSERT_EQ(column(w, LIST_3, 3), payroll);
    w.choose_tab(TAB2);
  });
  user.then([&](WindowView& w) { w.select_row(RELTREE, 2); });
  user.then([&](WindowView& w) { w.press(CHANGE_2); });
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.choice(RELTREE), 2) << "the changed project's line";
    w.window().post(ui::Event::GainFocus);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(column(w, LIST_3, 3), payroll);
    w.press(BUTTON7);
  });
  Main();
  EXPECT_TRUE(user.messages().empty());
}

}  // namespace

}  // namespace qvn::automation::testing
