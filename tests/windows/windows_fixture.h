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

struct AppOnFile {
  std::string application;
  std::string folder;
  int priority = 0;
  int project = 0;
  std::string target{};
  int tag = 0;
};

struct LogOnFile {
  std::string app;
  int32_t date = 0;
  int32_t clock = 0;
  std::string event;
};

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

  // Puts records on file directly, as another program would; the files are
  // closed again, so the windows open them themselves.
  void seed_apps(const std::vector<AppOnFile>& apps) {
    open_or_create(data::Apps);
    for (const AppOnFile& a : apps) {
      data::Apps.clear_buffer();
      data::APP.APPLICATION = a.application;
      data::APP.DRIVENPATH = a.folder;
      data::APP.Priority = static_cast<uint8_t>(a.priority);
      data::APP.P_REF = a.project;
      data::APP.TARGET = a.target;
      data::APP.TAG = static_cast<int16_t>(a.tag);
      EXPECT_EQ(data::Apps.add(), 0) << error_text();
    }
    data::Apps.close();
    data::Apps.clear_buffer();
  }

  void seed_projects(const std::vector<std::pair<int, std::string>>& projects) {
    open_or_create(data::Projects);
    for (const auto& [number, name] : projects) {
      data::Projects.clear_buffer();
      data::PRO.P_REF = number;
      data::PRO.PROJECTNAME = name;
      EXPECT_EQ(data::Projects.add(), 0) << error_text();
    }
    data::Projects.close();
    data::Projects.clear_buffer();
  }

  // Log entries in storage order, as given.
  void seed_log(const std::vector<LogOnFile>& entries) {
    open_or_create(data::TempFile);
    for (const LogOnFile& e : entries) {
      data::TempFile.clear_buffer();
      data::TMP.APPS = e.app;
      data::TMP.DATE = e.date;
      data::TMP.CLOCK = e.clock;
      data::TMP.EVENT = e.event;
      EXPECT_EQ(data::TempFile.add(), 0) << error_text();
    }
    data::TempFile.close();
    data::TempFile.clear_buffer();
  }

  // The applications on file in APP:DriveKey order, read through a file
  // instance of this thread that is closed again afterwards when it was.
  std::vector<AppOnFile> apps_on_file() {
    std::vector<AppOnFile> out;
    const bool was_open = data::Apps.is_open();
    if (!was_open) {
      EXPECT_EQ(data::Apps.open(), 0) << error_text();
    }
    data::Apps.set_order(data::APP_DriveKey);
    while (data::Apps.next() == 0) {
      out.push_back(AppOnFile{data::APP.APPLICATION.str(), data::APP.DRIVENPATH.str(), data::APP.Priority,
                              data::APP.P_REF, data::APP.TARGET.str(), data::APP.TAG});
    }
    if (!was_open) data::Apps.close();
    return out;
  }

  std::vector<std::pair<int, std::string>> projects_on_file() {
    std::vector<std::pair<int, std::string>> out;
    const bool was_open = data::Projects.is_open();
    if (!was_open) {
      EXPECT_EQ(data::Projects.open(), 0) << error_text();
    }
    data::Projects.set_order(data::PRO_ProjectIDKey);
    while (data::Projects.next() == 0) out.emplace_back(data::PRO.P_REF, data::PRO.PROJECTNAME.str());
    if (!was_open) data::Projects.close();
    return out;
  }

  // The log in storage order.
  std::vector<LogOnFile> log_on_file() {
    std::vector<LogOnFile> out;
    const bool was_open = data::TempFile.is_open();
    if (!was_open) {
      EXPECT_EQ(data::TempFile.open(), 0) << error_text();
    }
    data::TempFile.set_order_file();
    while (data::TempFile.next() == 0) {
      out.push_back(LogOnFile{data::TMP.APPS.str(), data::TMP.DATE, data::TMP.CLOCK, data::TMP.EVENT.str()});
    }
    if (!was_open) data::TempFile.close();
    return out;
  }

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
