#include "platform/framework/error_manager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

#include "platform/core/error_state.h"
#include "recording_presenter.h"

using namespace qvn;
using namespace qvn::framework;
using qvn::framework::testing::RecordingPresenter;

namespace {

class ErrorManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_error();
    errors.Init();
    errors.SetPresenter(&presenter);
    errors.SetHaltHook([this](int code) { halts.push_back(code); });
  }
  void TearDown() override { clear_error(); }

  ErrorManager errors;
  RecordingPresenter presenter;
  std::vector<int> halts;
};

struct TableRow {
  Msg id;
  const char* title;
  const char* text;
  MessageKind kind;
};

// Every message with its placeholders filled for the file "C:\DATA\APPS.TPS",
// key "APP:DriveKey" and error 5 "Access Denied".
const TableRow kExpected[] = {
    {Msg::OpenFailed, "File Access Error",
     "File C:\\DATA\\APPS.TPS could not be opened.  Error: Access Denied (5).  Press OK to end this application",
     MessageKind::Fatal},
    {Msg::CreateFailed, "File Creation Error",
     "Error: (Access Denied (5)) creating C:\\DATA\\APPS.TPS.  Press OK to end this application", MessageKind::Fatal},
    {Msg::OpenReadOnly, "Access Denied", "Could not get write access to C:\\DATA\\APPS.TPS so trying read-only.",
     MessageKind::Notice},
    {Msg::RebuildKey, "Invalid Key", "C:\\DATA\\APPS.TPS key file is invalid. Key must be rebuilt.",
     MessageKind::Notice},
    {Msg::RebuildFailed, "Key was not built",
     "Error: (Access Denied (5)) repairing key for C:\\DATA\\APPS.TPS.  Press OK to end this application",
     MessageKind::Fatal},
    {Msg::AbortReading, "Record Retrieval Error",
     "Error: (Access Denied (5)) attempting to access a record from the C:\\DATA\\APPS.TPS file.  Returning to "
     "previous window.",
     MessageKind::Notice},
    {Msg::RecordHeldByAnother, "Record not read",
     "A record held by another station was encountered reading from the C:\\DATA\\APPS.TPS file.", MessageKind::Notice},
    {Msg::AddFailed, "Record Insert Error",
     "An error was experienced during the creation of a record.|File: C:\\DATA\\APPS.TPS|Error: Access Denied (5).",
     MessageKind::Notice},
    {Msg::DuplicateKey, "Duplicate Key Error", "Adding this record creates a duplicate entry for the key: APP:DriveKey",
     MessageKind::Notice},
    {Msg::RetryAutoInc, "Auto Increment Error",
     "Attempts to automatically number this record have failed.|File: C:\\DATA\\APPS.TPS|Key: APP:DriveKey|Error: "
     "Access Denied (5).|Try Again?",
     MessageKind::Question},
    {Msg::ConcurrencyFailed, "Record Was Not Updated", "This record was changed by another station.",
     MessageKind::Notice},
    {Msg::ConcurrencyFailedFromForm, "Record Was Not Updated",
     "This record was changed by another station. Those changes will now be displayed. Use the Ditto Button or "
     "Ctrl+H to recall your changes.",
     MessageKind::Notice},
    {Msg::PutFailed, "Record was not updated",
     "An error (Access Denied (5)) was experienced when making changes to the C:\\DATA\\APPS.TPS file.",
     MessageKind::Notice},
    {Msg::ConfirmDelete, "Confirm Delete", "Are you sure you want to delete the highlighted record?",
     MessageKind::Question},
    {Msg::DeleteFailed, "Record was not deleted",
     "An error (Access Denied (5)) was experienced when deleting a record from the C:\\DATA\\APPS.TPS file.",
     MessageKind::Notice},
    {Msg::RetryDelete, "Record Delete Error",
     "An error was experienced deleting this record. Do you want to try to delete it again?", MessageKind::Question},
    {Msg::LogoutFailed, "Transaction cancelled",
     "Error: (Access Denied (5)) attempting to frame the transaction on C:\\DATA\\APPS.TPS.", MessageKind::Notice},
};

TEST_F(ErrorManagerTest, EveryMessageShowsItsTitleTextAndButtons) {
  ASSERT_EQ(message_table().size(), std::size(kExpected));
  set_error(err::AccessDenied);
  for (const TableRow& row : kExpected) {
    SCOPED_TRACE(row.title);
    MessageBox box = errors.Compose(row.id, MessageContext("C:\\DATA\\APPS.TPS", "APP:DriveKey", "APP:DriveKey"));
    EXPECT_EQ(box.title, row.title);
    EXPECT_EQ(box.text, row.text);
    EXPECT_EQ(box.kind, row.kind);
    if (row.kind == MessageKind::Question) {
      EXPECT_EQ(box.buttons, ui::button::Yes + ui::button::No);
      EXPECT_EQ(box.default_button, ui::button::Yes);
      EXPECT_EQ(box.icon, ui::MessageIcon::Question);
    } else {
      EXPECT_EQ(box.buttons, ui::button::Ok);
      EXPECT_EQ(box.icon, ui::MessageIcon::Stop);
    }
  }
}

