// demo-seed [--log N] CATALOG APPS_FOLDER DATA_FOLDER: makes the demo's data
// files in DATA_FOLDER from the catalog, its applications lying under
// APPS_FOLDER; with --log, N entries in the activity log, the last one now.

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

#include "demo_catalog.h"
#include "platform/core/std_datetime.h"

namespace {

int usage() {
  std::fprintf(stderr, "usage: demo-seed [--log N] CATALOG APPS_FOLDER DATA_FOLDER\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  long log_entries = 0;
  int first = 1;
  if (argc > 2 && std::strcmp(argv[1], "--log") == 0) {
    const char* text = argv[2];
    const char* end = text + std::strlen(text);
    auto [ptr, ec] = std::from_chars(text, end, log_entries);
    if (ec != std::errc() || ptr != end || log_entries < 0 || log_entries > 10'000'000) {
      std::fprintf(stderr, "demo-seed: --log wants a number of entries from 0 to 10000000, not \"%s\"\n", text);
      return 2;
    }
    first = 3;
  }
  if (argc - first != 3) return usage();
  const char* catalog_file = argv[first];
  const char* apps_folder = argv[first + 1];
  const char* data_folder = argv[first + 2];

  demoseed::DemoCatalog catalog;
  std::string error;
  const qvn::StandardMoment now = qvn::standard_now();
  if (!demoseed::read_catalog(catalog_file, catalog, error) ||
      !demoseed::seed_data_folder(catalog, apps_folder, data_folder, error) ||
      !demoseed::seed_activity_log(catalog, data_folder, log_entries, now.date, now.time, error)) {
    std::fprintf(stderr, "demo-seed: %s\n", error.c_str());
    return 1;
  }
  std::printf("demo-seed: %zu projects, %zu applications and %ld log entries in %s\n", catalog.projects.size(),
              catalog.apps.size(), log_entries, data_folder);
  return 0;
}
