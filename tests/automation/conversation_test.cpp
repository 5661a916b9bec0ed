// The conversation steps against ide-sim running as a real process: the
// commands and their send, the connect, reopen and connection buttons, the
// error check, and the end of a run.

#include "automation/conversation.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "conversation_fixture.h"
#include "platform/core/clock.h"
#include "platform/dde/dde_server.h"
#include "support/silent_peer.h"
#include "support/wait.h"

namespace qvn::automation::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr const char* kNoAnswer = "Clarion did not answer within 30 seconds.";
constexpr const char* kNotRunning =
    "Clarion is not currently running. How you expect to compile anything is a mystery to me.||"
    "Press \"Start Clarion\" now, will ya'?";

// The commands

TEST(CommandText, EachCommandAsTheEnvironmentExpectsIt) {
  struct Case {
    Command command;
    const char* name;
    const char* text;
  } cases[] = {
      {Command::GenerateAndMake, "C:\\WORK\\MAIN.APP", "[ExecuteProject(\"C:\\WORK\\MAIN.APP\")]"},
      {Command::ImportDictionary, "C:\\WORK\\MAIN", "[ImportDCT(\"C:\\WORK\\MAIN.TXD\",C:\\WORK\\MAIN.DCT,0)]"},
      {Command::ImportApplication, "C:\\WORK\\MAIN",
       "[ImportApp(\"C:\\WORK\\MAIN.TXA\",C:\\WORK\\MAIN.APP,0,Replace)]"},
      {Command::ExportApplication, "C:\\WORK\\MAIN", "[ExportApp(\"C:\\WORK\\MAIN.App\",\"C:\\WORK\\MAIN.TXA\",0)]"},
      {Command::ExportDictionary, "C:\\WORK\\MAIN   ", "[ExportDCT(\"C:\\WORK\\MAIN.DCT\",\"C:\\WORK\\MAIN.TXD\",0)]"},
  };
  for (const Case& c : cases) EXPECT_EQ(command_text(c.command, c.name), c.text);
}

TEST(CommandText, NamesThatWouldChangeTheCommandDoNotFit) {
  struct Case {
    const char* name;
    bool quoted_fits;    // make and exports: every name in quotes
    bool unquoted_fits;  // imports: the second name stands bare
  } cases[] = {
      {"/home/dev/work/MAIN", true, true}, {"C:\\My Apps\\MAIN", true, true},
      {"/work/a\"b", false, false},        {"/work/a\")][ExecuteProject(\"/evil", false, false},
      {"/work/[x", false, false},          {"/work/x]", false, false},
      {"/work/a\nb", false, false},        {"/work/a\tb", false, false},
      {"/work/a\x7f", false, false},       {"/work/a,b", true, false},
      {"/work/a)b", true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(fits_command(Command::GenerateAndMake, c.name), c.quoted_fits);
    EXPECT_EQ(fits_command(Command::ExportApplication, c.name), c.quoted_fits);
    EXPECT_EQ(fits_command(Command::ExportDictionary, c.name), c.quoted_fits);
    EXPECT_EQ(fits_command(Command::ImportDictionary, c.name), c.unquoted_fits);
    EXPECT_EQ(fits_command(Command::ImportApplication, c.name), c.unquoted_fits);
  }
}

TEST_F(ConversationTest, SetCommandFillsTheFieldCutAt255AndRefusesUnfitNames) {
  ui::HeadlessUser user;
  RunWindow w;
  w.log.Open();

  ASSERT_TRUE(w.conv->SetCommand(Command::GenerateAndMake, "C:\\WORK\\MAIN.APP", "MAIN.APP"));
  const std::string make = "[ExecuteProject(\"C:\\WORK\\MAIN.APP\")]";
  EXPECT_EQ(w.DDECommand.raw(), make + std::string(255 - make.size(), ' '));

  // Two full names of 130 characters need 294 characters; the tail is lost.
  const std::string full = "/" + std::string(129, 'f');
  ASSERT_TRUE(w.conv->SetCommand(Command::ImportApplication, full, "F.APP"));
  EXPECT_EQ(w.DDECommand.raw(), command_text(Command::ImportApplication, full).substr(0, 255));

  EXPECT_FALSE(w.conv->SetCommand(Command::ImportDictionary, "/work/a,b", "AB.APP"));
  EXPECT_EQ(error_code(), err::InvalidFileName);
  EXPECT_EQ(w.DDECommand.raw(), command_text(Command::ImportApplication, full).substr(0, 255)) << "left as it was";
  EXPECT_THAT(log_events(), ElementsAre("AB.APP: Error 45 Invalid Filename"));
}

TEST_F(ConversationTest, SendHandsTheWhole255CharacterFieldOver) {
  std::mutex mutex;
  std::vector<std::string> received;
  auto server = DdeServer::create(kService, "",
                                  {[&](int, const std::string& command) {
                                     std::lock_guard lock(mutex);
                                     received.push_back(command);
                                     return DdeServer::Reply::Ack;
                                   },
                                   {},
                                   {}});
  ASSERT_NE(server, nullptr) << error_text();
  std::thread serving([&] { server->run(); });

  ui::HeadlessUser user;
  RunWindow w;
  ASSERT_TRUE(w.conv->Connect());
  ASSERT_TRUE(w.conv->SetCommand(Command::ExportApplication, "/work/MAIN", "MAIN.APP"));
  const int repaints = user.repaints();
  w.conv->Send(true);
  EXPECT_EQ(error_code(), 0);
  EXPECT_GT(user.repaints(), repaints) << "the window repaints before a long call";
  w.conv->Close();

  server->stop();
  serving.join();
  const std::string text = "[ExportApp(\"/work/MAIN.App\",\"/work/MAIN.TXA\",0)]";
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0], text + std::string(255 - text.size(), ' '));
}

