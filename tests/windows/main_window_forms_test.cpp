// The record forms as the program runs them: the main window, headless,
// with the forms registered as its update procedures 1 and 2, over a data
// folder named by its settings file and an environment that answers.

#ifdef QVN_TEST_WITH_MAIN

#include <gtest/gtest.h>

#include <algorithm>

#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "automation/conversation.h"
#include "automation/main_window.h"
#include "data/settings_file.h"
#include "forms_fixture.h"
#include "platform/core/std_datetime.h"
#include "platform/dde/dde_server.h"
#include "platform/storage/record_file.h"
#include "support/automation_state.h"
#include "support/environment.h"
#include "support/file_text.h"
#include "support/headless.h"
#include "windows/get_config.h"
#include "windows/print_log.h"
#include "windows/update_apps.h"
#include "windows/update_projects.h"
#include "windows/view_events.h"

#ifdef QVN_DEMO_FOLDER
#include "support/demo_data.h"
#endif

namespace qvn::windows::testing {

namespace {

using ui::HeadlessUser;
using ui::WindowView;

constexpr const char* kMain = "Lorvane --  QVN v.6.1";

class MainWindowFormsTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    // An environment that acknowledges every command, in a socket folder
    // of the test's own, so the main window finds it running.
    const fs::path sockets = dir / "sockets";
    fs::create_directory(sockets);
    fs::permissions(sockets, fs::perms::owner_all);
    dde_dir.set(sockets.string());
    server_ = DdeServer::create(automation::kService, automation::kTopic,
                                {[](int, const std::string&) { return DdeServer::Reply::Ack; }, {}, {}});
    ASSERT_NE(server_, nullptr) << error_text();
    serving_ = std::thread([this] { server_->run(); });
    // ".\QVN.INI" in the test's folder.
    data::anchor_settings_file(dir.string());
    std::ofstream(dir / "QVN.INI") << "[Preserved]\nNewLog=N\nCL_Command=ide-sim\nFilePath=" << data_dir.string()
                                   << "/\nRetainTags=0\n";
    automation::main_calls() = automation::MainCalls{};
    automation::main_calls().UpdateApps = UpdateApps;
    automation::main_calls().UpdateProjects = UpdateProjects;
    automation::main_calls().ViewEvents = ViewEvents;
  }

  void TearDown() override {
    if (server_) {
      server_->stop();
      serving_.join();
      server_.reset();
    }
    FormsTest::TearDown();
  }

  test_support::EnvironmentVariable dde_dir{"QVN_DDE_DIR"};
  std::unique_ptr<DdeServer> server_;
  std::thread serving_;
  test_support::AutomationState automation_state;  // the procedures the main window calls
};

// Insert on the application list opens the application form; the
// application saved there is in the list when the form closes, and the
// dialogs left the working folder alone. "Edit Project" opens the project
// form on the selected project.
TEST_F(MainWindowFormsTest, TheListsOpenTheRegisteredForms) {
  const fs::path source = make_file("dev/new/NEW.APP");
  const fs::path target = make_file("dev/new/NEW.EXE");
  seed_projects({{1, "Accounting"}});
  seed_apps({{"LEDGER.APP", folder_of(dir / "dev/ledger"), 1, 1, "LEDGER.EXE", 0}});
  bare_names();
  HeadlessUser user;
  user.on_window(kMain, [&](WindowView& w) {
    EXPECT_EQ(w.list_rows(automation::LIST).size(), 1u);
    w.press(automation::INSERT);
  });
  user.on_window("Record will be Added", [&](WindowView& w) { w.press(update_apps::LOOKUPFILE); });
  user.choose_file(source.string());
  user.then([&](WindowView& w) { w.press(update_apps::LOOKUPFILE_2); });
  user.choose_file(target.string());
  user.then([&](WindowView& w) {
    w.spin_up(update_apps::APP_PRIORITY);
    w.spin_up(update_apps::APP_PRIORITY);
  });
  user.then([&](WindowView& w) { w.press(update_apps::OK); });
  user.on_window(kMain, [&](WindowView& w) {
    EXPECT_EQ(fs::current_path(), dir);
    const auto rows = w.list_rows(automation::LIST);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1], (std::vector<std::string>{"", "2", folder_of(dir / "dev/new"), "NEW.APP"}));
    w.choose_tab(automation::TAB4);
  });
  user.then([&](WindowView& w) { w.press("Edit Project"); });
  user.on_window("Project will be Updated", [&](WindowView& w) {
    EXPECT_EQ(w.text(update_projects::PRO_PROJECTNAME), "Accounting");
    ASSERT_EQ(w.list_rows(update_projects::BROWSE_2).size(), 1u);
    EXPECT_EQ(w.list_rows(update_projects::BROWSE_2)[0][2], "LEDGER.APP");
    w.press(update_projects::CANCEL);
  });
  user.on_window(kMain, [&](WindowView& w) { w.press(automation::BUTTON7); });
  automation::Main();
  EXPECT_TRUE(halts.empty());
  EXPECT_TRUE(user.messages().empty());
  names_in(data_dir);
  EXPECT_EQ(apps_lines(),
            (std::vector<std::string>{line({"LEDGER.APP", folder_of(dir / "dev/ledger"), 1, 1, "LEDGER.EXE", 0}),
                                      line({"NEW.APP", folder_of(dir / "dev/new"), 2, 0, target.string(), 0})}));
}

