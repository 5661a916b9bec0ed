#pragma once
// What the tests of the application form, the picker and the project form
// share: files made on disk in the test's folder, names as the program
// writes them ("/" between folders) and as it stored them before ("\"
// between folders), records made current in their buffers as
// the callers of the forms leave them, and a form run with a request.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data/dictionary.h"
#include "data/files.h"
#include "platform/core/error_state.h"
#include "platform/framework/procedure.h"
#include "platform/framework/request.h"
#include "windows_fixture.h"

namespace qvn::windows::testing {

using framework::request::Change;
using framework::request::Delete;
using framework::request::Insert;
using framework::request::Select;
using framework::request::View;
using framework::response::Cancelled;
using framework::response::Completed;

class FormsTest : public WindowsTest {
 protected:
  // A name as the program stored it before it kept names with "/", and as
  // a user may type it: "\" between folders.
  static std::string backslashed(const fs::path& path) {
    std::string s = path.string();
    for (char& c : s) {
      if (c == '/') c = '\\';
    }
    return s;
  }

  // The folder as the form stores it: with a closing "/".
  static std::string folder_of(const fs::path& folder) { return folder.string() + "/"; }

  // Makes the file (and its folders) in the test's folder; its full path.
  fs::path make_file(const fs::path& relative) {
    const fs::path path = dir / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "x";
    return path;
  }

  // Runs the procedure as its callers do: the request in GlobalRequest, the
  // response back from GlobalResponse.
  static int run(void (*procedure)(), int request) { return framework::call_procedure(procedure, request); }

  // Leaves the application current in the Apps buffer, read by its key as
  // a browse leaves the selected row's record.
  static void make_current(const AppOnFile& app) {
    data::Apps.clear_buffer();
    data::APP.APPLICATION = app.application;
    data::APP.DRIVENPATH = app.folder;
    ASSERT_EQ(data::apps_file_manager->Fetch(data::APP_DriveKey), 0) << app.application << ": " << error_text();
  }

  // Leaves the project current in the Projects buffer, watched for changes
  // by others as a browse reads it.
  static void make_current_project(int number) {
    data::Projects.clear_buffer();
    data::PRO.P_REF = number;
    ASSERT_EQ(data::projects_file_manager->UseFile(framework::use::Returns), 0);
    data::Projects.watch();
    ASSERT_EQ(data::projects_file_manager->Fetch(data::PRO_ProjectIDKey), 0) << number << ": " << error_text();
  }

  // An application as one line: name, folder, priority, project, target, tag.
  static std::string line(const AppOnFile& a) {
    return a.application + " | " + a.folder + " | " + std::to_string(a.priority) + " | " + std::to_string(a.project) +
           " | " + a.target + " | " + std::to_string(a.tag);
  }
  static std::vector<std::string> lines(const std::vector<AppOnFile>& apps) {
    std::vector<std::string> out;
    for (const AppOnFile& a : apps) out.push_back(line(a));
    return out;
  }
  // The Apps buffer as one line.
  static std::string buffer_line() { return line(test_support::app_in_buffer()); }
  std::vector<std::string> apps_lines() { return lines(apps_on_file()); }
};

}  // namespace qvn::windows::testing
