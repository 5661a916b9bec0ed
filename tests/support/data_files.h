#pragma once
// What the tests of the program's data files share: the file-name variables
// pointed into a folder or back at the bare names, a file opened, made first
// when it is missing, and records put on file and read back.

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/storage/record_file.h"

namespace qvn::test_support {

// AppsFileName, ProjectsFileName, TempFileName and TagFileName name the
// four data files in `folder`.
void name_data_files_in(const std::filesystem::path& folder);

// The same four variables hold the bare names ("APPS.TPS" ...), which the
// program puts its data folder in front of.
void bare_data_file_names();

// Opens the file, making it first when it does not exist; a failure is the
// test's failure.
void open_or_create(storage::RecordFile& file);

// One application of APPS.TPS.
struct AppOnFile {
  std::string application;
  std::string folder = "/dev/null/";
  int priority = 0;
  int project = 0;
  std::string target{};
  int tag = 0;
};

// One entry of the log, TEMPFILE.TPS.
struct LogOnFile {
  std::string app;
  int32_t date = 0;
  int32_t clock = 0;
  std::string event;
};

// A project of PROJECTS.TPS: its number and name.
using ProjectOnFile = std::pair<int, std::string>;

// Put records on file where the file-name variables name the files, as
// another program would: each file is made when it is missing and closed
// again, and its record buffer cleared, so the program opens it itself.
// Log entries are stored in the order given.
void seed_apps(const std::vector<AppOnFile>& apps);
void seed_projects(const std::vector<ProjectOnFile>& projects);
void seed_log(const std::vector<LogOnFile>& entries);

// The application in the Apps record buffer.
AppOnFile app_in_buffer();

// What is on file, read through this thread's file, which is closed again
// afterwards when it was closed: the applications in the key's order, the
// projects by number, the log in storage order.
std::vector<AppOnFile> apps_on_file(const storage::KeyDef& order);
std::vector<ProjectOnFile> projects_on_file();
std::vector<LogOnFile> log_on_file();

}  // namespace qvn::test_support