std::vector<std::string> tree_texts(WindowView& w) {
  std::vector<std::string> texts;
  for (const auto& row : w.list_cells(automation::RELTREE)) texts.push_back(row[0].text);
  return texts;
}

std::string selected_text(WindowView& w) {
  const auto texts = tree_texts(w);
  const int row = w.choice(automation::RELTREE);
  return row >= 1 && static_cast<size_t>(row) <= texts.size() ? texts[static_cast<size_t>(row) - 1] : "";
}

// The project tree adds a project on its root, renames one by a
// double-click, adds an application under another application of its
// project, and deletes a project with its applications; after each form
// the tree shows the files and selects the line just added or changed.
TEST_F(MainWindowFormsTest, TheTreeEditsProjectsAndApplicationsThroughTheForms) {
  const fs::path source = make_file("dev/new/NEW.APP");
  const fs::path target = make_file("dev/new/NEW.EXE");
  seed_projects({{1, "Accounting"}, {2, "Warehouse"}});
  seed_apps({{"LEDGER.APP", folder_of(dir / "dev/ledger"), 1, 1, "LEDGER.EXE", 0},
             {"STOCK.APP", folder_of(dir / "dev/stock"), 2, 2, "STOCK.EXE", 0}});
  bare_names();
  HeadlessUser user;
  user.on_window(kMain, [&](WindowView& w) { w.choose_tab(automation::TAB2); });
  user.then([&](WindowView& w) {
    ASSERT_EQ(tree_texts(w), (std::vector<std::string>{"PROJECTS", "Accounting", "Warehouse"}));
    w.select_row(automation::RELTREE, 1);
  });
  user.then([&](WindowView& w) { w.press(automation::INSERT_2); });
  user.on_window("New Project", [&](WindowView& w) { w.type(update_projects::PRO_PROJECTNAME, "Budget"); });
  user.then([&](WindowView& w) { w.press(update_projects::OK); });
  user.on_window(kMain, [&](WindowView& w) {
    EXPECT_EQ(tree_texts(w), (std::vector<std::string>{"PROJECTS", "Accounting", "Budget", "Warehouse"}));
    EXPECT_EQ(selected_text(w), "Budget");
    w.accept_row(automation::RELTREE, 2);
  });
  user.on_window("Project will be Updated", [&](WindowView& w) {
    EXPECT_EQ(w.text(update_projects::PRO_PROJECTNAME), "Accounting");
    w.type(update_projects::PRO_PROJECTNAME, "Zeta");
  });
  user.then([&](WindowView& w) { w.press(update_projects::OK); });
  user.on_window(kMain, [&](WindowView& w) {
    EXPECT_EQ(tree_texts(w), (std::vector<std::string>{"PROJECTS", "Budget", "Warehouse", "Zeta"}));
    EXPECT_EQ(selected_text(w), "Zeta") << "in its place in name order";
    w.press("&Expand All");
  });
  user.then([&](WindowView& w) {
    ASSERT_EQ(tree_texts(w),
              (std::vector<std::string>{"PROJECTS", "Budget", "Warehouse", "STOCK.APP", "Zeta", "LEDGER.APP"}));
    w.select_row(automation::RELTREE, 4);
  });
  user.then([&](WindowView& w) { w.press(automation::INSERT_2); });
  user.on_window("Record will be Added", [&](WindowView& w) { w.press(update_apps::LOOKUPFILE); });
  user.choose_file(source.string());
  user.then([&](WindowView& w) { w.press(update_apps::LOOKUPFILE_2); });
  user.choose_file(target.string());
  user.then([&](WindowView& w) { w.press(update_apps::OK); });
  user.on_window(kMain, [&](WindowView& w) {
    EXPECT_EQ(tree_texts(w), (std::vector<std::string>{"PROJECTS", "Budget", "Warehouse", "STOCK.APP", "NEW.APP",
                                                       "Zeta", "LEDGER.APP"}));
    EXPECT_EQ(selected_text(w), "NEW.APP");
    w.select_row(automation::RELTREE, 3);
  });
  user.then([&](WindowView& w) { w.press(automation::DELETE_2); });
  user.answer_message("Are you sure you want to delete the highlighted record?", ui::button::Yes);
  user.on_window(kMain, [&](WindowView& w) {
    EXPECT_EQ(tree_texts(w), (std::vector<std::string>{"PROJECTS", "Budget", "Zeta", "LEDGER.APP"}));
    w.choose_tab(automation::TAB1);
  });
  user.then([&](WindowView& w) {
    const auto rows = w.list_rows(automation::LIST);
    ASSERT_EQ(rows.size(), 1u) << "the application list follows the tree's edits";
    EXPECT_EQ(rows[0][3], "LEDGER.APP");
    w.press(automation::BUTTON7);
  });
  automation::Main();
  EXPECT_TRUE(halts.empty());
  ASSERT_EQ(user.messages().size(), 1u);
  EXPECT_EQ(user.messages()[0].box.caption, "UpdateProjects: Confirm Delete");
  names_in(data_dir);
  EXPECT_EQ(projects_on_file(), (std::vector<std::pair<int, std::string>>{{1, "Zeta"}, {3, "Budget"}}));
  EXPECT_EQ(apps_lines(),
            (std::vector<std::string>{line({"LEDGER.APP", folder_of(dir / "dev/ledger"), 1, 1, "LEDGER.EXE", 0})}))
      << "the deleted project's applications went with it";
}

