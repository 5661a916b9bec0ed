#include "platform/storage/sqlite_util.h"

#include <cerrno>

#include "platform/core/error_state.h"
#include "platform/storage/schema.h"

namespace qvn::storage::detail {

int report_sqlite(sqlite3* db, int rc) {
  int extended = db ? sqlite3_extended_errcode(db) : rc;
  std::string text = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  int code;
  switch (rc & 0xff) {
    case SQLITE_CONSTRAINT:
      if (extended == SQLITE_CONSTRAINT_UNIQUE || extended == SQLITE_CONSTRAINT_PRIMARYKEY) {
        set_error(err::CreatesDuplicateKey);
        return err::CreatesDuplicateKey;
      }
      code = err::DriverError;
      break;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: set_error(err::InvalidDataFile); return err::InvalidDataFile;
    case SQLITE_READONLY:
    case SQLITE_PERM: set_error(err::AccessDenied); return err::AccessDenied;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_IOERR:
    case SQLITE_FULL:
    case SQLITE_CANTOPEN:
    case SQLITE_PROTOCOL: code = err::FileSystemError; break;
    default: code = err::DriverError; break;
  }
  set_driver_error(code, extended, text);
  return code;
}

int exec(sqlite3* db, const std::string& sql) {
  int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  return rc == SQLITE_OK ? 0 : report_sqlite(db, rc);
}

std::string file_uri(const std::string& path, const std::string& query) {
  static const char* hex = "0123456789ABCDEF";
  std::string uri = "file:";
  for (char ch : path) {
    auto u = static_cast<unsigned char>(ch);
    bool plain = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || ch == '/' || ch == '-' ||
                 ch == '_' || ch == '.' || ch == '~';
    if (plain) {
      uri += ch;
    } else {
      uri += '%';
      uri += hex[u >> 4];
      uri += hex[u & 15];
    }
  }
  if (!query.empty()) uri += "?" + query;
  return uri;
}

sqlite3* open_single(const std::string& path, bool create) {
  sqlite3* db = nullptr;
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
  int rc = sqlite3_open_v2(file_uri(path, create ? "mode=rwc" : "mode=rw").c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    report_sqlite(db, rc);
    sqlite3_close(db);
    return nullptr;
  }
  sqlite3_extended_result_codes(db, 1);
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  register_collations(db);
  return db;
}

}  // namespace qvn::storage::detail
