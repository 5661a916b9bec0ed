#pragma once
// Folders a test points the process at for its own time: the working
// folder, and the storage layer's scratch folder.

#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>

namespace qvn::storage::testing {

// Moves the process's working folder and puts it back afterwards.
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

// Points the storage layer's scratch files (QVN_SCRATCH_DIR) at a test's
// own folder, so that those of the processes it starts, which may be killed,
// go with that folder; puts the variable back afterwards.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& folder) {
    if (const char* v = std::getenv(kVariable)) before_ = v;
    ::setenv(kVariable, folder.c_str(), 1);
  }
  ~ScratchFolder() {
    if (before_) {
      ::setenv(kVariable, before_->c_str(), 1);
    } else {
      ::unsetenv(kVariable);
    }
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  static constexpr const char* kVariable = "QVN_SCRATCH_DIR";

 private:
  std::optional<std::string> before_;
};

}  // namespace qvn::storage::testing
