#pragma once
// A temporary folder per test, with the per-user profile pointed into it and
// the environment restored afterwards.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace qvn::profile::testing {

class SavedEnv {
 public:
  explicit SavedEnv(const char* name) : name_(name) {
    if (const char* v = std::getenv(name)) value_ = v;
  }
  ~SavedEnv() {
    if (value_) {
      ::setenv(name_, value_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> value_;
};

class ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string templ = (std::filesystem::temp_directory_path() / "qvn-profile-XXXXXX").string();
    ASSERT_NE(::mkdtemp(templ.data()), nullptr);
    dir_ = templ;
    profile_ = dir_ / "profile.ini";
    ::setenv("QVN_PROFILE", profile_.c_str(), 1);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

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

  SavedEnv saved_profile_{"QVN_PROFILE"};
  SavedEnv saved_xdg_{"XDG_CONFIG_HOME"};
  SavedEnv saved_home_{"HOME"};
  std::filesystem::path dir_;
  std::filesystem::path profile_;
};

}  // namespace qvn::profile::testing
