#pragma once
// A keyed record file: one thread's instance of a declared file, with its
// own open state, position and record buffer (the caller's struct).
//
// Every operation sets the thread's last error (platform/core/error_state.h)
// and returns it: 0 when done, otherwise the runtime's error code. Nothing is
// thrown. Two instances over the same physical file (two declarations, or
// two threads, or two programs) each keep their own buffer and position and
// see each other's committed writes.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/storage/file_def.h"

namespace qvn::storage {

namespace detail {
class Session;
}

// Open modes: access in the low nibble, sharing in the high one.
inline constexpr int kReadOnly = 0x00;
inline constexpr int kWriteOnly = 0x01;
inline constexpr int kReadWrite = 0x02;
inline constexpr int kDenyAll = 0x10;
inline constexpr int kDenyWrite = 0x20;
inline constexpr int kDenyRead = 0x30;
inline constexpr int kDenyNone = 0x40;

class RecordFile {
 public:
  // `buffer` is the thread's record struct, laid out as `def` describes; it
  // must outlive the file instance.
  RecordFile(const FileDef& def, void* buffer);
  ~RecordFile();  // closes the file if open
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;

  const FileDef& def() const;
  void* buffer();

  // The clipped value of the name variable now.
  std::string name() const;
  // The name the file was opened under (empty when closed).
  const std::string& open_name() const;
  // The absolute path the file was opened under (empty when closed). A name
  // is resolved against the working folder at its first open; opening,
  // making or rebuilding under the same name later uses that path again,
  // wherever the working folder has moved meanwhile.
  const std::string& open_path() const;

  // Opens under the name variable's current value. Errors: FileNotFound,
  // PathNotFound, AccessDenied (held by another program, see send()),
  // InvalidDataFile (not one of our files, or the wrong shape),
  // InvalidKeyFile (keys damaged: build_keys() then open again),
  // FileAlreadyOpen.
  int open(int mode = kReadWrite | kDenyNone);
  // Makes a new, empty file under the current name, replacing an existing
  // one even when this or another instance has it open. Leaves it closed
  // unless it was open, in which case it stays open (now empty).
  int create();
  int close();
  bool is_open() const;
  bool read_only() const;

  // Driver instruction: "Recover=N" makes the next open wait up to N seconds
  // for another program's lock instead of failing at once. Any other
  // instruction is a DriverError.
  int send(std::string_view instruction);
  // Rebuilds the keys of the file under the current name (file closed).
  int build_keys();

  // Record operations on the buffer.
  int add();            // new record; duplicate unique key: CreatesDuplicateKey, nothing stored
  int put();            // rewrites the current record (the one last read or added)
  int erase();          // deletes the current record
  void clear_buffer();  // blanks and zeros

  // Sequential reading. set_order(key) starts at the key's first record;
  // set_order_from_buffer(key) at the first record >= the buffer's key value;
  // set_order_file() uses storage order. next()/previous() read one record
  // into the buffer: RecordNotAvailable past the end. A loop that writes the
  // records it reads keeps its place.
  //
  // A stored value that does not fit its field (a file written by another
  // program, or damaged) is read clipped: a text to the field's width, a
  // number to its type's range, a text in a number column as the highest
  // value. Reading goes on from the stored value, so each record is met
  // once, and a watched put() or erase() compares the stored values.
  int set_order(const KeyDef& key);
  int set_order_from_buffer(const KeyDef& key);
  int set_order_file();
  int next();
  int previous();

  // Reads the record whose key value equals the buffer's (exact, all
  // components); RecordNotFound and a cleared buffer when there is none.
  int get(const KeyDef& key);
  // Reads by record pointer; 0 or a missing pointer finds nothing
  // (RecordNotFound) and leaves no record current, the buffer unchanged:
  // put() and erase() then fail with RecordNotAvailable.
  int get_pointer(int64_t pointer);
  int64_t pointer() const;  // of the current record, 0 when none

  // A text of up to 1024 characters that identifies the current record in a
  // key's order (it holds the key value) or in the file, and reads it again.
  std::string position(const KeyDef& key) const;
  std::string position() const;
  // reget(key, position) also sets the key's order so that next() and
  // previous() go on from the record; RecordNotFound when its key value has
  // changed since the position was taken. reget(position) reads by
  // the record pointer the position holds, as get_pointer() does.
  int reget(const KeyDef& key, std::string_view position);
  int reget(std::string_view position);

  int64_t records();
  int empty();  // removes every record
  // Exclusive use against other programs until unlock or close: their opens
  // are refused with AccessDenied, and so is this lock while another
  // program holds it. An open with a deny mode other than kDenyNone holds
  // the same lock while it is open.
  int lock();
  int unlock();
  int stream();  // batch writes until flush
  int flush();

  // Change detection: after watch(), a put() or erase() of a record that
  // another program changed since it was read fails with
  // RecordChangedByAnotherStation. The stored version then counts as read; a
  // refused put() also puts it into the buffer, a refused erase() leaves the
  // buffer as the caller had it.
  // It stays on until the file is closed. A record deleted meanwhile gives
  // RecordNotFound.
  void watch();

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
  friend class Transaction;
};

// A transaction over several open files of this thread, all committed or
// rolled back together. start() waits up to `timeout_seconds` for other
// programs; TransactionActive when one is already running on this thread.
// A transaction destroyed without commit() rolls back.
class Transaction {
 public:
  Transaction() = default;
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  int start(int timeout_seconds, const std::vector<RecordFile*>& files);
  int commit();
  int rollback();
  bool active() const { return active_; }

 private:
  bool active_ = false;
  std::vector<RecordFile*> files_;
  // The thread's connection, kept while the transaction runs even when its
  // files are closed meanwhile.
  std::shared_ptr<detail::Session> session_;
};

// Removes a file by name (the file need not be open). FileNotFound when absent.
int remove_file(std::string_view name);

}  // namespace qvn::storage