// A project renamed by another program after the tree was loaded: Delete
// on its old line asks nothing and deletes nothing, neither that project
// nor the one whose record the files last read.
TEST_F(MainWindowFormsTest, DeleteOnAStaleTreeLineDeletesNothing) {
  seed_projects({{1, "Accounting"}, {2, "Zulu"}});
  seed_apps({{"LEDGER.APP", folder_of(dir / "dev/ledger"), 1, 1, "LEDGER.EXE", 0},
             {"STOCK.APP", folder_of(dir / "dev/stock"), 2, 2, "STOCK.EXE", 0}});
  bare_names();
  HeadlessUser user;
  user.on_window(kMain, [&](WindowView& w) { w.choose_tab(automation::TAB2); });
  user.then([&](WindowView& w) {
    ASSERT_EQ(tree_texts(w), (std::vector<std::string>{"PROJECTS", "Accounting", "Zulu"}));
    w.select_row(automation::RELTREE, 2);
    // Another program renames Accounting.
    data::ProjectRecord record;
    storage::RecordFile other(data::ProjectsDef, &record);
    ASSERT_EQ(other.open(), 0) << error_text();
    record.P_REF = 1;
    ASSERT_EQ(other.get(data::PRO_ProjectIDKey), 0) << error_text();
    record.PROJECTNAME = "Sales";
    ASSERT_EQ(other.put(), 0) << error_text();
    other.close();
  });
  user.then([&](WindowView& w) { w.press(automation::DELETE_2); });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tree_texts(w), (std::vector<std::string>{"PROJECTS", "Sales", "Zulu"})) << "rebuilt";
    w.press(automation::BUTTON7);
  });
  automation::Main();
  EXPECT_TRUE(user.messages().empty()) << "no Confirm Delete";
  names_in(data_dir);
  EXPECT_EQ(projects_on_file(), (std::vector<std::pair<int, std::string>>{{1, "Sales"}, {2, "Zulu"}}));
  EXPECT_EQ(apps_on_file().size(), 2u);
}

