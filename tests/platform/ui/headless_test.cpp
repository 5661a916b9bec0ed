
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/core/error_state.h"
#include "platform/core/fixed_string.h"
#include "platform/report/report.h"
#include "quiet_backend.h"
#include "support/headless.h"
#include "support/temp_folder.h"

namespace qvn::ui {
namespace {

using values::VarRef;

constexpr const char* kMain = "Lorvane --  QVN v.6.1";
constexpr const char* kTreeMenu = "&Insert|Chan&ge|&Delete|-|&Expand All|Co&ntract All";

using testing::control;

// A small window procedure in the main window's manner: Empty Log asks
// first, Tag moves the list on, a run waits in a nested loop for a file on
// timer events, a form opens modally, Close posts the close event.
struct MiniMain {
  VectorListModel apps;
  FixedString<30> status;
  std::string target;  // the file a run waits for
  std::vector<int> popup_answers;
  int gain_focus = 0;
  int timers = 0;
  int form_runs = 0;
  Window* window = nullptr;

  MiniMain() { apps.data() = {{"", "MAIN.APP"}, {"", "ACCT.APP"}, {"", "BILL.APP"}}; }

  void run() {
    WindowDef def;
    def.caption = kMain;
    def.timer = 500;
    def.hidden_at_start = true;
    // clang-format off
    def.controls = {
        control("?SHEET1", ControlKind::Sheet),
        control("?TAB1", ControlKind::Tab, 1, "&Applications"),
        control("?LIST", ControlKind::List, 2),
        control("?BUTTON13", ControlKind::Button, 2, "&Tag"),
        control("?TAB2", ControlKind::Tab, 1, "&Projects"),
        control("?INSERT:2", ControlKind::Button, 5, "&Insert"),
        control("?BUTTON17", ControlKind::Button, 0, "Empty Log"),
        control("?EXECUTEAPP", ControlKind::Button, 0, "&Gen && Make    (.APP)"),
        control("?CHANGE", ControlKind::Button, 2, "Chan&ge"),
        control("?STATUSMSG", ControlKind::Entry),
        control("?BUTTON7", ControlKind::Button, 0, "Close"),
    };
    // clang-format on
    def.controls[2].format = "10C@s1@200L(2)~.App~@s50@";
    def.controls[9].picture = "@s30";
    def.controls[9].use = VarRef::of(status);
    std::string error;
    auto w = Window::create(def, &error);
    ASSERT_NE(w, nullptr) << error;
    window = w.get();
    const int list = w->field("?LIST");
    w->set_list(list, &apps);
    w->open();
    while (w->accept()) {
      switch (w->event()) {
        case Event::OpenWindow: w->set_hidden(false); break;
        case Event::GainFocus: ++gain_focus; break;
        case Event::Timer: ++timers; break;
        case Event::CloseWindow: w->close(); break;
        case Event::NewSelection:
          if (w->field() == list && w->keycode() == key::MouseRight) popup_answers.push_back(w->popup(kTreeMenu));
          break;
        case Event::Accepted: take_accepted(*w); break;
        default: break;
      }
    }
    window = nullptr;
  }

  void take_accepted(Window& w) {
    const int f = w.accepted();
    if (f == w.field("?BUTTON17")) {
      if (message("Are you entirely sure?", "Best be sure, chaver", MessageIcon::Question, button::Yes + button::No) ==
          button::Yes) {
        apps.data().clear();
        w.list_changed(w.field("?LIST"));
      }
      w.select(w.field("?SHEET1"));
    } else if (f == w.field("?BUTTON13")) {
      w.select(w.field("?LIST"));
      w.post(Event::ScrollDown, w.field("?LIST"));
    } else if (f == w.field("?EXECUTEAPP")) {
      w.to_front();
      status = "Sent";
      w.display();
      w.nested_loop([&] {
        if (w.event() == Event::Timer && std::filesystem::exists(target)) {
          status = "Made";
          w.display();
          return false;
        }
        return true;
      });
    } else if (f == w.field("?INSERT:2")) {
      ++form_runs;
      run_form();
    } else if (f == w.field("?BUTTON7")) {
      w.post(Event::CloseWindow);
    }
  }