TEST_F(ErrorManagerTest, ErrorTextOfTheStorageLayersOwnFailuresIsItsOwn) {
  struct Case {
    int code;
    int driver_code;
    const char* driver_text;
    const char* expected;
  };
  const Case cases[] = {
      {err::FileSystemError, 1032, "disk I/O error", "disk I/O error (1032)"},
      {err::DriverError, 11, "database disk image is malformed", "database disk image is malformed (11)"},
  };
  for (const Case& c : cases) {
    set_driver_error(c.code, c.driver_code, c.driver_text);
    EXPECT_EQ(MessageContext().error.error_text(), c.expected);
  }
  set_error(err::PathNotFound);
  EXPECT_EQ(MessageContext().error.error_text(), "Path Not Found (3)");
}

TEST_F(ErrorManagerTest, ErrorIsTakenWhenTheContextIsMadeNotWhenShown) {
  set_error(err::CreatesDuplicateKey);
  MessageContext ctx("APPS.TPS");
  clear_error();
  errors.Throw(Msg::PutFailed, ctx);
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(presenter.shown[0].text,
            "An error (Creates Duplicate Key (40)) was experienced when making changes to the APPS.TPS file.");
}

TEST_F(ErrorManagerTest, PlaceholdersInSubstitutedValuesStayAsTheyAre) {
  set_error(err::FileNotFound);
  MessageContext ctx("odd%Key%ErrorText.TPS", "", "K");
  EXPECT_EQ(fill_placeholders("%File|%Key|%Message|%Other %", ctx), "odd%Key%ErrorText.TPS|K||%Other %");
}

TEST_F(ErrorManagerTest, KindsDecideTheResult) {
  presenter.answers = {ui::button::Yes, ui::button::No};
  EXPECT_EQ(errors.Throw(Msg::ConfirmDelete, MessageContext("F")), level::Benign);
  EXPECT_EQ(errors.Throw(Msg::ConfirmDelete, MessageContext("F")), level::Cancel);
  EXPECT_EQ(errors.Throw(Msg::DeleteFailed, MessageContext("F")), level::Notify);
  EXPECT_TRUE(halts.empty());
  EXPECT_EQ(errors.Throw(Msg::OpenFailed, MessageContext("F")), level::Fatal);
  EXPECT_EQ(halts, std::vector<int>{kFatalExitCode});
  EXPECT_EQ(presenter.titles(), (std::vector<std::string>{"Confirm Delete", "Confirm Delete", "Record was not deleted",
                                                          "File Access Error"}));
}

TEST(ErrorManagerExit, FatalMessageEndsTheProgramAfterShowingIt) {
  EXPECT_EXIT(
      {
        ErrorManager errors;
        RecordingPresenter presenter;
        errors.SetPresenter(&presenter);
        set_error(err::PathNotFound);
        errors.Throw(Msg::OpenFailed, MessageContext("/no/such/APPS.TPS"));
        // Not reached: the program has ended.
        std::fprintf(stderr, "still running\n");
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(kFatalExitCode), ::testing::Not(::testing::HasSubstr("still running")));
}

TEST(ErrorManagerExit, WithoutAPresenterMessagesGoToStderrAndQuestionsAreAnsweredNo) {
  ErrorManager errors;
  ::testing::internal::CaptureStderr();
  int answer = errors.Throw(Msg::RetryDelete, MessageContext("APPS.TPS"));
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(answer, level::Cancel);
  EXPECT_THAT(err, ::testing::HasSubstr("Record Delete Error: An error was experienced deleting this record."));
}

TEST_F(ErrorManagerTest, CurrentProcedureIsPerThreadAndNamesTheCaption) {
  EXPECT_EQ(errors.Compose(Msg::ConfirmDelete, MessageContext()).caption(), "Confirm Delete");
  {
    ProcedureScope main_scope(errors, "Main");
    {
      ProcedureScope form_scope(errors, "UpdateProjects");
      EXPECT_EQ(errors.CurrentProcedure(), "UpdateProjects");
      std::string other_thread = "unset";
      std::thread([&] { other_thread = errors.CurrentProcedure(); }).join();
      EXPECT_EQ(other_thread, "");
      errors.Throw(Msg::DeleteFailed, MessageContext("PROJECTS.TPS"));
    }
    EXPECT_EQ(errors.CurrentProcedure(), "Main");
  }
  EXPECT_EQ(errors.CurrentProcedure(), "");
  errors.PopProcedure();  // an unmatched pop is harmless
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(presenter.shown[0].procedure, "UpdateProjects");
  EXPECT_EQ(presenter.shown[0].caption(), "UpdateProjects: Record was not deleted");
}

}  // namespace
