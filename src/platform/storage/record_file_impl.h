#pragma once
// The inside of a RecordFile, shared by the files that implement it.

#include <sqlite3.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/storage/program_lock.h"
#include "platform/storage/record_file.h"
#include "platform/storage/schema.h"
#include "platform/storage/session.h"

namespace qvn::storage {

// A column's value exactly as stored. It is kept for a record whose stored
// values do not fit its fields (written by another program, or damaged: a
// text longer than its field, a number out of its type's range, a text in
// a number column): the record struct holds such values clipped, and a
// statement bound from the struct would name other values than the stored
// ones. The cursor goes on from the stored values and a watched write
// compares them, so neither meets the record again nor fails on it.
struct StoredValue {
  int type = 0;  // SQLITE_INTEGER and so on; 0: the record struct holds this one exactly
  int64_t integer = 0;
  double real = 0;
  std::string bytes;
};
// Every field's stored value, in field order; empty when the record struct
// holds all of them exactly (the usual case).
using StoredValues = std::vector<StoredValue>;

// Sequential reading. Rows are read ahead a page at a time and each page is
// read afresh from the last record returned (its key value and pointer), so
// no statement stays open between reads and records written meanwhile are
// met where they now stand. A record the loop itself rewrites after reading
// it is remembered and not returned a second time when its new key value
// lies ahead.
struct Cursor {
  enum class Mode { None, Key, File };
  enum class Anchor { Start, Seek, Row };
  Mode mode = Mode::None;
  size_t key = 0;
  Anchor anchor = Anchor::Start;
  std::vector<char> anchor_image;  // record image holding the anchor's key values
  StoredValues anchor_stored;      // the anchor's values as stored, when the image clips them
  int64_t anchor_rowid = 0;
  std::vector<char> rows;  // record images read ahead
  std::vector<int64_t> rowids;
  std::vector<StoredValues> stored;  // per row read ahead
  size_t next_row = 0;
  int direction = 0;
  uint64_t generation = 0;
  size_t page = 0;
  std::unordered_set<int64_t> rewritten;
  int64_t last_returned = 0;

  void restart(Mode m, size_t k, Anchor a) {
    mode = m;
    key = k;
    anchor = a;
    anchor_stored.clear();
    rows.clear();
    rowids.clear();
    next_row = 0;
    direction = 0;
    rewritten.clear();
    last_returned = 0;
  }
};

enum Op {
  kInsert,
  kUpdate,
  kUpdateWatched,
  kDelete,
  kDeleteWatched,
  kByRowid,
  kCount,
  kDeleteAll,
  kFileAfter,
  kFileBefore,
  kFixedOps
};
enum KeyOp { kKeyFirst, kKeyLast, kKeyAfter, kKeyBefore, kKeyGet, kKeyOps };

struct RecordFile::Impl {
  Impl(const FileDef& d, void* b);

  const FileDef& def;
  char* buf;
  detail::Schema schema;

  std::shared_ptr<detail::Session> session;
  detail::Attachment* att = nullptr;
  std::string open_name;
  std::string path;  // absolute; of the file while it is open
  // Each name the file has been opened under, with the absolute path it was
  // resolved to at its first open. The name means that file from then on,
  // even after the working folder has changed.
  std::unordered_map<std::string, std::string> resolved;
  bool is_open = false;
  bool read_only = false;
  bool watching = false;
  bool streaming = false;
  int recover_seconds = 0;
  detail::ProgramLock lock;
  detail::ProgramLock deny_lock;
  int dos_fd = -1;

  std::vector<std::string> sql;
  std::vector<sqlite3_stmt*> stmts;

  int64_t current = 0;
  std::vector<char> as_read;    // the current record as it was read or written
  StoredValues as_read_stored;  // its values as stored, when as_read clips them
  Cursor cursor;

  // The absolute path of a file name: the one it was resolved to at its
  // first open, or against the working folder now when it was never opened.
  std::string path_for(const std::string& file_name) const;
  void build_sql();
  sqlite3_stmt* statement(size_t op);  // nullptr and the error set on failure
  static size_t key_op(size_t key, KeyOp op) { return kFixedOps + key * kKeyOps + op; }

  int check_usable(bool write) const;
  int key_index(const KeyDef& key, size_t* index) const;
  // Bind a record's values; where `stored` holds values, those are bound
  // instead of the record's clipped ones.
  void bind_fields(sqlite3_stmt* st, const void* record, const StoredValues& stored, int first) const;
  void bind_key(sqlite3_stmt* st, size_t key, const void* record, const StoredValues& stored) const;
  // Reads the row's columns into the record image, clipped to the fields;
  // `stored` receives the stored values when any of them was clipped, and
  // is emptied otherwise.
  void read_row(sqlite3_stmt* st, void* image, StoredValues* stored) const;
  void take(const char* image, int64_t rowid, const StoredValues& stored);
  void forget_current();
  int read_by_rowid(int64_t rowid, std::vector<char>* image, StoredValues* stored, bool* found);
  // A watched put or erase changed nothing: the record was changed or
  // deleted by another program. The stored version becomes the record as
  // read, and goes into the buffer too when into_buffer (a refused put).
  int refuse_stale_write(bool into_buffer);
  int fill_page(int direction);
  int step(int direction);
  void wrote() {
    if (att) ++att->generation;
  }
};

}  // namespace qvn::storage
