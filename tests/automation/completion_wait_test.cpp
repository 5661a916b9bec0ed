// The completion wait inside a window's accept loop, against ide-sim
// running as a real process. Virtual time moves only once the real work it
// stands for is over: the tests first wait, in real time, for ide-sim's
// output or for its word that it will write none.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ctime>

#include "automation/conversation.h"
#include "conversation_fixture.h"

namespace qvn::automation::testing {
namespace {

using ::testing::ElementsAre;

class CompletionWaitTest : public ConversationTest {
 protected:
  // One application's make, as a make run does it: connect, command, send,
  // error check, "DDE Ack.", the wait for the target, the close.
  void make_run(RunWindow& w, const fs::path& app, const fs::path& target, WaitOn on) {
    w.on_go = [this, &w, app, target, on](Conversation& c) {
      w.log.Open();
      ASSERT_TRUE(c.Connect());
      fs::remove(target);
      w.log.Entry("MAIN.APP", "Begin Make");
      ASSERT_TRUE(c.SetCommand(Command::GenerateAndMake, app.string(), "MAIN.APP"));
      c.Send(true);
      c.ErrorCheck();
      ASSERT_EQ(error_code(), 0) << error_text();
      c.vars().StatusMsg = "MAIN.APP DDE Ack. 1";
      w.window->display();
      end = c.CompletionWait(
          "MAIN.APP", on, [target] { return file_exists(target.string()); },
          [&c, &w] {
            c.vars().StatusMsg = "MAIN.APP Compiled & Made 1";
            w.window->display();
            w.log.Entry("MAIN.APP", "Make Finished");
          });
      c.CloseWhenConnected();
      c.EndRun();
      c.vars().StatusMsg = "Processing Complete";
      w.window->display();
    };
  }

  // A timer event of the window, by moving virtual time to it.
  static void next_timer(ui::WindowView& v) { v.advance_time(5000); }

