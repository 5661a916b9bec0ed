#pragma once
// The file manager: one per file and thread. It opens the file when it is
// first needed, reads, adds, changes and deletes records in the thread's
// record buffer, and reports every failure through the error manager.
//
// Results: level::Benign (0) done, level::Cancel (4) the user declined,
// level::Notify (5) a failure that has been reported (or the end of the file
// for Next and Previous), level::Fatal (3) the file is not usable.
//
// Opens are counted: Open counts one more and, the manager being lazy, leaves
// the physical open to the first use (UseFile); Close counts one less and
// closes the file at 0. A use with nothing counted opens the file on the spot
// and counts that open.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/framework/error_manager.h"
#include "platform/storage/record_file.h"

namespace qvn::framework {

// Kinds of use passed to UseFile.
namespace use {
inline constexpr int Benign = 1;      // reads
inline constexpr int Returns = 2;     // reads and returns records to the caller
inline constexpr int Corrupts = 3;    // writes
inline constexpr int Initialize = 5;  // set-up only (and an open when nothing has opened the file)
}  // namespace use

class FileManager {
 public:
  struct KeyEntry {
    const storage::KeyDef* key = nullptr;
    std::string name;  // for messages
    bool auto_number = false;
  };

  FileManager() = default;
  virtual ~FileManager() = default;
  FileManager(const FileManager&) = delete;
  FileManager& operator=(const FileManager&) = delete;

  // Bound by the derived Init before it runs this one.
  storage::RecordFile* FILE = nullptr;
  void* BUFFER = nullptr;
  std::span<char> FILENAME;  // the file-name variable
  std::string FILENAMEVALUE;
  FileManager* ALIASEDFILE = nullptr;
  ErrorManager* ERRORS = nullptr;

  uint8_t CREATE = 0;
  int16_t LOCKRECOVER = 0;
  uint8_t OPENMODE = 0;
  uint8_t LAZYOPEN = 0;
  int32_t OPENED = 0;
  uint8_t USED = 0;
  uint8_t INITIALIZED = 0;
  std::vector<KeyEntry> KEYS;

  // OPENED = 0, LAZYOPEN = 1.
  virtual void Init();
  // Closes the file if it is physically open.
  virtual void Kill();

  // First-use set-up: empty key list, OPENMODE 0x42, CREATE 1, LOCKRECOVER 10.
  virtual void InitFile();
  // Makes the file ready for the given use: the set-up, then the physical
  // open where it is due. 0, or level::Fatal when the file cannot be opened.
  virtual int UseFile(int kind);

  int Open();
  int Close();

  // Reads the next (previous) record in the order last set on FILE.
  int Next();
  int Previous();
  // Reads the record whose value in the key equals the buffer's; on failure
  // the buffer is cleared and the storage error code returned. No message.
  int Fetch(const storage::KeyDef& key);
  int Insert();
  // `changed_elsewhere` is the message shown when another station changed
  // the record since it was read (a form with a history key passes
  // Msg::ConcurrencyFailedFromForm).
  int Update(Msg changed_elsewhere = Msg::ConcurrencyFailed);
  int Delete(bool ask);
  // Unless keep, clears the buffer; then primes the fields and numbers an
  // auto-numbered key, reserving the number by adding the record at once.
  // level::Cancel when the user gives up numbering after duplicate keys,
  // level::Notify when the add failed otherwise (reported).
  int PrimeRecord(bool keep = false);
  void AddKey(const storage::KeyDef& key, std::string_view name, bool auto_number = false);

  // The record operations without messages; storage error codes. The
  // relation manager's rules use these.
  virtual int TryUpdate();
  virtual int TryDelete();

  // The file's current name, clipped; the label when there is no name variable.
  std::string GetName() const;
  // The key's name for messages ("" when it was not added).
  std::string KeyName(const storage::KeyDef& key) const;
  // Reports a failure of this file with the thread's last error.
  int Throw(Msg id, std::string_view key_name = {});

  bool Killed() const { return killed_; }

 protected:
  // Sets initial values of a primed record; nothing by default.
  virtual void PrimeFields() {}

 private:
  int OpenFile();
  int Opened();
  int NumberRecord(const KeyEntry& entry);
  // The unique key the buffer duplicates, or nullptr.
  const KeyEntry* DuplicatedKey();

  bool killed_ = false;
  // The record added at priming to hold its number, which Insert completes.
  int64_t reserved_pointer_ = 0;
};

}  // namespace qvn::framework
