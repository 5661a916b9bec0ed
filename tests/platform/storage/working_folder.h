#pragma once
// Moves the process's working folder for a test and puts it back afterwards.

#include <filesystem>

namespace qvn::storage::testing {

class WorkingFolder {
 public:
  explicit WorkingFolder(const std::filesystem::path& to) : before_(std::filesystem::current_path()) {
    std::filesystem::current_path(to);
  }
  ~WorkingFolder() {
    std::error_code ec;
    std::filesystem::current_path(before_, ec);
  }
  WorkingFolder(const WorkingFolder&) = delete;
  WorkingFolder& operator=(const WorkingFolder&) = delete;

  void move(const std::filesystem::path& to) { std::filesystem::current_path(to); }

 private:
  std::filesystem::path before_;
};

}  // namespace qvn::storage::testing
