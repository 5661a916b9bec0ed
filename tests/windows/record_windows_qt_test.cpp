// The application form, the application picker and the project form on
// the Qt rendering (Qt's offscreen platform), each over a few records: a
// picture of each is written as a PNG file, and each is looked at as a
// person would (every button's text fits it, no two buttons overlap,
// nothing covers a group's caption). With QVN_WINDOW_PICTURES naming a
// folder, the pictures are also written there (update_apps.png,
// select_app.png, update_projects.png, and for the activity-log browse and
// its record form view_events.png and update_events.png).

#ifdef QVN_TEST_WITH_QT

#include <QtWidgets/QApplication>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "forms_fixture.h"
#include "layout_faults.h"
#include "platform/ui/qt/qt_backend.h"
#include "platform/ui/qt/window_widget.h"
#include "windows/select_app.h"
#include "windows/update_apps.h"
#include "platform/core/std_datetime.h"
#include "windows/update_events.h"
#include "windows/update_projects.h"
#include "windows/view_events.h"

namespace qvn::windows::testing {

namespace {

// The Qt rendering, with a person who takes a picture of the window at its
// first wait, looks at it, and closes it.
class Photographer final : public ui::Backend {
 public:
  Photographer(ui::qt::QtBackend& qt, std::vector<fs::path> folders) : qt_(qt), folders_(std::move(folders)) {}

  void window_opened(ui::Window& w) override { qt_.window_opened(w); }
  void window_closed(ui::Window& w) override { qt_.window_closed(w); }
  void wait_for_event(ui::Window& w) override {
    if (taken_) {
      w.close();
      return;
    }
    taken_ = true;
    captions.push_back(w.caption());
    for (QWidget* top : QApplication::topLevelWidgets()) {
      auto* v = dynamic_cast<ui::qt::WindowWidget*>(top);
      if (v == nullptr || v->window() != &w) continue;
      for (const std::string& f : ui::qt::test::layout_faults(v)) faults.push_back(name + ": " + f);
    }
    for (const fs::path& folder : folders_) saved.push_back(qt_.save_picture(w, (folder / (name + ".png")).string()));
    w.post(ui::Event::CloseWindow);
  }
  void refresh(ui::Window& w, int field) override { qt_.refresh(w, field); }
  void repaint_only() override { qt_.repaint_only(); }
  void to_front(ui::Window& w) override { qt_.to_front(w); }
  int message(const ui::MessageBoxDef& box) override {
    messages.push_back(box.text);
    return ui::answer_without_choice(box);
  }
  std::string open_file(const ui::FileDialogDef&) override { return {}; }
  std::string choose_folder(const ui::FolderDialogDef&) override { return {}; }
  int popup(ui::Window&, const std::string&) override { return 0; }
  void beep() override {}

  // The next window's picture is called so.
  void next(std::string picture) {
    name = std::move(picture);
    taken_ = false;
  }

  std::string name;
  std::vector<std::string> captions;
  std::vector<std::string> messages;
  std::vector<std::string> faults;
  std::vector<bool> saved;

 private:
  ui::qt::QtBackend& qt_;
  std::vector<fs::path> folders_;
  bool taken_ = false;
};

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

using RecordWindowsQtTest = FormsTest;

TEST_F(RecordWindowsQtTest, EachWindowIsShownAndPictured) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const std::string acct = folder_of(dir / "dev/acct");
  make_file("dev/acct/ACCT.APP");
  seed_projects({{5, "Stock"}});
  seed_apps({{"ACCT.APP", acct, 3, 5, program(dir / "out/ACCT.EXE"), 1},
             {"LEDGER.APP", folder_of(dir / "dev/ledger"), 1, 5, "LEDGER.EXE", 0},
             {"PAYROLL.APP", folder_of(dir / "dev/payroll"), 5, 5, "PAYROLL.EXE", 0},
             {"CASH.APP", folder_of(dir / "dev/cash"), 2, 0, "CASH.EXE", 0}});

