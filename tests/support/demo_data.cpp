#include "support/demo_data.h"

#include <gtest/gtest.h>

#include <string>

namespace qvn::test_support {

void lay_out_demo(const std::filesystem::path& demo, const std::filesystem::path& apps,
                  const std::filesystem::path& data, demoseed::DemoCatalog& catalog) {
  std::string error;
  ASSERT_TRUE(demoseed::read_catalog((demo / "catalog.txt").string(), catalog, error)) << error;
  std::filesystem::copy(demo / "apps", apps, std::filesystem::copy_options::recursive);
  ASSERT_TRUE(demoseed::seed_data_folder(catalog, apps.string(), data.string(), error)) << error;
}

}  // namespace qvn::test_support
