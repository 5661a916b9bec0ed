#include "platform/storage/session.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string_view>

#include "platform/core/error_state.h"
#include "platform/storage/schema.h"
#include "platform/storage/sqlite_util.h"

namespace qvn::storage::detail {

namespace {

constexpr std::string_view kScratchPrefix = "qvn-session-";

// The threads' sessions are held by their open files and transactions.
thread_local std::weak_ptr<Session> tls_session;

// The process id in a scratch file name "qvn-session-<pid>-...", 0 when the
// name is not one.
pid_t scratch_owner(std::string_view name) {
  if (name.substr(0, kScratchPrefix.size()) != kScratchPrefix) return 0;
  name.remove_prefix(kScratchPrefix.size());
  size_t dash = name.find('-');
  if (dash == std::string_view::npos || dash == 0) return 0;
  pid_t pid = 0;
  auto [p, ec] = std::from_chars(name.data(), name.data() + dash, pid);
  return ec == std::errc() && p == name.data() + dash && pid > 0 ? pid : 0;
}

// Sweeps each folder once per process: later sessions only find what this
// process's own sessions left, which they remove themselves.
void sweep_once(const std::string& folder) {
  static std::mutex mutex;
  static std::set<std::string> swept;
  {
    std::lock_guard<std::mutex> hold(mutex);
    if (!swept.insert(folder).second) return;
  }
  remove_stale_scratch(folder);
}

}  // namespace

std::string scratch_folder() {
  for (const char* name : {"QVN_SCRATCH_DIR", "TMPDIR"}) {
    const char* dir = std::getenv(name);
    if (dir && *dir) return dir;
  }
  return "/tmp";
}

void remove_stale_scratch(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  const int fd = ::dirfd(dir);
  const pid_t self = ::getpid();
  std::vector<std::string> stale;
  while (const dirent* entry = ::readdir(dir)) {
    pid_t owner = scratch_owner(entry->d_name);
    if (owner == 0 || owner == self) continue;
    struct stat st {};
    if (::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
    // A process of another user answers EPERM: it is alive.
    if (::kill(owner, 0) == 0 || errno != ESRCH) continue;
    stale.emplace_back(entry->d_name);
  }
  for (const std::string& name : stale) ::unlinkat(fd, name.c_str(), 0);
  ::closedir(dir);
}

std::shared_ptr<Session> make_session() {
  std::shared_ptr<Session> s(new Session);
  s->pid_ = ::getpid();
  const std::string folder = scratch_folder();
  sweep_once(folder);
  std::string pattern = folder + "/" + std::string(kScratchPrefix) + std::to_string(s->pid_) + "-XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  int fd = ::mkstemp(buf.data());
  if (fd < 0) {
    set_driver_error(err::FileSystemError, errno, "cannot make the session file in " + folder);
    return nullptr;
  }
  ::close(fd);
  s->scratch_ = buf.data();
  int rc = sqlite3_open_v2(s->scratch_.c_str(), &s->db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX,
                           nullptr);
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
  std::shared_ptr<Session> s = tls_session.lock();
  if (s && s->pid_ == ::getpid()) return s;
  s = make_session();
  tls_session = s;
  return s;
}

std::shared_ptr<Session> Session::existing() {
  std::shared_ptr<Session> s = tls_session.lock();
  if (s && s->pid_ == ::getpid()) return s;
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
