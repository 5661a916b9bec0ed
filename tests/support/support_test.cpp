// The tests' shared helpers do what their fixtures count on: a fresh folder
// of the test's own that goes with everything in it, guards that put back
// exactly what they found, records put on file as given and read back, and
// a file manager that numbers records only when asked to.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

#include "../platform/framework/recording_presenter.h"
#include "data/files.h"
#include "data/globals.h"
#include "data/settings_file.h"
#include "platform/core/fixed_string.h"
#include "platform/framework/error_manager.h"
#include "platform/framework/file_manager.h"
#include "platform/framework/request.h"
#include "platform/storage/file_def.h"
#include "platform/storage/record_file.h"
#include "support/data_files.h"
#include "support/environment.h"
#include "support/framework_state.h"
#include "support/program_state.h"
#include "support/temp_folder.h"
#include "support/test_file_manager.h"
#include "support/wait.h"
#ifdef QVN_TEST_WITH_AUTOMATION
#include "automation/main_window.h"
#include "platform/dde/dde_client.h"
#include "support/automation_state.h"
#endif

namespace qvn::test_support {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::optional<std::string>(value) : std::nullopt;
}

TEST(TempFolder, IsAFreshEmptyFolderUnderTmpdirWithThePrefix) {
  TempFolder outer("qvn-support-outer");
  EnvironmentVariable tmpdir("TMPDIR", outer.string());
  TempFolder first("qvn-support");
  TempFolder second("qvn-support");
  for (const TempFolder* f : {&first, &second}) {
    EXPECT_EQ(f->path().parent_path(), outer.path());
    const std::string name = f->path().filename().string();
    EXPECT_EQ(name.rfind("qvn-support-", 0), 0u) << name;
    EXPECT_EQ(name.size(), std::string("qvn-support-").size() + 6) << name;
    EXPECT_TRUE(fs::is_directory(f->path()));
    EXPECT_TRUE(fs::is_empty(f->path()));
    struct stat st {};
    ASSERT_EQ(::stat(f->path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u) << "closed to others";
  }
  EXPECT_NE(first.path(), second.path());
  EXPECT_EQ(first / "A.TPS", first.path() / "A.TPS");
}

TEST(TempFolder, AnEmptyTmpdirMeansTmp) {
  EnvironmentVariable tmpdir("TMPDIR", "");
  EXPECT_EQ(TempFolder::base(), fs::path("/tmp"));
  tmpdir.unset();
  EXPECT_EQ(TempFolder::base(), fs::path("/tmp"));
}

TEST(TempFolder, GoesWithEverythingInItEvenAFolderClosedToWriting) {
  fs::path made;
  {
    TempFolder folder("qvn-support");
    made = folder.path();
    fs::create_directories(folder / "sub" / "inner");
    std::ofstream(folder / "sub" / "inner" / "file") << "x";
    std::ofstream(folder / "top") << "x";
    fs::permissions(folder / "sub", fs::perms::owner_read | fs::perms::owner_exec);
  }
  EXPECT_FALSE(fs::exists(made));
}

TEST(TempFolder, AFolderThatCannotBeMadeThrowsNamingIt) {
  TempFolder outer("qvn-support-outer");
  const std::string missing = (outer / "no such folder").string();
  EnvironmentVariable tmpdir("TMPDIR", missing);
  try {
    TempFolder folder("qvn-support");
    ADD_FAILURE() << "made " << folder.string();
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(missing + "/qvn-support-XXXXXX"), std::string::npos) << e.what();
  }
}

