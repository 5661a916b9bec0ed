#pragma once
// One thread's connection to its data files. Every file a thread opens is
// ATTACHed to this connection, once however many instances share it, so a
// transaction over several files commits or rolls back all of them
// together. The connection's main database is an empty scratch file of its
// own: SQLite writes the super-journal that makes a commit over several
// files atomic beside it, and needs a real file for that. The files keep
// the rollback journal (not WAL) for the same reason.
//
// The connection lives while the thread has a data file open or a
// transaction running; the next open makes a new one. Its scratch file is
// "qvn-session-<process id>-XXXXXX" in the folder QVN_SCRATCH_DIR names
// (else TMPDIR, else /tmp), and is removed when the connection ends. A
// process that is killed cannot remove it, so the first connection a
// process makes in a folder removes the scratch files (and journals) that
// this user's processes left there and whose process is gone.

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace qvn::storage::detail {

struct Attachment {
  std::string alias;  // schema name on the connection: "f1", "f2", ...
  std::string path;
  uint64_t dev = 0;
  uint64_t ino = 0;
  bool writable = false;
  int users = 0;
  // Moves on at every write this thread makes to the file, so a cursor
  // knows when the rows it holds may be out of date.
  uint64_t generation = 0;
  std::unordered_map<std::string, sqlite3_stmt*> statements;
};

class Session {
 public:
  enum class Batch { None, Stream, Transaction };

  // The calling thread's session, made when it has none; nullptr (error
  // set) when no connection can be made. Whoever keeps the pointer keeps
  // the session: each open file and each running transaction.
  static std::shared_ptr<Session> for_this_thread();
  // The calling thread's session if it has one.
  static std::shared_ptr<Session> existing();
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  sqlite3* db() const { return db_; }

  Attachment* find(uint64_t dev, uint64_t ino);
  // Attaches the file (or counts one more user of it); nullptr and the
  // error set when it cannot.
  Attachment* attach(const std::string& path, uint64_t dev, uint64_t ino, bool writable);
  // One user less; the file is detached when none is left and no batch is
  // running.
  void release(Attachment* a);

  // A prepared statement kept for the attachment; nullptr and the error set
  // when it does not compile.
  sqlite3_stmt* statement(Attachment& a, const std::string& sql);

  Batch batch() const { return batch_; }
  // BEGIN IMMEDIATE, waiting up to `timeout_ms` for other programs.
  int begin(Batch kind, int timeout_ms);
  int commit();
  int rollback();
  int stream_users = 0;

  void touch_all();

 private:
  Session() = default;
  void detach(Attachment* a);
  void detach_unused();

  sqlite3* db_ = nullptr;
  std::string scratch_;
  int pid_ = 0;
  Batch batch_ = Batch::None;
  std::vector<std::unique_ptr<Attachment>> attached_;

  friend std::shared_ptr<Session> make_session();
};

// The folder the scratch files go to: QVN_SCRATCH_DIR, else TMPDIR, else /tmp.
std::string scratch_folder();
// Removes from `folder` the scratch files of this user's sessions whose
// process is gone, with their journals.
void remove_stale_scratch(const std::string& folder);

}  // namespace qvn::storage::detail
