// The project form, run headless: a project's name and its list of
// applications, Add App through the picker, Remove App, the application
// form from the list, and what Cancel keeps.

#include "windows/update_projects.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "forms_fixture.h"
#include "support/headless.h"
#include "support/window_structure.h"
#include "windows/select_app.h"
#include "windows/update_apps.h"

namespace qvn::windows::testing {

namespace {

using namespace update_projects;
using ui::HeadlessUser;
using ui::WindowView;
using K = ui::ControlKind;
using test_support::check_window_structure;
using test_support::ExpectedWindow;

constexpr const char* kUpdated = "Project will be Updated";
constexpr const char* kNew = "New Project";
constexpr const char* kPicker = "Select Application";
constexpr int kList = BROWSE_2;
constexpr const char* kRemove = "Are you sure you want to remove this app from the project?";
constexpr const char* kSaveRecord = "Do you want to save the changes to this record?";

class UpdateProjectsTest : public FormsTest {
 protected:
  // Projects 1 (no applications), 3 and 5; the applications' source and
  // target files exist, so the application form saves them at once.
  void SetUp() override {
    FormsTest::SetUp();
    for (const char* name : {"PAYROLL", "LEDGER", "STOCK", "CASH", "LOOSE"}) {
      make_file(fs::path("dev") / name / (std::string(name) + ".APP"));
      make_file(fs::path("out") / (std::string(name) + ".EXE"));
    }
    payroll = {"PAYROLL.APP", folder("PAYROLL"), 5, 5, target("PAYROLL"), 1};
    ledger = {"LEDGER.APP", folder("LEDGER"), 1, 5, target("LEDGER"), 0};
    stock = {"STOCK.APP", folder("STOCK"), 3, 5, target("STOCK"), 0};
    cash = {"CASH.APP", folder("CASH"), 2, 3, target("CASH"), 1};
    loose = {"LOOSE.APP", folder("LOOSE"), 4, 0, target("LOOSE"), 0};
    seed_projects({{1, "Accounting"}, {3, "Payroll"}, {5, "Stock"}});
    seed_apps({payroll, ledger, stock, cash, loose});
  }

  std::string folder(const char* name) const { return folder_of(dir / "dev" / name); }
  std::string target(const char* name) const { return (dir / "out" / (std::string(name) + ".EXE")).string(); }

  static AppOnFile in(AppOnFile app, int project) {
    app.project = project;
    return app;
  }

  // Every application on file, by name and folder.
  std::vector<std::string> expected(const std::vector<AppOnFile>& apps) { return lines(apps); }

  // The applications the list shows, by name.
  static std::vector<std::string> listed(WindowView& w) {
    std::vector<std::string> out;
    for (const auto& row : w.list_rows(kList)) out.push_back(row[0] + " " + row[2]);
    return out;
  }

  // A project record on file changed as another program would.
  static void rename_elsewhere(int number, const char* name) {
    data::ProjectRecord record;
    storage::RecordFile other(data::ProjectsDef, &record);
    ASSERT_EQ(other.open(), 0) << error_text();
    record.P_REF = number;
    ASSERT_EQ(other.get(data::PRO_ProjectIDKey), 0) << error_text();
    record.PROJECTNAME = name;
    ASSERT_EQ(other.put(), 0) << error_text();
    other.close();
  }

  static void delete_elsewhere(const AppOnFile& app) {
    data::AppRecord record;
    storage::RecordFile other(data::AppsDef, &record);
    ASSERT_EQ(other.open(), 0) << error_text();
    record.APPLICATION = app.application;
    record.DRIVENPATH = app.folder;
    ASSERT_EQ(other.get(data::APP_DriveKey), 0) << error_text();
    ASSERT_EQ(other.erase(), 0) << error_text();
    other.close();
  }

  // A new project as the callers prime one: numbered and held on file.
  static void prime_project() { ASSERT_EQ(data::projects_file_manager->PrimeRecord(), 0) << error_text(); }

