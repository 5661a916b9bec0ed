#pragma once
// The demo's own data, as scripts/demo.sh lays it out, for the runs: a copy
// of demo/apps in the test's folder (the environment writes the targets
// there) and data files made from demo/catalog.txt.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "runs_fixture.h"
#include "support/demo_data.h"

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
    apps = dir / "apps";
    test_support::lay_out_demo(QVN_DEMO_FOLDER, apps, data_dir, catalog);
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