// "Print Log" prints the log the main window keeps open, through the
// preview, and the main window goes on with the log still open.
TEST_F(MainWindowFormsTest, PrintLogPrintsTheActivityLog) {
  seed_log({{"A.APP", 0, 0, "Begin Make"}, {"A.APP", 0, 0, "Make Finished"}, {"B.APP", 0, 0, "Begin Make"}});
  bare_names();
  automation::main_calls().PrintLog = PrintLog;
  HeadlessUser user;
  user.on_window(kMain, [](WindowView& w) { w.press("Print Log"); });
  user.keep_on_window("Report Progress...", [](WindowView& w) { w.advance_time(100); });
  user.print_preview();
  user.on_window(kMain, [](WindowView& w) {
    EXPECT_TRUE(data::TempFile.is_open());
    w.press(automation::BUTTON7);
  });
  automation::Main();
  EXPECT_TRUE(halts.empty());
  EXPECT_TRUE(user.messages().empty());
  ASSERT_EQ(user.previews().size(), 1u);
  EXPECT_EQ(user.previews()[0].document.texts(1, "?TMP:EVENT"),
            (std::vector<std::string>{"Begin Make", "Make Finished", "Begin Make"}));
  EXPECT_EQ(user.previews()[0].document.texts(1, "?LOC:APPNAME"), (std::vector<std::string>{"A.APP", "", "B.APP"}));
}

// "View &Log" opens the activity-log browse over the log the main window
// holds open; closing the browse comes back to the main window.
TEST_F(MainWindowFormsTest, ViewLogOpensTheLogBrowse) {
  seed_log({{"LEDGER.APP", 80000, 100, "Begin Make"}, {"LEDGER.APP", 80000, 200, "Make Finished"}});
  bare_names();
  HeadlessUser user;
  user.on_window(kMain, [&](WindowView& w) { w.press("View &Log"); });
  user.on_window("Activity Log", [&](WindowView& w) {
    const auto rows = w.list_rows(view_events::LIST);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], "LEDGER.APP");
    EXPECT_EQ(rows[1][0], "");
    EXPECT_EQ(rows[1][3], "Make Finished");
    w.press("&Close");
  });
  user.on_window(kMain, [&](WindowView& w) { w.press(automation::BUTTON7); });
  automation::Main();
  EXPECT_TRUE(halts.empty());
  EXPECT_TRUE(user.messages().empty());
  names_in(data_dir);
  EXPECT_EQ(log_on_file().size(), 2u);
}

std::vector<int> tick_icons(WindowView& w, ui::Control list) {
  std::vector<int> icons;
  for (const auto& row : w.list_cells(list)) icons.push_back(row.empty() ? -1 : row[0].icon);
  return icons;
}