// Connecting

TEST_F(ConversationTest, ConnectWithTheEnvironmentRunningOpensAtOnce) {
  start_sim();
  const fs::path marker = dir / "started";
  data::GLO_RunString = "/usr/bin/touch '" + marker.string() + "'";
  struct Case {
    uint8_t minutes;
    int32_t hundredths;
  } cases[] = {{3, 18000}, {1, 6000}, {99, 594000}};
  ui::HeadlessUser user;
  RunWindow w;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.minutes);
    w.TimeOut = c.minutes;
    w.StatusMsg = "";
    ASSERT_TRUE(w.conv->Connect());
    EXPECT_EQ(dde_timeout(), c.hundredths);
    EXPECT_NE(w.DDEChannel, 0);
    EXPECT_EQ(w.Connected, 1);
    EXPECT_EQ(w.StatusMsg, "Connected to Clarion");
  }
  w.conv->Close();
  EXPECT_FALSE(fs::exists(marker)) << "the command line is not started while the environment answers";
  EXPECT_TRUE(user.messages().empty());
}

TEST_F(ConversationTest, ConnectStartsTheEnvironmentOnceAndWaitsForIt) {
  data::GLO_RunString = sim_command("--build-seconds 0");
  ui::HeadlessUser user;
  RunWindow w;
  w.StatusMsg = "Processing Complete";
  ASSERT_TRUE(w.conv->Connect());
  EXPECT_NE(w.DDEChannel, 0);
  EXPECT_EQ(w.Connected, 1);
  EXPECT_EQ(w.StatusMsg, "Connected to Clarion");
  EXPECT_EQ(count_of(read_file(sim_log), "serving "), 1) << "started once, however many attempts it took";
  EXPECT_EQ(serving_pids().size(), 1u);
  w.conv->Close();
}

