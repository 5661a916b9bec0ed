// The real main window: Main on the Qt rendering (Qt's offscreen platform)
// over the demo's data, a picture of each tab written as a PNG file: the
// Projects tab with every project expanded, the subsets tab with ticks; and
// each tab's layout looked at: every button's text fits it, and nothing
// covers a group's caption. With QVN_MAIN_WINDOW_PICTURES naming a folder,
// the pictures are also written there (main_window_tab1.png to
// main_window_tab4.png).

#ifdef QVN_TEST_WITH_QT

#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include <algorithm>
#include <chrono>

#include "demo_catalog.h"
#include "demo_fixture.h"
#include "main_window_fixture.h"
#include "list_moves.h"
#include "picture_backend.h"

namespace qvn::automation::testing {

namespace {

// A person who looks at the window each time it waits and does one thing:
// notes its application list and takes a picture of the first tab; on the
// second tab presses "Expand All" and takes a picture of the expanded projects; takes one of the third tab; on the
// fourth toggles the first two applications of the first project into the
// subset and takes a picture of the ticks; then closes the window.
class Photographer final : public ui::qt::test::PictureBackend {
 public:
  using PictureBackend::PictureBackend;

  void wait_for_event(ui::Window& w) override {
    switch (++waits_) {
      case 1:
        listed = texts(w, "?LIST", 3);
        caption = w.caption();
        shown = !w.hidden();
        picture(w, 1);
        choose_tab(w, 2);
        break;
      case 2:
        pressed += w.user_press(w.field("?EXPAND")) ? 1 : 0;
        break;
      case 3:
        tree = texts(w, "?RELTREE", 0);
        picture(w, 2);
        choose_tab(w, 3);
        break;
      case 4:
        picture(w, 3);
        choose_tab(w, 4);
        break;
      case 5:
      case 6:
        pressed += w.user_press(w.field("?TOGGLE")) ? 1 : 0;
        break;
      default: {
        const int list = w.field("?LIST:3");
        const ui::ListModel* rows = w.state(list).list;
        for (size_t r = 0; rows && r < rows->rows(); ++r) ticks.push_back(w.cells(list, r)[0].icon);
        picture(w, 4);
        w.post(ui::Event::CloseWindow);
        break;
      }
    }
  }

  std::vector<std::string> listed;
  std::vector<std::string> tree;
  std::vector<int> ticks;
  std::string caption;
  bool shown = false;
  int tabs_chosen = 0;
  int pressed = 0;

 private:
  static std::vector<std::string> texts(ui::Window& w, const char* equate, size_t column) {
    std::vector<std::string> out;
    const int list = w.field(equate);
    const ui::ListModel* rows = w.state(list).list;
    for (size_t r = 0; rows && r < rows->rows(); ++r) out.push_back(std::string(clip(w.cells(list, r)[column].text)));
    return out;
  }
  void picture(ui::Window& w, int tab) {
    PictureBackend::picture(w, "main_window_tab" + std::to_string(tab) + ".png", "tab " + std::to_string(tab) + ": ");
  }
  void choose_tab(ui::Window& w, int tab) {
    tabs_chosen += w.user_choose_tab(w.field("?SHEET1"), w.field("?TAB" + std::to_string(tab))) ? 1 : 0;
  }

