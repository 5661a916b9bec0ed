#include "demo_catalog.h"

#include <charconv>
#include <fstream>

#include "data/files.h"
#include "platform/core/error_state.h"
#include "platform/core/std_datetime.h"

namespace demoseed {

namespace {

std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (true) {
    const size_t bar = line.find('|', start);
    fields.push_back(line.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) return fields;
    start = bar + 1;
  }
}

bool number(const std::string& text, int low, int high, int& out) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, out);
  return ec == std::errc() && ptr == end && out >= low && out <= high;
}

bool fail(std::string& error, const std::string& why) {
  error = why;
  return false;
}

// Makes the file empty under its current name and opens it.
bool fresh(qvn::storage::RecordFile& file, std::string& error) {
  if (file.create() != 0 || file.open() != 0) {
    return fail(error, file.name() + ": " + qvn::error_text());
  }
  return true;
}

}  // namespace

bool read_catalog(const std::string& path, DemoCatalog& catalog, std::string& error) {
  std::ifstream in(path);
  if (!in) return fail(error, path + ": cannot be read");
  std::string line;
  int line_number = 0;
  while (std::getline(in, line)) {
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.front() == '#') continue;
    const std::vector<std::string> f = split(line);
    const std::string where = path + ":" + std::to_string(line_number) + ": ";
    if (f[0] == "project" && f.size() == 3) {
      DemoProject p;
      if (!number(f[1], 1, 2147483647, p.number) || f[2].empty()) return fail(error, where + "not a project: " + line);
      p.name = f[2];
      catalog.projects.push_back(std::move(p));
    } else if (f[0] == "app" && f.size() == 7) {
      DemoApp a;
      int tagged = 0;
      if (!number(f[1], 0, 255, a.priority) || f[2].empty() || f[3].empty() ||
          !number(f[5], 0, 2147483647, a.project) || !number(f[6], 0, 1, tagged)) {
        return fail(error, where + "not an application: " + line);
      }
      a.folder = f[2];
      a.file = f[3];
      a.target = f[4];
      a.tagged = tagged == 1;
      catalog.apps.push_back(std::move(a));
    } else {
      return fail(error, where + "neither a project nor an application: " + line);
    }
  }
  return true;
}

bool seed_data_folder(const DemoCatalog& catalog, const std::string& apps_folder, const std::string& data_folder,
                      std::string& error) {
  using namespace qvn::data;
  std::string folder = data_folder;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  AppsFileName = folder + "APPS.TPS";
  ProjectsFileName = folder + "PROJECTS.TPS";
  TempFileName = folder + "TEMPFILE.TPS";
  TagFileName = folder + "TF.TPS";
  if (ProjectsFileName.clipped().size() != folder.size() + 12) return fail(error, folder + ": too long a folder name");

  std::string apps = apps_folder;
  if (!apps.empty() && apps.back() != '/') apps += '/';
  bool ok = fresh(Projects, error) && fresh(Apps, error) && fresh(TempFile, error) && fresh(TagFile, error);
  for (size_t i = 0; ok && i < catalog.projects.size(); ++i) {
    Projects.clear_buffer();
    PRO.P_REF = catalog.projects[i].number;
    PRO.PROJECTNAME = catalog.projects[i].name;
    if (Projects.add() != 0) ok = fail(error, "project " + catalog.projects[i].name + ": " + qvn::error_text());
  }
  for (size_t i = 0; ok && i < catalog.apps.size(); ++i) {
    const DemoApp& a = catalog.apps[i];
    Apps.clear_buffer();
    APP.DRIVENPATH = apps + a.folder + "/";
    APP.APPLICATION = a.file;
    APP.Priority = static_cast<uint8_t>(a.priority);
    APP.TARGET = a.target;
    APP.P_REF = a.project;
    APP.TAG = a.tagged ? 1 : 0;
    if (APP.DRIVENPATH.clipped().size() != apps.size() + a.folder.size() + 1) {
      ok = fail(error, a.file + ": too long a folder name");
    } else if (Apps.add() != 0) {
      ok = fail(error, "application " + a.file + ": " + qvn::error_text());
    }
  }
  Projects.close();
  Apps.close();
  TempFile.close();
  TagFile.close();
  return ok;
}

bool seed_activity_log(const DemoCatalog& catalog, const std::string& data_folder, long count, int32_t last_date,
                       int32_t last_time, std::string& error) {
  using namespace qvn::data;
  if (count < 0) return fail(error, "a negative number of log entries");
  if (count > 0 && catalog.apps.empty()) return fail(error, "log entries need at least one application");
  std::string folder = data_folder;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  TempFileName = folder + "TEMPFILE.TPS";
  if (TempFile.open() != 0) return fail(error, TempFile.name() + ": " + qvn::error_text());

  // Moments in hundredths since day 0; standard time is hundredths plus 1.
  constexpr int64_t kStep = 40 * 100;
  const int64_t last = int64_t{last_date} * qvn::kHundredthsPerDay + (last_time > 0 ? last_time - 1 : 0);
  const int64_t first = last - (count > 0 ? count - 1 : 0) * kStep;
  if (count > 0 && first < int64_t{qvn::kFirstStandardDate} * qvn::kHundredthsPerDay) {
    TempFile.close();
    return fail(error, "too many log entries to end at that date");
  }

  bool ok = TempFile.stream() == 0;
  for (long i = 0; ok && i < count; ++i) {
    const int64_t moment = first + i * kStep;
    TempFile.clear_buffer();
    TMP.APPS = catalog.apps[static_cast<size_t>(i / 2) % catalog.apps.size()].file;
    TMP.DATE = static_cast<int32_t>(moment / qvn::kHundredthsPerDay);
    TMP.CLOCK = static_cast<int32_t>(moment % qvn::kHundredthsPerDay) + 1;
    TMP.EVENT = i % 2 == 0 ? "Begin Make" : "Make Finished";
    if (TempFile.add() != 0) ok = fail(error, "log entry " + std::to_string(i + 1) + ": " + qvn::error_text());
  }
  if (TempFile.flush() != 0 && ok) ok = fail(error, TempFile.name() + ": " + qvn::error_text());
  TempFile.close();
  return ok;
}

}  // namespace demoseed