TEST_F(ConversationTest, ConnectGivesUpWhenTheEnvironmentNeverAnswers) {
  ui::HeadlessUser user;
  // The command line starts, but what it starts never serves.
  data::GLO_RunString = "/bin/true";
  // Nothing real is waited for here, so the pauses pass in virtual time.
  int pauses = 0;
  set_connect_pause([&](int64_t ms) {
    ++pauses;
    user.advance_time(ms);
  });
  RunWindow w;
  w.Connected = 1;
  w.log.Open();
  const int64_t before = user.clock().steady_ms();
  user.answer_message(kNoAnswer, ui::button::Ok);

  EXPECT_FALSE(w.conv->Connect());
  const int64_t waited = user.clock().steady_ms() - before;
  EXPECT_GE(waited, kConnectLimitMs);
  EXPECT_LT(waited, kConnectLimitMs + kConnectPauseMs);
  EXPECT_GT(pauses, 1);
  EXPECT_EQ(error_code(), err::DdeChannelNotOpen);
  EXPECT_EQ(w.DDEChannel, 0);
  EXPECT_EQ(w.Connected, 0);
  EXPECT_EQ(w.StatusMsg, "Not Connected to Clarion");

  w.conv->NoAnswer();
  ASSERT_EQ(user.messages().size(), 1u);
  EXPECT_EQ(user.messages()[0].box.caption, "Warning");
  EXPECT_EQ(user.messages()[0].box.icon, ui::MessageIcon::Stop);
  EXPECT_THAT(log_events(), ElementsAre("ClarionWin: Error 602 DDE channel is not open"));
}

TEST_F(ConversationTest, AStartThatFailsIsToldAtOnce) {
  const fs::path not_a_program = work / "c60ee.exe";
  std::ofstream(not_a_program) << "not a program\n";
  fs::permissions(not_a_program, fs::perms::owner_read | fs::perms::owner_write);
  struct Case {
    std::string run_string;
    int code;
    std::string told;
  } cases[] = {
      {"/nonexistent/clarion.exe /define=a", err::FileNotFound, "Error 2 File Not Found: /nonexistent/clarion.exe"},
      {"   ", err::InvalidFileName, "Error 45 Invalid Filename: the command line names no program"},
      // A command line cut inside a quote.
      {"'/opt/clarion6/bin/c60ee.exe' \"/work/MAIN", err::InvalidFileName,
       "Error 45 Invalid Filename: a quote in the command line is not closed"},
      {"'" + not_a_program.string() + "'", err::AccessDenied, "Error 5 Access Denied: " + not_a_program.string()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.run_string);
    ui::HeadlessUser user;
    data::GLO_RunString = c.run_string;
    int pauses = 0;
    set_connect_pause([&](int64_t ms) {
      ++pauses;
      user.advance_time(ms);
    });
    RunWindow w;
    w.log.Open();
    const size_t entries_before = log_events().size();
    const int64_t before = user.clock().steady_ms();
    const std::string shown = std::string("Clarion could not be started.||") + c.told;
    user.answer_message(shown, ui::button::Ok);
    user.answer_message(shown, ui::button::Ok);

    EXPECT_FALSE(w.conv->Connect());
    EXPECT_EQ(error_code(), c.code);
    EXPECT_EQ(w.StatusMsg, "Not Connected to Clarion");
    EXPECT_EQ(w.Connected, 0);
    w.conv->NoAnswer();
    w.conv->StartClarion();
    EXPECT_EQ(w.StatusMsg, "Not Connected to Clarion");
    EXPECT_EQ(w.DDEChannel, 0);

    EXPECT_EQ(pauses, 0) << "nothing was started, so nothing is waited for";
    EXPECT_EQ(user.clock().steady_ms(), before);
    ASSERT_EQ(user.messages().size(), 2u);
    for (const auto& m : user.messages()) {
      EXPECT_EQ(m.box.caption, "Warning");
      EXPECT_EQ(m.box.icon, ui::MessageIcon::Stop);
    }
    const auto events = log_events();
    ASSERT_EQ(events.size(), entries_before + 2);
    EXPECT_EQ(events[entries_before], "ClarionWin: " + c.told.substr(0, 80));
    EXPECT_EQ(events[entries_before + 1], "ClarionWin: " + c.told.substr(0, 80)) << "Start Clarion logs it too";
  }
}

