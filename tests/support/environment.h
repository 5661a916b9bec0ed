#pragma once
// Guards for what a test changes in its process's environment: a variable
// pointed at a value, the working folder, the storage layer's scratch
// folder. Each puts back, when it goes, what it found when it was made.

#include <filesystem>
#include <optional>
#include <string>

namespace qvn::test_support {

// One environment variable for the guard's lifetime. It saves the value the
// variable has (or that it has none) and puts that back at the end: the
// value, or no variable at all.
class EnvironmentVariable {
 public:
  // Saves the variable and leaves it as it is.
  explicit EnvironmentVariable(std::string name);
  // Saves the variable and sets it to `value`.
  EnvironmentVariable(std::string name, const std::string& value);
  ~EnvironmentVariable();
  EnvironmentVariable(const EnvironmentVariable&) = delete;
  EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

  void set(const std::string& value);
  void unset();
  const std::string& name() const { return name_; }

 private:
  std::string name_;
  std::optional<std::string> before_;
};

// The storage layer's scratch files (QVN_SCRATCH_DIR) go to `folder` for the
// guard's lifetime, so that those a killed process leaves go with the test's
// folder.
class ScratchFolder : public EnvironmentVariable {
 public:
  static constexpr const char* kVariable = "QVN_SCRATCH_DIR";
  explicit ScratchFolder(const std::filesystem::path& folder) : EnvironmentVariable(kVariable, folder.string()) {}
};

// The process's working folder moved for the guard's lifetime.
class WorkingFolder {
 public:
  // Saves the working folder and moves to `to`.
  explicit WorkingFolder(const std::filesystem::path& to);
  ~WorkingFolder();
  WorkingFolder(const WorkingFolder&) = delete;
  WorkingFolder& operator=(const WorkingFolder&) = delete;

  // Moves again; the folder put back stays the one saved first.
  void move(const std::filesystem::path& to);

 private:
  std::filesystem::path before_;
};

}  // namespace qvn::test_support
