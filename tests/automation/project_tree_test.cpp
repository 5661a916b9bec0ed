// The project tree on the main window's "Projects" tab: its lines, expand
// and contract, Expand All and Contract All, the rebuild when the window
// gains the focus, and what another program's changes do to it.

#include <gtest/gtest.h>

#include <fstream>
#include <ostream>

#include "main_window_fixture.h"
#include "other_program.h"

namespace qvn::automation::testing {

namespace {

using ui::HeadlessUser;
using ui::WindowView;

// One line of ?RELTREE as drawn: text, icon and signed level.
struct Line {
  std::string text;
  int icon = 0;
  int level = 0;
  bool operator==(const Line&) const = default;
};

void PrintTo(const Line& line, std::ostream* out) {
  *out << "{" << line.text << ", icon " << line.icon << ", level " << line.level << "}";
}

const Line kRoot{"PROJECTS", 2, 0};

Line collapsed(const char* project) { return {project, 2, -1}; }
Line childless(const char* project) { return {project, 2, 1}; }
Line expanded(const char* project) { return {project, 1, 1}; }
Line app(const char* application) { return {application, 3, 2}; }

std::vector<Line> tree(WindowView& w) {
  std::vector<Line> lines;
  for (const auto& row : w.list_cells(RELTREE)) lines.push_back({row[0].text, row[0].icon, row[0].level});
  return lines;
}

void gain_focus(WindowView& w) { w.window().post(ui::Event::GainFocus); }

// Four projects, in name order Accounting, Empty, Payroll, Warehouse; one
// application without a project and one whose project does not exist.
const std::vector<std::pair<int, std::string>> kProjects = {
    {1, "Accounting"}, {2, "Warehouse"}, {3, "Payroll"}, {4, "Empty"}};
const std::vector<AppOnFile> kApps = {
    {.application = "LEDGER.APP", .priority = 1, .project = 1},
    {.application = "JOURNAL.APP", .priority = 2, .project = 1},
    {.application = "STOCK.APP", .priority = 1, .project = 2},
    {.application = "PAYROLL.APP", .priority = 2, .project = 3},
    {.application = "REPORTS.APP", .priority = 5, .project = 0},
    {.application = "ORPHAN.APP", .priority = 6, .project = 9},
};

const std::vector<Line> kAllCollapsed = {kRoot, collapsed("Accounting"), childless("Empty"), collapsed("Payroll"),
                                         collapsed("Warehouse")};
const std::vector<Line> kAllExpanded = {kRoot,
                                        expanded("Accounting"),
                                        app("LEDGER.APP"),
                                        app("JOURNAL.APP"),
                                        expanded("Empty"),
                                        expanded("Payroll"),
                                        app("PAYROLL.APP"),
                                        expanded("Warehouse"),
                                        app("STOCK.APP")};

TEST_F(MainWindowTest, WithNoProjectTheTreeHoldsOnlyItsRoot) {
  seed(kApps);
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_EQ(tree(w), std::vector<Line>{kRoot});
    w.choose_tab(TAB2);
  });
  user.then([&](WindowView& w) { w.press("&Expand All"); });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tree(w), std::vector<Line>{kRoot});
    w.press(BUTTON7);
  });
  Main();
  EXPECT_TRUE(user.messages().empty());
}

TEST_F(MainWindowTest, TheTreeOpensWithEveryProjectCollapsedAndItsRootSelected) {
  seed(kApps, kProjects);
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_EQ(tree(w), kAllCollapsed) << "an application without a project is never shown";
    EXPECT_EQ(w.choice(RELTREE), 1);
    for (const auto& row : w.list_cells(RELTREE)) {
      EXPECT_EQ(row[0].fg, -1);
      EXPECT_EQ(row[0].bg, -1);
      EXPECT_EQ(row[0].sel_fg, -1);
      EXPECT_EQ(row[0].sel_bg, -1);
    }
    w.press(BUTTON7);
  });
  Main();
  EXPECT_TRUE(user.messages().empty());
  // The projects were read from the data folder, once the names carried it.
  EXPECT_FALSE(fs::exists(fs::current_path() / "PROJECTS.TPS"));
  EXPECT_FALSE(data::Projects.is_open());
}

