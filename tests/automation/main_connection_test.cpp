// The main window's connection to the environment: the first attempt when
// it opens, the warning when nothing answers, "Start Clarion" and
// "Disconnect".

#include <gtest/gtest.h>
#include <signal.h>

#include "conversation_fixture.h"
#include "main_window_fixture.h"
#include "support/headless.h"
#include "support/wait.h"

namespace qvn::automation::testing {
namespace {

using ui::HeadlessUser;
using ui::WindowView;

constexpr const char* kNotRunning =
    "Clarion is not currently running. How you expect to compile anything is a mystery to me.||"
    "Press \"Start Clarion\" now, will ya'?";

using MainConnectionTest = MainWindowTest;

// Ends the copies of ide-sim the window started through its command line;
// their process ids are in their sockets' names ("<service>.<pid>.<n>.sock").
void end_started_environments(const fs::path& sockets) {
  for (const std::string& path : dde::service_sockets(sockets.string(), kService)) {
    const std::string name = fs::path(path).filename().string();
    const size_t a = name.find('.');
    ::kill(std::stoi(name.substr(a + 1, name.find('.', a + 1) - a - 1)), SIGKILL);
  }
}

TEST_F(MainConnectionTest, WithoutTheEnvironmentTheWindowWarnsBeforeAnythingElse) {
  seed({});
  environment.stop();
  write_settings({{"NewLog", "N"}, {"FilePath", data_folder()}});  // no command line: the settings window opens
  HeadlessUser user;
  size_t messages_before_settings = 0;
  main_calls().GetConfig = [&] {
    messages_before_settings = user.messages().size();
    data::GLO_RunString = "ide-sim";
  };
  user.answer_message(kNotRunning, ui::button::Ok);
  user.on_window(kCaption, [](WindowView& w) {
    EXPECT_EQ(w.text(STATUSMSG), "Not Connected to Clarion");
    EXPECT_EQ(w.text(STATUSMSG_2), "Not Connected to Clarion");
    w.press(BUTTON7);
  });
  Main();
  ASSERT_EQ(user.messages().size(), 1u);
  EXPECT_EQ(user.messages()[0].box.caption, "Warning");
  EXPECT_EQ(user.messages()[0].box.icon, ui::MessageIcon::Stop);
  EXPECT_EQ(user.messages()[0].box.buttons, ui::button::Ok);
  EXPECT_EQ(messages_before_settings, 1u) << "the warning comes as the window opens, before the settings";
}

TEST_F(MainConnectionTest, StartClarionAndDisconnectWithTheEnvironmentRunning) {
  seed({});
  HeadlessUser user;
  user.on_window(kCaption, [](WindowView& w) {
    EXPECT_EQ(w.text(STATUSMSG), "Connected to Clarion");
    w.press("Start Clarion");
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text(STATUSMSG), "Connected to Clarion.");
    EXPECT_TRUE(w.has_focus(LIST));
    EXPECT_TRUE(w.wait_for([&] { return environment.closed() == 1; }, 5000))
        << "the window's first conversation is closed, not left open";
    w.press("Disconnect");
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text(STATUSMSG), "Clarion disconnected");
    EXPECT_TRUE(w.has_focus(LIST)) << "not on the button pressed";
    EXPECT_TRUE(w.wait_for([&] { return environment.closed() == 3; }, 5000));
    w.press(BUTTON7);
  });
  Main();
  EXPECT_TRUE(user.messages().empty());
  EXPECT_EQ(environment.closed(), 3) << "nothing was held when the window closed";
}

TEST_F(MainConnectionTest, ClosingTheWindowEndsItsConversation) {
  seed({});
  HeadlessUser user;
  user.on_window(kCaption, [](WindowView& w) { w.close(); });
  Main();
  EXPECT_TRUE(test_support::eventually([&] { return environment.closed() == 1; }, 5000));
}

