#pragma once
// The demo's own data as scripts/demo.sh lays it out, for the tests that run
// on it: a copy of the demo's applications in a folder of the test's own
// (the environment writes their targets there) and the data files made from
// its catalog.

#include <filesystem>

#include "demo_catalog.h"

namespace qvn::test_support {

// Reads the catalog of the demo folder `demo` into `catalog`, copies its
// applications into `apps` and makes the data files in `data` from the
// catalog, the file-name variables left pointing there. A failure is the
// test's failure.
void lay_out_demo(const std::filesystem::path& demo, const std::filesystem::path& apps,
                  const std::filesystem::path& data, demoseed::DemoCatalog& catalog);

}  // namespace qvn::test_support