TEST_F(MainWindowTest, ExpandingAndContractingAProjectTouchesOnlyItsOwnLines) {
  seed(kApps, kProjects);
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) { w.choose_tab(TAB2); });
  user.then([&](WindowView& w) { w.expand(RELTREE, 2); });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tree(w), (std::vector<Line>{kRoot, expanded("Accounting"), app("LEDGER.APP"), app("JOURNAL.APP"),
                                          childless("Empty"), collapsed("Payroll"), collapsed("Warehouse")}));
    w.expand(RELTREE, 6);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tree(w),
              (std::vector<Line>{kRoot, expanded("Accounting"), app("LEDGER.APP"), app("JOURNAL.APP"),
                                 childless("Empty"), expanded("Payroll"), app("PAYROLL.APP"), collapsed("Warehouse")}));
    w.expand(RELTREE, 6);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tree(w).size(), 8u) << "expanding an expanded project adds nothing";
    w.contract(RELTREE, 2);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tree(w), (std::vector<Line>{kRoot, collapsed("Accounting"), childless("Empty"), expanded("Payroll"),
                                          app("PAYROLL.APP"), collapsed("Warehouse")}));
    w.contract(RELTREE, 2);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tree(w).size(), 6u) << "contracting a collapsed project removes nothing";
    w.press(BUTTON7);
  });
  Main();
  EXPECT_TRUE(user.messages().empty());
}

TEST_F(MainWindowTest, AProjectWithoutApplicationsOpensEmptyAndClosesCollapsed) {
  seed(kApps, kProjects);
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) { w.choose_tab(TAB2); });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tree(w)[2], childless("Empty")) << "no expand control";
    w.expand(RELTREE, 3);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tree(w), (std::vector<Line>{kRoot, collapsed("Accounting"), expanded("Empty"), collapsed("Payroll"),
                                          collapsed("Warehouse")}));
    w.contract(RELTREE, 3);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tree(w)[2], collapsed("Empty"));
    EXPECT_EQ(tree(w).size(), 5u);
    w.press(BUTTON7);
  });
  Main();
}

TEST_F(MainWindowTest, ExpandAllAndContractAllLastThroughARebuild) {
  seed(kApps, kProjects);
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) { w.choose_tab(TAB2); });
  user.then([&](WindowView& w) { w.select_row(RELTREE, 3); });
  user.then([&](WindowView& w) { w.press("&Expand All"); });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tree(w), kAllExpanded);
    EXPECT_TRUE(w.has_focus(RELTREE));
    EXPECT_EQ(w.window().state(RELTREE).mouse_row, 3) << "the action row is the selected row";
    gain_focus(w);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tree(w), kAllExpanded);
    w.press("Co&ntract All");
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tree(w), kAllCollapsed);
    EXPECT_TRUE(w.has_focus(RELTREE));
    gain_focus(w);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tree(w), kAllCollapsed);
    w.press(BUTTON7);
  });
  Main();
  EXPECT_TRUE(user.messages().empty());
}

TEST_F(MainWindowTest, ARebuildKeepsTheExpandedProjectAndReselectsTheSelectedLine) {
  seed(kApps, kProjects);
  OtherProgram other;
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) { w.choose_tab(TAB2); });
  user.then([&](WindowView& w) { w.expand(RELTREE, 2); });
  user.then([&](WindowView& w) { w.select_row(RELTREE, 6); });
  user.then([&](WindowView& w) {
    ASSERT_EQ(tree(w)[5], collapsed("Payroll"));
    w.window().select(EXPAND);
    // Another program adds an application above the selected line and a project.
    other.add_app("CASH.APP", 1);
    other.add_project(5, "Budget");
    gain_focus(w);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tree(w), (std::vector<Line>{kRoot, expanded("Accounting"), app("LEDGER.APP"), app("JOURNAL.APP"),
                                          app("CASH.APP"), childless("Budget"), childless("Empty"),
                                          collapsed("Payroll"), collapsed("Warehouse")}));
    EXPECT_EQ(w.choice(RELTREE), 8) << "Payroll, where it is now";
    EXPECT_TRUE(w.has_focus(RELTREE));
    w.select_row(RELTREE, 1);
  });
  user.then([&](WindowView& w) {
    other.add_project(6, "Zoo");
    w.choose_tab(TAB1);
  });
  user.then([&](WindowView& w) { gain_focus(w); });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tree(w).back(), childless("Zoo")) << "rebuilt";
    EXPECT_EQ(w.choice(RELTREE), 1) << "with the root remembered nothing is selected";
    EXPECT_FALSE(w.has_focus(RELTREE));
    w.press(BUTTON7);
  });
  Main();
  EXPECT_TRUE(user.messages().empty());
}

TEST_F(MainWindowTest, ARenamedProjectMovesToItsPlaceAndComesBackCollapsed) {
  seed(kApps, kProjects);
  OtherProgram other;
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) { w.choose_tab(TAB2); });
  user.then([&](WindowView& w) { w.expand(RELTREE, 2); });
  user.then([&](WindowView& w) {
    other.rename_project(1, "Sales");
    gain_focus(w);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tree(w), (std::vector<Line>{kRoot, childless("Empty"), collapsed("Payroll"), collapsed("Sales"),
                                          collapsed("Warehouse")}));
    w.press(BUTTON7);
  });
  Main();
}

