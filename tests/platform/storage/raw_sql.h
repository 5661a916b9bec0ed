#pragma once
// Changing a data file behind the storage layer's back, the way another
// tool would, for tests that need files the layer would never write.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

#include "platform/storage/schema.h"

namespace qvn::storage::testing {

// Runs `sql` on the file at `path`. The layer's collations are registered,
// so that changed keys stay in order.
inline void raw_sql(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  detail::register_collations(db);
  char* msg = nullptr;
  int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &msg);
  std::string text = msg ? msg : "";
  sqlite3_free(msg);
  sqlite3_close(db);
  ASSERT_EQ(rc, SQLITE_OK) << text;
}

}  // namespace qvn::storage::testing
