#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/core/error_state.h"
#include "platform/storage/paths.h"
#include "platform/storage/program_lock.h"
#include "platform/storage/record_file_impl.h"

namespace qvn::storage {

using namespace detail;

namespace {

// The transaction's connection when it is this thread's: a forked child
// must not end its parent's transaction.
Session* own(const std::shared_ptr<Session>& session) {
  return session && session == Session::existing() ? session.get() : nullptr;
}

}  // namespace

Transaction::~Transaction() {
  if (active_) rollback();
}

int Transaction::start(int timeout_seconds, const std::vector<RecordFile*>& files) {
  if (active_) return failed(err::TransactionActive);
  std::shared_ptr<Session> session = Session::for_this_thread();
  if (!session) return error_code();
  for (RecordFile* f : files) {
    if (!f || !f->is_open()) return failed(err::FileNotOpen);
    if (f->def().driver == Driver::Keyed && f->impl_->session != session) return failed(err::FileNotOpen);
  }
  if (session->batch() == Session::Batch::Transaction) return failed(err::TransactionActive);
  if (session->batch() == Session::Batch::Stream) {
    if (int rc = session->commit()) return rc;
    for (RecordFile* f : files) f->impl_->streaming = false;
  }
  int timeout_ms = timeout_seconds > 0 ? timeout_seconds * 1000 : 0;
  if (int rc = session->begin(Session::Batch::Transaction, timeout_ms)) return rc;
  active_ = true;
  files_ = files;
  session_ = session;
  return succeeded();
}

int Transaction::commit() {
  if (!active_) return succeeded();
  // A failed commit leaves the transaction open: it may be tried again or
  // rolled back.
  if (Session* session = own(session_)) {
    if (int rc = session->commit()) return rc;
  }
  active_ = false;
  files_.clear();
  session_.reset();
  return succeeded();
}

int Transaction::rollback() {
  if (!active_) return succeeded();
  active_ = false;
  Session* session = own(session_);
  int rc = session ? session->rollback() : 0;
  // Records added inside the transaction are gone again.
  for (RecordFile* f : files_) f->impl_->forget_current();
  files_.clear();
  session_.reset();
  return rc ? rc : succeeded();
}

int remove_file(std::string_view name) {
  std::string file_name(clip(name));
  if (file_name.empty()) return failed(err::InvalidFileName);
  std::string path = absolute_path(file_name);
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return report_path_error(path, errno);
  if (S_ISDIR(st.st_mode)) return failed(err::AccessDenied);
  if (std::shared_ptr<Session> session = Session::existing()) {
    struct stat target {};
    if (::stat(path.c_str(), &target) == 0) {
      Attachment* a = session->find(target.st_dev, target.st_ino);
      if (a && a->users > 0) return failed(err::AccessDenied);
    }
  }
  if (locked_by_other_program(path)) return failed(err::AccessDenied);
  if (::unlink(path.c_str()) != 0) return report_path_error(path, errno);
  ::unlink((path + "-journal").c_str());
  return succeeded();
}

}  // namespace qvn::storage