TEST(EnvironmentVariable, PutsBackTheValueOrItsAbsence) {
  constexpr const char* kName = "QVN_SUPPORT_TEST_VARIABLE";
  struct Case {
    std::optional<std::string> before;
    std::optional<std::string> during;  // nullopt: unset while the guard lives
    bool through_constructor;
  };
  const Case cases[] = {
      {std::nullopt, "new", true},
      {std::nullopt, "new", false},
      {std::nullopt, std::nullopt, false},
      {"old", "new", true},
      {"old", "new", false},
      {"old", std::nullopt, false},
      {"", "new", true},
      {"old", "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.before.value_or("(none)") + " -> " + c.during.value_or("(none)"));
    if (c.before) {
      ASSERT_EQ(::setenv(kName, c.before->c_str(), 1), 0);
    } else {
      ASSERT_EQ(::unsetenv(kName), 0);
    }
    {
      std::optional<EnvironmentVariable> guard;
      if (c.through_constructor) {
        guard.emplace(kName, *c.during);
      } else {
        guard.emplace(kName);
        EXPECT_EQ(variable(kName), c.before) << "saving alone changes nothing";
        if (c.during) {
          guard->set(*c.during);
        } else {
          guard->unset();
        }
      }
      EXPECT_EQ(variable(kName), c.during);
    }
    EXPECT_EQ(variable(kName), c.before);
  }
  ::unsetenv(kName);
}

TEST(EnvironmentVariable, TheScratchFolderIsTheStorageLayersVariable) {
  TempFolder folder("qvn-support");
  const std::optional<std::string> before = variable("QVN_SCRATCH_DIR");
  {
    ScratchFolder scratch(folder.path());
    EXPECT_EQ(variable("QVN_SCRATCH_DIR"), folder.string());
  }
  EXPECT_EQ(variable("QVN_SCRATCH_DIR"), before);
}

TEST(WorkingFolder, MovesAndPutsBackTheFolderItStartedIn) {
  TempFolder folder("qvn-support");
  fs::create_directory(folder / "a");
  fs::create_directory(folder / "b");
  const fs::path start = fs::current_path();
  {
    WorkingFolder here(folder / "a");
    EXPECT_TRUE(fs::equivalent(fs::current_path(), folder / "a"));
    here.move(folder / "b");
    EXPECT_TRUE(fs::equivalent(fs::current_path(), folder / "b"));
  }
  EXPECT_EQ(fs::current_path(), start);
  EXPECT_THROW(WorkingFolder(folder / "missing"), fs::filesystem_error);
  EXPECT_EQ(fs::current_path(), start);
}

void set_program_state(const char* text, int number) {
  data::GLO_UseNewLog = text;
  data::GLO_RunString = text;
  data::GLO_FilePath = text;
  data::GLO_RETAINTAGS = static_cast<uint8_t>(number);
  data::AppsFileName = std::string(text) + "/APPS.TPS";
  data::ProjectsFileName = std::string(text) + "/PROJECTS.TPS";
  data::TempFileName = std::string(text) + "/TEMPFILE.TPS";
  data::TagFileName = std::string(text) + "/TF.TPS";
  data::DosFileName = std::string(text) + "/DOS.TXT";
  framework::GlobalRequest = number;
  framework::GlobalResponse = number + 1;
}

TEST(ProgramState, PutsBackEverySettingFileNameRequestAndResponse) {
  TempFolder before("qvn-support"), during("qvn-support");
  set_program_state("Yes", 1);
  data::anchor_settings_file(before.string());
  {
    ProgramState guard;
    set_program_state("No", 4);
    data::anchor_settings_file(during.string());
    EXPECT_EQ(data::GLO_RunString.str(), "No");
    EXPECT_EQ(data::settings_file(), (during / "QVN.INI").string());
  }
  EXPECT_EQ(data::settings_file(), (before / "QVN.INI").string());
  EXPECT_EQ(data::start_folder(), before.string());
  EXPECT_EQ(data::GLO_UseNewLog.raw(), "Y");
  EXPECT_EQ(data::GLO_RunString.str(), "Yes");
  EXPECT_EQ(data::GLO_FilePath.raw(), "Yes" + std::string(61, ' '));
  EXPECT_EQ(data::GLO_RETAINTAGS, 1);
  EXPECT_EQ(data::AppsFileName.str(), "Yes/APPS.TPS");
  EXPECT_EQ(data::ProjectsFileName.str(), "Yes/PROJECTS.TPS");
  EXPECT_EQ(data::TempFileName.str(), "Yes/TEMPFILE.TPS");
  EXPECT_EQ(data::TagFileName.str(), "Yes/TF.TPS");
  EXPECT_EQ(data::DosFileName.str(), "Yes/DOS.TXT");
  EXPECT_EQ(framework::GlobalRequest, 1);
  EXPECT_EQ(framework::GlobalResponse, 2);
}

#ifdef QVN_TEST_WITH_AUTOMATION
// The procedures the main window calls and the conversation's time-out come
// back as they stood, and the program's state with them.
TEST(AutomationState, PutsBackTheMainWindowsCallsTheTimeOutAndTheProgramsState) {
  int outer_calls = 0, inner_calls = 0;
  const automation::MainCalls saved = automation::main_calls();
  const int32_t saved_timeout = dde_timeout();
  automation::main_calls() = automation::MainCalls{};
  automation::main_calls().GetConfig = [&] { ++outer_calls; };
  set_dde_timeout(1234);
  data::GLO_RunString = "outer";
  {
    AutomationState guard;
    automation::main_calls() = automation::MainCalls{};
    automation::main_calls().GetConfig = [&] { ++inner_calls; };
    automation::main_calls().PrintLog = [&] { ++inner_calls; };
    set_dde_timeout(6000);
    data::GLO_RunString = "inner";
  }
  EXPECT_EQ(dde_timeout(), 1234);
  EXPECT_EQ(data::GLO_RunString.str(), "outer");
  EXPECT_FALSE(automation::main_calls().PrintLog) << "a call made empty again";
  ASSERT_TRUE(automation::main_calls().GetConfig);
  automation::main_calls().GetConfig();
  EXPECT_EQ(outer_calls, 1);
  EXPECT_EQ(inner_calls, 0);
  automation::main_calls() = saved;
  set_dde_timeout(saved_timeout);
}
#endif

// A message after the guard has gone reaches neither the presenter nor the
// halt hook given while it lived: a fatal one ends the program again.
TEST(FrameworkState, TakesThePresenterAndHaltHookOutOfTheErrorManager) {
  framework::testing::RecordingPresenter presenter;
  int halts = 0;
  {
    FrameworkState guard;
    error_manager.SetPresenter(&presenter);
    error_manager.SetHaltHook([&](int) { ++halts; });
    error_manager.Throw(framework::Msg::OpenFailed, framework::MessageContext("A.TPS"));
    ASSERT_EQ(presenter.shown.size(), 1u);
    ASSERT_EQ(halts, 1);
  }
  error_manager.Throw(framework::Msg::AddFailed, framework::MessageContext("A.TPS"));
  EXPECT_EQ(presenter.shown.size(), 1u);
  EXPECT_EXIT(error_manager.Throw(framework::Msg::OpenFailed, framework::MessageContext("A.TPS")),
              ::testing::ExitedWithCode(framework::kFatalExitCode), "File Access Error");
}

// A guard made while a presenter and hook are installed puts those back, not
// the defaults.
TEST(FrameworkState, PutsBackThePresenterAndHaltHookThatStoodBefore) {
  framework::testing::RecordingPresenter outer, inner;
  int outer_halts = 0, inner_halts = 0;
  FrameworkState outermost;
  error_manager.SetPresenter(&outer);
  error_manager.SetHaltHook([&](int) { ++outer_halts; });
  {
    FrameworkState guard;
    error_manager.SetPresenter(&inner);
    error_manager.SetHaltHook([&](int) { ++inner_halts; });
    error_manager.Throw(framework::Msg::OpenFailed, framework::MessageContext("A.TPS"));
  }
  error_manager.Throw(framework::Msg::OpenFailed, framework::MessageContext("A.TPS"));
  EXPECT_EQ(inner.shown.size(), 1u);
  EXPECT_EQ(inner_halts, 1);
  EXPECT_EQ(outer.shown.size(), 1u);
  EXPECT_EQ(outer_halts, 1);
}

// The bounded wait returns as soon as another thread brings the condition
// about and gives up only once its time has gone by.
TEST(Eventually, HoldsOnceAnotherThreadBringsItAboutAndGivesUpOnlyAfterItsTime) {
  std::atomic<bool> done = false;
  std::thread other([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    done = true;
  });
  EXPECT_TRUE(eventually([&] { return done.load(); }));
  other.join();

  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(eventually([] { return false; }, 20));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
}

// What is seeded is on file as given, each file closed again; the readers
// give it back in their orders and leave a file open when it was open.
TEST(DataFiles, SeededRecordsAreReadBackAndTheFilesLeftAsTheyStood) {
  TempFolder folder("qvn-support");
  ProgramState guard;
  name_data_files_in(folder.path());
  seed_apps({{"B.APP", "/dev/b/", 1, 2, "B.EXE", 1}, {"A.APP", "/dev/a/", 2, 0, "A.EXE", 0}});
  seed_projects({{2, "Two"}, {1, "One"}});
  seed_log({{"B.APP", 3, 4, "Begin Make"}, {"A.APP", 0, 0, "Make Finished"}});
  for (storage::RecordFile* file : {&data::Apps, &data::Projects, &data::TempFile}) EXPECT_FALSE(file->is_open());

  std::vector<std::string> by_folder, by_priority;
  for (const AppOnFile& a : apps_on_file(data::APP_DriveKey)) {
    by_folder.push_back(a.application + " " + a.folder + " " + std::to_string(a.priority) + " " +
                        std::to_string(a.project) + " " + a.target + " " + std::to_string(a.tag));
  }
  for (const AppOnFile& a : apps_on_file(data::APP_PriorityKey)) by_priority.push_back(a.application);
  EXPECT_EQ(by_folder, (std::vector<std::string>{"A.APP /dev/a/ 2 0 A.EXE 0", "B.APP /dev/b/ 1 2 B.EXE 1"}));
  EXPECT_EQ(by_priority, (std::vector<std::string>{"B.APP", "A.APP"}));
  EXPECT_EQ(projects_on_file(), (std::vector<ProjectOnFile>{{1, "One"}, {2, "Two"}}));
  std::vector<std::string> log;
  for (const LogOnFile& e : log_on_file()) {
    log.push_back(e.app + " " + std::to_string(e.date) + " " + std::to_string(e.clock) + " " + e.event);
  }
  EXPECT_EQ(log, (std::vector<std::string>{"B.APP 3 4 Begin Make", "A.APP 0 0 Make Finished"}));
  EXPECT_FALSE(data::Apps.is_open());

  ASSERT_EQ(data::Apps.open(), 0);
  EXPECT_EQ(apps_on_file(data::APP_DriveKey).size(), 2u);
  EXPECT_TRUE(data::Apps.is_open()) << "a file the test holds open stays open";
  data::Apps.close();
}

struct NumberedRec {
  FixedString<10> NAME;
  int32_t ID = 0;
};

// Priming numbers the record through the primary key, and holds the number
// on file, only with Numbering::PrimaryKey.
TEST(TestFileManager, NumbersRecordsThroughThePrimaryKeyOnlyWhenAsked) {
  for (const auto numbering : {TestFileManager::Numbering::None, TestFileManager::Numbering::PrimaryKey}) {
    const bool numbers = numbering == TestFileManager::Numbering::PrimaryKey;
    SCOPED_TRACE(numbers ? "PrimaryKey" : "None");
    TempFolder folder("qvn-support");
    storage::NameVar name;
    name = (folder / "NUMBERED.TPS").string();
    storage::FileDef def;
    def.label = "Numbered";
    def.prefix = "NUM";
    def.fields = {QVN_FIELD(NumberedRec, NAME, "NUM:NAME"), QVN_FIELD(NumberedRec, ID, "NUM:ID")};
    def.keys = {storage::KeyDef{.name = "NUM:IdKey", .components = {1}, .opt = true, .primary = true}};
    def.struct_size = sizeof(NumberedRec);
    def.name_var = name.data();
    def.name_width = name.width;
    NumberedRec rec;
    storage::RecordFile file(def, &rec);
    framework::ErrorManager errors;
    framework::testing::RecordingPresenter presenter;
    errors.SetPresenter(&presenter);
    TestFileManager manager(file, name, errors, "Numbered", numbering);
    manager.Init();

    ASSERT_EQ(manager.PrimeRecord(), 0);
    EXPECT_EQ(rec.ID, numbers ? 1 : 0);
    EXPECT_EQ(file.records(), numbers ? 1 : 0) << "the number is held by a record on file";
    EXPECT_TRUE(presenter.shown.empty());
    manager.Kill();
  }
}

}  // namespace
}  // namespace qvn::test_support
