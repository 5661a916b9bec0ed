// The record forms as the program runs them: the main window, headless,
// with the forms registered as its update procedures 1 and 2, over a data
// folder named by its settings file and an environment that answers.

#ifdef QVN_TEST_WITH_MAIN

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "automation/conversation.h"
#include "automation/main_window.h"
#include "data/settings_file.h"
#include "forms_fixture.h"
#include "platform/dde/dde_server.h"
#include "platform/ui/headless.h"
#include "windows/update_apps.h"
#include "windows/update_projects.h"
#include "windows/view_events.h"

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
    ::setenv("QVN_DDE_DIR", sockets.c_str(), 1);
    server_ = DdeServer::create(automation::kService, automation::kTopic,
                                {[](int, const std::string&) { return DdeServer::Reply::Ack; }, {}, {}});
    ASSERT_NE(server_, nullptr) << error_text();
    serving_ = std::thread([this] { server_->run(); });
    // ".\QVN.INI" in the test's folder; where it was is put back afterwards.
    anchored_ = fs::path(data::settings_file()).parent_path().string();
    data::anchor_settings_file(dir.string());
    std::ofstream(dir / "QVN.INI") << "[Preserved]\nNewLog=N\nCL_Command=ide-sim\nFilePath=" << data_dir.string()
                                   << "/\nRetainTags=0\n";
    automation::main_calls() = automation::MainCalls{};
    automation::main_calls().UpdateApps = UpdateApps;
    automation::main_calls().UpdateProjects = UpdateProjects;
    automation::main_calls().ViewEvents = ViewEvents;
  }

  void TearDown() override {
    automation::main_calls() = automation::MainCalls{};
    if (server_) {
      server_->stop();
      serving_.join();
      server_.reset();
    }
    ::unsetenv("QVN_DDE_DIR");
    if (!anchored_.empty()) data::anchor_settings_file(anchored_);
    FormsTest::TearDown();
  }

  // Main puts the data folder in front of the bare names itself.
  static void bare_names() {
    data::AppsFileName = "APPS.TPS";
    data::ProjectsFileName = "PROJECTS.TPS";
    data::TempFileName = "TEMPFILE.TPS";
    data::TagFileName = "TF.TPS";
  }

  std::unique_ptr<DdeServer> server_;
  std::thread serving_;
  std::string anchored_;
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
    EXPECT_EQ(w.list_rows("?LIST").size(), 1u);
    w.press("?INSERT");
  });
  user.on_window("Record will be Added", [&](WindowView& w) { w.press("?LOOKUPFILE"); });
  user.choose_file(source.string());
  user.then([&](WindowView& w) { w.press("?LOOKUPFILE:2"); });
  user.choose_file(target.string());
  user.then([&](WindowView& w) {
    w.spin_up("?APP:PRIORITY");
    w.spin_up("?APP:PRIORITY");
  });
  user.then([&](WindowView& w) { w.press("?OK"); });
  user.on_window(kMain, [&](WindowView& w) {
    EXPECT_EQ(fs::current_path(), dir);
    const auto rows = w.list_rows("?LIST");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1], (std::vector<std::string>{"", "2", folder_of(dir / "dev/new"), "NEW.APP"}));
    w.choose_tab("?TAB4");
  });
  user.then([&](WindowView& w) { w.press("Edit Project"); });
  user.on_window("Project will be Updated", [&](WindowView& w) {
    EXPECT_EQ(w.text("?PRO:PROJECTNAME"), "Accounting");
    ASSERT_EQ(w.list_rows("?BROWSE:2").size(), 1u);
    EXPECT_EQ(w.list_rows("?BROWSE:2")[0][2], "LEDGER.APP");
    w.press("?CANCEL");
  });
  user.on_window(kMain, [&](WindowView& w) { w.press("?BUTTON7"); });
  automation::Main();
  EXPECT_TRUE(halts.empty());
  EXPECT_TRUE(user.messages().empty());
  names_in(data_dir);
  EXPECT_EQ(apps_lines(), (std::vector<std::string>{
                              line({"LEDGER.APP", folder_of(dir / "dev/ledger"), 1, 1, "LEDGER.EXE", 0}),
                              line({"NEW.APP", folder_of(dir / "dev/new"), 2, 0, program(target), 0})}));
}

// "View &Log" opens the activity-log browse over the log the main window
// holds open; closing the browse comes back to the main window.
TEST_F(MainWindowFormsTest, ViewLogOpensTheLogBrowse) {
  seed_log({{"LEDGER.APP", 80000, 100, "Begin Make"}, {"LEDGER.APP", 80000, 200, "Make Finished"}});
  bare_names();
  HeadlessUser user;
  user.on_window(kMain, [&](WindowView& w) { w.press("View &Log"); });
  user.on_window("Activity Log", [&](WindowView& w) {
    const auto rows = w.list_rows("?LIST");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], "LEDGER.APP");
    EXPECT_EQ(rows[1][0], "");
    EXPECT_EQ(rows[1][3], "Make Finished");
    w.press("&Close");
  });
  user.on_window(kMain, [&](WindowView& w) { w.press("?BUTTON7"); });
  automation::Main();
  EXPECT_TRUE(halts.empty());
  EXPECT_TRUE(user.messages().empty());
  names_in(data_dir);
  EXPECT_EQ(log_on_file().size(), 2u);
}

}  // namespace

}  // namespace qvn::windows::testing

#endif  // QVN_TEST_WITH_MAIN