  WaitEnd end = WaitEnd::WindowClosed;
};

TEST_F(CompletionWaitTest, AMakeFinishesAtTheFirstEventAfterItsTargetAppears) {
  start_sim({"--build-seconds", "0.2"});
  const fs::path app = write_app("MAIN.APP", "TARGET=MAIN.EXE\n");
  const fs::path target = work / "MAIN.EXE";
  std::ofstream(target) << "old";
  ui::HeadlessUser user;
  RunWindow w;
  make_run(w, app, target, WaitOn::AnyEvent);
  user.on_window(kRunCaption, [](ui::WindowView& v) { v.press("?GO"); });
  user.then([&](ui::WindowView& v) {
    EXPECT_EQ(v.text("?STATUSMSG"), "MAIN.APP DDE Ack. 1");
    EXPECT_FALSE(fs::exists(target)) << "the old target is gone until the environment writes it again";
    ASSERT_TRUE(v.wait_for([&] { return fs::exists(target); }, 10000));
    v.window().post(ui::Event::GainFocus);  // any event at all
  });
  user.then([&](ui::WindowView& v) {
    EXPECT_EQ(end, WaitEnd::Finished);
    EXPECT_EQ(read_file(target).rfind("Built by ide-sim", 0), 0u);
    EXPECT_EQ(w.Connected, 0) << "each application's conversation is closed after its wait";
    EXPECT_EQ(v.text("?STATUSMSG"), "Processing Complete");
    v.press("Close");
  });
  w.run();
  EXPECT_THAT(log_events(), ElementsAre("MAIN.APP: Begin Make", "MAIN.APP: Make Finished"));
  EXPECT_TRUE(sim_says("conversation 1 closed"));
}

TEST_F(CompletionWaitTest, AnImportOrExportLooksOnlyOnTimerEvents) {
  start_sim({"--build-seconds", "0.1"});
  const fs::path app = write_app("MAIN.APP", "TARGET=MAIN.EXE\n");
  const fs::path target = work / "MAIN.EXE";
  ui::HeadlessUser user;
  RunWindow w;
  make_run(w, app, target, WaitOn::TimerEvent);
  user.then([](ui::WindowView& v) { v.press("?GO"); });
  user.then([&](ui::WindowView& v) {
    ASSERT_TRUE(v.wait_for([&] { return fs::exists(target); }, 10000));
    v.window().post(ui::Event::GainFocus);
  });
  user.then([&](ui::WindowView& v) {
    EXPECT_EQ(v.text("?STATUSMSG"), "MAIN.APP DDE Ack. 1") << "the file is there, but no timer event came yet";
    next_timer(v);
  });
  user.then([&](ui::WindowView& v) {
    EXPECT_EQ(end, WaitEnd::Finished);
    v.close();
  });
  w.run();
  EXPECT_THAT(log_events(), ElementsAre("MAIN.APP: Begin Make", "MAIN.APP: Make Finished"));
}

TEST_F(CompletionWaitTest, ATargetThatNeverComesEndsTheWaitAfterTheLimitEvenAcrossMidnight) {
  start_sim({"--never-write"});
  const fs::path app = write_app("MAIN.APP", "TARGET=MAIN.EXE\n");
  const fs::path target = work / "MAIN.EXE";
  // 23:58 local time: a limit reckoned by the time of day would never come.
  std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  local.tm_hour = 23;
  local.tm_min = 58;
  local.tm_sec = 0;
  ui::HeadlessUser user(static_cast<int64_t>(std::mktime(&local)) * 1000);
  RunWindow w;
  make_run(w, app, target, WaitOn::AnyEvent);
  user.then([](ui::WindowView& v) { v.press("?GO"); });
  user.then([&](ui::WindowView& v) {
    ASSERT_TRUE(sim_says("not writing")) << "ide-sim has decided to write nothing";
    v.advance_time(5 * 60000 - 5000);
  });
  user.then([&](ui::WindowView& v) {
    EXPECT_EQ(v.text("?STATUSMSG"), "MAIN.APP DDE Ack. 1") << "not yet five minutes";
    next_timer(v);
  });
  user.then([&](ui::WindowView& v) {
    EXPECT_EQ(end, WaitEnd::TimedOut);
    EXPECT_EQ(v.text("?STATUSMSG"), "Processing Complete") << "the run went on";
    EXPECT_EQ(w.Connected, 0);
    v.close();
  });
  w.run();
  EXPECT_THAT(log_events(), ElementsAre("MAIN.APP: Begin Make", "MAIN.APP: Error 2 Output not found after 5 minutes"));
}

TEST_F(CompletionWaitTest, AskingTheWindowToCloseEndsTheRunThenClosesIt) {
  start_sim({"--never-write"});
  const fs::path app = write_app("MAIN.APP", "TARGET=MAIN.EXE\n");
  const fs::path target = work / "MAIN.EXE";
  ui::HeadlessUser user;
  RunWindow w;
  make_run(w, app, target, WaitOn::TimerEvent);
  user.then([](ui::WindowView& v) { v.press("?GO"); });
  user.then([&](ui::WindowView& v) {
    EXPECT_EQ(v.text("?STATUSMSG"), "MAIN.APP DDE Ack. 1");
    // No button acts while a run waits: the press is refused, the close box is not.
    EXPECT_FALSE(v.window().user_press(v.field("Close")));
  });
  user.then([&](ui::WindowView& v) { v.close(); });
  w.run();
  EXPECT_EQ(end, WaitEnd::CloseRequested);
  EXPECT_EQ(w.close_events, 1) << "the request reached the window once the run had ended";
  EXPECT_EQ(w.Connected, 0);
  EXPECT_TRUE(data::TMP.APPS.blank()) << "the run's end cleared the log record";
  EXPECT_THAT(log_events(), ElementsAre("MAIN.APP: Begin Make", "MAIN.APP: Run ended: the window is closing"));
  EXPECT_TRUE(sim_says("conversation 1 closed"));
}

}  // namespace
}  // namespace qvn::automation::testing