  static void run_form() {
    WindowDef def;
    def.caption = "Application Information";
    def.controls = {control("?OK", ControlKind::Button, 0, "&Ok"),
                    control("?CANCEL", ControlKind::Button, 0, "&Cancel")};
    auto w = Window::create(def, nullptr);
    w->open();
    while (w->accept()) {
      if (w->event() == Event::CloseWindow || w->accepted() != 0) w->close();
    }
  }
};

// Every failure the statement reports, kept from the test's own result.
std::vector<std::string> failures_of(const std::function<void()>& statement) {
  ::testing::TestPartResultArray results;
  {
    ::testing::ScopedFakeTestPartResultReporter reporter(
        ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
    statement();
  }
  std::vector<std::string> texts;
  for (int i = 0; i < results.size(); ++i) texts.push_back(results.GetTestPartResult(i).message());
  return texts;
}

TEST(HeadlessUser, ScriptedStoryAnswersAMessageAndSeesTheResult) {
  HeadlessUser user;
  MiniMain main;
  user.on_window(kMain, [](WindowView& w) {
    EXPECT_FALSE(w.window_hidden()) << "shown when its open-window event arrived";
    EXPECT_EQ(w.list_rows("?LIST").size(), 3u);
    EXPECT_EQ(w.list_rows("?LIST")[1], (std::vector<std::string>{"", "ACCT.APP"}));
    w.press("Empty Log");
  });
  user.answer_message("Are you entirely sure?", button::Yes);
  user.then([](WindowView& w) {
    EXPECT_TRUE(w.list_rows("?LIST").empty());
    EXPECT_TRUE(w.has_focus("?SHEET1"));
    EXPECT_EQ(w.focus(), "?SHEET1");
    w.press("Close");
  });
  main.run();

  ASSERT_EQ(user.messages().size(), 1u);
  const MessageBoxDef& box = user.messages()[0].box;
  EXPECT_EQ(box.caption, "Best be sure, chaver");
  EXPECT_EQ(box.icon, MessageIcon::Question);
  EXPECT_EQ(box.buttons, button::Yes + button::No);
  EXPECT_EQ(box.default_button, 0);
  EXPECT_EQ(user.messages()[0].answer, button::Yes);
  EXPECT_EQ(user.windows_opened(), (std::vector<std::string>{kMain}));
  EXPECT_EQ(user.steps_left(), 0u);
}

TEST(HeadlessUser, TagMovesTheSelectionToTheNextRow) {
  HeadlessUser user;
  MiniMain main;
  user.then([](WindowView& w) {
    w.select_row("?LIST", 1);
    w.press("Tag");
  });
  user.then([](WindowView& w) {
    EXPECT_EQ(w.choice("?LIST"), 2);
    EXPECT_TRUE(w.has_focus("?LIST"));
    w.close();
  });
  main.run();
}

TEST(HeadlessUser, TimersFireOnlyWhenTheScriptMovesTime) {
  HeadlessUser user;
  MiniMain main;
  user.then([&](WindowView& w) { w.advance_time(4999); });
  user.then([&](WindowView& w) {
    EXPECT_EQ(main.timers, 0);
    w.advance_time(1);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(main.timers, 1);
    w.close();
  });
  main.run();
  EXPECT_EQ(main.timers, 1);
}

TEST(HeadlessUser, WaitsForARealFileBeforeMovingVirtualTime) {
  const test_support::TempFolder folder("qvn-headless");
  const std::filesystem::path dir = folder.path();
  HeadlessUser user;
  MiniMain main;
  main.target = (dir / "MAIN.EXE").string();
  user.then([](WindowView& w) { w.press("?EXECUTEAPP"); });
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text("?STATUSMSG"), "Sent");
    std::thread writer([&] { std::ofstream(main.target) << "MZ"; });
    EXPECT_TRUE(w.wait_for([&] { return std::filesystem::exists(main.target); }, 5000));
    writer.join();
    w.advance_time(5000);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text("?STATUSMSG"), "Made");
    EXPECT_EQ(main.timers, 0) << "the run's nested loop took the Timer";
    EXPECT_EQ(user.brought_to_front(), 1);
    w.close();
  });
  main.run();
}

