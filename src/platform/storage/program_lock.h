#pragma once
// Locks that keep a data file for one program. A lock lives in a small
// companion file beside the data file (its name followed by "-lock"),
// never on the data file itself: closing any descriptor of the data file
// would drop the database engine's own locks on it. The companion file is
// made by the first lock and left in place.
//
// Within one process the lock is counted, so the threads of the program
// that holds it are not kept out.

#include <cstdint>
#include <string>

namespace qvn::storage::detail {

class ProgramLock {
 public:
  ProgramLock() = default;
  ~ProgramLock() { release(); }
  ProgramLock(const ProgramLock&) = delete;
  ProgramLock& operator=(const ProgramLock&) = delete;

  // Takes the lock of the data file `db_path`; false when another program
  // holds it or the companion file cannot be made (errno tells).
  bool acquire(const std::string& db_path);
  void release();
  bool held() const { return held_; }

 private:
  bool held_ = false;
  uint64_t dev_ = 0;
  uint64_t ino_ = 0;
};

// True when another program holds the lock of the data file `db_path`.
bool locked_by_other_program(const std::string& db_path);

}  // namespace qvn::storage::detail