TEST_F(ConversationTest, ARequestToCloseTheWindowEndsTheConnectWait) {
  struct Case {
    const char* name;
    std::function<void(Conversation&)> step;
    std::vector<std::string> logged;
  } cases[] = {
      {"a run's connect step",
       [](Conversation& c) {
         if (!c.Connect()) c.NoAnswer();
         c.EndRun();
       },
       {"ClarionWin: Run ended: the window is closing"}},
      {"Start Clarion", [](Conversation& c) { c.StartClarion(); }, {}},
  };
  int round = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ++round;
    data::GLO_RunString = sim_command();
    ui::HeadlessUser user;
    RunWindow w;
    w.log.Open();
    const size_t entries_before = log_events().size();
    bool connecting = false;
    bool waited_in_the_step = false;
    w.on_go = [&](Conversation& conv) {
      connecting = true;
      c.step(conv);
      connecting = false;
    };
    const int64_t before = user.clock().steady_ms();
    user.on_window(kRunCaption, [](ui::WindowView& v) { v.press("?GO"); });
    user.then([&](ui::WindowView& v) {
      waited_in_the_step = connecting;
      // The environment the command line started comes up; the user closes
      // the window all the same.
      EXPECT_TRUE(sim_says("serving ", round));
      v.close();
    });
    w.run();
    EXPECT_TRUE(waited_in_the_step) << "the window took its events while the step waited";
    EXPECT_FALSE(w.window->is_open());
    EXPECT_EQ(w.close_events, 1) << "the request reached the window once the step had ended";
    EXPECT_TRUE(user.messages().empty()) << "nothing to tell a user who is closing the window";
    EXPECT_EQ(w.StatusMsg, "Not Connected to Clarion");
    EXPECT_EQ(w.Connected, 0);
    EXPECT_EQ(w.DDEChannel, 0);
    EXPECT_EQ(w.window->timer(), 500) << "the window's own timer is back";
    EXPECT_EQ(user.clock().steady_ms(), before);
    const auto events = log_events();
    EXPECT_EQ(std::vector<std::string>(events.begin() + static_cast<std::ptrdiff_t>(entries_before), events.end()),
              c.logged);
    // The next round finds no environment running.
    for (pid_t pid : serving_pids()) ::kill(pid, SIGTERM);
    EXPECT_TRUE(test_support::eventually([&] { return serving_pids().empty(); }, 10000));
  }
}

TEST_F(ConversationTest, TheConnectStepTriesAgainWhenTheWindowsTimerFires) {
  data::GLO_RunString = "/bin/true";
  ui::HeadlessUser user;
  RunWindow w;
  bool connected = false;
  w.on_go = [&](Conversation& conv) { connected = conv.Connect(); };
  user.on_window(kRunCaption, [](ui::WindowView& v) { v.press("?GO"); });
  user.then([&](ui::WindowView& v) {
    // The environment comes up some other way while the step waits.
    start_sim();
    v.advance_time(kConnectPauseMs);
  });
  user.then([&](ui::WindowView& v) {
    EXPECT_EQ(v.text("?STATUSMSG"), "Connected to Clarion");
    v.press("Close");
  });
  w.run();
  EXPECT_TRUE(connected);
  EXPECT_NE(w.DDEChannel, 0);
  EXPECT_EQ(w.Connected, 1);
  EXPECT_EQ(w.window->timer(), 500);
  EXPECT_TRUE(user.messages().empty());
  w.conv->Close();
}

// A listener that takes the connection and never answers, asked before the
// environment (process 1 always lives, so its socket is never taken for a
// stale one).
fs::path silent_socket(const fs::path& sockets) { return sockets / "ClarionWin.1.0.sock"; }