TEST(HeadlessUser, AModalFormBlocksTheMainWindow) {
  HeadlessUser user;
  MiniMain main;
  user.then([](WindowView& w) { w.choose_tab("&Projects"); });
  user.then([](WindowView& w) { w.press("?INSERT:2"); });
  user.on_window("Application Information", [&](WindowView& w) {
    ASSERT_EQ(open_windows().size(), 2u);
    Window& below = *open_windows()[0];
    EXPECT_FALSE(below.user_press(below.field("?BUTTON7")));
    EXPECT_FALSE(below.user_close());
    w.press("&Cancel");
  });
  user.on_window(kMain, [&](WindowView& w) {
    EXPECT_EQ(main.gain_focus, 2) << "once at open, once when the form closed";
    w.close();
  });
  main.run();
  EXPECT_EQ(main.form_runs, 1);
  EXPECT_EQ(user.windows_opened(), (std::vector<std::string>{kMain, "Application Information"}));
}

TEST(HeadlessUser, PopupItemsAreNumberedWithoutTheSeparator) {
  HeadlessUser user;
  MiniMain main;
  user.then([](WindowView& w) { w.right_click_row("?LIST", 2); });
  user.choose_popup("&Expand All");
  user.then([](WindowView& w) { w.right_click_row("?LIST", 2); });
  user.choose_popup("Contract All");
  user.then([](WindowView& w) { w.right_click_row("?LIST", 1); });
  user.choose_popup(0);
  user.then([](WindowView& w) { w.close(); });
  main.run();
  EXPECT_EQ(main.popup_answers, (std::vector<int>{4, 5, 0}));
  EXPECT_EQ(user.popups(), (std::vector<std::string>(3, kTreeMenu)));
}

TEST(HeadlessUser, FindsControlsByTextAndRefusesWhatCannotBeDone) {
  HeadlessUser user;
  MiniMain main;
  std::vector<std::string> failures;
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.field("Gen & Make    (.APP)"), w.field("?EXECUTEAPP"));
    EXPECT_EQ(w.field("&Gen && Make    (.APP)"), w.field("?EXECUTEAPP"));
    EXPECT_EQ(w.field("Chan&ge"), w.field("?CHANGE"));
    EXPECT_EQ(w.field("&Insert"), w.field("?INSERT:2")) << "one of its kind";
    EXPECT_TRUE(w.is_hidden("&Insert")) << "its tab is not chosen";
    EXPECT_EQ(w.text("&Applications"), "Applications");
    failures = failures_of([&] {
      w.press("&Insert");
      w.press("Nothing of the kind");
      w.type("Close", "x");
    });
    w.close();
  });
  main.run();
  ASSERT_EQ(failures.size(), 3u);
  EXPECT_NE(failures[0].find("cannot press &Insert"), std::string::npos) << failures[0];
  EXPECT_NE(failures[1].find("no control showing \"Nothing of the kind\""), std::string::npos) << failures[1];
  EXPECT_NE(failures[2].find("cannot type into Close"), std::string::npos) << failures[2];
}

// Filled by the stories below, which EXPECT_NONFATAL_FAILURE runs as plain functions.
MiniMain* story_main = nullptr;
HeadlessUser::ShownMessage story_message;

