#pragma once
// A temporary folder per test, with the per-user profile pointed into it and
// the environment restored afterwards.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/environment.h"
#include "support/temp_folder.h"

namespace qvn::profile::testing {

class ProfileTest : public ::testing::Test {
 protected:
  static std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static void spit(const std::filesystem::path& p, const std::string& text) {
    std::ofstream out(p, std::ios::binary);
    out << text;
  }

  test_support::TempFolder folder_{"qvn-profile"};
  const std::filesystem::path dir_ = folder_.path();
  const std::filesystem::path profile_ = dir_ / "profile.ini";
  test_support::EnvironmentVariable profile_variable_{"QVN_PROFILE", profile_};
  test_support::EnvironmentVariable config_home_variable_{"XDG_CONFIG_HOME"};
  test_support::EnvironmentVariable home_variable_{"HOME"};
};

}  // namespace qvn::profile::testing