TEST_F(ConversationTest, EveryOpenWaitsOnASilentListenerAtMostOnceAndOnlyForTheOpeningsBound) {
  test_support::SilentPeer silent(silent_socket(sockets).string());
  ASSERT_TRUE(silent.listening());
  start_sim();
  ui::HeadlessUser user;
  RunWindow w;
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(w.conv->Connect()) << "the environment behind it answers";
  const auto waited = std::chrono::steady_clock::now() - started;
  EXPECT_GE(waited, std::chrono::milliseconds(dde_open_answer_ms - 50));
  EXPECT_LT(waited, std::chrono::milliseconds(dde_open_answer_ms + 10000)) << "not the run's three minutes";
  EXPECT_EQ(dde_timeout(), 18000) << "the commands keep the run's time-out";
  EXPECT_EQ(w.StatusMsg, "Connected to Clarion");

  // The reopen, both buttons and the window's first connection reach the
  // environment without asking the silent one again.
  w.conv->CloseWhenConnected();
  EXPECT_TRUE(w.conv->Reopen());
  w.conv->StartClarion();
  EXPECT_EQ(w.StatusMsg, "Connected to Clarion.");
  w.conv->Disconnect();
  EXPECT_TRUE(sim_says("conversation 4 closed")) << "Disconnect's own open reached the environment";
  w.conv->FirstConnection();
  EXPECT_EQ(w.StatusMsg, "Connected to Clarion");
  EXPECT_EQ(silent.connections(), 1);
  w.conv->Close();
}

TEST_F(ConversationTest, WithOnlyASilentListenerTheConnectStepTakesTheWindowsEventsAndEndsOnAClose) {
  test_support::SilentPeer silent(silent_socket(sockets).string());
  ASSERT_TRUE(silent.listening());
  // The command line starts, but what it starts never serves.
  data::GLO_RunString = "/bin/true";
  ui::HeadlessUser user;
  RunWindow w;
  w.log.Open();
  bool connecting = false;
  std::vector<bool> steps_while_connecting;
  w.on_go = [&](Conversation& conv) {
    connecting = true;
    if (!conv.Connect()) conv.NoAnswer();
    conv.EndRun();
    connecting = false;
  };
  const auto started = std::chrono::steady_clock::now();
  user.on_window(kRunCaption, [](ui::WindowView& v) { v.press("?GO"); });
  user.then([&](ui::WindowView& v) {
    steps_while_connecting.push_back(connecting);
    v.advance_time(kConnectPauseMs);  // the next attempt
  });
  user.then([&](ui::WindowView& v) {
    steps_while_connecting.push_back(connecting);
    EXPECT_EQ(silent.connections(), 1) << "the attempts after the first pass it by";
    v.close();
  });
  w.run();
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(dde_open_answer_ms + 20000));
  EXPECT_THAT(steps_while_connecting, ElementsAre(true, true)) << "the window took its events while the step waited";
  EXPECT_EQ(w.close_events, 1);
  EXPECT_FALSE(w.window->is_open());
  EXPECT_EQ(w.DDEChannel, 0);
  EXPECT_EQ(w.StatusMsg, "Not Connected to Clarion");
  EXPECT_TRUE(user.messages().empty());
  EXPECT_THAT(log_events(), ElementsAre("ClarionWin: Run ended: the window is closing"));
}

TEST_F(ConversationTest, StartClarionWithTheEnvironmentRunningTakesOneAttempt) {
  start_sim();
  const fs::path marker = dir / "started";
  data::GLO_RunString = "/usr/bin/touch '" + marker.string() + "'";
  set_dde_timeout(1234);
  ui::HeadlessUser user;
  RunWindow w;
  w.TimeOut = 7;
  w.conv->StartClarion();
  EXPECT_EQ(w.StatusMsg, "Connected to Clarion.");
  EXPECT_EQ(w.Connected, 1);
  EXPECT_NE(w.DDEChannel, 0);
  EXPECT_EQ(dde_timeout(), 1234) << "Start Clarion leaves the time-out alone";
  EXPECT_FALSE(fs::exists(marker));
  w.conv->Close();
}

TEST_F(ConversationTest, StartClarionTellsOnceWhenTheEnvironmentNeverAnswers) {
  data::GLO_RunString = "/bin/true";
  ui::HeadlessUser user;
  set_connect_pause([&](int64_t ms) { user.advance_time(ms); });
  user.answer_message(kNoAnswer, ui::button::Ok);
  RunWindow w;
  w.conv->StartClarion();
  EXPECT_EQ(w.StatusMsg, "Not Connected to Clarion");
  EXPECT_EQ(w.Connected, 0);
  EXPECT_EQ(w.DDEChannel, 0);
  EXPECT_EQ(user.messages().size(), 1u);
}