// Started with RetainTags 0, "Save and restore project subset tags" ticked
// in the settings window: the subset made afterwards is kept at Close and
// is there again at the next start.
TEST_F(MainWindowFormsTest, ASubsetMadeAfterRetainTagsIsTickedIsThereAtTheNextStart) {
  make_file("dev/ledger/LEDGER.APP");
  seed_projects({{1, "Accounting"}});
  seed_apps({{"LEDGER.APP", folder_of(dir / "dev/ledger"), 1, 1, "LEDGER.EXE", 0},
             {"JOURNAL.APP", folder_of(dir / "dev/journal"), 2, 1, "JOURNAL.EXE", 0},
             {"ACCOUNTS.APP", folder_of(dir / "dev/accounts"), 3, 1, "ACCOUNTS.EXE", 0}});
  bare_names();
  automation::main_calls().GetConfig = GetConfig;
  const char* settings = "QVN \"Menu\"";
  {
    HeadlessUser user;
    user.on_window(kMain, [&](WindowView& w) { w.press("Configure QVN"); });
    user.on_window(settings, [&](WindowView& w) {
      EXPECT_FALSE(w.is_checked(get_config::GLO_RETAINTAGS));
      w.press(get_config::GLO_RETAINTAGS);
      w.press(get_config::OKBUTTON);
    });
    user.on_window(kMain, [&](WindowView& w) { w.choose_tab(automation::TAB4); });
    user.then([&](WindowView& w) { w.press("&Toggle"); });
    user.then([&](WindowView& w) { w.press("&Toggle"); });
    user.then([&](WindowView& w) {
      EXPECT_EQ(tick_icons(w, automation::LIST_3), (std::vector<int>{1, 1, 0}));
      w.press(automation::BUTTON7);
    });
    automation::Main();
    EXPECT_TRUE(halts.empty());
    EXPECT_TRUE(user.messages().empty());
  }
  EXPECT_NE(test_support::file_text(dir / "QVN.INI").find("RetainTags=1"), std::string::npos);
  bare_names();
  HeadlessUser user;
  user.on_window(kMain, [&](WindowView& w) {
    EXPECT_FALSE(w.is_disabled(automation::GENERATESUBSET)) << "the subset is loaded at open";
    w.choose_tab(automation::TAB4);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tick_icons(w, automation::LIST_3), (std::vector<int>{1, 1, 0}));
    w.press(automation::BUTTON7);
  });
  automation::Main();
  EXPECT_TRUE(halts.empty());
}

#ifdef QVN_DEMO_FOLDER
// The demo as scripts/demo.sh lays it out: a copy of its applications and
// data files made from its catalog.
class MainWindowFormsDemoTest : public MainWindowFormsTest {
 protected:
  void SetUp() override {
    MainWindowFormsTest::SetUp();
    test_support::lay_out_demo(QVN_DEMO_FOLDER, apps, data_dir, catalog);
  }

  // A log of `entries` entries ending on 10 December 2026 at 9:00.
  void seed_demo_log(long entries) {
    std::string error;
    ASSERT_TRUE(demoseed::seed_activity_log(catalog, data_dir.string(), entries, standard_date({2026, 12, 10}),
                                            standard_time({9, 0, 0, 0}), error))
        << error;
  }

  const fs::path apps = dir / "apps";
  demoseed::DemoCatalog catalog;
};