TEST_F(MainConnectionTest, StartClarionStartsTheEnvironmentFromTheCommandLine) {
  seed({});
  environment.stop();
  const fs::path log = dir / "ide-sim.log";
  write_settings({{"NewLog", "N"},
                  {"CL_Command", std::string("'") + IDE_SIM_PATH + "' --log '" + log.string() + "'"},
                  {"FilePath", data_folder()}});
  HeadlessUser user;
  user.answer_message(kNotRunning, ui::button::Ok);
  user.on_window(kCaption, [](WindowView& w) { w.press("Start Clarion"); });
  // The window takes its events while the environment comes up; the next
  // attempt comes with the window's timer.
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text(STATUSMSG), "Not Connected to Clarion");
    EXPECT_TRUE(w.wait_for([&] { return count_of(read_file(log), "serving ") == 1; }, 10000));
    w.advance_time(kConnectPauseMs);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text(STATUSMSG), "Connected to Clarion.");
    EXPECT_EQ(count_of(read_file(log), "serving "), 1);
    w.press("Disconnect");
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text(STATUSMSG), "Clarion disconnected");
    w.press(BUTTON7);
  });
  Main();
  EXPECT_EQ(user.messages().size(), 1u);
  // The copy the window started is ended, once it serves.
  test_support::eventually([&] { return count_of(read_file(log), "serving ") == 1; }, 10000);
  end_started_environments(sockets);
}

TEST_F(MainConnectionTest, TheWindowClosesWhenAskedWhileStartClarionWaits) {
  seed({});
  environment.stop();
  const fs::path log = dir / "ide-sim.log";
  write_settings({{"NewLog", "N"},
                  {"CL_Command", std::string("'") + IDE_SIM_PATH + "' --log '" + log.string() + "'"},
                  {"FilePath", data_folder()}});
  HeadlessUser user;
  user.answer_message(kNotRunning, ui::button::Ok);
  user.on_window(kCaption, [](WindowView& w) { w.press("Start Clarion"); });
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text(STATUSMSG), "Not Connected to Clarion") << "the window waits while Start Clarion does";
    EXPECT_TRUE(w.wait_for([&] { return count_of(read_file(log), "serving ") == 1; }, 10000));
    w.close();
  });
  Main();
  EXPECT_EQ(user.messages().size(), 1u) << "only the warning as the window opened";
  EXPECT_TRUE(ui::open_windows().empty());
  EXPECT_EQ(framework::GlobalResponse, framework::response::Cancelled);
  end_started_environments(sockets);
}

TEST_F(MainConnectionTest, ACommandLineThatCannotStartIsToldAndLoggedAtOnce) {
  seed({});
  environment.stop();
  write_settings(
      {{"NewLog", "N"}, {"CL_Command", "/nonexistent/clarion6/bin/c60ee.exe /nosplash"}, {"FilePath", data_folder()}});
  HeadlessUser user;
  user.answer_message(kNotRunning, ui::button::Ok);
  user.on_window(kCaption, [](WindowView& w) { w.press("Start Clarion"); });
  user.answer_message("Clarion could not be started.||Error 2 File Not Found: /nonexistent/clarion6/bin/c60ee.exe",
                      ui::button::Ok);
  int64_t clock_at_press = 0;
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text(STATUSMSG), "Not Connected to Clarion");
    clock_at_press = user.clock().steady_ms();
    w.press(BUTTON7);
  });
  const int64_t started = user.clock().steady_ms();
  Main();
  EXPECT_EQ(clock_at_press, started) << "no time passed waiting";
  ASSERT_EQ(user.messages().size(), 2u);
  EXPECT_EQ(user.messages()[1].box.caption, "Warning");
  EXPECT_EQ(user.messages()[1].box.icon, ui::MessageIcon::Stop);
  names_in(data_dir);
  ASSERT_EQ(data::TempFile.open(), 0) << error_text();
  data::TempFile.set_order_file();
  std::vector<std::string> logged;
  while (data::TempFile.next() == 0) logged.push_back(data::TMP.APPS.str() + ": " + data::TMP.EVENT.str());
  data::TempFile.close();
  bare_names();
  EXPECT_EQ(logged,
            (std::vector<std::string>{"ClarionWin: Error 2 File Not Found: /nonexistent/clarion6/bin/c60ee.exe"}));
}

}  // namespace
}  // namespace qvn::automation::testing