TEST_F(ConversationTest, EveryConnectionClosesTheOneStillOpen) {
  start_sim();
  ui::HeadlessUser user;
  RunWindow w;
  w.conv->FirstConnection();
  const int32_t first = w.DDEChannel;
  ASSERT_NE(first, 0);
  EXPECT_EQ(w.StatusMsg, "Connected to Clarion");

  ASSERT_TRUE(w.conv->Connect());
  EXPECT_NE(w.DDEChannel, first);
  EXPECT_TRUE(sim_says("conversation 1 closed")) << "the first conversation is not left open";

  w.conv->StartClarion();
  EXPECT_TRUE(sim_says("conversation 2 closed"));

  // Disconnect closes the one in use, and the one it opens for itself.
  w.conv->Disconnect();
  EXPECT_TRUE(sim_says("conversation 3 closed"));
  EXPECT_TRUE(sim_says("conversation 4 closed"));
  EXPECT_EQ(w.DDEChannel, 0);
  EXPECT_EQ(w.Connected, 0);
  EXPECT_EQ(w.StatusMsg, "Clarion disconnected");
  EXPECT_EQ(count_of(read_file(sim_log), " closed"), 4);
}

TEST_F(ConversationTest, DisconnectWhileNotConnected) {
  ui::HeadlessUser user;
  RunWindow w;
  w.conv->Disconnect();
  EXPECT_EQ(w.DDEChannel, 0);
  EXPECT_EQ(w.Connected, 0);
  EXPECT_EQ(w.StatusMsg, "Clarion disconnected");
  EXPECT_EQ(error_code(), 0);
}

// The window's first connection

TEST_F(ConversationTest, WithoutTheEnvironmentTheWindowWarnsOnceItIsShown) {
  ui::HeadlessUser user;
  RunWindow w;
  w.conv->FirstConnection();
  EXPECT_EQ(w.DDEChannel, 0);
  EXPECT_EQ(w.Connected, 0);
  EXPECT_EQ(w.StatusMsg, "Not Connected to Clarion");

  user.answer_message(kNotRunning, ui::button::Ok);
  const auto started = std::chrono::steady_clock::now();
  w.conv->WarnWhenNotRunning();
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3))
      << "the sound is over, or there is no audio output, within its own length";
  ASSERT_EQ(user.messages().size(), 1u);
  EXPECT_EQ(user.messages()[0].box.caption, "Warning");
  EXPECT_EQ(user.messages()[0].box.icon, ui::MessageIcon::Stop);
  EXPECT_EQ(user.messages()[0].box.buttons, ui::button::Ok);
}

TEST_F(ConversationTest, TheFirstConnectionGivesUpOnAHungEnvironmentWithinTheOpeningsBound) {
  start_sim();
  // Stopped, it accepts a connection but never answers.
  ASSERT_EQ(::kill(sim.spawned()[0], SIGSTOP), 0);
  ui::HeadlessUser user;
  RunWindow w;
  const auto started = std::chrono::steady_clock::now();
  w.conv->FirstConnection();
  const auto waited = std::chrono::steady_clock::now() - started;
  EXPECT_EQ(w.DDEChannel, 0);
  EXPECT_EQ(w.Connected, 0);
  EXPECT_EQ(w.StatusMsg, "Not Connected to Clarion");
  // It did wait for an answer (the transport counts whole milliseconds).
  EXPECT_GE(waited, std::chrono::milliseconds(dde_open_answer_ms - 50));
  EXPECT_LT(waited, std::chrono::milliseconds(dde_open_answer_ms + 10000));
  EXPECT_EQ(dde_timeout(), 6000) << "the process's time-out is left as it was";
}