void unanswered_message_story() {
  HeadlessUser user;
  user.then([](WindowView& w) { w.press("Empty Log"); });
  user.then([](WindowView& w) { w.close(); });
  story_main->run();
  story_message = user.messages().at(0);
}

void window_without_steps_story() {
  HeadlessUser user;
  story_main->run();
}

void step_that_never_runs_story() {
  HeadlessUser user;
  user.answer_message("Processing Complete", button::Ok);
}

TEST(HeadlessUser, AnUnansweredMessageFailsTheTestAndIsClosed) {
  MiniMain main;
  story_main = &main;
  EXPECT_NONFATAL_FAILURE(unanswered_message_story(),
                          "Message \"Are you entirely sure?\" (caption \"Best be sure, chaver\") is not answered");
  EXPECT_EQ(story_message.answer, button::No) << "a Yes/No box closed without a choice says No";
  EXPECT_EQ(main.apps.rows(), 3u);
  EXPECT_EQ(main.window, nullptr) << "the story ended";
}

TEST(HeadlessUser, AWindowWaitingWithoutStepsFailsTheTestAndIsClosed) {
  MiniMain main;
  story_main = &main;
  EXPECT_NONFATAL_FAILURE(window_without_steps_story(),
                          "Window \"Lorvane --  QVN v.6.1\" waits for input, but the script has no step left");
  EXPECT_EQ(main.window, nullptr);
}

TEST(HeadlessUser, AStepThatNeverRanFailsTheTest) {
  EXPECT_NONFATAL_FAILURE(step_that_never_runs_story(),
                          "The script's step never ran: an answer to the message \"Processing Complete\"");
}

TEST(HeadlessUser, AStepForAnotherWindowFailsAndTheWindowCloses) {
  MiniMain main;
  auto failures = failures_of([&] {
    HeadlessUser user;
    user.on_window("Activity Log", [](WindowView& w) { w.close(); });
    main.run();
  });
  ASSERT_EQ(failures.size(), 2u);
  EXPECT_NE(failures[0].find("Window \"Lorvane --  QVN v.6.1\" waits for input, but the next step is a step for "
                             "window \"Activity Log\""),
            std::string::npos)
      << failures[0];
  EXPECT_NE(failures[1].find("never ran"), std::string::npos) << failures[1];
}

TEST(HeadlessUser, AWindowThatIgnoresCloseIsClosedOutright) {
  WindowDef def;
  def.caption = "Stubborn";
  int turns = 0;
  auto failures = failures_of([&] {
    HeadlessUser user;
    auto w = Window::create(def, nullptr);
    w->open();
    while (w->accept()) ++turns;
  });
  EXPECT_EQ(failures.size(), 2u) << "once for each wait";
  EXPECT_EQ(turns, 3) << "OpenWindow, GainFocus, the CloseWindow it did not act on";
}

TEST(HeadlessUser, InstallsItselfAndPutsBackWhatWasThere) {
  Backend* before = installed_backend();
  {
    HeadlessUser user(1000);
    EXPECT_EQ(installed_backend(), &user);
    EXPECT_EQ(current_clock().now_ms(), 1000);
    user.advance_time(250);
    EXPECT_EQ(current_clock().now_ms(), 1250);
    EXPECT_EQ(current_clock().steady_ms(), 250);
    set_error(err::AccessDenied);
    user.answer_any_message(button::Ok);
    EXPECT_EQ(message("Processing Complete"), button::Ok);
    EXPECT_EQ(error_code(), err::AccessDenied) << "a message box leaves the last error as it was";
    ASSERT_EQ(user.messages().size(), 1u);
    EXPECT_EQ(user.messages()[0].box.buttons, button::Ok) << "no buttons given: OK alone";
    beep();
    beep();
    EXPECT_EQ(user.beeps(), 2);
  }
  EXPECT_EQ(installed_backend(), before);
  EXPECT_NE(current_clock().now_ms(), 1250);
  clear_error();
}

