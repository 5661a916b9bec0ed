// A run's connect step when the environment is not running yet: the
// command line starts ide-sim, which takes its time (--start-seconds). One
// that comes up within the connect step's bound is used; one that does not
// ends the run before any application, with one message and no report of a
// complete run.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "runs_fixture.h"
#include "support/wait.h"

namespace qvn::automation::testing {

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ui::HeadlessUser;
using ui::WindowView;

constexpr const char* kNotRunning =
    "Clarion is not currently running. How you expect to compile anything is a mystery to me.||"
    "Press \"Start Clarion\" now, will ya'?";
constexpr const char* kNoAnswer = "Clarion did not answer within 30 seconds.";

struct RunButton {
  const char* name;
  int tab;  // chosen first, 0 none
  int button;
  const char* question;  // the run asks first, "" not
};
void PrintTo(const RunButton& b, std::ostream* os) { *os << b.name; }

class RunsConnect : public RunsTest, public ::testing::WithParamInterface<RunButton> {
 protected:
  void SetUp() override {
    RunsTest::SetUp();
    const std::string at = folder("main");
    write(at, "MAIN.APP", "TARGET=MAIN.EXE\n");
    write(at, "MAIN.DCT", "FILE=CUSTOMER\n");
    write(at, "MAIN.TXD", "[DICTIONARY]\nFILE=CUSTOMER\n");
    seed({{"MAIN.APP", at, 1, 1, "MAIN.EXE", 1}}, {{1, "Main"}});
  }

  // Presses the run's button, on its tab and after "I'm Sure" where it has to.
  static void press(HeadlessUser& user, const RunButton& b) {
    user.answer_message(kNotRunning, ui::button::Ok);
    user.on_window(kCaption, [&b](WindowView& w) {
      if (b.tab != 0) w.choose_tab(b.tab);
    });
    if (b.button == IMPORTDCT) user.then([](WindowView& w) { w.press("I'm Sure"); });
    if (b.button == GENERATE) user.then([](WindowView& w) { w.select_row(RELTREE, 2); });
    user.then([&b](WindowView& w) { w.press(b.button); });
    if (*b.question) user.answer_message(b.question, ui::button::Yes);
  }
};

TEST_P(RunsConnect, AnEnvironmentThatNeverAnswersEndsTheRunBeforeAnyApplication) {
  settings("--start-seconds 600");
  // The pauses between attempts pass in virtual time, once the environment
  // the command line started is there, on its slow start.
  bool started = false;
  HeadlessUser user;
  set_connect_pause([&](int64_t ms) {
    if (!started) started = test_support::eventually([&] { return !sim.starting_pids().empty(); }, kRealWaitMs);
    user.advance_time(ms);
  });
  StatusHistory status(user);
  press(user, GetParam());
  user.answer_message(kNoAnswer, ui::button::Ok);
  user.then([](WindowView& w) {
    EXPECT_EQ(w.text(STATUSMSG), "Not Connected to Clarion");
    w.close();
  });
  Main();
  EXPECT_TRUE(started) << "the command line started the environment";
  std::vector<std::string> shown = {kNotRunning};
  if (*GetParam().question) shown.push_back(GetParam().question);
  shown.push_back(kNoAnswer);
  EXPECT_THAT(messages(user), ElementsAreArray(shown)) << "one message from the connect step, nothing else";
  EXPECT_THAT(log_events(), ElementsAre("ClarionWin: Error 602 DDE channel is not open"));
  EXPECT_EQ(user.beeps(), 0);
  EXPECT_FALSE(status.shown(kProcessingComplete));
  EXPECT_EQ(sim.starting_pids().size(), 1u) << "started once";
}

TEST_P(RunsConnect, AnEnvironmentOnASlowStartIsWaitedForAndUsed) {
  settings("--start-seconds 0.5");
  HeadlessUser user;
  set_connect_pause([&](int64_t ms) {
    test_support::eventually([&] { return sim.says("serving ClarionWin", 1, 0); }, kRealWaitMs);
    user.advance_time(ms);
  });
  press(user, GetParam());
  if (GetParam().button == EXPORTAPP || GetParam().button == IMPORTDCT) {
    watch_timer_run(user);
  } else {
    watch_make_run(user);
  }
  Main();
  EXPECT_THAT(messages(user),
              ElementsAreArray(*GetParam().question ? std::vector<std::string>{kNotRunning, GetParam().question}
                                                    : std::vector<std::string>{kNotRunning}));
  const std::vector<std::string> log = log_events();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].rfind("MAIN.APP: Begin ", 0), 0u) << log[0];
  EXPECT_EQ(log[1].find("Finished"), log[1].size() - 8) << log[1];
}

INSTANTIATE_TEST_SUITE_P(
    Runs, RunsConnect,
    ::testing::Values(RunButton{"AppRun", 0, EXECUTEAPP, ""}, RunButton{"ProjectRun", TAB2, GENERATE, ""},
                      RunButton{"ExportApp", 0, EXPORTAPP, ""},
                      RunButton{"ImportDct", TAB3, IMPORTDCT, "Are you sure you want to import .TXD?"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

}  // namespace qvn::automation::testing