TEST_F(ConversationTest, WithTheEnvironmentRunningTheWindowOpensQuietly) {
  start_sim();
  const fs::path marker = dir / "started";
  data::GLO_RunString = "/usr/bin/touch '" + marker.string() + "'";
  ui::HeadlessUser user;
  RunWindow w;
  w.conv->FirstConnection();
  EXPECT_NE(w.DDEChannel, 0);
  EXPECT_EQ(w.Connected, 1);
  EXPECT_EQ(w.StatusMsg, "Connected to Clarion");
  w.conv->WarnWhenNotRunning();
  EXPECT_TRUE(user.messages().empty());
  EXPECT_FALSE(fs::exists(marker));
  w.conv->Close();
}

// Reopening between applications

TEST_F(ConversationTest, ReopenOpensOnlyWhenTheLastConversationWasClosed) {
  start_sim();
  ui::HeadlessUser user;
  RunWindow w;
  ASSERT_TRUE(w.conv->Connect());
  const int32_t first = w.DDEChannel;
  EXPECT_TRUE(w.conv->Reopen());
  EXPECT_EQ(w.DDEChannel, first) << "still connected: nothing happens";

  w.conv->CloseWhenConnected();
  EXPECT_EQ(w.Connected, 0);
  EXPECT_TRUE(w.conv->Reopen());
  EXPECT_NE(w.DDEChannel, first);
  EXPECT_EQ(w.Connected, 1);
  w.conv->CloseWhenConnected();
  w.conv->CloseWhenConnected();
  EXPECT_TRUE(sim_says("conversation 2 closed"));
  EXPECT_EQ(count_of(read_file(sim_log), " closed"), 2) << "a second close step does nothing";
}

TEST_F(ConversationTest, AReopenThatFindsNoServerIsADdeErrorOfTheApplication) {
  const fs::path marker = dir / "started";
  data::GLO_RunString = "/usr/bin/touch '" + marker.string() + "'";
  ui::HeadlessUser user;
  RunWindow w;
  w.log.Open();
  w.DDEChannel = 41;
  EXPECT_FALSE(w.conv->Reopen());
  EXPECT_EQ(w.DDEChannel, 0);
  EXPECT_EQ(w.Connected, 0);
  EXPECT_FALSE(fs::exists(marker)) << "a reopen does not start the environment";

  ASSERT_TRUE(w.conv->SetCommand(Command::GenerateAndMake, "/work/MAIN.APP", "MAIN.APP"));
  user.answer_message("Unexpected Error: 602", ui::button::Ok);
  w.conv->Send(true);
  w.conv->ErrorCheck();
  ASSERT_EQ(error_code(), err::DdeChannelNotOpen);
  w.log.Error("MAIN.APP");
  EXPECT_THAT(log_events(), ElementsAre("MAIN.APP: Error 602 DDE channel is not open"));
  EXPECT_EQ(user.messages().size(), 1u);
}

// The error check

TEST_F(ConversationTest, ARefusedCommandIsExplainedFromTheEnvironmentsOwnItems) {
  start_sim();
  ui::HeadlessUser user;
  RunWindow w;
  w.log.Open();
  ASSERT_TRUE(w.conv->Connect());
  const std::string missing = (work / "GONE.APP").string();
  ASSERT_TRUE(w.conv->SetCommand(Command::GenerateAndMake, missing, "GONE.APP"));
  user.answer_message("Error 1 : File not found: " + missing, ui::button::Ok);
  w.conv->Send(true);
  w.conv->ErrorCheck();

  EXPECT_EQ(w.ErrorNum, 1);
  EXPECT_EQ(w.ErrorMsg.str(), "File not found: " + missing);
  EXPECT_EQ(error_code(), err::DdeExecuteInvalid) << "the item requests do not change what the run sees";
  EXPECT_EQ(error_text(), "DDEexecute - invalid command");
  w.log.Error("GONE.APP");
  EXPECT_THAT(log_events(), ElementsAre("GONE.APP: Error 603 DDEexecute - invalid command"));
  EXPECT_EQ(user.messages().size(), 1u);
  EXPECT_EQ(user.messages()[0].box.caption, "");
  EXPECT_EQ(user.messages()[0].box.icon, ui::MessageIcon::None);
  EXPECT_EQ(user.messages()[0].box.buttons, ui::button::Ok);
  w.conv->Close();
}

