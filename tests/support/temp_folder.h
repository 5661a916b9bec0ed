#pragma once
// A folder of a test's own under the system's temporary folder (TMPDIR when
// it is set, else /tmp), made fresh by mkdtemp and removed with everything
// in it when the object goes.
//
// A folder that cannot be made throws std::runtime_error naming the folder
// and the reason. GoogleTest reports an exception thrown in a fixture's
// constructor, its SetUp or a test body as that test's failure, so the test
// fails at once instead of writing its files somewhere else.

#include <filesystem>
#include <string>
#include <string_view>

namespace qvn::test_support {

class TempFolder {
 public:
  // Makes "<temporary folder>/<prefix>-XXXXXX".
  explicit TempFolder(std::string_view prefix = "qvn-test");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string string() const { return path_.string(); }
  // A name inside the folder.
  std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

  // The folder temporary folders are made in: TMPDIR when set and not
  // empty, else /tmp.
  static std::filesystem::path base();

 private:
  std::filesystem::path path_;
};

}  // namespace qvn::test_support