  std::unique_ptr<ui::qt::QtBackend> qt = ui::qt::QtBackend::create();
  ASSERT_NE(qt, nullptr);
  std::vector<fs::path> folders = {dir};
  if (const char* wanted = std::getenv("QVN_WINDOW_PICTURES"); wanted && *wanted) folders.push_back(wanted);
  Photographer person(*qt, folders);
  ui::install_backend(&person);

  person.next("update_apps");
  make_current({"ACCT.APP", acct});
  EXPECT_EQ(run(UpdateApps, Change), Cancelled);
  person.next("select_app");
  data::Apps.clear_buffer();
  EXPECT_EQ(run(SelectApp, Select), Cancelled);
  person.next("update_projects");
  make_current_project(5);
  EXPECT_EQ(run(UpdateProjects, Change), Cancelled);
  ui::install_backend(nullptr);

  EXPECT_EQ(person.captions,
            (std::vector<std::string>{"Record will be Changed", "Select Application", "Project will be Updated"}));
  EXPECT_EQ(person.messages, std::vector<std::string>{});
  EXPECT_EQ(person.faults, std::vector<std::string>{});
  ASSERT_EQ(person.saved, std::vector<bool>(3 * folders.size(), true));
  for (const char* name : {"update_apps", "select_app", "update_projects"}) {
    const std::string png = slurp(dir / (std::string(name) + ".png"));
    ASSERT_GT(png.size(), 1000u) << name;
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8)) << name;
  }
}

TEST_F(RecordWindowsQtTest, TheLogWindowsAreShownAndPictured) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  std::vector<LogOnFile> log;
  const char* apps[] = {"ACCOUNTING.APP", "ACCOUNTING.APP", "LEDGER.APP", "PAYROLL.APP", "PAYROLL.APP"};
  const char* events[] = {"Begin Make", "Make Finished", "Make Aborted: Target name or type not specified",
                          "Begin Make", "Make Finished"};
  for (int i = 0; i < 25; ++i) {
    log.push_back({apps[i % 5], standard_date(CivilDate{2024, 3, 1 + i / 10}), standard_time(TimeOfDay{9 + i / 3, (i * 7) % 60, i % 60, 0}),
                   events[i % 5]});
  }
  seed_log(log);

  std::unique_ptr<ui::qt::QtBackend> qt = ui::qt::QtBackend::create();
  ASSERT_NE(qt, nullptr);
  std::vector<fs::path> folders = {dir};
  if (const char* wanted = std::getenv("QVN_WINDOW_PICTURES"); wanted && *wanted) folders.push_back(wanted);
  Photographer person(*qt, folders);
  ui::install_backend(&person);

  person.next("view_events");
  EXPECT_EQ(run(ViewEvents, framework::request::None), Cancelled);
  person.next("update_events");
  ASSERT_EQ(data::tempfile_file_manager->UseFile(framework::use::Returns), 0);
  data::TempFile.set_order(data::tmp_clockkey);
  ASSERT_EQ(data::TempFile.next(), 0);
  data::TempFile.watch();
  EXPECT_EQ(run(UpdateEvents, Change), Cancelled);
  ui::install_backend(nullptr);

  EXPECT_EQ(person.captions, (std::vector<std::string>{"Activity Log", "DDE Activity Record"}));
  EXPECT_EQ(person.messages, std::vector<std::string>{});
  EXPECT_EQ(person.faults, std::vector<std::string>{});
  ASSERT_EQ(person.saved, std::vector<bool>(2 * folders.size(), true));
  for (const char* name : {"view_events", "update_events"}) {
    const std::string png = slurp(dir / (std::string(name) + ".png"));
    ASSERT_GT(png.size(), 1000u) << name;
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8)) << name;
  }
}

}  // namespace

}  // namespace qvn::windows::testing

#endif  // QVN_TEST_WITH_QT
