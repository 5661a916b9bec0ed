#include "platform/framework/file_manager.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "platform/core/error_state.h"
#include "platform/core/fixed_string.h"
#include "platform/framework/record_fields.h"

namespace qvn::framework {

namespace {

constexpr int kOpenPasses = 2;
constexpr int kNumberingTries = 3;

// A copy of a record buffer, put back when it goes out of scope unless released.
class BufferGuard {
 public:
  BufferGuard(void* buffer, size_t size)
      : buffer_(buffer), copy_(static_cast<char*>(buffer), static_cast<char*>(buffer) + size) {}
  ~BufferGuard() {
    if (buffer_) std::memcpy(buffer_, copy_.data(), copy_.size());
  }
  BufferGuard(const BufferGuard&) = delete;
  BufferGuard& operator=(const BufferGuard&) = delete;
  void release() { buffer_ = nullptr; }
  const char* copy() const { return copy_.data(); }

 private:
  void* buffer_;
  std::vector<char> copy_;
};

bool write_access(int mode) { return (mode & 0x0F) != storage::kReadOnly; }

}  // namespace

void FileManager::Init() {
  if (!ERRORS) ERRORS = &error_manager;
  OPENED = 0;
  USED = 0;
  LAZYOPEN = 1;
  killed_ = false;
}

void FileManager::Kill() {
  if (USED && FILE) FILE->close();
  USED = 0;
  OPENED = 0;
  reserved_pointer_ = 0;
  killed_ = true;
}

void FileManager::InitFile() {
  KEYS.clear();
  OPENMODE = storage::kReadWrite | storage::kDenyNone;
  CREATE = 1;
  LOCKRECOVER = 10;
  INITIALIZED = 1;
}

int FileManager::UseFile(int kind) {
  if (!INITIALIZED) InitFile();
  if (USED) return level::Benign;
  if (OPENED > 0) return kind == use::Initialize ? level::Benign : OpenFile();
  int rc = OpenFile();
  if (rc == level::Benign) OPENED = 1;
  return rc;
}

int FileManager::Open() {
  ++OPENED;
  if (!LAZYOPEN) {
    int rc = UseFile(use::Benign);
    if (rc != level::Benign) {
      --OPENED;
      return rc;
    }
  }
  return level::Benign;
}

int FileManager::Close() {
  if (OPENED == 0) return level::Benign;
  if (--OPENED == 0 && USED) {
    FILE->close();
    USED = 0;
    reserved_pointer_ = 0;
  }
  return level::Benign;
}

// The physical open. The buffer is kept as it was, so that a lazy open in the
// middle of a caller's work does not disturb the record it has prepared.
int FileManager::OpenFile() {
  if (!INITIALIZED) InitFile();
  BufferGuard keep(BUFFER, FILE->def().struct_size);
  int mode = OPENMODE;
  ErrorSnapshot failure;
  for (int pass = 0; pass < kOpenPasses; ++pass) {
    int rc = FILE->open(mode);
    failure = ErrorSnapshot::take();
    if (rc == err::NoError) return Opened();
    if (rc == err::AccessDenied) {
      FILE->send("Recover=" + std::to_string(LOCKRECOVER));
      rc = FILE->open(mode);
      failure = ErrorSnapshot::take();
      if (rc == err::NoError) return Opened();
      if (rc == err::AccessDenied && write_access(mode)) {
        Throw(Msg::OpenReadOnly);
        mode = (mode & 0xF0) | storage::kReadOnly;
        continue;
      }
      break;
    }
    if (rc == err::FileNotFound && CREATE) {
      // Another program may have made the file in the meantime; it is then
      // opened in the next pass instead of being replaced by an empty one.
      std::error_code ec;
      if (std::filesystem::exists(GetName(), ec)) continue;
      if (FILE->create() != err::NoError) {
        Throw(Msg::CreateFailed);
        return level::Fatal;
      }
      continue;
    }
    if (rc == err::InvalidKeyFile) {
      Throw(Msg::RebuildKey);
      if (FILE->build_keys() != err::NoError) {
        Throw(Msg::RebuildFailed);
        return level::Fatal;
      }
      continue;
    }
    break;
  }
  failure.restore();
  Throw(Msg::OpenFailed);
  return level::Fatal;
}

// Changes made by another program since a record was read are detected
// when the record is stored or deleted.
int FileManager::Opened() {
  FILE->watch();
  USED = 1;
  return level::Benign;
}

int FileManager::Next() {
  if (UseFile(use::Returns) != level::Benign) return level::Fatal;
  int rc = FILE->next();
  if (rc == err::NoError) return level::Benign;
  if (rc == err::RecordNotAvailable) return level::Notify;
  Throw(rc == err::RecordLocked ? Msg::RecordHeldByAnother : Msg::AbortReading);
  return level::Notify;
}

int FileManager::Previous() {
  if (UseFile(use::Returns) != level::Benign) return level::Fatal;
  int rc = FILE->previous();
  if (rc == err::NoError) return level::Benign;
  if (rc == err::RecordNotAvailable) return level::Notify;
  Throw(rc == err::RecordLocked ? Msg::RecordHeldByAnother : Msg::AbortReading);
  return level::Notify;
}

int FileManager::Fetch(const storage::KeyDef& key) {
  if (UseFile(use::Returns) != level::Benign) return level::Fatal;
  int rc = FILE->get(key);
  if (rc != err::NoError) {
    KeepLastError keep;
    FILE->clear_buffer();
  }
  return rc;
}

int FileManager::Insert() {
  if (UseFile(use::Corrupts) != level::Benign) return level::Fatal;
  int rc;
  if (reserved_pointer_ != 0) {
    // Store over the record that priming added, when it is still there.
    BufferGuard keep(BUFFER, FILE->def().struct_size);
    rc = FILE->get_pointer(reserved_pointer_);
    if (rc == err::NoError) {
      std::memcpy(BUFFER, keep.copy(), FILE->def().struct_size);
      keep.release();
      rc = FILE->put();
    } else {
      std::memcpy(BUFFER, keep.copy(), FILE->def().struct_size);
      keep.release();
      rc = FILE->add();
    }
  } else {
    rc = FILE->add();
  }
  if (rc == err::NoError) {
    reserved_pointer_ = 0;
    return level::Benign;
  }
  if (rc == err::CreatesDuplicateKey) {
    const KeyEntry* dup;
    {
      KeepLastError keep;
      dup = DuplicatedKey();
    }
    ERRORS->Throw(Msg::DuplicateKey, MessageContext(GetName(), dup ? dup->name : ""));
  } else {
    Throw(Msg::AddFailed);
  }
  return level::Notify;
}

int FileManager::TryUpdate() {
  if (UseFile(use::Corrupts) != level::Benign) return error_code() ? error_code() : err::FileNotOpen;
  return FILE->put();
}

int FileManager::TryDelete() {
  if (UseFile(use::Corrupts) != level::Benign) return error_code() ? error_code() : err::FileNotOpen;
  return FILE->erase();
}

int FileManager::Update(Msg changed_elsewhere) {
  if (UseFile(use::Corrupts) != level::Benign) return level::Fatal;
  int rc = FILE->put();
  if (rc == err::NoError) return level::Benign;
  Throw(rc == err::RecordChangedByAnotherStation ? changed_elsewhere : Msg::PutFailed);
  return level::Notify;
}

int FileManager::Delete(bool ask) {
  if (ask && ERRORS->Throw(Msg::ConfirmDelete, MessageContext(GetName())) != level::Benign) {
    return level::Cancel;
  }
  if (UseFile(use::Corrupts) != level::Benign) return level::Fatal;
  int rc = FILE->erase();
  if (rc == err::NoError) return level::Benign;
  Throw(Msg::DeleteFailed);
  return level::Notify;
}

int FileManager::PrimeRecord(bool keep) {
  if (ALIASEDFILE) {
    size_t size = FILE->def().struct_size;
    if (keep) std::memcpy(ALIASEDFILE->BUFFER, BUFFER, size);
    int rc = ALIASEDFILE->PrimeRecord(keep);
    std::memcpy(BUFFER, ALIASEDFILE->BUFFER, size);
    return rc;
  }
  if (UseFile(use::Corrupts) != level::Benign) return level::Fatal;
  if (!keep) FILE->clear_buffer();
  PrimeFields();
  for (const KeyEntry& entry : KEYS) {
    if (entry.auto_number) return NumberRecord(entry);
  }
  return level::Benign;
}

// Gives the key's last component the highest value on file plus one (among
// the records that share the key's other components) and adds the record at
// once to hold the number. A duplicate key may be another program's record
// that took the number meanwhile, so the numbering is tried three times
// before the user is asked whether to go on; any other failure of the add is
// reported at once, as a failed add.
int FileManager::NumberRecord(const KeyEntry& entry) {
  const storage::FileDef& def = FILE->def();
  const storage::KeyDef& key = *entry.key;
  const storage::FieldDef& counter = def.fields[key.components.back()];
  for (;;) {
    for (int attempt = 0; attempt < kNumberingTries; ++attempt) {
      int64_t highest = 0;
      {
        BufferGuard keep(BUFFER, def.struct_size);
        int rc = FILE->set_order(key);
        while (rc == err::NoError && (rc = FILE->next()) == err::NoError) {
          bool same_group = true;
          for (size_t i = 0; i + 1 < key.components.size(); ++i) {
            const storage::FieldDef& f = def.fields[key.components[i]];
            if (!fields_equal(f, BUFFER, keep.copy(), key.nocase)) same_group = false;
          }
          if (same_group) highest = std::max(highest, field_number(counter, BUFFER));
        }
      }
      set_field_number(counter, BUFFER, highest + 1);
      int rc = FILE->add();
      if (rc == err::NoError) {
        reserved_pointer_ = FILE->pointer();
        return level::Benign;
      }
      if (rc != err::CreatesDuplicateKey) {
        Throw(Msg::AddFailed);
        return level::Notify;
      }
    }
    MessageContext ctx(GetName(), {}, entry.name);
    if (ERRORS->Throw(Msg::RetryAutoInc, ctx) != level::Benign) return level::Cancel;
  }
}

const FileManager::KeyEntry* FileManager::DuplicatedKey() {
  const storage::FileDef& def = FILE->def();
  int64_t own = FILE->pointer();
  const KeyEntry* found = nullptr;
  {
    BufferGuard keep(BUFFER, def.struct_size);
    for (const KeyEntry& entry : KEYS) {
      const storage::KeyDef& key = *entry.key;
      if (key.dup) continue;
      bool all_empty = true;
      for (size_t c : key.components) {
        if (!field_empty(def.fields[c], BUFFER)) all_empty = false;
      }
      if (key.opt && all_empty) continue;
      if (FILE->get(key) == err::NoError && (reserved_pointer_ == 0 || FILE->pointer() != reserved_pointer_)) {
        found = &entry;
      }
      std::memcpy(BUFFER, keep.copy(), def.struct_size);
      if (found) break;
    }
  }
  // Make the record that was current before the search current again.
  if (own != 0) {
    BufferGuard keep(BUFFER, def.struct_size);
    FILE->get_pointer(own);
  }
  return found;
}

void FileManager::AddKey(const storage::KeyDef& key, std::string_view name, bool auto_number) {
  KEYS.push_back(KeyEntry{&key, std::string(name), auto_number});
}

std::string FileManager::GetName() const {
  if (FILENAME.empty()) return FILENAMEVALUE;
  return std::string(clip(std::string_view(FILENAME.data(), FILENAME.size())));
}

std::string FileManager::KeyName(const storage::KeyDef& key) const {
  for (const KeyEntry& entry : KEYS) {
    if (entry.key == &key) return entry.name;
  }
  return {};
}

int FileManager::Throw(Msg id, std::string_view key_name) {
  MessageContext ctx(GetName(), std::string(key_name), std::string(key_name));
  return ERRORS->Throw(id, ctx);
}

}  // namespace qvn::framework
