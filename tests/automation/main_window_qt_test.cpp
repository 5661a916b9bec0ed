// The real main window: Main on the Qt rendering (Qt's offscreen platform)
// over the demo's data, a picture of each tab written as a PNG file: the
// Projects tab with every project expanded, the subsets tab with ticks; and
// each tab's layout looked at: every button's text fits it, and nothing
// covers a group's caption. With QVN_MAIN_WINDOW_PICTURES naming a folder,
// the pictures are also written there (main_window_tab1.png to
// main_window_tab4.png).

#ifdef QVN_TEST_WITH_QT

#include <QtWidgets/QApplication>
#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "demo_catalog.h"
#include "demo_fixture.h"
#include "main_window_fixture.h"
#include "layout_faults.h"
#include "platform/ui/qt/qt_backend.h"
#include "platform/ui/qt/window_widget.h"

namespace qvn::automation::testing {

namespace {

// The Qt rendering, with a person who looks at the window each time it
// waits and does one thing: notes its application list and takes a picture
// of the first tab; on the second tab presses "Expand All" and takes a
// picture of the expanded projects; takes one of the third tab; on the
// fourth toggles the first two applications of the first project into the
// subset and takes a picture of the ticks; then closes the window. Each
// picture goes into every folder given.
class Photographer final : public ui::Backend {
 public:
  Photographer(ui::qt::QtBackend& qt, std::vector<fs::path> folders) : qt_(qt), folders_(std::move(folders)) {}

  void window_opened(ui::Window& w) override { qt_.window_opened(w); }
  void window_closed(ui::Window& w) override { qt_.window_closed(w); }
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

  std::vector<std::string> listed;
  std::vector<std::string> tree;
  std::vector<int> ticks;
  std::vector<std::string> messages;
  std::vector<std::string> faults;
  std::vector<bool> saved;
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
    for (QWidget* top : QApplication::topLevelWidgets()) {
      auto* v = dynamic_cast<ui::qt::WindowWidget*>(top);
      if (v == nullptr || v->window() != &w) continue;
      for (const std::string& f : ui::qt::test::layout_faults(v)) faults.push_back("tab " + std::to_string(tab) + ": " + f);
    }
    const std::string name = "main_window_tab" + std::to_string(tab) + ".png";
    for (const fs::path& folder : folders_) saved.push_back(qt_.save_picture(w, (folder / name).string()));
  }
  void choose_tab(ui::Window& w, int tab) {
    tabs_chosen += w.user_choose_tab(w.field("?SHEET1"), w.field("?TAB" + std::to_string(tab))) ? 1 : 0;
  }

  ui::qt::QtBackend& qt_;
  std::vector<fs::path> folders_;
  int waits_ = 0;
};

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(MainWindowTest, TheRealWindowShowsTheDemoApplications) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
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

  std::unique_ptr<ui::qt::QtBackend> qt = ui::qt::QtBackend::create();
  ASSERT_NE(qt, nullptr);
  std::vector<fs::path> folders = {dir};
  if (const char* wanted = std::getenv("QVN_MAIN_WINDOW_PICTURES"); wanted && *wanted) folders.push_back(wanted);
  Photographer person(*qt, folders);
  ui::install_backend(&person);
  Main();
  ui::install_backend(nullptr);

  EXPECT_EQ(person.caption, kCaption);
  EXPECT_TRUE(person.shown);
  EXPECT_EQ(person.listed, expected);
  EXPECT_TRUE(person.messages.empty());
  EXPECT_EQ(person.tabs_chosen, 3);
  EXPECT_EQ(person.pressed, 3);
  EXPECT_EQ(person.tree, expanded);
  EXPECT_EQ(person.ticks, (std::vector<int>{1, 1, 0})) << "the first project's first two applications";
  EXPECT_EQ(person.faults, std::vector<std::string>{});
  ASSERT_EQ(person.saved, std::vector<bool>(4 * folders.size(), true));
  for (int tab = 1; tab <= 4; ++tab) {
    const std::string png = slurp(dir / ("main_window_tab" + std::to_string(tab) + ".png"));
    ASSERT_GT(png.size(), 1000u) << tab;
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8)) << tab;
  }
}

// The Qt rendering with a person who presses "Start Clarion" once the
// window is shown, and "Gen && Make (.APP)" once it is connected; in
// between and during the run the window waits as it does for a person, on
// Qt's own loop in real time. Once the status line reads "Processing
// Complete" a picture is taken and the window closed. A run that takes
// longer than a minute is given up.
class RunWatcher final : public ui::Backend {
 public:
  RunWatcher(ui::qt::QtBackend& qt, std::vector<fs::path> pictures) : qt_(qt), pictures_(std::move(pictures)) {}

  void window_opened(ui::Window& w) override { qt_.window_opened(w); }
  void window_closed(ui::Window& w) override { qt_.window_closed(w); }
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
      for (const fs::path& folder : pictures_) saved.push_back(qt_.save_picture(w, (folder / "main_window_run.png").string()));
      stage = 3;
      w.post(ui::Event::CloseWindow);
      return;
    }
    if (stage > 2 || std::chrono::steady_clock::now() - started_ > std::chrono::minutes(1)) {
      gave_up = stage <= 2;
      w.post(ui::Event::CloseWindow);
      return;
    }
    qt_.wait_for_event(w);
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
  void beep() override { ++beeps; }

  int stage = 0;  // 0 to start, 1 connecting, 2 making, 3 done, 9 a press refused
  bool gave_up = false;
  int beeps = 0;
  std::vector<std::string> messages;
  std::vector<bool> saved;

 private:
  ui::qt::QtBackend& qt_;
  std::vector<fs::path> pictures_;
  std::chrono::steady_clock::time_point started_;
};

TEST_F(DemoRunsTest, TheRealWindowMakesTheDemoApplicationsAndShowsItsRunComplete) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  std::unique_ptr<ui::qt::QtBackend> qt = ui::qt::QtBackend::create();
  ASSERT_NE(qt, nullptr);
  std::vector<fs::path> folders = {dir};
  if (const char* wanted = std::getenv("QVN_MAIN_WINDOW_PICTURES"); wanted && *wanted) folders.push_back(wanted);
  RunWatcher person(*qt, folders);
  ui::install_backend(&person);
  Main();
  ui::install_backend(nullptr);

  EXPECT_EQ(person.stage, 3);
  EXPECT_FALSE(person.gave_up);
  EXPECT_EQ(person.beeps, 2);
  ASSERT_EQ(person.messages.size(), 1u) << "only the warning that the environment was not running";
  EXPECT_EQ(person.messages[0].rfind("Clarion is not currently running.", 0), 0u);
  EXPECT_THAT(log_events(), ::testing::ElementsAreArray(made_log({"LEDGER.APP", "ACCOUNTS.APP", "ORDERS.APP"})));
  for (const char* file : {"LEDGER.APP", "ACCOUNTS.APP", "ORDERS.APP"}) {
    EXPECT_TRUE(fs::exists(target_of(demo_app(file)))) << file;
  }
  ASSERT_EQ(person.saved, std::vector<bool>(folders.size(), true));
  const std::string png = slurp(dir / "main_window_run.png");
  ASSERT_GT(png.size(), 1000u);
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
}

}  // namespace

}  // namespace qvn::automation::testing

#endif  // QVN_TEST_WITH_QT