  AppOnFile payroll, ledger, stock, cash, loose;
};

// The form as laid out; its caption is the stored one, which the request replaces.
// clang-format off
const ExpectedWindow kLayout{
    .label = "P1$QUICKWINDOW",
    .caption = "Projects",
    .width = 311,
    .height = 238,
    .font = {"MS Sans Serif", 8, false},
    .controls = {
        {.field = CURRENTTAB, .kind = K::Sheet, .at = {{4, 4, 301, 214}}},
        {.field = TAB_1, .kind = K::Tab, .text = "General", .parent = CURRENTTAB},
        {.field = PRO_PROJECTNAME_PROMPT, .kind = K::Prompt,
         .text = "Project Name:", .at = {{8, 26}}, .attributes = "bold", .parent = TAB_1},
        {.field = PRO_PROJECTNAME, .kind = K::Entry, .at = {{64, 26, 204, 10}},
         .attributes = "bound required", .picture = "@s50", .parent = TAB_1},
        {.field = GROUP1, .kind = K::Group, .at = {{12, 46, 285, 164}}, .parent = TAB_1},
        {.field = STRING1, .kind = K::String, .text = "Project Applications:", .at = {{22, 49}},
         .attributes = "bold", .parent = GROUP1},
        {.field = BROWSE_2, .kind = K::List, .msg = "Browsing Records",
         .at = {{22, 60, 260, 128}}, .attributes = "vscroll immediate",
         .format = "26L(1)|M~Priority~C(0)@n3@113L|M~Drive & P ath~@s80@200L(1)|M~Application~@s50@",
         .parent = GROUP1},
        {.field = ADDAPPBUTTON, .kind = K::Button, .text = "&Add App",
         .tip = "Select an application for this project", .msg = "Add an application to the project",
         .at = {{126, 192, 45, 14}}, .attributes = "key 45", .parent = GROUP1},
        {.field = REMOVEAPPBUTTON, .kind = K::Button, .text = "&Remove App",
         .tip = "Remove app from project", .msg = "Remove app from project", .at = {{175, 192, 47, 14}},
         .attributes = "key 46", .parent = GROUP1},
        {.field = CHANGE_3, .kind = K::Button, .text = "Chan&ge", .at = {{226, 192, 45, 14}},
         .parent = GROUP1},
        {.field = OK, .kind = K::Button, .text = "&Ok", .at = {{175, 222, 45, 14}},
         .attributes = "default"},
        {.field = CANCEL, .kind = K::Button, .text = "&Cancel", .at = {{226, 222, 45, 14}}},
    },
    .complete = true};
// clang-format on

TEST_F(UpdateProjectsTest, TheWindowIsBuiltAsLaidOut) {
  HeadlessUser user;
  user.on_window(kUpdated, [&](WindowView& w) {
    const ui::WindowDef& def = w.window().def();
    EXPECT_TRUE(def.resizable);
    check_window_structure(w.window(), kLayout);
    EXPECT_TRUE(w.window().control(PRO_PROJECTNAME_PROMPT).font.bold);
    w.press(CANCEL);
  });
  make_current_project(5);
  EXPECT_EQ(run(UpdateProjects, Change), Cancelled);
}

// The list holds the project's applications by priority (5, 1, 3 show as
// 1, 3, 5); a changed name is stored by Ok.
TEST_F(UpdateProjectsTest, AChangeListsTheApplicationsAndStoresTheName) {
  HeadlessUser user;
  user.on_window(kUpdated, [&](WindowView& w) {
    EXPECT_EQ(w.text(PRO_PROJECTNAME), "Stock");
    EXPECT_TRUE(w.has_focus(PRO_PROJECTNAME)) << w.focus();
    EXPECT_EQ(listed(w), (std::vector<std::string>{"1 LEDGER.APP", "3 STOCK.APP", "5 PAYROLL.APP"}));
    w.type(PRO_PROJECTNAME, "Inventory");
  });
  user.then([&](WindowView& w) { w.press(OK); });
  make_current_project(5);
  EXPECT_EQ(run(UpdateProjects, Change), Completed);
  EXPECT_EQ(projects_on_file(),
            (std::vector<std::pair<int, std::string>>{{1, "Accounting"}, {3, "Payroll"}, {5, "Inventory"}}));
  EXPECT_EQ(apps_lines(), expected({cash, ledger, loose, payroll, stock}));
  EXPECT_TRUE(user.messages().empty());
}

// Adding an application of project 3 from project 5's form moves it, its
// whole record read again: its own target and tag stay, not the ones left
// in the buffer by the list's row.
TEST_F(UpdateProjectsTest, AddAppMovesAnApplicationFromAnotherProject) {
  HeadlessUser user;
  user.on_window(kUpdated, [&](WindowView& w) {
    w.select_row(kList, 1);
    w.press(ADDAPPBUTTON);
  });
  user.on_window(kPicker, [&](WindowView& w) {
    EXPECT_EQ(w.choice(select_app::BROWSE_1), 1) << "the picker opens at the top";
    EXPECT_EQ(w.list_rows(select_app::BROWSE_1)[0][2], "CASH.APP");
    w.press("&Add to Project");
  });
  user.on_window(kUpdated, [&](WindowView& w) {
    EXPECT_EQ(listed(w), (std::vector<std::string>{"1 LEDGER.APP", "2 CASH.APP", "3 STOCK.APP", "5 PAYROLL.APP"}));
    EXPECT_TRUE(w.has_focus(kList)) << w.focus();
    w.press(OK);
  });
  make_current_project(5);
  EXPECT_EQ(run(UpdateProjects, Change), Completed);
  EXPECT_EQ(apps_lines(), expected({in(cash, 5), ledger, loose, payroll, stock}));
  EXPECT_TRUE(user.messages().empty());

  user.on_window(kUpdated, [&](WindowView& w) {
    EXPECT_TRUE(w.list_rows(kList).empty()) << "project 3 no longer lists it";
    w.press(CANCEL);
  });
  make_current_project(3);
  EXPECT_EQ(run(UpdateProjects, Change), Cancelled);
}

// An application picked but deleted by another program before it could be
// read again is not stored, and nothing is said; so too when the picker is
// closed without a pick.
TEST_F(UpdateProjectsTest, AddAppStoresNothingWithoutAPickedRecord) {
  HeadlessUser user;
  user.on_window(kUpdated, [&](WindowView& w) { w.press(ADDAPPBUTTON); });
  user.on_window(kPicker, [&](WindowView& w) {
    delete_elsewhere(cash);
    w.select_row(select_app::BROWSE_1, 1);
  });
  user.on_window(kPicker, [&](WindowView& w) {
    EXPECT_EQ(w.list_rows(select_app::BROWSE_1)[0][2], "CASH.APP") << "still listed";
    w.press("&Add to Project");
  });
  user.on_window(kUpdated, [&](WindowView& w) {
    EXPECT_EQ(listed(w), (std::vector<std::string>{"1 LEDGER.APP", "3 STOCK.APP", "5 PAYROLL.APP"}));
    w.press(ADDAPPBUTTON);
  });
  user.on_window(kPicker, [&](WindowView& w) { w.press(select_app::CLOSE); });
  user.on_window(kUpdated, [&](WindowView& w) {
    EXPECT_EQ(listed(w), (std::vector<std::string>{"1 LEDGER.APP", "3 STOCK.APP", "5 PAYROLL.APP"}));
    w.press(OK);
  });
  make_current_project(5);
  EXPECT_EQ(run(UpdateProjects, Change), Completed);
  EXPECT_EQ(apps_lines(), expected({ledger, loose, payroll, stock}));
  EXPECT_TRUE(user.messages().empty());
}

// Remove App asks first (the stop icon, no default button); Yes detaches the
// application, which stays in the application list.
class UpdateProjectsRemove : public UpdateProjectsTest, public ::testing::WithParamInterface<int> {};

TEST_P(UpdateProjectsRemove, DetachesAfterTheQuestion) {
  const int answer = GetParam();
  HeadlessUser user;
  user.on_window(kUpdated, [&](WindowView& w) {
    w.select_row(kList, 2);
    w.press(REMOVEAPPBUTTON);
  });
  user.answer_message(kRemove, answer);
  user.on_window(kUpdated, [&](WindowView& w) {
    const std::vector<std::string> all = {"1 LEDGER.APP", "3 STOCK.APP", "5 PAYROLL.APP"};
    const std::vector<std::string> left = {"1 LEDGER.APP", "5 PAYROLL.APP"};
    EXPECT_EQ(listed(w), answer == ui::button::Yes ? left : all);
    EXPECT_TRUE(w.has_focus(kList)) << w.focus();
    w.press(OK);
  });
  make_current_project(5);
  EXPECT_EQ(run(UpdateProjects, Change), Completed);
  EXPECT_EQ(apps_lines(), expected({cash, ledger, loose, payroll, answer == ui::button::Yes ? in(stock, 0) : stock}));
  ASSERT_EQ(user.messages().size(), 1u);
  const ui::MessageBoxDef& box = user.messages()[0].box;
  EXPECT_EQ(box.caption, "Confirm");
  EXPECT_EQ(box.icon, ui::MessageIcon::Stop);
  EXPECT_EQ(box.buttons, ui::button::Yes | ui::button::No);
  EXPECT_EQ(box.default_button, 0);
}

INSTANTIATE_TEST_SUITE_P(Answers, UpdateProjectsRemove, ::testing::Values(ui::button::Yes, ui::button::No),
                         [](const auto& info) { return std::string(info.param == ui::button::Yes ? "yes" : "no"); });

// On an empty list the question is still asked; Yes then stores nothing
// and says nothing more.
TEST_F(UpdateProjectsTest, RemoveAppOnAnEmptyListStoresNothing) {
  HeadlessUser user;
  user.on_window(kUpdated, [&](WindowView& w) {
    EXPECT_TRUE(w.list_rows(kList).empty());
    w.press(REMOVEAPPBUTTON);
  });
  user.answer_message(kRemove, ui::button::Yes);
  user.on_window(kUpdated, [&](WindowView& w) { w.press(OK); });
  make_current_project(1);
  EXPECT_EQ(run(UpdateProjects, Change), Completed);
  EXPECT_EQ(user.messages().size(), 1u);
  EXPECT_EQ(apps_lines(), expected({cash, ledger, loose, payroll, stock}));
}

// The keys Insert and Delete press Add App and Remove App from anywhere in
// the window.
TEST_F(UpdateProjectsTest, TheKeysInsertAndDeletePressTheButtons) {
  HeadlessUser user;
  user.on_window(kUpdated, [&](WindowView& w) { w.press_key(kList, ui::key::Insert); });
  user.on_window(kPicker, [&](WindowView& w) { w.press(select_app::CLOSE); });
  user.on_window(kUpdated, [&](WindowView& w) { w.press_key(PRO_PROJECTNAME, ui::key::Delete); });
  user.answer_message(kRemove, ui::button::No);
  user.on_window(kUpdated, [&](WindowView& w) { w.press(CANCEL); });
  make_current_project(5);
  EXPECT_EQ(run(UpdateProjects, Change), Cancelled);
  EXPECT_EQ(apps_lines(), expected({cash, ledger, loose, payroll, stock}));
}

// Memberships are stored at once; Cancel after Add App and a change of the
// name asks "Save Record": No keeps the application in the project and drops
// the name, Yes stores the name too, Cancel goes back to the form.
struct SaveCase {
  const char* what;
  int answer;
  int response;
  const char* name;
};

class UpdateProjectsCancel : public UpdateProjectsTest, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(UpdateProjectsCancel, KeepsTheMembership) {
  const SaveCase& c = GetParam();
  HeadlessUser user;
  user.on_window(kUpdated, [&](WindowView& w) { w.press(ADDAPPBUTTON); });
  user.on_window(kPicker, [&](WindowView& w) {
    w.select_row(select_app::BROWSE_1, 3);
    w.press("&Add to Project");
  });
  user.on_window(kUpdated, [&](WindowView& w) { w.type(PRO_PROJECTNAME, "Renamed"); });
  user.then([&](WindowView& w) { w.press(CANCEL); });
  user.answer_message(kSaveRecord, c.answer);
  if (c.answer == ui::button::Cancel) {
    user.on_window(kUpdated, [&](WindowView& w) {
      EXPECT_TRUE(w.has_focus(PRO_PROJECTNAME)) << w.focus();
      w.press(OK);
    });
  }
  make_current_project(5);
  EXPECT_EQ(run(UpdateProjects, Change), c.response);
  EXPECT_EQ(projects_on_file(),
            (std::vector<std::pair<int, std::string>>{{1, "Accounting"}, {3, "Payroll"}, {5, c.name}}));
  EXPECT_EQ(apps_lines(), expected({cash, ledger, in(loose, 5), payroll, stock}));
}

INSTANTIATE_TEST_SUITE_P(Answers, UpdateProjectsCancel,
                         ::testing::Values(SaveCase{"no", ui::button::No, Cancelled, "Stock"},
                                           SaveCase{"yes", ui::button::Yes, Completed, "Renamed"},
                                           SaveCase{"cancel", ui::button::Cancel, Completed, "Renamed"}),
                         [](const auto& info) { return std::string(info.param.what); });

// Left without a save, the form gives the caller its project buffer back as
// it was; a save leaves the stored name in it.
TEST_P(UpdateProjectsCancel, LeavesTheBufferAsTheFormEnded) {
  const SaveCase& c = GetParam();
  HeadlessUser user;
  user.on_window(kUpdated, [&](WindowView& w) {
    w.type(PRO_PROJECTNAME, "Renamed");
    w.press(CANCEL);
  });
  user.answer_message(kSaveRecord, c.answer);
  if (c.answer == ui::button::Cancel) user.on_window(kUpdated, [&](WindowView& w) { w.press(OK); });
  make_current_project(5);
  EXPECT_EQ(run(UpdateProjects, Change), c.response);
  EXPECT_EQ(data::PRO.P_REF, 5);
  EXPECT_EQ(data::PRO.PROJECTNAME.str(), c.name);
}

// A new project keeps the number priming gave it (after 1, 3 and 5: 6);
// Ok with a blank name only takes the focus to the name.
TEST_F(UpdateProjectsTest, ANewProjectIsStoredUnderItsNumber) {
  HeadlessUser user;
  user.on_window(kNew, [&](WindowView& w) {
    EXPECT_EQ(w.text(PRO_PROJECTNAME), "");
    EXPECT_TRUE(w.list_rows(kList).empty());
    w.press(ADDAPPBUTTON);
  });
  user.on_window(kPicker, [&](WindowView& w) {
    w.select_row(select_app::BROWSE_1, 3);
    w.press("&Add to Project");
  });
  user.on_window(kNew, [&](WindowView& w) {
    EXPECT_EQ(listed(w), std::vector<std::string>{"4 LOOSE.APP"});
    w.press(OK);
  });
  user.on_window(kNew, [&](WindowView& w) {
    EXPECT_TRUE(w.has_focus(PRO_PROJECTNAME)) << w.focus();
    w.type(PRO_PROJECTNAME, "Tools");
  });
  user.then([&](WindowView& w) { w.press(OK); });
  prime_project();
  EXPECT_EQ(data::PRO.P_REF, 6);
  EXPECT_EQ(run(UpdateProjects, Insert), Completed);
  EXPECT_TRUE(user.messages().empty());
  EXPECT_EQ(projects_on_file(),
            (std::vector<std::pair<int, std::string>>{{1, "Accounting"}, {3, "Payroll"}, {5, "Stock"}, {6, "Tools"}}));
  EXPECT_EQ(apps_lines(), expected({cash, ledger, in(loose, 6), payroll, stock}));
}

TEST_F(UpdateProjectsTest, ANewProjectWithANameOnFileIsRefused) {
  HeadlessUser user;
  user.on_window(kNew, [&](WindowView& w) { w.type(PRO_PROJECTNAME, "Payroll"); });
  user.then([&](WindowView& w) { w.press(OK); });
  user.answer_message("Adding this record creates a duplicate entry for the key: PRO:ProjectNameKey", ui::button::Ok);
  user.on_window(kNew, [&](WindowView& w) {
    EXPECT_TRUE(w.has_focus(PRO_PROJECTNAME)) << w.focus();
    w.press(CANCEL);
  });
  user.answer_message(kSaveRecord, ui::button::No);
  prime_project();
  EXPECT_EQ(run(UpdateProjects, Insert), Cancelled);
  EXPECT_EQ(projects_on_file(),
            (std::vector<std::pair<int, std::string>>{{1, "Accounting"}, {3, "Payroll"}, {5, "Stock"}}));
  EXPECT_EQ(user.messages()[0].box.caption, "UpdateProjects: Duplicate Key Error");
}

// A change to a name another project has: "Record was not updated", then
// "Record Update Error"; No closes without storing.
TEST_F(UpdateProjectsTest, AChangeToANameOnFileIsNotStored) {
  HeadlessUser user;
  user.on_window(kUpdated, [&](WindowView& w) { w.type(PRO_PROJECTNAME, "Payroll"); });
  user.then([&](WindowView& w) { w.press(OK); });
  user.answer_any_message(ui::button::Ok);
  user.answer_message("An error was experienced changing this record. Do you want to try to save again?",
                      ui::button::No);
  make_current_project(5);
  EXPECT_EQ(run(UpdateProjects, Change), Cancelled);
  ASSERT_EQ(user.messages().size(), 2u);
  EXPECT_EQ(user.messages()[0].box.caption, "UpdateProjects: Record was not updated");
  EXPECT_EQ(projects_on_file(),
            (std::vector<std::pair<int, std::string>>{{1, "Accounting"}, {3, "Payroll"}, {5, "Stock"}}));
}

// A new project closed without saving is removed again, and the
// applications added to it meanwhile, one moved in from another project,
// stay on file, linked to no project; the next new project, which gets the
// same number, does not take them over.
class UpdateProjectsDropped : public UpdateProjectsTest, public ::testing::WithParamInterface<bool> {};

TEST_P(UpdateProjectsDropped, KeepsTheApplicationsAddedToIt) {
  const bool named = GetParam();
  HeadlessUser user;
  for (int row : {1, 3}) {
    user.on_window(kNew, [&](WindowView& w) { w.press(ADDAPPBUTTON); });
    user.on_window(kPicker, [&, row](WindowView& w) {
      w.select_row(select_app::BROWSE_1, row);
      w.press("&Add to Project");
    });
  }
  user.on_window(kNew, [&](WindowView& w) {
    EXPECT_EQ(listed(w), (std::vector<std::string>{"2 CASH.APP", "4 LOOSE.APP"}));
    if (named) w.type(PRO_PROJECTNAME, "Tools");
  });
  user.then([&](WindowView& w) { w.press(CANCEL); });
  if (named) user.answer_message(kSaveRecord, ui::button::No);
  prime_project();
  EXPECT_EQ(run(UpdateProjects, Insert), Cancelled);
  EXPECT_EQ(projects_on_file(),
            (std::vector<std::pair<int, std::string>>{{1, "Accounting"}, {3, "Payroll"}, {5, "Stock"}}));
  EXPECT_EQ(apps_lines(), expected({in(cash, 0), ledger, in(loose, 0), payroll, stock}));

  user.on_window(kNew, [&](WindowView& w) {
    EXPECT_TRUE(w.list_rows(kList).empty());
    w.press(CANCEL);
  });
  prime_project();
  EXPECT_EQ(data::PRO.P_REF, 6);
  EXPECT_EQ(run(UpdateProjects, Insert), Cancelled);
  EXPECT_EQ(apps_lines(), expected({in(cash, 0), ledger, in(loose, 0), payroll, stock}));
}

INSTANTIATE_TEST_SUITE_P(Names, UpdateProjectsDropped, ::testing::Bool(),
                         [](const auto& info) { return std::string(info.param ? "named" : "unnamed"); });

// A delete shows no window, only "Confirm Delete"; Yes removes the project
// and every application of it.
class UpdateProjectsDelete : public UpdateProjectsTest, public ::testing::WithParamInterface<bool> {};

TEST_P(UpdateProjectsDelete, CascadesAfterTheQuestion) {
  const bool yes = GetParam();
  HeadlessUser user;
  user.answer_message("Are you sure you want to delete the highlighted record?",
                      yes ? ui::button::Yes : ui::button::No);
  make_current_project(5);
  EXPECT_EQ(run(UpdateProjects, Delete), yes ? Completed : Cancelled);
  EXPECT_TRUE(user.windows_opened().empty());
  ASSERT_EQ(user.messages().size(), 1u);
  EXPECT_EQ(user.messages()[0].box.caption, "UpdateProjects: Confirm Delete");
  if (yes) {
    EXPECT_EQ(projects_on_file(), (std::vector<std::pair<int, std::string>>{{1, "Accounting"}, {3, "Payroll"}}));
    EXPECT_EQ(apps_lines(), expected({cash, loose}));
  } else {
    EXPECT_EQ(projects_on_file().size(), 3u);
    EXPECT_EQ(apps_lines(), expected({cash, ledger, loose, payroll, stock}));
  }
}

INSTANTIATE_TEST_SUITE_P(Answers, UpdateProjectsDelete, ::testing::Bool(),
                         [](const auto& info) { return std::string(info.param ? "yes" : "no"); });

// A view: Add App, Remove App and Change do nothing, Ok closes, the answer
// is cancelled and nothing is stored.
TEST_F(UpdateProjectsTest, AViewChangesNothing) {
  HeadlessUser user;
  user.on_window("View Record", [&](WindowView& w) {
    EXPECT_EQ(listed(w), (std::vector<std::string>{"1 LEDGER.APP", "3 STOCK.APP", "5 PAYROLL.APP"}));
    w.press(ADDAPPBUTTON);
    w.press(REMOVEAPPBUTTON);
    w.press(CHANGE_3);
    w.press_key(kList, ui::key::Insert);
    w.press_key(kList, ui::key::Delete);
  });
  user.on_window("View Record", [&](WindowView& w) { w.press(OK); });
  make_current_project(5);
  EXPECT_EQ(run(UpdateProjects, View), Cancelled);
  EXPECT_EQ(user.windows_opened().size(), 1u) << "no picker and no application form";
  EXPECT_TRUE(user.messages().empty());
  EXPECT_EQ(apps_lines(), expected({cash, ledger, loose, payroll, stock}));
}

// The list's change action runs the application form on the row's record,
// by double-click, the change button or the right-click menu; the list is
// read again afterwards in priority order.
TEST_F(UpdateProjectsTest, TheListChangesAnApplicationInItsForm) {
  HeadlessUser user;
  user.on_window(kUpdated, [&](WindowView& w) { w.accept_row(kList, 2); });
  user.on_window("Record will be Changed", [&](WindowView& w) {
    EXPECT_EQ(w.text(update_apps::APP_APPLICATION), "STOCK.APP");
    w.type(update_apps::APP_PRIORITY, "9");
  });
  user.then([&](WindowView& w) { w.press(update_apps::OK); });
  user.on_window(kUpdated, [&](WindowView& w) {
    EXPECT_EQ(listed(w), (std::vector<std::string>{"1 LEDGER.APP", "5 PAYROLL.APP", "9 STOCK.APP"}));
    w.right_click_row(kList, 1);
  });
  user.choose_popup("&Change");
  user.on_window("Record will be Changed", [&](WindowView& w) {
    EXPECT_EQ(w.text(update_apps::APP_APPLICATION), "LEDGER.APP");
    w.press(update_apps::CANCEL);
  });
  user.on_window(kUpdated, [&](WindowView& w) { w.press(CHANGE_3); });
  user.on_window("Record will be Changed", [&](WindowView& w) { w.press(update_apps::CANCEL); });
  user.on_window(kUpdated, [&](WindowView& w) { w.press(OK); });
  make_current_project(5);
  EXPECT_EQ(run(UpdateProjects, Change), Completed);
  EXPECT_EQ(user.popups(), std::vector<std::string>{"&Change"});
  AppOnFile changed = stock;
  changed.priority = 9;
  EXPECT_EQ(apps_lines(), expected({cash, ledger, loose, payroll, changed}));
}

// A project changed by another program since the form read it: the notice
// in the wording of a form with a history key, and the stored version shown.
TEST_F(UpdateProjectsTest, AProjectChangedElsewhereIsShownAsStored) {
  HeadlessUser user;
  user.on_window(kUpdated, [&](WindowView& w) {
    rename_elsewhere(5, "Elsewhere");
    w.type(PRO_PROJECTNAME, "Mine");
  });
  user.then([&](WindowView& w) { w.press(OK); });
  user.answer_message(
      "This record was changed by another station. Those changes will now be displayed. Use the Ditto Button or "
      "Ctrl+H to recall your changes.",
      ui::button::Ok);
  user.on_window(kUpdated, [&](WindowView& w) {
    EXPECT_EQ(w.text(PRO_PROJECTNAME), "Elsewhere");
    w.press(CANCEL);
  });
  user.answer_message(kSaveRecord, ui::button::No);
  make_current_project(5);
  EXPECT_EQ(run(UpdateProjects, Change), Cancelled);
  EXPECT_EQ(projects_on_file().back(), (std::pair<int, std::string>{5, "Elsewhere"}));
}

// Ctrl+' in the name puts back the name the project had at the last Ok on
// this thread.
TEST_F(UpdateProjectsTest, TheHistoryKeyPutsBackTheNameOfTheLastOk) {
  HeadlessUser user;
  user.on_window(kUpdated, [&](WindowView& w) { w.type(PRO_PROJECTNAME, "Wages"); });
  user.then([&](WindowView& w) { w.press(OK); });
  make_current_project(3);
  EXPECT_EQ(run(UpdateProjects, Change), Completed);

  user.on_window(kUpdated, [&](WindowView& w) { w.type(PRO_PROJECTNAME, "Typed"); });
  user.then([&](WindowView& w) { w.press_key(PRO_PROJECTNAME, ui::key::CtrlApostrophe); });
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text(PRO_PROJECTNAME), "Wages");
    w.press(CANCEL);
  });
  user.answer_message(kSaveRecord, ui::button::No);
  make_current_project(5);
  EXPECT_EQ(run(UpdateProjects, Change), Cancelled);
  EXPECT_EQ(projects_on_file().back(), (std::pair<int, std::string>{5, "Stock"}));
}

// On a thread where no Ok was pressed yet the history is blank.
TEST_F(UpdateProjectsTest, TheHistoryIsBlankBeforeTheFirstOkOfAThread) {
  std::string shown = "not run";
  std::thread other([&] {
    data::dct_init();
    {
      HeadlessUser user;
      user.on_window(kUpdated, [&](WindowView& w) { w.press_key(PRO_PROJECTNAME, ui::key::CtrlApostrophe); });
      user.then([&](WindowView& w) {
        shown = w.text(PRO_PROJECTNAME);
        w.press(CANCEL);
      });
      user.answer_message(kSaveRecord, ui::button::No);
      make_current_project(5);
      run(UpdateProjects, Change);
    }
    data::dct_kill();
  });
  other.join();
  EXPECT_EQ(shown, "");
  EXPECT_EQ(projects_on_file().back(), (std::pair<int, std::string>{5, "Stock"}));
}

}  // namespace

}  // namespace qvn::windows::testing
