#include "platform/storage/record_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <thread>

#include "platform/core/error_state.h"
#include "platform/storage/paths.h"
#include "platform/storage/record_file_impl.h"
#include "platform/storage/record_image.h"
#include "platform/storage/sqlite_util.h"

namespace qvn::storage {

using namespace detail;

namespace {

// Removes a rollback journal left beside a file that is being replaced or
// removed: played back onto a new file of the same name it would damage it.
void remove_stale_journal(const std::string& path) { ::unlink((path + "-journal").c_str()); }

// Makes a new, empty file at `path` beside it and moves it into place, so
// that no other program ever opens a half-made file.
int create_fresh(const std::string& path, const Schema& schema) {
  std::string pattern = path + ".new-XXXXXX";
  std::vector<char> temp(pattern.begin(), pattern.end());
  temp.push_back('\0');
  int fd = ::mkstemp(temp.data());
  if (fd < 0) return report_path_error(path, errno);
  ::close(fd);
  std::string temp_path = temp.data();
  int rc = 0;
  sqlite3* db = open_single(temp_path, false);
  if (!db) rc = error_code();
  if (!rc) rc = exec(db, "BEGIN IMMEDIATE");
  if (!rc) rc = install_schema(db, schema);
  if (!rc) rc = exec(db, "COMMIT");
  if (db) sqlite3_close(db);
  if (!rc) {
    remove_stale_journal(path);
    if (::rename(temp_path.c_str(), path.c_str()) != 0) rc = report_path_error(path, errno);
  }
  if (rc) {
    KeepLastError keep;
    ::unlink(temp_path.c_str());
    remove_stale_journal(temp_path);
  }
  return rc;
}

// Empties an existing database in place, so that every program that has it
// open sees the new, empty file. `replace` is set when the file is not a
// database at all and must be replaced instead.
int recreate_in_place(const std::string& path, const Schema& schema, bool* replace) {
  *replace = false;
  sqlite3* db = open_single(path, false);
  if (!db) return error_code();
  int rc = exec(db, "BEGIN IMMEDIATE");
  if (!rc) {
    rc = exec(db, "SELECT count(*) FROM sqlite_schema");
    if (rc == err::InvalidDataFile) {
      *replace = true;
      rc = 0;
    } else if (!rc) {
      rc = install_schema(db, schema);
      if (!rc) rc = exec(db, "COMMIT");
    }
    if (rc || *replace) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  } else if (rc == err::InvalidDataFile) {
    *replace = true;
    rc = 0;
  }
  sqlite3_close(db);
  return rc;
}

bool stat_file(const std::string& path, struct stat* st) { return ::stat(path.c_str(), st) == 0; }

}  // namespace

RecordFile::Impl::Impl(const FileDef& d, void* b) : def(d), buf(static_cast<char*>(b)), schema(make_schema(d)) {
  as_read.assign(def.struct_size, 0);
}

RecordFile::RecordFile(const FileDef& def, void* buffer) : impl_(std::make_unique<Impl>(def, buffer)) {}

RecordFile::~RecordFile() {
  if (impl_->is_open) close();
}

const FileDef& RecordFile::def() const { return impl_->def; }
void* RecordFile::buffer() { return impl_->buf; }

std::string RecordFile::name() const {
  const FileDef& d = impl_->def;
  if (!d.name_var || d.name_width == 0) return {};
  return std::string(clip(std::string_view(d.name_var, strnlen(d.name_var, d.name_width))));
}

const std::string& RecordFile::open_name() const { return impl_->open_name; }
const std::string& RecordFile::open_path() const { return impl_->path; }
bool RecordFile::is_open() const { return impl_->is_open; }
bool RecordFile::read_only() const { return impl_->read_only; }

std::string RecordFile::Impl::path_for(const std::string& file_name) const {
  auto it = resolved.find(file_name);
  return it != resolved.end() ? it->second : absolute_path(file_name);
}

int RecordFile::open(int mode) {
  Impl& m = *impl_;
  if (m.is_open) return failed(err::FileAlreadyOpen);
  std::string file_name = name();
  if (file_name.empty()) return failed(err::InvalidFileName);
  bool write = (mode & 0x0f) != kReadOnly;
  int share = mode & 0xf0;
  bool deny = share != 0 && share != kDenyNone;
  std::string path = m.path_for(file_name);
  int recover = m.recover_seconds;
  m.recover_seconds = 0;

  if (m.def.driver == Driver::Dos) {
    int fd = ::open(path.c_str(), (write ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) return report_path_error(path, errno);
    m.dos_fd = fd;
  } else {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(recover);
    for (;;) {
      struct stat st {};
      if (!stat_file(path, &st)) return report_path_error(path, errno);
      if (S_ISDIR(st.st_mode)) return failed(err::AccessDenied);
      bool held = locked_by_other_program(path) || (deny && !m.deny_lock.acquire(path));
      if (!held) break;
      if (std::chrono::steady_clock::now() >= deadline) return failed(err::AccessDenied);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    struct stat st {};
    if (!stat_file(path, &st)) {
      m.deny_lock.release();
      return report_path_error(path, errno);
    }
    bool writable = ::access(path.c_str(), R_OK | W_OK) == 0;
    if ((write && !writable) || ::access(path.c_str(), R_OK) != 0) {
      m.deny_lock.release();
      return failed(err::AccessDenied);
    }
    m.session = Session::for_this_thread();
    if (!m.session) {
      m.deny_lock.release();
      return error_code();
    }
    m.att = m.session->attach(path, st.st_dev, st.st_ino, writable);
    int rc = m.att ? check_shape(m.session->db(), m.att->alias, m.def, m.schema) : error_code();
    if (rc) {
      KeepLastError keep;
      m.session->release(m.att);
      m.att = nullptr;
      m.deny_lock.release();
      return rc;
    }
    m.build_sql();
  }
  m.path = path;
  m.open_name = file_name;
  m.resolved.emplace(file_name, path);
  m.is_open = true;
  m.read_only = !write;
  m.current = 0;
  m.cursor.restart(Cursor::Mode::None, 0, Cursor::Anchor::Start);
  return succeeded();
}

int RecordFile::create() {
  Impl& m = *impl_;
  std::string file_name = name();
  if (file_name.empty()) return failed(err::InvalidFileName);
  std::string path = m.path_for(file_name);
  if (m.def.driver == Driver::Dos) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return report_path_error(path, errno);
    ::close(fd);
    return succeeded();
  }
  if (locked_by_other_program(path)) return failed(err::AccessDenied);
  std::shared_ptr<Session> session = Session::existing();
  struct stat st {};
  bool exists = stat_file(path, &st);
  if (!exists && errno != ENOENT) return report_path_error(path, errno);
  Attachment* attached = nullptr;
  int rc = 0;
  if (exists) {
    if (S_ISDIR(st.st_mode) || ::access(path.c_str(), R_OK | W_OK) != 0) return failed(err::AccessDenied);
    attached = session ? session->find(st.st_dev, st.st_ino) : nullptr;
    if (attached && session->batch() != Session::Batch::None) return failed(err::TransactionActive);
    bool replace = false;
    rc = recreate_in_place(path, m.schema, &replace);
    if (!rc && replace) rc = create_fresh(path, m.schema);
  } else {
    rc = create_fresh(path, m.schema);
  }
  if (rc) return rc;
  if (attached) ++attached->generation;
  if (m.is_open) {
    m.forget_current();
    m.cursor.restart(Cursor::Mode::None, 0, Cursor::Anchor::Start);
  }
  return succeeded();
}

int RecordFile::close() {
  Impl& m = *impl_;
  if (!m.is_open) return failed(err::FileNotOpen);
  // Writes that cannot be committed are rolled back, and the close says so.
  int flush_rc = 0;
  if (m.streaming && (flush_rc = flush()) != 0) m.session->rollback();
  m.lock.release();
  m.deny_lock.release();
  if (m.dos_fd >= 0) ::close(m.dos_fd);
  m.dos_fd = -1;
  if (m.session) m.session->release(m.att);
  m.att = nullptr;
  m.session.reset();
  m.stmts.clear();
  m.sql.clear();
  m.is_open = false;
  m.read_only = false;
  m.watching = false;
  m.open_name.clear();
  m.path.clear();
  m.forget_current();
  m.cursor.restart(Cursor::Mode::None, 0, Cursor::Anchor::Start);
  return flush_rc ? flush_rc : succeeded();
}

int RecordFile::send(std::string_view instruction) {
  std::string_view word = "RECOVER=";
  bool recover = instruction.size() > word.size();
  for (size_t i = 0; recover && i < word.size(); ++i)
    recover = compare_text(instruction.substr(i, 1), word.substr(i, 1), true) == 0;
  int seconds = 0;
  if (recover) {
    std::string_view value = clip(instruction.substr(word.size()));
    auto [p, ec] = std::from_chars(value.data(), value.data() + value.size(), seconds);
    recover = ec == std::errc() && p == value.data() + value.size() && seconds >= 0;
  }
  if (!recover) {
    set_driver_error(err::DriverError, 0, "Unknown driver instruction: " + std::string(instruction));
    return err::DriverError;
  }
  // An hour is far beyond any wait a user would sit through.
  impl_->recover_seconds = std::min(seconds, 3600);
  return succeeded();
}

int RecordFile::build_keys() {
  Impl& m = *impl_;
  if (m.is_open) return failed(err::FileAlreadyOpen);
  if (m.def.driver == Driver::Dos) return succeeded();
  std::string file_name = name();
  if (file_name.empty()) return failed(err::InvalidFileName);
  std::string path = m.path_for(file_name);
  struct stat st {};
  if (!stat_file(path, &st)) return report_path_error(path, errno);
  if (locked_by_other_program(path)) return failed(err::AccessDenied);
  std::shared_ptr<Session> session = Session::existing();
  Attachment* attached = session ? session->find(st.st_dev, st.st_ino) : nullptr;
  if (attached && session->batch() != Session::Batch::None) return failed(err::TransactionActive);

  sqlite3* db = open_single(path, false);
  if (!db) return error_code();
  int rc = check_shape(db, "main", m.def, m.schema);
  if (rc == err::InvalidKeyFile) rc = 0;
  if (!rc) rc = exec(db, "BEGIN IMMEDIATE");
  if (!rc) {
    rc = rebuild_indexes(db, m.schema);
    if (!rc) rc = exec(db, "COMMIT");
    if (rc) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  if (!rc) {
    // The table itself must be sound too; new keys cannot mend that.
    sqlite3_stmt* st_check = nullptr;
    int qrc = sqlite3_prepare_v2(db, "PRAGMA quick_check(1)", -1, &st_check, nullptr);
    if (qrc == SQLITE_OK) qrc = sqlite3_step(st_check);
    if (qrc == SQLITE_ROW) {
      const unsigned char* t = sqlite3_column_text(st_check, 0);
      if (!t || std::string_view(reinterpret_cast<const char*>(t)) != "ok") rc = failed(err::InvalidDataFile);
    } else {
      rc = report_sqlite(db, qrc);
    }
    sqlite3_finalize(st_check);
  }
  sqlite3_close(db);
  if (rc) return rc;
  if (attached) ++attached->generation;
  return succeeded();
}

int RecordFile::lock() {
  Impl& m = *impl_;
  if (!m.is_open) return failed(err::FileNotOpen);
  if (m.def.driver == Driver::Dos) return succeeded();
  if (!m.lock.acquire(m.path)) return failed(err::AccessDenied);
  return succeeded();
}

int RecordFile::unlock() {
  impl_->lock.release();
  return succeeded();
}

int RecordFile::stream() {
  Impl& m = *impl_;
  if (int rc = m.check_usable(false)) return rc;
  if (m.streaming) return succeeded();
  switch (m.session->batch()) {
    case Session::Batch::Transaction: return succeeded();
    case Session::Batch::None:
      if (int rc = m.session->begin(Session::Batch::Stream, kBusyTimeoutMs)) return rc;
      break;
    case Session::Batch::Stream: break;
  }
  ++m.session->stream_users;
  m.streaming = true;
  return succeeded();
}

int RecordFile::flush() {
  Impl& m = *impl_;
  if (!m.streaming) return succeeded();
  m.streaming = false;
  if (m.session && m.session->batch() == Session::Batch::Stream && --m.session->stream_users <= 0) {
    if (int rc = m.session->commit()) {
      // The batch stays open so that a later flush can try again.
      m.session->stream_users = 1;
      m.streaming = true;
      return rc;
    }
  }
  return succeeded();
}

void RecordFile::watch() { impl_->watching = true; }

}  // namespace qvn::storage
