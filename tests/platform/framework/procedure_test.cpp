#include "platform/framework/procedure.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/framework/error_manager.h"
#include "platform/framework/request.h"
#include "platform/framework/window_manager.h"
#include "support/headless.h"
#include "window_test_support.h"

namespace qvn::framework::wm_testing {
namespace {

using ui::ControlKind;
using ui::WindowView;

// Each test starts with no request and no response; what it leaves is put back afterwards.
class ProcedureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GlobalRequest = request::None;
    GlobalResponse = response::None;
  }

  test_support::FrameworkState framework_state_;
};

// ---------------------------------------------------------------------------
// Calling a procedure with a request.

struct CallCase {
  const char* name;
  bool installed;
  bool takes_request;  // the procedure clears GlobalRequest, as its Init does
  int leaves;          // the response the procedure leaves
  int answer;
};
void PrintTo(const CallCase& c, std::ostream* os) { *os << c.name; }

class CallProcedureTest : public ProcedureTest, public ::testing::WithParamInterface<CallCase> {};

TEST_P(CallProcedureTest, HandsTheRequestOverAndTheResponseBack) {
  const CallCase& c = GetParam();
  std::vector<int> requests_seen, responses_seen;
  Procedure procedure;
  if (c.installed) {
    procedure = [&] {
      requests_seen.push_back(GlobalRequest);
      responses_seen.push_back(GlobalResponse);
      if (c.takes_request) GlobalRequest = request::None;
      if (c.leaves != response::None) GlobalResponse = c.leaves;
    };
  }
  GlobalResponse = response::Completed;  // an earlier procedure's
  EXPECT_EQ(call_procedure(procedure, request::Change), c.answer);
  EXPECT_EQ(GlobalResponse, c.answer);
  EXPECT_EQ(GlobalRequest, request::None) << "no request is left for another procedure";
  if (c.installed) {
    EXPECT_EQ(requests_seen, std::vector<int>{request::Change});
    EXPECT_EQ(responses_seen, std::vector<int>{response::None}) << "the earlier response is not this one's";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Calls, CallProcedureTest,
    ::testing::Values(CallCase{"Completed", true, true, response::Completed, response::Completed},
                      CallCase{"Cancelled", true, true, response::Cancelled, response::Cancelled},
                      CallCase{"LeavesNoResponse", true, true, response::None, response::Cancelled},
                      CallCase{"LeavesTheRequest", true, false, response::Completed, response::Completed},
                      CallCase{"NoneInstalled", false, false, response::None, response::Cancelled}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Running a window manager as a procedure.

ui::WindowDef ok_window() {
  ui::WindowDef def;
  def.caption = "Inner";
  def.controls = {control("?OK", ControlKind::Button, "&Ok"), control("?CANCEL", ControlKind::Button, "&Cancel")};
  return def;
}

// Notes the current procedure at each step; Ok completes, Cancel cancels.
class NamedForm : public WindowManager {
 public:
  NamedForm(ui::Window& w, ErrorManager& errors) : WindowManager(w), errors_(errors) {}
  std::vector<std::string> seen;
  bool fail_init = false;
  bool always_cancelled = false;  // as a view answers

  int Run() override {
    const int answer = WindowManager::Run();
    return always_cancelled ? response::Cancelled : answer;
  }
  using WindowManager::Run;
  int Init() override {
    Note("Init");
    if (int rc = WindowManager::Init()) return rc;
    if (fail_init) return level::Notify;
    OkControl = window().field("?OK");
    CancelControl = window().field("?CANCEL");
    Open();
    return level::Benign;
  }
  int TakeAccepted() override {
    Note("Ask");
    return WindowManager::TakeAccepted();
  }
  int Kill() override {
    Note("Kill");
    return WindowManager::Kill();
  }

 private:
  void Note(const char* step) { seen.push_back(std::string(step) + " " + errors_.CurrentProcedure()); }
  ErrorManager& errors_;
};

struct RunCase {
  const char* name;
  const char* press;  // "" when Init fails and the window never opens
  bool fail_init;
  bool always_cancelled;
  int answer;
  std::vector<std::string> seen;
};
void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }

class RunProcedureTest : public ProcedureTest, public ::testing::WithParamInterface<RunCase> {};

TEST_P(RunProcedureTest, TheNameIsRegisteredWhileTheManagerRuns) {
  const RunCase& c = GetParam();
  ErrorManager errors;
  errors.PushProcedure("Outer");
  ui::HeadlessUser user;
  if (*c.press) user.then([&](WindowView& v) { v.press(c.press); });
  auto w = make_window(ok_window());
  NamedForm form(*w, errors);
  form.fail_init = c.fail_init;
  form.always_cancelled = c.always_cancelled;
  EXPECT_EQ(run_procedure("Inner", form, errors), c.answer);
  EXPECT_EQ(GlobalResponse, c.answer);
  EXPECT_EQ(form.seen, c.seen);
  EXPECT_EQ(errors.CurrentProcedure(), "Outer") << "the caller is the current procedure again";
  EXPECT_FALSE(w->is_open());
}

INSTANTIATE_TEST_SUITE_P(
    Runs, RunProcedureTest,
    ::testing::Values(
        RunCase{"Ok", "?OK", false, false, response::Completed, {"Init Inner", "Ask Inner", "Kill Inner"}},
        RunCase{"Cancel", "?CANCEL", false, false, response::Cancelled, {"Init Inner", "Ask Inner", "Kill Inner"}},
        RunCase{"TheManagersOwnRunAnswers",
                "?OK",
                false,
                true,
                response::Cancelled,
                {"Init Inner", "Ask Inner", "Kill Inner"}},
        RunCase{"InitFails", "", true, false, response::Cancelled, {"Init Inner", "Kill Inner"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProcedureTest, WithoutAnErrorManagerGivenTheProgramsOneKnowsTheName) {
  ui::HeadlessUser user;
  user.then([](WindowView& v) { v.press("?OK"); });
  auto w = make_window(ok_window());
  NamedForm form(*w, error_manager);
  const std::string before = error_manager.CurrentProcedure();
  EXPECT_EQ(run_procedure("Inner", form), response::Completed);
  EXPECT_EQ(form.seen, (std::vector<std::string>{"Init Inner", "Ask Inner", "Kill Inner"}));
  EXPECT_EQ(error_manager.CurrentProcedure(), before);
}

// A procedure's entry: the window is built and its manager run as the
// procedure; a window the layer refuses is told, in a box captioned with
// the procedure's name, and the answer is cancelled without a manager.
TEST_F(ProcedureTest, AnEntryBuildsItsWindowAndRunsItsManagerAsTheProcedure) {
  ui::HeadlessUser user;
  std::string current;
  user.on_window("Inner", [&](WindowView& v) {
    current = error_manager.CurrentProcedure();
    v.press("?OK");
  });
  int made = 0;
  run_window_procedure("Inner", "The inner window", ok_window(), [&](ui::Window& w) {
    ++made;
    return NamedForm(w, error_manager);
  });
  EXPECT_EQ(made, 1);
  EXPECT_EQ(current, "Inner");
  EXPECT_EQ(GlobalResponse, response::Completed);
  EXPECT_TRUE(user.messages().empty());

  ui::WindowDef twice = ok_window();
  twice.controls.push_back(control("?OK", ControlKind::Button, "&Ok"));
  user.answer_message("The inner window cannot be built: Two controls are named ?OK", ui::button::Ok);
  GlobalResponse = response::Completed;
  run_window_procedure("Inner", "The inner window", twice, [&](ui::Window& w) {
    ++made;
    return NamedForm(w, error_manager);
  });
  EXPECT_EQ(made, 1) << "no manager without its window";
  EXPECT_EQ(GlobalResponse, response::Cancelled);
  ASSERT_EQ(user.messages().size(), 1u);
  EXPECT_EQ(user.messages()[0].box.caption, "Inner");
  EXPECT_EQ(user.messages()[0].box.icon, ui::MessageIcon::Stop);
}

}  // namespace
}  // namespace qvn::framework::wm_testing
