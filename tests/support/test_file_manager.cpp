#include "support/test_file_manager.h"

#include <span>
#include <utility>

#include "platform/core/error_state.h"

namespace qvn::test_support {

TestFileManager::TestFileManager(storage::RecordFile& file, storage::NameVar& name, framework::ErrorManager& errors,
                                 std::string label, Numbering numbering)
    : file_(file), name_(name), errors_(errors), label_(std::move(label)), numbering_(numbering) {}

void TestFileManager::Init() {
  INITIALIZED = 0;
  FILE = &file_;
  BUFFER = file_.buffer();
  FILENAME = std::span<char>(name_.data(), name_.width);
  FILENAMEVALUE = label_;
  ERRORS = &errors_;
  FileManager::Init();
}

int TestFileManager::UseFile(int kind) {
  if (!INITIALIZED) {
    InitFile();
    for (const storage::KeyDef& key : FILE->def().keys) {
      AddKey(key, key.name, numbering_ == Numbering::PrimaryKey && key.primary);
    }
    if (lock_recover >= 0) LOCKRECOVER = static_cast<int16_t>(lock_recover);
  }
  return FileManager::UseFile(kind);
}

int TestFileManager::TryUpdate() {
  if (++updates_ == fail_update_at) {
    set_error(err::AccessDenied);
    return err::AccessDenied;
  }
  return FileManager::TryUpdate();
}

int TestFileManager::TryDelete() {
  if (++deletes_ == fail_delete_at) {
    set_error(err::AccessDenied);
    return err::AccessDenied;
  }
  return FileManager::TryDelete();
}

}  // namespace qvn::test_support