  int waits_ = 0;
};

std::string app_name(char letter, int i) { return std::string(1, letter) + (i < 9 ? "0" : "") + std::to_string(i + 1) + ".APP"; }

// Forty applications, priorities 1 to 40: ?LIST shows nineteen at a time.
// Real keys, wheel turns and scroll-bar actions reach every one, both ways,
// the priority column stays red after every move, and "&Tag" after End
// tags the last application.
TEST_F(MainWindowTest, TheRealWindowsApplicationListReachesEveryApplication) {
  constexpr int kApps = 40;
  constexpr int kPage = 19;
  std::vector<AppOnFile> apps;
  std::vector<std::string> names;
  for (int i = 0; i < kApps; ++i) {
    names.push_back(app_name('A', i));
    apps.push_back({.application = names.back(), .priority = i + 1});
  }
  seed(apps);

  std::unique_ptr<ui::qt::QtBackend> qt = ui::qt::test::offscreen_backend();
  ASSERT_NE(qt, nullptr);
  ui::qt::test::ListMover person(*qt, ui::qt::test::picture_folders(dir, "QVN_MAIN_WINDOW_PICTURES"), "?LIST", 3);
  person.moves = ui::qt::test::standard_moves(kApps, kPage);
  person.moves.push_back({"End", [](ui::qt::ListControl& l) { QTest::keyClick(&l, Qt::Key_End); }, kApps - kPage, kApps - 1});
  person.moves.push_back({"a click on Tag", [](ui::qt::ListControl& l) {
                            QTest::mouseClick(l.window()->findChild<QWidget*>("?BUTTON13"), Qt::LeftButton);
                          },
                          kApps - kPage, kApps - 1});
  person.picture_name = "main_window_list_end.png";
  Main();

  ui::qt::test::expect_moves(person, names, kPage,
                             [](int place) { return ui::qt::test::thumb_by_place(place, kApps); });
  for (size_t i = 1; i < person.sights.size(); ++i) {
    for (const std::vector<QColor>& row : person.sights[i].colours) EXPECT_EQ(row[1], QColor(255, 0, 0)) << i;
  }
  std::vector<int> tags(kApps, 0);
  tags.back() = 1;
  EXPECT_EQ(tags_on_file(), tags);
  EXPECT_TRUE(person.messages.empty());
}

// Thirty applications of the first project on the subsets tab: ?LIST:3
// shows eleven at a time and reaches every one, both ways.
TEST_F(MainWindowTest, TheRealWindowsSubsetListReachesEveryApplicationOfTheProject) {
  constexpr int kApps = 30;
  constexpr int kPage = 11;
  std::vector<AppOnFile> apps;
  std::vector<std::string> names;
  for (int i = 0; i < kApps; ++i) {
    names.push_back(app_name('S', i));
    apps.push_back({.application = names.back(), .priority = i + 1, .project = 1});
    apps.push_back({.application = app_name('T', i), .priority = i + 1, .project = 2});
  }
  seed(apps, {{1, "Accounting"}, {2, "Warehouse"}});

  std::unique_ptr<ui::qt::QtBackend> qt = ui::qt::test::offscreen_backend();
  ASSERT_NE(qt, nullptr);
  ui::qt::test::ListMover person(*qt, {dir}, "?LIST:3", 3);
  person.before = [](ui::Window& w) { w.user_choose_tab(w.field("?SHEET1"), w.field("?TAB4")); };
  person.moves = ui::qt::test::standard_moves(kApps, kPage);
  Main();

  ui::qt::test::expect_moves(person, names, kPage,
                             [](int place) { return ui::qt::test::thumb_by_place(place, kApps); });
  EXPECT_TRUE(person.messages.empty());
}

TEST_F(MainWindowTest, TheRealWindowShowsTheDemoApplications) {
  demoseed::DemoCatalog catalog;
  std::string error;
  ASSERT_TRUE(demoseed::read_catalog(QVN_DEMO_FOLDER "/catalog.txt", catalog, error)) << error;
  ASSERT_TRUE(demoseed::seed_data_folder(catalog, QVN_DEMO_FOLDER "/apps", data_dir.string(), error)) << error;
  bare_names();

  std::vector<demoseed::DemoApp> by_priority = catalog.apps;
  std::stable_sort(by_priority.begin(), by_priority.end(), [](const auto& a, const auto& b) {
    return a.priority != b.priority ? a.priority < b.priority : a.file < b.file;
  });
  std::vector<std::string> expected;
  for (const auto& a : by_priority) expected.push_back(a.file);
  // Every project in name order, each with its applications as they were stored.
  std::vector<demoseed::DemoProject> by_name = catalog.projects;
  std::sort(by_name.begin(), by_name.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  std::vector<std::string> expanded = {"PROJECTS"};
  for (const auto& p : by_name) {
    expanded.push_back(p.name);
    for (const auto& a : catalog.apps) {
      if (a.project == p.number) expanded.push_back(a.file);
    }
  }

  std::unique_ptr<ui::qt::QtBackend> qt = ui::qt::test::offscreen_backend();
  ASSERT_NE(qt, nullptr);
  Photographer person(*qt, ui::qt::test::picture_folders(dir, "QVN_MAIN_WINDOW_PICTURES"));
  Main();

  EXPECT_EQ(person.caption, kCaption);
  EXPECT_TRUE(person.shown);
  EXPECT_EQ(person.listed, expected);
  EXPECT_TRUE(person.messages.empty());
  EXPECT_EQ(person.tabs_chosen, 3);
  EXPECT_EQ(person.pressed, 3);
  EXPECT_EQ(person.tree, expanded);
  EXPECT_EQ(person.ticks, (std::vector<int>{1, 1, 0})) << "the first project's first two applications";
  EXPECT_EQ(person.faults, std::vector<std::string>{});
  ASSERT_EQ(person.saved, std::vector<bool>(4 * person.folders().size(), true));
  for (int tab = 1; tab <= 4; ++tab) {
    EXPECT_TRUE(ui::qt::test::is_png(dir / ("main_window_tab" + std::to_string(tab) + ".png")));
  }
}

// A person who presses "Start Clarion" once the window is shown, and
// "Gen && Make (.APP)" once it is connected; in between and during the run
// the window waits as it does for a person, on Qt's own loop in real time. Once the status line reads "Processing
// Complete" a picture is taken and the window closed. A run that takes
// longer than a minute is given up.
class RunWatcher final : public ui::qt::test::PictureBackend {
 public:
  using PictureBackend::PictureBackend;

  void wait_for_event(ui::Window& w) override {
    const std::string status(clip(w.state(w.field("?STATUSMSG")).shown));
    if (stage == 0) {
      started_ = std::chrono::steady_clock::now();
      stage = w.user_press(w.field("?CONNECTTOCW")) ? 1 : 9;
      return;
    }
    if (stage == 1 && status == "Connected to Clarion.") {
      stage = w.user_press(w.field("?EXECUTEAPP")) ? 2 : 9;
      return;
    }
    if (stage == 2 && status == "Processing Complete") {
      save(w, "main_window_run.png");
      stage = 3;
      w.post(ui::Event::CloseWindow);
      return;
    }
    if (stage > 2 || std::chrono::steady_clock::now() - started_ > std::chrono::minutes(1)) {
      gave_up = stage <= 2;
      w.post(ui::Event::CloseWindow);
      return;
    }
    qt().wait_for_event(w);
  }
  void beep() override { ++beeps; }

  int stage = 0;  // 0 to start, 1 connecting, 2 making, 3 done, 9 a press refused
  bool gave_up = false;
  int beeps = 0;

 private:
  std::chrono::steady_clock::time_point started_;
};

TEST_F(DemoRunsTest, TheRealWindowMakesTheDemoApplicationsAndShowsItsRunComplete) {
  std::unique_ptr<ui::qt::QtBackend> qt = ui::qt::test::offscreen_backend();
  ASSERT_NE(qt, nullptr);
  RunWatcher person(*qt, ui::qt::test::picture_folders(dir, "QVN_MAIN_WINDOW_PICTURES"));
  Main();

  EXPECT_EQ(person.stage, 3);
  EXPECT_FALSE(person.gave_up);
  EXPECT_EQ(person.beeps, 2);
  ASSERT_EQ(person.messages.size(), 1u) << "only the warning that the environment was not running";
  EXPECT_EQ(person.messages[0].rfind("Clarion is not currently running.", 0), 0u);
  EXPECT_THAT(log_events(), ::testing::ElementsAreArray(made_log({"LEDGER.APP", "ACCOUNTS.APP", "ORDERS.APP"})));
  for (const char* file : {"LEDGER.APP", "ACCOUNTS.APP", "ORDERS.APP"}) {
    EXPECT_TRUE(fs::exists(target_of(demo_app(file)))) << file;
  }
  ASSERT_EQ(person.saved, std::vector<bool>(person.folders().size(), true));
  EXPECT_TRUE(ui::qt::test::is_png(dir / "main_window_run.png"));
}

}  // namespace

}  // namespace qvn::automation::testing

#endif  // QVN_TEST_WITH_QT
