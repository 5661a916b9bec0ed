#pragma once
// A file manager for the framework's tests, made the way the program's own
// are: bound in Init, every key of the file added under its own name at the
// first use. Whether the primary key numbers new records is the test's
// choice; a test can also make the n-th update or delete the relation
// rules ask for fail, and set how long a locked file is waited for.

#include <cstdint>
#include <string>

#include "platform/framework/error_manager.h"
#include "platform/framework/file_manager.h"
#include "platform/storage/file_def.h"
#include "platform/storage/record_file.h"

namespace qvn::test_support {

class TestFileManager final : public framework::FileManager {
 public:
  enum class Numbering {
    None,        // no key numbers records; a test may still mark one in KEYS
    PrimaryKey,  // the file's primary key numbers records when one is primed
  };

  TestFileManager(storage::RecordFile& file, storage::NameVar& name, framework::ErrorManager& errors, std::string label,
                  Numbering numbering);

  void Init() override;
  int UseFile(int kind) override;
  int TryUpdate() override;
  int TryDelete() override;

  // Makes the n-th call of a record operation the rules use fail as access
  // denied (0: none).
  int fail_update_at = 0;
  int fail_delete_at = 0;
  // LOCKRECOVER from the first use on (-1: the framework's own).
  int lock_recover = -1;

 private:
  storage::RecordFile& file_;
  storage::NameVar& name_;
  framework::ErrorManager& errors_;
  std::string label_;
  Numbering numbering_;
  int updates_ = 0;
  int deletes_ = 0;
};

}  // namespace qvn::test_support
