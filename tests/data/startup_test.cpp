#include "data/startup.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "data/dictionary.h"
#include "data/files.h"
#include "data/globals.h"
#include "platform/core/error_state.h"
#include "platform/framework/error_manager.h"
#include "platform/profile/ini_manager.h"
#include "platform/ui/window_def.h"
#include "support/environment.h"
#include "support/program_state.h"
#include "support/temp_folder.h"

namespace qvn::data {
namespace {

namespace fs = std::filesystem;

// Each test runs the program in a folder of its own, with the per-user
// profile and the storage layer's scratch files in that folder; the
// program's state is put back as it was afterwards.
class StartupTest : public ::testing::Test {
 protected:
  std::string profile_text() const {
    std::ifstream in(profile_, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void write_profile(const std::string& text) const {
    std::ofstream out(profile_, std::ios::binary);
    out << text;
  }

  test_support::TempFolder folder_{"qvn-startup"};
  const fs::path dir_ = folder_.path();
  const fs::path profile_ = dir_ / "profile.ini";
  test_support::EnvironmentVariable profile_variable_{"QVN_PROFILE", profile_};
  test_support::ScratchFolder scratch_{dir_};
  test_support::WorkingFolder working_folder_{dir_};
  test_support::ProgramState program_state_;
};

TEST(StartupInitialValues, SettingsStartAsTheProgramImageHoldsThem) {
  // A fresh process, before any start-up has run.
  EXPECT_EXIT(
      {
        bool initial = GLO_UseNewLog.raw() == "N" && GLO_RunString.empty() &&
                       GLO_FilePath.raw() == std::string(64, ' ') && GLO_RETAINTAGS == 0 && DosFileName.blank();
        std::exit(initial ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(StartupTest, FirstRunWithoutProfileEntriesLeavesTheSettingsBlank) {
  GLO_UseNewLog = "N";
  GLO_RunString = "left over";
  GLO_FilePath = "left over";
  std::string seen_new_log = "?";
  std::string seen_run_string = "?";
  std::string seen_file_path = "?";
  int rc = run_program([&] {
    seen_new_log = std::string(GLO_UseNewLog.raw());
    seen_run_string = GLO_RunString.str();
    seen_file_path = std::string(GLO_FilePath.raw());
  });
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(seen_new_log, " ") << "blank, not the initial N";
  EXPECT_EQ(seen_run_string, "");
  EXPECT_EQ(seen_file_path, std::string(64, ' '));
  EXPECT_EQ(profile_text(),
            "[Preserved]\nGLO:UseNewLog=\nGLO:RunString=\nGLO:FilePath=\n"
            "[__Dont_Touch_Me__]\nSectors=0\n");
}

TEST_F(StartupTest, ProfileValuesAreCutToTheirSettings) {
  const std::string long_value = std::string(250, 'a') + std::string(50, 'b');  // 300 characters
  struct Case {
    std::string stored;
    std::string new_log;
    std::string run_string;
    std::string file_path;
  };
  const Case cases[] = {
      {long_value, "a", long_value.substr(0, 254), long_value.substr(0, 64)},
      {"YES", "Y", "YES", "YES" + std::string(61, ' ')},
      {"y", "y", "y", "y" + std::string(63, ' ')},
  };
  for (const Case& c : cases) {
    write_profile("[Preserved]\nGLO:UseNewLog=" + c.stored + "\nGLO:RunString=" + c.stored +
                  "\nGLO:FilePath=" + c.stored + "\n");
    std::string new_log, run_string, file_path;
    run_program([&] {
      new_log = std::string(GLO_UseNewLog.raw());
      run_string = GLO_RunString.str();
      file_path = std::string(GLO_FilePath.raw());
    });
    EXPECT_EQ(new_log, c.new_log) << c.stored;
    EXPECT_EQ(run_string, c.run_string) << c.stored;
    EXPECT_EQ(file_path, c.file_path) << c.stored;
  }
}

TEST_F(StartupTest, ClosingWritesTheSettingsClippedAndKeepsTheRestOfTheProfile) {
  write_profile(
      "; other programs' entries\n"
      "[Other]\n"
      "GLO:FilePath=not ours\n"
      "[Preserved]\n"
      "GLO:UseNewLog=N\n"
      "GLO:RunString=old.exe\n"
      "GLO:FilePath=C:\\OLD\\\n");
  run_program([] {
    GLO_UseNewLog = "Y";
    GLO_RunString = "C:\\clarion6\\bin\\c60ee.exe   ";
    GLO_FilePath = "C:\\DATA\\";
    GLO_RETAINTAGS = 1;
  });
  EXPECT_EQ(profile_text(),
            "; other programs' entries\n"
            "[Other]\n"
            "GLO:FilePath=not ours\n"
            "[Preserved]\n"
            "GLO:UseNewLog=Y\n"
            "GLO:RunString=C:\\clarion6\\bin\\c60ee.exe\n"
            "GLO:FilePath=C:/DATA/\n"
            "[__Dont_Touch_Me__]\n"
            "Sectors=0\n");
}

TEST_F(StartupTest, AFatalErrorInsideMainLeavesTheProfileAsItWas) {
  const std::string before = "[Preserved]\nGLO:UseNewLog=N\nGLO:RunString=old.exe\nGLO:FilePath=C:\\OLD\\\n";
  write_profile(before);
  // The child must share this test's folder, so it is forked, not started anew.
  const std::string style = GTEST_FLAG_GET(death_test_style);
  GTEST_FLAG_SET(death_test_style, "fast");
  EXPECT_EXIT(run_program([this] {
                GLO_UseNewLog = "Y";
                GLO_RunString = "new.exe";
                GLO_FilePath = "C:\\NEW\\";
                // A data file in a folder that does not exist cannot be opened or made.
                AppsFileName = (dir_ / "no such folder" / "APPS.TPS").string();
                apps_relation_manager->Open();
              }),
              ::testing::ExitedWithCode(framework::kFatalExitCode), "Press OK to end this application");
  GTEST_FLAG_SET(death_test_style, style);
  EXPECT_EQ(profile_text(), before);
}

// The program ends with files still open: the first thread's managers close
// them as its state is torn down at the end, which sets its error status.
// Each case runs the whole program in a child, forked so that it shares this
// test's folder.
TEST_F(StartupTest, TheProgramEndsCleanlyWithFilesOpen) {
  const std::string style = GTEST_FLAG_GET(death_test_style);
  GTEST_FLAG_SET(death_test_style, "fast");
  // Main reads the empty log to its end, so the last error is still set
  // ("Record Not Available") when the program ends.
  EXPECT_EXIT(std::exit(run_program([] {
                if (apps_relation_manager->Open() != 0) std::exit(2);
                if (tempfile_file_manager->UseFile(framework::use::Benign) != 0) std::exit(2);
                if (TempFile.set_order(tmp_clockkey) != 0 || tempfile_file_manager->Next() == 0) std::exit(2);
                if (!TempFile.is_open() || error_code() == 0) std::exit(2);
              })),
              ::testing::ExitedWithCode(0), "");
  // An empty log file cannot be opened, and that error is fatal.
  std::ofstream(dir_ / "TEMPFILE.TPS").close();
  EXPECT_EXIT(run_program([] {
                if (projects_relation_manager->Open() != 0 || apps_relation_manager->Open() != 0) std::exit(2);
                tempfile_file_manager->UseFile(framework::use::Benign);
              }),
              ::testing::ExitedWithCode(framework::kFatalExitCode), "File Access Error");
  GTEST_FLAG_SET(death_test_style, style);
}

TEST_F(StartupTest, TheManagersAreReadyWhenMainRuns) {
  bool settings_ready = false;
  std::string settings_file = "?";
  int settings_kind = -1;
  int managers = 0;
  std::string icon;
  ui::set_program_icon("");
  run_program([&] {
    icon = ui::program_icon();
    settings_ready = settings_manager.Initialised();
    settings_file = settings_manager.FileName();
    settings_kind = settings_manager.Kind();
    for (void* m : {static_cast<void*>(apps_file_manager), static_cast<void*>(projectapps_file_manager),
                    static_cast<void*>(projects_file_manager), static_cast<void*>(tempfile_file_manager),
                    static_cast<void*>(tagfile_file_manager), static_cast<void*>(dosfile_file_manager),
                    static_cast<void*>(apps_relation_manager), static_cast<void*>(projectapps_relation_manager),
                    static_cast<void*>(projects_relation_manager), static_cast<void*>(tempfile_relation_manager),
                    static_cast<void*>(tagfile_relation_manager), static_cast<void*>(dosfile_relation_manager)}) {
      if (m) ++managers;
    }
  });
  EXPECT_TRUE(settings_ready);
  EXPECT_EQ(settings_file, "") << "the per-user profile";
  EXPECT_EQ(settings_kind, profile::kProfileStringStore);
  EXPECT_EQ(managers, 12);
  EXPECT_EQ(icon, "CLOCK.ICO") << "every window's icon unless it names its own";
  EXPECT_FALSE(settings_manager.Initialised()) << "killed once Main has returned";
  EXPECT_NE(apps_file_manager, nullptr) << "the first thread's managers stay until the thread ends";
}

}  // namespace
}  // namespace qvn::data