// The demo with a log of 30 entries. Insert on the application list opens
// the form, whose "..." dialog starts in the demo's own folder; an
// application inserted under a project from the tree shows there; the log
// is browsed and printed.
TEST_F(MainWindowFormsDemoTest, TheFormsTheTreeAndTheLogWork) {
  seed_demo_log(30);
  if (HasFatalFailure()) return;
  fs::create_directories(apps / "budget");
  fs::copy_file(apps / "reports" / "REPORTS.APP", apps / "budget" / "BUDGET.APP");
  fs::copy_file(apps / "reports" / "REPORTS.APP", apps / "budget" / "FORECAST.APP");
  std::ofstream(apps / "budget" / "BUDGET.EXE") << "x";
  std::ofstream(apps / "budget" / "FORECAST.DLL") << "x";
  bare_names();
  automation::main_calls().PrintLog = PrintLog;

  HeadlessUser user;
  fs::path folder_at_dialog;
  user.on_window(kMain, [&](WindowView& w) {
    EXPECT_EQ(w.list_rows(automation::LIST).size(), catalog.apps.size());
    w.press(automation::INSERT);
  });
  user.on_window("Record will be Added", [&](WindowView& w) {
    folder_at_dialog = fs::current_path();
    w.press(update_apps::LOOKUPFILE);
  });
  user.choose_file((apps / "budget" / "BUDGET.APP").string());
  user.then([&](WindowView& w) { w.press(update_apps::LOOKUPFILE_2); });
  user.choose_file((apps / "budget" / "BUDGET.EXE").string());
  user.then([&](WindowView& w) { w.press(update_apps::OK); });
  user.on_window(kMain, [&](WindowView& w) {
    std::vector<std::string> names;
    for (const auto& row : w.list_rows(automation::LIST)) names.push_back(row[3]);
    EXPECT_EQ(names.size(), catalog.apps.size() + 1);
    EXPECT_NE(std::find(names.begin(), names.end(), "BUDGET.APP"), names.end());
    w.choose_tab(automation::TAB2);
  });
  user.then([&](WindowView& w) {
    ASSERT_EQ(tree_texts(w), (std::vector<std::string>{"PROJECTS", "Accounting", "Payroll", "Warehouse"}));
    w.press("&Expand All");
  });
  user.then([&](WindowView& w) {
    const auto texts = tree_texts(w);
    const auto warehouse = std::find(texts.begin(), texts.end(), "Warehouse");
    ASSERT_NE(warehouse, texts.end());
    w.select_row(automation::RELTREE, static_cast<int>(warehouse - texts.begin()) + 1);
  });
  user.then([&](WindowView& w) { w.press(automation::INSERT_2); });
  user.on_window("Record will be Added", [&](WindowView& w) { w.press(update_apps::LOOKUPFILE); });
  user.choose_file((apps / "budget" / "FORECAST.APP").string());
  user.then([&](WindowView& w) { w.press(update_apps::LOOKUPFILE_2); });
  user.choose_file((apps / "budget" / "FORECAST.DLL").string());
  user.then([&](WindowView& w) { w.press(update_apps::OK); });
  user.on_window(kMain, [&](WindowView& w) {
    // Warehouse's applications are the last lines of the tree.
    const auto texts = tree_texts(w);
    const auto warehouse = std::find(texts.begin(), texts.end(), "Warehouse");
    ASSERT_NE(warehouse, texts.end());
    std::vector<std::string> under(warehouse + 1, texts.end());
    std::sort(under.begin(), under.end());
    EXPECT_EQ(under, (std::vector<std::string>{"FORECAST.APP", "ORDERS.APP", "STOCK.APP"}));
    EXPECT_EQ(selected_text(w), "FORECAST.APP");
    w.press("View &Log");
  });
  user.on_window("Activity Log", [&](WindowView& w) {
    const auto rows = w.list_rows(view_events::LIST);
    ASSERT_GE(rows.size(), 4u);
    EXPECT_EQ((std::vector<std::string>{rows[0][0], rows[0][3], rows[1][0], rows[1][3], rows[2][0]}),
              (std::vector<std::string>{"LEDGER.APP", "Begin Make", "", "Make Finished", "JOURNAL.APP"}));
    w.press(view_events::CLOSE);
  });
  user.on_window(kMain, [&](WindowView& w) { w.press("Print Log"); });
  user.keep_on_window("Report Progress...", [](WindowView& w) { w.advance_time(100); });
  user.print_preview();
  user.on_window(kMain, [&](WindowView& w) { w.press(automation::BUTTON7); });
  automation::Main();

  EXPECT_TRUE(halts.empty());
  EXPECT_TRUE(user.messages().empty());
  ASSERT_EQ(user.file_dialogs().size(), 4u);
  EXPECT_EQ(user.file_dialogs()[0].start_folder, "") << "the dialog opens in the current folder";
  EXPECT_EQ(folder_at_dialog, dir) << "which is the demo's own";
  ASSERT_EQ(user.previews().size(), 1u);
  const auto& document = user.previews()[0].document;
  ASSERT_EQ(document.pages().size(), 2u);
  EXPECT_EQ(document.texts(1, "?TMP:EVENT").size() + document.texts(2, "?TMP:EVENT").size(), 30u);
}

