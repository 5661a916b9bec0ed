// A window's folder watch: a change made by another process posts one
// FolderChanged that ends a nested loop, under the scripted user and under
// the real-time backend; the watch ends with its object or its window.

#include "platform/ui/folder_watch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "child_writer.h"
#include "platform/core/error_state.h"
#include "platform/files/file_tests.h"
#include "platform/ui/realtime_backend.h"
#include "platform/ui/window.h"
#include "support/file_text.h"
#include "support/headless.h"
#include "support/temp_folder.h"

namespace qvn::ui {
namespace {

namespace fs = std::filesystem;
using testing::ChildWriter;

std::unique_ptr<Window> make_window(int timer) {
  WindowDef def;
  def.caption = "Runs";
  def.timer = timer;
  ControlDef go;
  go.equate = "?GO";
  go.kind = ControlKind::Button;
  go.text = "&Go";
  def.controls.push_back(go);
  std::string error;
  auto w = Window::create(def, &error);
  EXPECT_NE(w, nullptr) << error;
  return w;
}

std::string content(const std::string& path) { return test_support::file_text(path); }

void touch(const std::string& path) { std::ofstream(path, std::ios::binary) << "x"; }

class FolderWatchTest : public ::testing::Test {
 protected:
  // Takes the events the window has queued now (its opening), without waiting.
  static std::vector<Event> queued(Window& w, int count) {
    std::vector<Event> seen;
    for (int i = 0; i < count && w.accept(); ++i) seen.push_back(w.event());
    return seen;
  }