TEST(HeadlessUser, ARepeatingStepRunsUntilItsWindowClosesAndLetsBoxesThrough) {
  HeadlessUser user;
  user.keep_on_window("Ticker", [](WindowView& w) { w.advance_time(100); });
  user.answer_message("Third tick", button::Ok);
  user.then([](WindowView& w) { w.close(); });
  WindowDef def;
  def.caption = "Ticker";
  def.timer = 10;
  int ticks = 0;
  auto w = Window::create(def, nullptr);
  ASSERT_NE(w, nullptr);
  w->open();
  while (w->accept()) {
    if (w->event() != Event::Timer) continue;
    if (++ticks == 3) message("Third tick");
    if (ticks == 5) w->close();
  }
  EXPECT_EQ(ticks, 5);
  EXPECT_EQ(user.messages().size(), 1u);
  // The repeat ended with its window; the next step is for the next window.
  EXPECT_EQ(user.steps_left(), 1u);
  def.caption = "Next";
  auto next = Window::create(def, nullptr);
  next->open();
  while (next->accept()) {
    if (next->event() == Event::CloseWindow) next->close();
  }
  EXPECT_EQ(user.steps_left(), 0u);
}

// Three pages of two lines from five prints.
std::unique_ptr<report::Report> three_pages() {
  report::ReportDef def;
  def.detail_area = {0, 0, 1000, 200};
  def.details = {{"?D", {0, 0, 1000, 100}, {report::text({0, 0, 100, 100}, "x")}}};
  auto r = report::Report::create(def, nullptr);
  if (!r) return r;
  r->open();
  for (int i = 0; i < 5; ++i) r->print();
  r->end_page();
  return r;
}

TEST(HeadlessUser, PreviewsAreAnsweredAndKeepTheirPages) {
  auto r = three_pages();
  ASSERT_NE(r, nullptr);
  HeadlessUser user;
  user.print_preview();
  user.print_preview({3, 1});
  user.leave_preview();
  const PreviewResult all = preview(r->document());
  const PreviewResult chosen = preview(r->document(), PreviewDef{"Pages", false});
  r->close();
  const PreviewResult left = preview(r->document());
  EXPECT_TRUE(all.printed);
  EXPECT_EQ(all.pages, (std::vector<int>{1, 2, 3}));
  EXPECT_TRUE(chosen.printed);
  EXPECT_EQ(chosen.pages, (std::vector<int>{3, 1}));
  EXPECT_FALSE(left.printed);
  EXPECT_TRUE(left.pages.empty());
  ASSERT_EQ(user.previews().size(), 3u);
  EXPECT_EQ(user.previews()[0].def.title, "Report Preview");
  EXPECT_TRUE(user.previews()[0].def.maximized);
  EXPECT_EQ(user.previews()[1].def.title, "Pages");
  EXPECT_EQ(user.previews()[0].document.page_count(), 3u) << "kept after the report dropped its pages";
  EXPECT_EQ(user.previews()[2].document.page_count(), 0u);
}

TEST(HeadlessUser, AnUnansweredPreviewOrAPageThatIsNotThereFails) {
  auto r = three_pages();
  ASSERT_NE(r, nullptr);
  PreviewResult unanswered;
  PreviewResult missing_page;
  auto failures = failures_of([&] {
    HeadlessUser user;
    unanswered = preview(r->document());
    user.print_preview({2, 4});
    missing_page = preview(r->document());
  });
  ASSERT_EQ(failures.size(), 2u);
  EXPECT_NE(failures[0].find("Print preview \"Report Preview\" of 3 pages is not answered"), std::string::npos)
      << failures[0];
  EXPECT_NE(failures[1].find("has no page 4"), std::string::npos) << failures[1];
  EXPECT_FALSE(unanswered.printed);
  EXPECT_EQ(missing_page.pages, (std::vector<int>{2}));
}

}  // namespace
}  // namespace qvn::ui
