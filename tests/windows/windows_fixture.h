#pragma once
// Each window test gets a folder of its own with the data files in it (the
// file-name variables point there), this thread's managers, the error
// manager's messages shown as the window layer's boxes (so the scripted user
// answers them, and a fatal one's end of the program is recorded instead of
// done), and helpers that put records on file and read them back. The test
// runs in its folder; the working folder and the program's state are put
// back afterwards.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "data/dictionary.h"
#include "data/files.h"
#include "data/globals.h"
#include "platform/core/error_state.h"
#include "platform/framework/error_manager.h"
#include "platform/framework/message_presenter.h"
#include "platform/framework/request.h"
#include "support/data_files.h"
#include "support/environment.h"
#include "support/headless.h"
#include "support/program_state.h"
#include "support/temp_folder.h"

namespace qvn::windows::testing {

namespace fs = std::filesystem;

// Records put on file directly, as another program would, and read back
// (support/data_files.h).
using test_support::AppOnFile;
using test_support::log_on_file;
using test_support::LogOnFile;
using test_support::projects_on_file;
using test_support::seed_apps;
using test_support::seed_log;
using test_support::seed_projects;

class WindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_error();
    data_dir = dir / "data";
    fs::create_directory(data_dir);
    names_in(data_dir);
    ASSERT_EQ(data::ProjectsFileName.str(), (data_dir / "PROJECTS.TPS").string()) << "temporary folder name too long";
    error_manager.Init();
    error_manager.SetPresenter(&framework::window_message_presenter());
    error_manager.SetHaltHook([this](int code) { halts.push_back(code); });
    data::dct_init();
    framework::GlobalRequest = framework::request::None;
    framework::GlobalResponse = framework::response::None;
  }

  void TearDown() override {
    data::dct_kill();
    clear_error();
  }

  static void names_in(const fs::path& folder) { test_support::name_data_files_in(folder); }
  // The bare names, which the main window puts its data folder in front of.
  static void bare_names() { test_support::bare_data_file_names(); }
  static void open_or_create(storage::RecordFile& file) { test_support::open_or_create(file); }

  // The applications on file in APP:DriveKey order.
  static std::vector<AppOnFile> apps_on_file() { return test_support::apps_on_file(data::APP_DriveKey); }

  test_support::TempFolder folder{"qvn-windows"};
  fs::path dir = fs::canonical(folder.path());
  fs::path data_dir;
  fs::path home = fs::current_path();
  test_support::ScratchFolder scratch{dir};
  test_support::WorkingFolder working_folder{dir};  // the test runs in its folder
  std::vector<int> halts;
  test_support::ProgramState program_state;  // after what the error manager is given
};

}  // namespace qvn::windows::testing
