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

#include <QtTest/QTest>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTabBar>
#include <QtWidgets/QTabWidget>

#include <algorithm>
#include <chrono>
#include <fstream>

#include "demo_catalog.h"
#include "demo_fixture.h"
#include "list_moves.h"
#include "main_window_fixture.h"
#include "picture_backend.h"
#include "platform/dde/dde_client.h"
#include "support/silent_peer.h"
#include "window_view.h"

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
        listed = texts(w, LIST, 3);
        caption = w.caption();
        shown = !w.hidden();
        picture(w, 1);
        choose_tab(w, 2);
        break;
      case 2: pressed += w.user_press(EXPAND) ? 1 : 0; break;
      case 3:
        tree = texts(w, RELTREE, 0);
        picture(w, 2);
        choose_tab(w, 3);
        break;
      case 4:
        picture(w, 3);
        choose_tab(w, 4);
        break;
      case 5:
      case 6: pressed += w.user_press(TOGGLE) ? 1 : 0; break;
      default: {
        const int list = LIST_3;
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
  static std::vector<std::string> texts(ui::Window& w, int list, size_t column) {
    std::vector<std::string> out;
    const ui::ListModel* rows = w.state(list).list;
    for (size_t r = 0; rows && r < rows->rows(); ++r) out.push_back(std::string(clip(w.cells(list, r)[column].text)));
    return out;
  }
  void picture(ui::Window& w, int tab) {
    PictureBackend::picture(w, "main_window_tab" + std::to_string(tab) + ".png", "tab " + std::to_string(tab) + ": ");
  }
  void choose_tab(ui::Window& w, int tab) {
    static constexpr int kTabs[] = {TAB1, TAB2, TAB3, TAB4};
    tabs_chosen += w.user_choose_tab(SHEET1, kTabs[tab - 1]) ? 1 : 0;
  }

  int waits_ = 0;
};

