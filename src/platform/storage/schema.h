#pragma once
// The SQLite shape of a data file: one table "records" whose columns are the
// record's fields (the label without its prefix), and one index per key.
//
// Text is stored without trailing blanks. Text key components are compared
// by two collations of our own, registered on every connection:
// QVN_NOCASE (letters a to z as A to Z, trailing blanks ignored) for NOCASE
// keys and QVN_TEXT (trailing blanks ignored) for the others. SQLite's own
// NOCASE folds to lower case, which would put "_" and the other characters
// between "Z" and "a" on the wrong side of the letters. The collations are
// named only in the indexes, so the sqlite3 tool can still SELECT from a
// file; it refuses to change one, which would need the collations.
//
// An OPT key is a partial index that leaves out the records whose
// components are all empty; a unique key is a unique index.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/storage/file_def.h"

struct sqlite3;

namespace qvn::storage::detail {

inline constexpr const char* kTable = "records";
// "QVN6" in the database header marks one of our files.
inline constexpr int32_t kApplicationId = 0x51564E36;
// Version of the index layout and collations; a file with another value
// needs its keys rebuilt.
inline constexpr int32_t kKeyFormat = 1;

struct KeySql {
  std::string index_name;
  std::string create;     // CREATE [UNIQUE] INDEX ...
  std::string in_key;     // condition that a record is in the key ("" when not OPT)
  std::string order_asc;  // ORDER BY list, ending with rowid
  std::string order_desc;
  std::string tuple;   // (c1, c2, rowid)
  std::string params;  // (?1 COLLATE .., ?2, ?3): the key values, then the pointer
  std::string equal;   // c1 = ?1 COLLATE .. AND c2 = ?2
};

struct Schema {
  std::vector<std::string> columns;  // quoted
  std::string column_list;           // "c1", "c2", ...
  std::string create_table;
  std::vector<KeySql> keys;
};

Schema make_schema(const FileDef& def);
std::string quote(std::string_view identifier);

void register_collations(sqlite3* db);

// Checks the file attached as `alias` against the declaration: 0, or
// InvalidDataFile (not ours, or the wrong table: other columns, other
// types, or a column that may be NULL), or InvalidKeyFile (the indexes
// differ). Sets the thread's error.
int check_shape(sqlite3* db, const std::string& alias, const FileDef& def, const Schema& schema);
// Within an open write transaction on `db`'s main database: removes every
// table, index, view and trigger and makes the declared table and indexes.
int install_schema(sqlite3* db, const Schema& schema);
// Within an open write transaction: drops every index and makes the
// declared ones again. CreatesDuplicateKey when the records break a unique key.
int rebuild_indexes(sqlite3* db, const Schema& schema);

}  // namespace qvn::storage::detail
