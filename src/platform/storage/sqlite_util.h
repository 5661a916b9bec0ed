#pragma once
// Small helpers over the SQLite API shared by the storage layer.

#include <sqlite3.h>

#include <string>

namespace qvn::storage::detail {

// Sets the thread's last error from a failed SQLite call and returns the
// code: 40 for a unique key, 36 for a damaged file, 5 for a read-only one,
// otherwise the layer's own failure (90 for I/O and locking, 100 for the
// rest) with SQLite's code and text.
int report_sqlite(sqlite3* db, int rc);

// Runs statements that return no rows; 0 or the reported error.
int exec(sqlite3* db, const std::string& sql);

// Time that statements wait for another program's lock on a file.
inline constexpr int kBusyTimeoutMs = 5000;

// Opens a connection of its own to one data file (with our collations);
// `create` allows making it. nullptr when it cannot (the error is set).
sqlite3* open_single(const std::string& path, bool create);

// Percent-encoded "file:" URI of an absolute path, with `query` appended.
std::string file_uri(const std::string& path, const std::string& query);

}  // namespace qvn::storage::detail