TEST_F(ConversationTest, UnansweredItemsShowTheLastNumberReadAndNoText) {
  auto server = DdeServer::create(kService, "",
                                  {[](int, const std::string&) { return DdeServer::Reply::Nack; },
                                   [](int, const std::string&) { return std::optional<std::string>(); },
                                   {}});
  ASSERT_NE(server, nullptr) << error_text();
  std::thread serving([&] { server->run(); });

  ui::HeadlessUser user;
  RunWindow w;
  ASSERT_TRUE(w.conv->Connect());
  ASSERT_TRUE(w.conv->SetCommand(Command::ExportDictionary, "/work/MAIN", "MAIN.APP"));
  user.answer_message("Error 0 : ", ui::button::Ok);
  w.conv->Send(true);
  w.conv->ErrorCheck();
  EXPECT_EQ(error_code(), err::DdeExecuteInvalid);

  w.ErrorNum = 17;  // read after an earlier refusal
  w.ErrorMsg = "left over";
  user.answer_message("Error 17 : ", ui::button::Ok);
  w.conv->Send(false);
  w.conv->ErrorCheck();
  EXPECT_EQ(w.ErrorMsg.str(), "");
  EXPECT_EQ(user.messages().size(), 2u);
  w.conv->Close();
  server->stop();
  serving.join();
}

TEST_F(ConversationTest, ATimeOutAndAPartnerThatWentAwayGetFixedTexts) {
  struct Case {
    std::vector<std::string> sim_options;
    int code;
    const char* message;
    const char* entry;
  } cases[] = {
      {{"--never-ack"}, err::DdeTimeout, "DDE timeout", "MAIN.APP: Error 605 DDE transaction timed out"},
      {{"--exit-at-command", "1"},
       err::DdeChannelNotOpen,
       "Unexpected Error: 602",
       "MAIN.APP: Error 602 DDE channel is not open"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    start_sim(c.sim_options);
    ui::HeadlessUser user;
    RunWindow w;
    w.log.Open();
    ASSERT_TRUE(w.conv->Connect());
    set_dde_timeout(30);
    const fs::path app = write_app("MAIN.APP", "TARGET=MAIN.EXE\n");
    ASSERT_TRUE(w.conv->SetCommand(Command::GenerateAndMake, app.string(), "MAIN.APP"));
    user.answer_message(c.message, ui::button::Ok);
    w.conv->Send(true);
    w.conv->ErrorCheck();
    EXPECT_EQ(error_code(), c.code);
    w.log.Error("MAIN.APP");
    const auto events = log_events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), c.entry);
    EXPECT_EQ(user.messages().size(), 1u);
    w.conv->Close();
    ::kill(sim.spawned().back(), SIGKILL);
    ::waitpid(sim.spawned().back(), nullptr, 0);
    sim.spawned().pop_back();
  }
}

TEST_F(ConversationTest, ErrorsUpTo600AreLeftToTheRun) {
  ui::HeadlessUser user;
  RunWindow w;
  for (int code : {0, err::FileNotFound, 600}) {
    SCOPED_TRACE(code);
    w.ErrorMsg = "stale";
    if (code) {
      set_error(code);
    } else {
      clear_error();
    }
    w.conv->ErrorCheck();
    EXPECT_EQ(w.ErrorMsg.str(), "");
    EXPECT_EQ(error_code(), code);
  }
  EXPECT_TRUE(user.messages().empty());
}

// The end of a run

TEST_F(ConversationTest, EndRunClearsTheLogRecord) {
  ui::HeadlessUser user;
  RunWindow w;
  w.log.Open();
  w.log.Entry("MAIN.APP", "Make Finished");
  ASSERT_EQ(data::TMP.APPS, "MAIN.APP");
  w.conv->EndRun();
  EXPECT_TRUE(data::TMP.APPS.blank());
  EXPECT_TRUE(data::TMP.EVENT.blank());
  EXPECT_EQ(data::TMP.DATE, 0);
  EXPECT_EQ(data::TMP.CLOCK, 0);
  EXPECT_EQ(log_lines().size(), 1u);
}

}  // namespace
}  // namespace qvn::automation::testing