  test_support::TempFolder folder_{"qvn-watch-test"};
  const std::string dir_ = folder_.string();
  const std::string target_ = dir_ + "/T.DLL";
};

struct ChildCase {
  const char* label;
  const char* script;
  bool old_target;  // a T.DLL is there before, and is replaced
};

void PrintTo(const ChildCase& c, std::ostream* os) { *os << c.label; }

class ChangeByAnotherProcess : public FolderWatchTest, public ::testing::WithParamInterface<ChildCase> {};

TEST_P(ChangeByAnotherProcess, PostsOneEventThatEndsTheNestedLoop) {
  HeadlessUser user;
  auto w = make_window(500);
  ASSERT_NE(w, nullptr);
  if (GetParam().old_target) std::ofstream(target_) << "old";
  w->open();
  FolderWatch watch(*w, dir_);
  ASSERT_TRUE(watch.active());
  std::unique_ptr<ChildWriter> child;
  user.then([&](WindowView& v) {
    child = std::make_unique<ChildWriter>(GetParam().script, dir_);
    ASSERT_TRUE(child->started());
    EXPECT_TRUE(v.wait_for_folder_change(30000, [&] { return child->ended(); }));
  });
  int changes = 0;
  bool made = false;
  std::vector<Event> seen;
  w->nested_loop([&] {
    seen.push_back(w->event());
    if (w->event() != Event::FolderChanged) return true;
    ++changes;
    made = content(target_) == "built";
    return !made;
  });
  EXPECT_TRUE(made);
  EXPECT_EQ(changes, 1);
  // Opening, then the change; no timer event: virtual time never moved.
  EXPECT_EQ(seen, (std::vector<Event>{Event::OpenWindow, Event::GainFocus, Event::FolderChanged}));
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->wait(), 0);
  EXPECT_FALSE(folder_change_pending(*w));
}

INSTANTIATE_TEST_SUITE_P(Writers, ChangeByAnotherProcess,
                         ::testing::Values(ChildCase{"WrittenInPlace", testing::kWriteInPlace, false},
                                           ChildCase{"RenamedIntoPlace", testing::kWriteAndRename, false},
                                           ChildCase{"ReplacedByARename", testing::kWriteAndRename, true}),
                         [](const ::testing::TestParamInfo<ChildCase>& info) { return std::string(info.param.label); });

TEST_F(FolderWatchTest, AReportedChangeComesBeforeADueTimerAndBeforeTheNextStep) {
  HeadlessUser user;  // no step: a wait for input would fail the test
  auto w = make_window(100);
  ASSERT_NE(w, nullptr);
  w->open();
  FolderWatch watch(*w, dir_);
  EXPECT_EQ(queued(*w, 2), (std::vector<Event>{Event::OpenWindow, Event::GainFocus}));
  user.advance_time(2000);
  touch(dir_ + "/MAIN.TXA");
  EXPECT_EQ(queued(*w, 2), (std::vector<Event>{Event::FolderChanged, Event::Timer}));
  EXPECT_EQ(user.steps_left(), 0u);
}

TEST_F(FolderWatchTest, ChangesTogetherGiveOneEventAndALaterChangeAnother) {
  HeadlessUser user;
  auto w = make_window(0);
  ASSERT_NE(w, nullptr);
  w->open();
  FolderWatch watch(*w, dir_);
  EXPECT_EQ(queued(*w, 2), (std::vector<Event>{Event::OpenWindow, Event::GainFocus}));
  touch(dir_ + "/A.TXA");
  touch(dir_ + "/B.TXA");
  fs::remove(dir_ + "/A.TXA");
  user.then([&](WindowView&) { touch(dir_ + "/C.TXA"); });
  user.then([](WindowView& v) { v.close(); });
  EXPECT_EQ(queued(*w, 3), (std::vector<Event>{Event::FolderChanged, Event::FolderChanged, Event::CloseWindow}));
}

enum class Ending { WatchGoes, WindowCloses };

class WatchEnding : public FolderWatchTest, public ::testing::WithParamInterface<Ending> {};

TEST_P(WatchEnding, NoEventAfterTheWatchEnds) {
  HeadlessUser user;
  auto w = make_window(0);
  ASSERT_NE(w, nullptr);
  w->open();
  auto watch = std::make_unique<FolderWatch>(*w, dir_);
  ASSERT_TRUE(watch->active());
  ASSERT_EQ(folder_watch_descriptors(*w).size(), 1u);
  if (GetParam() == Ending::WatchGoes) {
    watch.reset();
    EXPECT_EQ(queued(*w, 2), (std::vector<Event>{Event::OpenWindow, Event::GainFocus}));
  } else {
    w->close();
    EXPECT_FALSE(watch->active());
    w->open();
    EXPECT_EQ(queued(*w, 2), (std::vector<Event>{Event::OpenWindow, Event::GainFocus}));
  }
  EXPECT_TRUE(folder_watch_descriptors(*w).empty());
  touch(dir_ + "/MAIN.TXA");
  user.then([](WindowView& v) { v.close(); });
  EXPECT_EQ(queued(*w, 1), (std::vector<Event>{Event::CloseWindow}));
}

INSTANTIATE_TEST_SUITE_P(Endings, WatchEnding, ::testing::Values(Ending::WatchGoes, Ending::WindowCloses),
                         [](const ::testing::TestParamInfo<Ending>& info) {
                           return info.param == Ending::WatchGoes ? std::string("WatchGoes")
                                                                  : std::string("WindowCloses");
                         });

struct FolderCase {
  const char* label;
  std::string folder;  // after the test folder; "=" the test folder in the program's spelling
  bool window_open;
  bool active;
};

void PrintTo(const FolderCase& c, std::ostream* os) { *os << c.label; }

class WatchStart : public FolderWatchTest, public ::testing::WithParamInterface<FolderCase> {};

TEST_P(WatchStart, StartsOnlyOnAFolderOfAnOpenWindow) {
  const FolderCase& c = GetParam();
  HeadlessUser user;
  auto w = make_window(0);
  ASSERT_NE(w, nullptr);
  touch(dir_ + "/MAIN.APP");
  if (c.window_open) w->open();
  std::string folder = dir_ + c.folder;
  if (c.folder == "=") {
    folder = dir_ + "\\   ";
    for (char& ch : folder) ch = ch == '/' ? '\\' : ch;
  }
  set_error(err::AccessDenied, "kept");
  FolderWatch watch(*w, folder);
  EXPECT_EQ(error_code(), err::AccessDenied);
  clear_error();
  EXPECT_EQ(watch.active(), c.active) << folder;
  EXPECT_EQ(folder_watch_descriptors(*w).size(), c.active ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Folders, WatchStart,
                         ::testing::Values(FolderCase{"Folder", "", true, true},
                                           FolderCase{"ProgramSpelling", "=", true, true},
                                           FolderCase{"MissingFolder", "/nowhere", true, false},
                                           FolderCase{"AFileIsNoFolder", "/MAIN.APP", true, false},
                                           FolderCase{"WindowNotOpen", "", false, false}),
                         [](const ::testing::TestParamInfo<FolderCase>& info) {
                           return std::string(info.param.label);
                         });

TEST_F(FolderWatchTest, AFolderThatGoesAwayGivesAnEventAndEndsTheWatch) {
  HeadlessUser user;
  auto w = make_window(0);
  ASSERT_NE(w, nullptr);
  fs::create_directory(dir_ + "/out");
  w->open();
  FolderWatch watch(*w, dir_ + "/out");
  ASSERT_TRUE(watch.active());
  EXPECT_EQ(queued(*w, 2), (std::vector<Event>{Event::OpenWindow, Event::GainFocus}));
  fs::remove(dir_ + "/out");
  EXPECT_EQ(queued(*w, 1), (std::vector<Event>{Event::FolderChanged}));
  EXPECT_FALSE(watch.active());
  EXPECT_TRUE(folder_watch_descriptors(*w).empty());
}

// The real-time backend: the system clock, nobody at the screen.

TEST_F(FolderWatchTest, RealTimeTimerEventsComeOnTheRealClock) {
  RealTimeBackend backend;
  auto w = make_window(5);
  ASSERT_NE(w, nullptr);
  const auto start = std::chrono::steady_clock::now();
  w->open();
  EXPECT_EQ(queued(*w, 4), (std::vector<Event>{Event::OpenWindow, Event::GainFocus, Event::Timer, Event::Timer}));
  // Two periods of 50 ms, less the millisecond the clock reading may lose.
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(99));
}

TEST_F(FolderWatchTest, RealTimeChangeEndsTheWaitLongBeforeTheTimer) {
  RealTimeBackend backend;
  auto w = make_window(3000);  // 30 seconds
  ASSERT_NE(w, nullptr);
  w->open();
  FolderWatch watch(*w, dir_);
  ChildWriter child(testing::kWriteAndRename, dir_);
  ASSERT_TRUE(child.started());
  bool made = false;
  bool timer = false;
  w->nested_loop([&] {
    if (w->event() == Event::Timer) timer = true;
    if (w->event() == Event::FolderChanged) made = content(target_) == "built";
    return !made && !timer;
  });
  EXPECT_TRUE(made);
  EXPECT_FALSE(timer);
  EXPECT_EQ(child.wait(), 0);
}

TEST_F(FolderWatchTest, RealTimeWindowWithoutTimerClosesAndBoxesTakeTheirDefault) {
  RealTimeBackend backend;
  auto w = make_window(0);
  ASSERT_NE(w, nullptr);
  w->open();
  FolderWatch watch(*w, dir_);
  EXPECT_EQ(queued(*w, 3), (std::vector<Event>{Event::OpenWindow, Event::GainFocus}));
  EXPECT_FALSE(w->is_open());
  EXPECT_EQ(message("Are you sure?", "Confirm", MessageIcon::Question, button::Yes | button::No, button::No),
            button::No);
  ASSERT_EQ(backend.messages().size(), 1u);
  EXPECT_EQ(backend.messages()[0].text, "Are you sure?");
}

}  // namespace
}  // namespace qvn::ui
