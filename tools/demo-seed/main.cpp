// demo-seed CATALOG APPS_FOLDER DATA_FOLDER: makes the demo's data files in
// DATA_FOLDER from the catalog, its applications lying under APPS_FOLDER.

#include <cstdio>
#include <string>

#include "demo_catalog.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: demo-seed CATALOG APPS_FOLDER DATA_FOLDER\n");
    return 2;
  }
  demoseed::DemoCatalog catalog;
  std::string error;
  if (!demoseed::read_catalog(argv[1], catalog, error) ||
      !demoseed::seed_data_folder(catalog, argv[2], argv[3], error)) {
    std::fprintf(stderr, "demo-seed: %s\n", error.c_str());
    return 1;
  }
  std::printf("demo-seed: %zu projects and %zu applications in %s\n", catalog.projects.size(), catalog.apps.size(),
              argv[3]);
  return 0;
}
