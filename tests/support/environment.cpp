#include "support/environment.h"

#include <stdlib.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <system_error>

namespace qvn::test_support {

namespace fs = std::filesystem;

EnvironmentVariable::EnvironmentVariable(std::string name) : name_(std::move(name)) {
  if (const char* value = std::getenv(name_.c_str())) before_ = value;
}

EnvironmentVariable::EnvironmentVariable(std::string name, const std::string& value)
    : EnvironmentVariable(std::move(name)) {
  set(value);
}

EnvironmentVariable::~EnvironmentVariable() {
  if (before_) {
    ::setenv(name_.c_str(), before_->c_str(), 1);
  } else {
    ::unsetenv(name_.c_str());
  }
}

void EnvironmentVariable::set(const std::string& value) {
  if (::setenv(name_.c_str(), value.c_str(), 1) != 0) {
    const int error = errno;
    throw std::runtime_error("cannot set " + name_ + ": " + std::strerror(error));
  }
}

void EnvironmentVariable::unset() {
  if (::unsetenv(name_.c_str()) != 0) {
    const int error = errno;
    throw std::runtime_error("cannot unset " + name_ + ": " + std::strerror(error));
  }
}

WorkingFolder::WorkingFolder(const fs::path& to) : before_(fs::current_path()) { fs::current_path(to); }

WorkingFolder::~WorkingFolder() {
  std::error_code ec;
  fs::current_path(before_, ec);
  if (ec) std::cerr << "could not move back to " << before_.string() << ": " << ec.message() << "\n";
}

void WorkingFolder::move(const fs::path& to) { fs::current_path(to); }

}  // namespace qvn::test_support
