#include "platform/storage/session.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/core/error_state.h"
#include "platform/storage/schema.h"
#include "platform/storage/sqlite_util.h"

namespace qvn::storage::detail {

namespace {

std::string temp_folder() {
  const char* dir = std::getenv("TMPDIR");
  return (dir && *dir) ? dir : "/tmp";
}

thread_local std::shared_ptr<Session> tls_session;

}  // namespace

std::shared_ptr<Session> make_session() {
  std::shared_ptr<Session> s(new Session);
  s->pid_ = ::getpid();
  std::string pattern = temp_folder() + "/qvn-session-XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  int fd = ::mkstemp(buf.data());
  if (fd < 0) {
    set_driver_error(err::FileSystemError, errno, "cannot make the session file in " + temp_folder());
    return nullptr;
  }
  ::close(fd);
  s->scratch_ = buf.data();
  int rc = sqlite3_open_v2(s->scratch_.c_str(), &s->db_,
                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    report_sqlite(s->db_, rc);
    return nullptr;
  }
  sqlite3_extended_result_codes(s->db_, 1);
  sqlite3_busy_timeout(s->db_, kBusyTimeoutMs);
  register_collations(s->db_);
  return s;
}

std::shared_ptr<Session> Session::for_this_thread() {
  // A forked child must not use its parent's connection; the parent's
  // session is left alone (not closed) in the child.
  if (tls_session && tls_session->pid_ != ::getpid()) tls_session.reset();
  if (!tls_session) tls_session = make_session();
  return tls_session;
}

std::shared_ptr<Session> Session::existing() {
  if (tls_session && tls_session->pid_ == ::getpid()) return tls_session;
  return nullptr;
}

Session::~Session() {
  if (pid_ != ::getpid()) return;
  if (batch_ != Batch::None) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  for (auto& a : attached_)
    for (auto& [sql, st] : a->statements) sqlite3_finalize(st);
  sqlite3_close_v2(db_);
  if (!scratch_.empty()) {
    ::unlink(scratch_.c_str());
    ::unlink((scratch_ + "-journal").c_str());
  }
}

Attachment* Session::find(uint64_t dev, uint64_t ino) {
  for (auto& a : attached_)
    if (a->dev == dev && a->ino == ino) return a.get();
  return nullptr;
}

Attachment* Session::attach(const std::string& path, uint64_t dev, uint64_t ino, bool writable) {
  if (Attachment* a = find(dev, ino)) {
    if (writable && !a->writable) {
      set_error(err::AccessDenied);
      return nullptr;
    }
    ++a->users;
    return a;
  }
  if (batch_ != Batch::None) {
    // SQLite cannot attach a file inside a transaction.
    set_error(err::TransactionActive);
    return nullptr;
  }
  detach_unused();
  if (attached_.size() >= static_cast<size_t>(sqlite3_limit(db_, SQLITE_LIMIT_ATTACHED, -1))) {
    set_error(err::TooManyOpenFiles);
    return nullptr;
  }
  std::string alias;
  for (int n = 1; alias.empty(); ++n) {
    std::string candidate = "f" + std::to_string(n);
    bool used = false;
    for (auto& a : attached_) used = used || a->alias == candidate;
    if (!used) alias = candidate;
  }
  sqlite3_stmt* st = nullptr;
  int rc = sqlite3_prepare_v2(db_, "ATTACH ?1 AS ?2", -1, &st, nullptr);
  if (rc == SQLITE_OK) {
    std::string uri = file_uri(path, writable ? "mode=rw" : "mode=ro");
    sqlite3_bind_text(st, 1, uri.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 2, alias.c_str(), -1, SQLITE_TRANSIENT);
    rc = sqlite3_step(st);
  }
  sqlite3_finalize(st);
  if (rc != SQLITE_DONE) {
    report_sqlite(db_, rc);
    return nullptr;
  }
  auto a = std::make_unique<Attachment>();
  a->alias = alias;
  a->path = path;
  a->dev = dev;
  a->ino = ino;
  a->writable = writable;
  a->users = 1;
  attached_.push_back(std::move(a));
  return attached_.back().get();
}

void Session::release(Attachment* a) {
  if (!a || a->users == 0) return;
  if (--a->users == 0 && batch_ == Batch::None) detach(a);
}

void Session::detach(Attachment* a) {
  for (auto& [sql, st] : a->statements) sqlite3_finalize(st);
  a->statements.clear();
  sqlite3_exec(db_, ("DETACH " + quote(a->alias)).c_str(), nullptr, nullptr, nullptr);
  for (auto it = attached_.begin(); it != attached_.end(); ++it) {
    if (it->get() == a) {
      attached_.erase(it);
      break;
    }
  }
}

void Session::detach_unused() {
  std::vector<Attachment*> idle;
  for (auto& a : attached_)
    if (a->users == 0) idle.push_back(a.get());
  for (Attachment* a : idle) detach(a);
}

sqlite3_stmt* Session::statement(Attachment& a, const std::string& sql) {
  auto it = a.statements.find(sql);
  if (it != a.statements.end()) return it->second;
  sqlite3_stmt* st = nullptr;
  int rc = sqlite3_prepare_v3(db_, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &st, nullptr);
  if (rc != SQLITE_OK) {
    report_sqlite(db_, rc);
    sqlite3_finalize(st);
    return nullptr;
  }
  a.statements.emplace(sql, st);
  return st;
}

int Session::begin(Batch kind, int timeout_ms) {
  if (batch_ != Batch::None) {
    set_error(err::TransactionActive);
    return err::TransactionActive;
  }
  sqlite3_busy_timeout(db_, timeout_ms);
  int rc = exec(db_, "BEGIN IMMEDIATE");
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  if (rc) return rc;
  batch_ = kind;
  return 0;
}

int Session::commit() {
  if (batch_ == Batch::None) return 0;
  if (int rc = exec(db_, "COMMIT")) return rc;
  batch_ = Batch::None;
  stream_users = 0;
  detach_unused();
  return 0;
}

int Session::rollback() {
  if (batch_ == Batch::None) return 0;
  int rc = sqlite3_get_autocommit(db_) ? 0 : exec(db_, "ROLLBACK");
  batch_ = Batch::None;
  stream_users = 0;
  touch_all();
  detach_unused();
  return rc;
}

void Session::touch_all() {
  for (auto& a : attached_) ++a->generation;
}

}  // namespace qvn::storage::detail
