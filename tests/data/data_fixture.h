#pragma once
// Each test gets its own data folder, the file-name variables pointing into
// it, this thread's managers built, and error_manager's messages recorded
// (and a fatal message's end of the program recorded instead of done). The
// program's state is put back as it was afterwards.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../platform/framework/recording_presenter.h"
#include "data/dictionary.h"
#include "data/files.h"
#include "platform/core/error_state.h"
#include "platform/framework/error_manager.h"
#include "support/data_files.h"
#include "support/environment.h"
#include "support/program_state.h"
#include "support/temp_folder.h"

namespace qvn::data::testing {

class DataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_error();
    point_names_at(dir);
    ASSERT_EQ(ProjectsFileName.str(), (dir / "PROJECTS.TPS").string()) << "temporary folder name too long";
    error_manager.Init();
    error_manager.SetPresenter(&presenter);
    error_manager.SetHaltHook([this](int code) { halts.push_back(code); });
    dct_init();
  }

  void TearDown() override {
    dct_kill();
    clear_error();
  }

  static void point_names_at(const std::filesystem::path& folder) { test_support::name_data_files_in(folder); }

  // Stores through the file managers, as the windows do.
  void add_project(const char* name, int32_t number) {
    PRO.PROJECTNAME = name;
    PRO.P_REF = number;
    ASSERT_EQ(projects_file_manager->Insert(), 0) << error_text();
  }
  void add_app(const char* application, const char* folder, int32_t project, uint8_t priority = 1) {
    Apps.clear_buffer();
    APP.APPLICATION = application;
    APP.DRIVENPATH = folder;
    APP.P_REF = project;
    APP.Priority = priority;
    ASSERT_EQ(apps_file_manager->Insert(), 0) << error_text();
  }
  bool read_project(int32_t number) {
    PRO.P_REF = number;
    return projects_file_manager->Fetch(PRO_ProjectIDKey) == 0;
  }

  // Every application as "name:project", in DriveKey order.
  std::vector<std::string> apps_on_file() {
    std::vector<std::string> out;
    EXPECT_EQ(apps_file_manager->UseFile(framework::use::Benign), 0);
    EXPECT_EQ(Apps.set_order(APP_DriveKey), 0);
    while (apps_file_manager->Next() == 0) out.push_back(APP.APPLICATION.str() + ":" + std::to_string(APP.P_REF));
    return out;
  }
  std::vector<int32_t> projects_on_file() {
    std::vector<int32_t> out;
    EXPECT_EQ(projects_file_manager->UseFile(framework::use::Benign), 0);
    EXPECT_EQ(Projects.set_order(PRO_ProjectIDKey), 0);
    while (projects_file_manager->Next() == 0) out.push_back(PRO.P_REF);
    return out;
  }

  test_support::TempFolder folder{"qvn-data"};
  const std::filesystem::path dir = folder.path();
  test_support::ScratchFolder scratch{dir};
  framework::testing::RecordingPresenter presenter;
  std::vector<int> halts;
  test_support::ProgramState program_state;  // after what the error manager is given
};

}  // namespace qvn::data::testing