std::string app_name(char letter, int i) {
  return std::string(1, letter) + (i < 9 ? "0" : "") + std::to_string(i + 1) + ".APP";
}

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
  ui::qt::test::ListMover person(*qt, ui::qt::test::picture_folders(dir, "QVN_MAIN_WINDOW_PICTURES"), LIST, 3);
  person.moves = ui::qt::test::standard_moves(kApps, kPage);
  person.moves.push_back(
      {"End", [](ui::qt::ListControl& l) { QTest::keyClick(&l, Qt::Key_End); }, kApps - kPage, kApps - 1});
  person.moves.push_back({"a click on Tag",
                          [](ui::qt::ListControl& l) {
                            auto* view = dynamic_cast<ui::qt::WindowWidget*>(l.window());
                            ASSERT_NE(view, nullptr);
                            QTest::mouseClick(view->control_widget(BUTTON13), Qt::LeftButton);
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
  ui::qt::test::ListMover person(*qt, {dir}, LIST_3, 3);
  person.before = [](ui::Window& w) { w.user_choose_tab(SHEET1, TAB4); };
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
    const std::string status(clip(w.state(STATUSMSG).shown));
    if (stage == 0) {
      started_ = std::chrono::steady_clock::now();
      stage = w.user_press(CONNECTTOCW) ? 1 : 9;
      return;
    }
    if (stage == 1 && status == "Connected to Clarion.") {
      stage = w.user_press(EXECUTEAPP) ? 2 : 9;
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

// A person who clicks "Start Clarion" with the mouse once the window is
// shown and, as soon as the step waits between two attempts, closes the
// window by its close box. Otherwise the window waits on Qt's own loop in
// real time; after a minute the person gives up.
class CloserWhileConnecting final : public ui::qt::test::PictureBackend {
 public:
  using Clock = std::chrono::steady_clock;
  using PictureBackend::PictureBackend;

  void wait_for_event(ui::Window& w) override {
    ui::qt::WindowWidget* view = ui::qt::test::view_of(w);
    if (stage == 0 && view != nullptr && view->isVisible()) {
      stage = 1;
      clicked = Clock::now();
      QTest::mouseClick(view->control_widget(CONNECTTOCW), Qt::LeftButton);
      return;
    }
    if (stage == 1 && view != nullptr && w.timer() == kConnectPauseMs / 10) {
      stage = 2;
      pausing = Clock::now();
      view->close();
      return;
    }
    if (Clock::now() - clicked > std::chrono::minutes(1) && stage > 0) {
      gave_up = true;
      w.close();
      return;
    }
    qt().wait_for_event(w);
  }

  int stage = 0;  // 0 to click, 1 connecting, 2 closed during the step's wait
  bool gave_up = false;
  Clock::time_point clicked;
  Clock::time_point pausing;
};

TEST_F(MainWindowTest, TheRealWindowTakesItsCloseBoxWhileStartClarionWaitsBesideASilentListener) {
  seed({});
  environment.stop();
  // Takes the connection and never answers; asked before any environment.
  test_support::SilentPeer silent((sockets / "ClarionWin.1.0.sock").string());
  ASSERT_TRUE(silent.listening());
  // The command line starts, but what it starts never serves.
  write_settings({{"NewLog", "N"}, {"CL_Command", "/bin/true"}, {"FilePath", data_folder()}, {"RetainTags", "0"}});
  std::unique_ptr<ui::qt::QtBackend> qt = ui::qt::test::offscreen_backend();
  ASSERT_NE(qt, nullptr);
  CloserWhileConnecting person(*qt, {dir});
  Main();
  const auto ended = std::chrono::steady_clock::now();

  EXPECT_EQ(person.stage, 2);
  EXPECT_FALSE(person.gave_up);
  // The window's first connection waited on the silent listener; Start
  // Clarion passed it by and was soon waiting with the window's events.
  EXPECT_EQ(silent.connections(), 1);
  EXPECT_LT(person.pausing - person.clicked, std::chrono::milliseconds(dde_open_answer_ms));
  EXPECT_LT(ended - person.pausing, std::chrono::seconds(10)) << "the close ended the step and the window";
  ASSERT_EQ(person.messages.size(), 1u) << "only the warning that the environment was not running";
  EXPECT_EQ(person.messages[0].rfind("Clarion is not currently running.", 0), 0u);
}

// What a person sees of the sheet and of the left column's run buttons.
struct LeftColumn {
  int page = 0;               // the page the tab widget shows, 1-based
  int chosen = 0;             // the window's own CHOICE of the sheet
  std::vector<bool> shown;    // ?EXECUTEAPP, ?GENERATE, ?EXPORTAPP, ?EXPORTDCT
  std::vector<bool> enabled;  // the same four
};

// The run buttons as a tab change sets them, for the first two tabs.
const std::vector<bool> kEnabledOnTab[] = {{true, false, true, true}, {false, true, false, false}};

// A person at the real window who clicks "Gen && Make (.APP)" and, while the
// run waits for its target, clicks the "Projects" tab; then the target is
// made, so the run ends. Once the run is complete what the window shows is
// noted, the "Projects" tab clicked again and the window looked at once
// more; then it is closed. A run that takes longer than a minute is given up.
class TabClickDuringRun final : public ui::qt::test::PictureBackend {
 public:
  TabClickDuringRun(ui::qt::QtBackend& qt, fs::path target)
      : PictureBackend(qt, {}), target_(std::move(target)), started_(std::chrono::steady_clock::now()) {}

  void wait_for_event(ui::Window& w) override {
    const std::string status(clip(w.state(STATUSMSG).shown));
    if (std::chrono::steady_clock::now() - started_ > std::chrono::minutes(1)) {
      gave_up = true;
      w.post(ui::Event::CloseWindow);
      return;
    }
    switch (stage) {
      case 0:
        QTest::mouseClick(widget<QPushButton>(w, EXECUTEAPP), Qt::LeftButton);
        stage = 1;
        return;
      case 1:
        if (w.in_nested_loop() && status.find(" DDE Ack. ") != std::string::npos) {
          click_tab(w, 2);
          during_run = look(w);
          std::ofstream(target_) << "made\n";
          stage = 2;
          return;
        }
        break;
      case 2:
        if (status == kProcessingComplete) {
          after_run = look(w);
          click_tab(w, 2);
          stage = 3;
          return;
        }
        break;
      case 3:
        clicked_after_run = look(w);
        stage = 4;
        w.post(ui::Event::CloseWindow);
        return;
      default: break;
    }
    qt().wait_for_event(w);
  }

  int stage = 0;
  bool gave_up = false;
  LeftColumn during_run, after_run, clicked_after_run;

 private:
  template <class T>
  static T* widget(ui::Window& w, int field) {
    ui::qt::WindowWidget* v = ui::qt::test::view_of(w);
    return v == nullptr ? nullptr : dynamic_cast<T*>(v->control_widget(field));
  }
  static void click_tab(ui::Window& w, int tab) {
    QTabBar* bar = widget<QTabWidget>(w, SHEET1)->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tab - 1).center());
  }
  static LeftColumn look(ui::Window& w) {
    LeftColumn seen;
    seen.page = widget<QTabWidget>(w, SHEET1)->currentIndex() + 1;
    seen.chosen = w.choice(SHEET1);
    for (int button : {EXECUTEAPP, GENERATE, EXPORTAPP, EXPORTDCT}) {
      seen.shown.push_back(widget<QPushButton>(w, button)->isVisible());
      seen.enabled.push_back(widget<QPushButton>(w, button)->isEnabled());
    }
    return seen;
  }

  fs::path target_;
  std::chrono::steady_clock::time_point started_;
};

class RealWindowRunTest : public RunsTest {};

TEST_F(RealWindowRunTest, ATabClickedWhileTheRunWaitsLeavesTheLeftColumnFollowingTheShownTab) {
  sim.start({"--never-write"});
  const std::string at = folder("MAIN");
  write(at, "MAIN.APP", "TARGET=MAIN.EXE\n");
  seed({AppOnFile{"MAIN.APP", at, 1, 0, "MAIN.EXE", 1}});
  std::unique_ptr<ui::qt::QtBackend> qt = ui::qt::test::offscreen_backend();
  ASSERT_NE(qt, nullptr);
  TabClickDuringRun person(*qt, fs::path(at) / "MAIN.EXE");
  Main();

  ASSERT_EQ(person.stage, 4);
  EXPECT_FALSE(person.gave_up);
  EXPECT_THAT(person.messages, ::testing::IsEmpty());
  EXPECT_THAT(log_events(), ::testing::ElementsAre("MAIN.APP: Begin Make", "MAIN.APP: Make Finished"));
  // The run's wait takes no tab: the page stays with the buttons set for it.
  EXPECT_EQ(person.during_run.page, 1);
  EXPECT_EQ(person.during_run.chosen, 1);
  for (const LeftColumn* seen : {&person.during_run, &person.after_run, &person.clicked_after_run}) {
    EXPECT_EQ(seen->page, seen->chosen) << "the window and its picture agree on the tab";
    ASSERT_TRUE(seen->page == 1 || seen->page == 2) << seen->page;
    EXPECT_EQ(seen->shown, std::vector<bool>(4, true));
    EXPECT_EQ(seen->enabled, kEnabledOnTab[seen->page - 1]) << "the left column follows tab " << seen->page;
  }
  EXPECT_EQ(person.clicked_after_run.page, 2) << "after the run a click on a tab acts again";
}

}  // namespace

}  // namespace qvn::automation::testing

#endif  // QVN_TEST_WITH_QT
