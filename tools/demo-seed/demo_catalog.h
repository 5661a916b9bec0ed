#pragma once
// The demo's applications and projects, as demo/catalog.txt lists them, and
// the data files made from them.
//
// The catalog has one entry a line, its fields split by "|"; blank lines and
// lines starting with "#" are skipped:
//
//   project|<number>|<name>
//   app|<priority>|<folder under the demo's applications>|<file>|<target>|<project number>|<tagged: 1 or 0>

#include <cstdint>
#include <string>
#include <vector>

namespace demoseed {

struct DemoProject {
  int number = 0;
  std::string name;
};

struct DemoApp {
  int priority = 0;
  std::string folder;
  std::string file;
  std::string target;
  int project = 0;
  bool tagged = false;
};

struct DemoCatalog {
  std::vector<DemoProject> projects;
  std::vector<DemoApp> apps;
};

// False with the line and the reason in `error` when the file cannot be read
// or a line is not an entry.
bool read_catalog(const std::string& path, DemoCatalog& catalog, std::string& error);

// Makes the four data files afresh in `data_folder` (which must exist) and
// puts the catalog's projects and applications in them; an application's
// folder is `apps_folder` with the entry's folder and a closing "/". The
// data-file names are left pointing into `data_folder`. False with the
// reason in `error`.
bool seed_data_folder(const DemoCatalog& catalog, const std::string& apps_folder, const std::string& data_folder,
                      std::string& error);

// Writes `count` entries into the activity log of `data_folder` (made
// afresh by seed_data_folder) as make runs over the catalog's applications
// leave them: "Begin Make" then "Make Finished" for each application in
// turn, 40 seconds apart, the last one `last` (a standard date and time).
// False with the reason in `error`.
bool seed_activity_log(const DemoCatalog& catalog, const std::string& data_folder, long count, int32_t last_date,
                       int32_t last_time, std::string& error);

}  // namespace demoseed