// The demo's LEDGER.APP chosen again in the application form's dialog is
// the same file as the one on file: it is refused with the key's error and
// the list keeps one LEDGER.APP.
TEST_F(MainWindowFormsDemoTest, LedgerChosenAgainIsRefusedAsADuplicate) {
  std::ofstream(apps / "ledger" / "LEDGER.DLL") << "x";
  bare_names();

  HeadlessUser user;
  user.on_window(kMain, [&](WindowView& w) { w.press(automation::INSERT); });
  user.on_window("Record will be Added", [&](WindowView& w) { w.press(update_apps::LOOKUPFILE); });
  user.choose_file((apps / "ledger" / "LEDGER.APP").string());
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text(update_apps::APP_DRIVENPATH), (apps / "ledger").string() + "/");
    w.press(update_apps::LOOKUPFILE_2);
  });
  user.choose_file((apps / "ledger" / "LEDGER.DLL").string());
  user.then([&](WindowView& w) { w.press(update_apps::OK); });
  user.answer_message("Adding this record creates a duplicate entry for the key: APP:DriveKey", ui::button::Ok);
  user.on_window("Record will be Added", [&](WindowView& w) { w.press(update_apps::CANCEL); });
  user.on_window(kMain, [&](WindowView& w) {
    std::vector<std::string> names;
    for (const auto& row : w.list_rows(automation::LIST)) names.push_back(row[3]);
    EXPECT_EQ(names.size(), catalog.apps.size());
    EXPECT_EQ(std::count(names.begin(), names.end(), "LEDGER.APP"), 1);
    w.press(automation::BUTTON7);
  });
  automation::Main();
  EXPECT_TRUE(halts.empty());
  ASSERT_EQ(user.messages().size(), 1u);
  EXPECT_EQ(user.messages()[0].box.caption, "UpdateApps: Duplicate Key Error");
  names_in(data_dir);
  EXPECT_EQ(apps_on_file().size(), catalog.apps.size());
}

// The demo with a log of 60 entries: "View &Log" shows the first 18; the
// person's keys, wheel and scroll bar reach every entry, End the last.
TEST_F(MainWindowFormsDemoTest, TheLogBrowseReachesItsLastEntry) {
  seed_demo_log(60);
  if (HasFatalFailure()) return;
  const std::vector<LogOnFile> log = log_on_file();
  ASSERT_EQ(log.size(), 60u);
  bare_names();

  using ui::ScrollMove;
  namespace key = ui::key;
  struct Move {
    const char* what;
    std::function<void(WindowView&)> act;
    size_t selected;  // the entry selected afterwards
    int row;          // its row
  };
  auto press = [](int k) { return [k](WindowView& w) { w.press_key(view_events::LIST, k); }; };
  const std::vector<Move> moves = {
      {"End", press(key::End), 59, 18},
      {"Up", press(key::Up), 58, 17},
      {"Home", press(key::Home), 0, 1},
      {"PageDown", press(key::PageDown), 18, 1},
      {"the wheel", [](WindowView& w) { w.wheel(view_events::LIST, 3); }, 21, 4},
      {"Up at the first row",
       [](WindowView& w) {
         w.select_row(view_events::LIST, 1);
         w.press_key(view_events::LIST, key::Up);
       },
       17, 1},
      {"the thumb to the bottom", [](WindowView& w) { w.drag_thumb(view_events::LIST, 100); }, 59, 18},
      {"the scroll bar to its top", [](WindowView& w) { w.scroll(view_events::LIST, ScrollMove::Top); }, 0, 1},
      {"Ctrl+End", press(key::CtrlEnd), 59, 18},
  };
  HeadlessUser user;
  user.on_window(kMain, [&](WindowView& w) { w.press("View &Log"); });
  user.on_window("Activity Log", [&](WindowView& w) {
    EXPECT_EQ(w.list_rows(view_events::LIST).size(), 18u);
    EXPECT_EQ(data::TMP.CLOCK, log.front().clock);
  });
  for (const Move& m : moves) {
    user.then([&](WindowView& w) { m.act(w); });
    user.then([&](WindowView& w) {
      SCOPED_TRACE(m.what);
      const auto rows = w.list_rows(view_events::LIST);
      ASSERT_EQ(rows.size(), 18u);
      EXPECT_EQ(w.choice(view_events::LIST), m.row);
      EXPECT_EQ(data::TMP.CLOCK, log[m.selected].clock);
      EXPECT_EQ(rows[static_cast<size_t>(m.row) - 1][3], log[m.selected].event);
    });
  }
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.thumb(view_events::LIST), 100);
    w.press("&Close");
  });
  user.on_window(kMain, [&](WindowView& w) { w.press(automation::BUTTON7); });
  automation::Main();
  EXPECT_TRUE(halts.empty());
  EXPECT_TRUE(user.messages().empty());
}
#endif  // QVN_DEMO_FOLDER

}  // namespace

}  // namespace qvn::windows::testing

#endif  // QVN_TEST_WITH_MAIN
