#include "platform/ui/close_signals.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <memory>

#include "platform/ui/window.h"
#include "quiet_backend.h"

namespace qvn::ui {
namespace {

using testing::control;
using testing::pending;
using testing::QuietBackend;
using testing::Seen;

std::unique_ptr<Window> window(const char* caption) {
  WindowDef def;
  def.caption = caption;
  def.controls = {control("?OK", ControlKind::Button, 0, "OK")};
  std::string error;
  std::unique_ptr<Window> w = Window::create(std::move(def), &error);
  EXPECT_NE(w, nullptr) << error;
  return w;
}

// The handlers are installed for each test and put back after it.
class CloseSignalsTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { ASSERT_TRUE(install_close_signals()); }
  void TearDown() override { remove_close_signals(); }

  QuietBackend backend;
};

TEST_P(CloseSignalsTest, ASignalAsksEveryOpenWindowToCloseTheTopOneFirst) {
  std::unique_ptr<Window> main = window("Main");
  std::unique_ptr<Window> form = window("Form");
  main->open();
  pending(*main);
  form->open();
  pending(*form);

  ASSERT_EQ(raise(GetParam()), 0);
  EXPECT_EQ(pending(*form), (std::vector<Seen>{{Event::CloseWindow, 0, key::None}}));
  form->close();
  // The form's close gave the main window the focus back, after the request.
  EXPECT_EQ(pending(*main), (std::vector<Seen>{{Event::CloseWindow, 0, key::None}, {Event::GainFocus, 0, key::None}}));
  EXPECT_FALSE(take_close_signals()) << "the signal was taken once";
}

INSTANTIATE_TEST_SUITE_P(TermIntHup, CloseSignalsTest, ::testing::Values(SIGTERM, SIGINT, SIGHUP));

TEST(CloseSignals, WithoutASignalNothingIsAsked) {
  QuietBackend backend;
  ASSERT_TRUE(install_close_signals());
  EXPECT_GE(close_signal_descriptor(), 0);
  std::unique_ptr<Window> w = window("Main");
  w->open();
  pending(*w);
  EXPECT_FALSE(take_close_signals());
  EXPECT_TRUE(pending(*w).empty());
  remove_close_signals();
  EXPECT_EQ(close_signal_descriptor(), -1);
}

TEST(CloseSignals, ASignalTheProgramWasStartedIgnoringStaysIgnoredAndTheOldHandlingComesBack) {
  QuietBackend backend;
  struct sigaction ignore {
  }, before{}, after{}, hup{};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  ASSERT_EQ(sigaction(SIGHUP, &ignore, &before), 0);
  ASSERT_TRUE(install_close_signals());
  std::unique_ptr<Window> w = window("Main");
  w->open();
  pending(*w);
  ASSERT_EQ(raise(SIGHUP), 0);
  EXPECT_TRUE(pending(*w).empty()) << "as under nohup";
  sigaction(SIGTERM, nullptr, &after);
  EXPECT_NE(after.sa_handler, SIG_DFL) << "SIGTERM is taken";
  remove_close_signals();
  sigaction(SIGTERM, nullptr, &after);
  EXPECT_EQ(after.sa_handler, SIG_DFL);
  sigaction(SIGHUP, nullptr, &hup);
  EXPECT_EQ(hup.sa_handler, SIG_IGN);
  sigaction(SIGHUP, &before, nullptr);
}

// The first signal's close is held (nobody takes it here); the second one
// ends the program as that signal does by default.
TEST(CloseSignalsDeathTest, ASecondSignalEndsTheProgramAtOnce) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        install_close_signals();
        raise(SIGTERM);
        raise(SIGINT);
        std::_Exit(0);
      },
      ::testing::KilledBySignal(SIGINT), "");
  EXPECT_EXIT(
      {
        install_close_signals();
        raise(SIGTERM);
        std::_Exit(7);
      },
      ::testing::ExitedWithCode(7), "")
      << "the first signal alone does not end it";
}

}  // namespace
}  // namespace qvn::ui
