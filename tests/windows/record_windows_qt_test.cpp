// The application form, the application picker and the project form on
// the Qt rendering (Qt's offscreen platform), each over a few records: a
// picture of each is written as a PNG file, and each is looked at as a
// person would (every button's text fits it, no two buttons overlap,
// nothing covers a group's caption). With QVN_WINDOW_PICTURES naming a
// folder, the pictures are also written there (update_apps.png,
// select_app.png, update_projects.png, and for the activity-log browse and
// its record form view_events.png and update_events.png).

#ifdef QVN_TEST_WITH_QT

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms_fixture.h"
#include "picture_backend.h"
#include "platform/core/std_datetime.h"
#include "windows/select_app.h"
#include "windows/update_apps.h"
#include "windows/update_events.h"
#include "windows/update_projects.h"
#include "windows/view_events.h"

namespace qvn::windows::testing {

namespace {

// A person who takes a picture of the window at its first wait, looks at
// it, and closes it.
class Photographer final : public ui::qt::test::LookOnce {
 public:
  using LookOnce::LookOnce;

  // The next window's picture is called so.
  void next(std::string picture) {
    name = std::move(picture);
    look_again();
  }

  std::string name;
  std::vector<std::string> captions;

 private:
  void first_wait(ui::Window& w) override {
    captions.push_back(w.caption());
    picture(w, name + ".png", name + ": ");
    w.post(ui::Event::CloseWindow);
  }
};

using RecordWindowsQtTest = FormsTest;

TEST_F(RecordWindowsQtTest, EachWindowIsShownAndPictured) {
  const std::string acct = folder_of(dir / "dev/acct");
  make_file("dev/acct/ACCT.APP");
  seed_projects({{5, "Stock"}});
  seed_apps({{"ACCT.APP", acct, 3, 5, (dir / "out/ACCT.EXE").string(), 1},
             {"LEDGER.APP", folder_of(dir / "dev/ledger"), 1, 5, "LEDGER.EXE", 0},
             {"PAYROLL.APP", folder_of(dir / "dev/payroll"), 5, 5, "PAYROLL.EXE", 0},
             {"CASH.APP", folder_of(dir / "dev/cash"), 2, 0, "CASH.EXE", 0}});

  std::unique_ptr<ui::qt::QtBackend> qt = ui::qt::test::offscreen_backend();
  ASSERT_NE(qt, nullptr);
  Photographer person(*qt, ui::qt::test::picture_folders(dir, "QVN_WINDOW_PICTURES"));

  person.next("update_apps");
  make_current({"ACCT.APP", acct});
  EXPECT_EQ(run(UpdateApps, Change), Cancelled);
  person.next("select_app");
  data::Apps.clear_buffer();
  EXPECT_EQ(run(SelectApp, Select), Cancelled);
  person.next("update_projects");
  make_current_project(5);
  EXPECT_EQ(run(UpdateProjects, Change), Cancelled);

  EXPECT_EQ(person.captions,
            (std::vector<std::string>{"Record will be Changed", "Select Application", "Project will be Updated"}));
  EXPECT_EQ(person.messages, std::vector<std::string>{});
  EXPECT_EQ(person.faults, std::vector<std::string>{});
  ASSERT_EQ(person.saved, std::vector<bool>(3 * person.folders().size(), true));
  for (const char* name : {"update_apps", "select_app", "update_projects"}) {
    EXPECT_TRUE(ui::qt::test::is_png(dir / (std::string(name) + ".png")));
  }
}

TEST_F(RecordWindowsQtTest, TheLogWindowsAreShownAndPictured) {
  std::vector<LogOnFile> log;
  const char* apps[] = {"ACCOUNTING.APP", "ACCOUNTING.APP", "LEDGER.APP", "PAYROLL.APP", "PAYROLL.APP"};
  const char* events[] = {"Begin Make", "Make Finished", "Make Aborted: Target name or type not specified",
                          "Begin Make", "Make Finished"};
  for (int i = 0; i < 25; ++i) {
    log.push_back({apps[i % 5], standard_date(CivilDate{2024, 3, 1 + i / 10}),
                   standard_time(TimeOfDay{9 + i / 3, (i * 7) % 60, i % 60, 0}), events[i % 5]});
  }
  seed_log(log);

  std::unique_ptr<ui::qt::QtBackend> qt = ui::qt::test::offscreen_backend();
  ASSERT_NE(qt, nullptr);
  Photographer person(*qt, ui::qt::test::picture_folders(dir, "QVN_WINDOW_PICTURES"));

  person.next("view_events");
  EXPECT_EQ(run(ViewEvents, framework::request::None), Cancelled);
  person.next("update_events");
  ASSERT_EQ(data::tempfile_file_manager->UseFile(framework::use::Returns), 0);
  data::TempFile.set_order(data::tmp_clockkey);
  ASSERT_EQ(data::TempFile.next(), 0);
  data::TempFile.watch();
  EXPECT_EQ(run(UpdateEvents, Change), Cancelled);

  EXPECT_EQ(person.captions, (std::vector<std::string>{"Activity Log", "DDE Activity Record"}));
  EXPECT_EQ(person.messages, std::vector<std::string>{});
  EXPECT_EQ(person.faults, std::vector<std::string>{});
  ASSERT_EQ(person.saved, std::vector<bool>(2 * person.folders().size(), true));
  for (const char* name : {"view_events", "update_events"}) {
    EXPECT_TRUE(ui::qt::test::is_png(dir / (std::string(name) + ".png")));
  }
}

}  // namespace

}  // namespace qvn::windows::testing

#endif  // QVN_TEST_WITH_QT
