#pragma once
// The demo's own data, as scripts/demo.sh lays it out, for the runs: a copy
// of demo/apps in the test's folder (the environment writes the targets
// there) and data files made from demo/catalog.txt.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "demo_catalog.h"
#include "runs_fixture.h"

namespace qvn::automation::testing {

// The TARGET= line of a sample file, "" without one.
inline std::string sample_target(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("TARGET=", 0) == 0) return line.substr(7);
  }
  return {};
}

class DemoRunsTest : public RunsTest {
 protected:
  void SetUp() override {
    RunsTest::SetUp();
    std::string error;
    ASSERT_TRUE(demoseed::read_catalog(QVN_DEMO_FOLDER "/catalog.txt", catalog, error)) << error;
    apps = dir / "apps";
    fs::copy(QVN_DEMO_FOLDER "/apps", apps, fs::copy_options::recursive);
    ASSERT_TRUE(demoseed::seed_data_folder(catalog, apps.string(), data_dir.string(), error)) << error;
    bare_names();
  }

  fs::path target_of(const demoseed::DemoApp& a) const { return apps / a.folder / a.target; }
  const demoseed::DemoApp& demo_app(const std::string& file) const {
    return *std::find_if(catalog.apps.begin(), catalog.apps.end(), [&](const auto& a) { return a.file == file; });
  }
  // "Begin Make" and "Make Finished" for each, in this order.
  static std::vector<std::string> made_log(const std::vector<std::string>& files) {
    std::vector<std::string> out;
    for (const std::string& f : files) {
      out.push_back(f + ": Begin Make");
      out.push_back(f + ": Make Finished");
    }
    return out;
  }

  demoseed::DemoCatalog catalog;
  fs::path apps;
};

}  // namespace qvn::automation::testing