// A line whose record another program renamed or deleted after the tree
// was loaded: expanding or contracting it changes nothing of it and
// rebuilds the tree from the files as they are.
struct StaleLineCase {
  const char* name;
  bool rename;    // else delete
  bool contract;  // expanded first, then contracted; else expanded
  std::vector<Line> after;
};

TEST_F(MainWindowTest, AStaleProjectLineRebuildsTheTreeInsteadOfShowingAnotherProject) {
  const std::vector<StaleLineCase> cases = {
      {"renamed, then expanded",
       true,
       false,
       {kRoot, childless("Empty"), collapsed("Payroll"), collapsed("Sales"), collapsed("Warehouse")}},
      {"renamed, then contracted",
       true,
       true,
       {kRoot, childless("Empty"), collapsed("Payroll"), collapsed("Sales"), collapsed("Warehouse")}},
      {"deleted, then expanded",
       false,
       false,
       {kRoot, childless("Empty"), collapsed("Payroll"), collapsed("Warehouse")}},
      {"deleted, then contracted",
       false,
       true,
       {kRoot, childless("Empty"), collapsed("Payroll"), collapsed("Warehouse")}},
  };
  for (const StaleLineCase& c : cases) {
    SCOPED_TRACE(c.name);
    seed(kApps, kProjects);
    OtherProgram other;
    HeadlessUser user;
    user.on_window(kCaption, [&](WindowView& w) { w.choose_tab(TAB2); });
    if (c.contract) user.then([&](WindowView& w) { w.expand(RELTREE, 2); });
    user.then([&](WindowView& w) {
      // The last project read is Warehouse: the buffers hold it.
      if (c.rename) {
        other.rename_project(1, "Sales");
      } else {
        other.delete_project(1);
      }
      if (c.contract) {
        w.contract(RELTREE, 2);
      } else {
        w.expand(RELTREE, 2);
      }
    });
    user.then([&](WindowView& w) {
      EXPECT_EQ(tree(w), c.after);
      w.press(BUTTON7);
    });
    Main();
    EXPECT_TRUE(user.messages().empty());
    EXPECT_TRUE(halts.empty());
    bare_names();
  }
}

// The tree reads projects and applications into the shared record buffers;
// the subset list, ranged by the project buffer, keeps showing the project
// highlighted in ?LIST:2.
TEST_F(MainWindowTest, TheTreeLeavesTheSubsetListOnTheHighlightedProject) {
  seed(kApps, kProjects);
  HeadlessUser user;
  const std::vector<std::string> payroll = {"PAYROLL.APP"};
  user.on_window(kCaption, [&](WindowView& w) { w.choose_tab(TAB2); });
  user.then([&](WindowView& w) { w.press("&Expand All"); });
  user.then([&](WindowView& w) { w.choose_tab(TAB4); });
  user.then([&](WindowView& w) {
    ASSERT_EQ(column(w, LIST_2, 1), (std::vector<std::string>{"Accounting", "Empty", "Payroll", "Warehouse"}));
    w.select_row(LIST_2, 3);
  });
  user.then([&](WindowView& w) {
    ASSERT_EQ(column(w, LIST_3, 3), payroll);
    gain_focus(w);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(column(w, LIST_3, 3), payroll) << "after the rebuild";
    EXPECT_EQ(w.choice(LIST_2), 3);
    w.choose_tab(TAB2);
  });
  user.then([&](WindowView& w) { w.contract(RELTREE, 8); });
  user.then([&](WindowView& w) { w.expand(RELTREE, 8); });
  user.then([&](WindowView& w) {
    ASSERT_EQ(tree(w).back(), app("STOCK.APP"));
    w.choose_tab(TAB4);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(column(w, LIST_3, 3), payroll) << "after Warehouse was expanded";
    w.press(BUTTON7);
  });
  Main();
  EXPECT_TRUE(user.messages().empty());
}

// A read that fails has been reported by the file manager; the tree then
// closes the window. The script has no step after the message, so a window
// that waited for the user again would fail the test.
TEST_F(MainWindowTest, AFailedReadOfTheProjectsClosesTheWindow) {
  seed(kApps, kProjects);
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) {
    // The projects file is damaged under the program's feet.
    std::fstream file(data_dir / "PROJECTS.TPS", std::ios::in | std::ios::out | std::ios::binary);
    const std::string garbage(100, 'x');
    file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
    file.close();
    gain_focus(w);
  });
  user.answer_any_message(ui::button::Ok);
  Main();
  ASSERT_EQ(user.messages().size(), 1u);
  EXPECT_EQ(user.messages()[0].box.caption, "Main: Record Retrieval Error");
  EXPECT_EQ(user.steps_left(), 0u);
}

}  // namespace

}  // namespace qvn::automation::testing
