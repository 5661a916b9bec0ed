#pragma once
// Another program holding a data file: a child process that opens the file,
// takes its lock, reports that it holds it, and lets go when told to (or by
// itself after a few milliseconds).

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/storage/record_file.h"

namespace qvn::framework::testing {

class OtherProgram {
 public:
  // Forks the holder of an existing file. release_after_ms < 0: hold it
  // until release() is called.
  OtherProgram(const storage::FileDef& def, int release_after_ms) {
    int up[2];
    int down[2];
    if (::pipe(up) != 0 || ::pipe(down) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(up[0]);
      ::close(down[1]);
      std::vector<char> buffer(def.struct_size);
      storage::RecordFile file(def, buffer.data());
      bool ok = file.open() == 0 && file.lock() == 0;
      char c = ok ? 'L' : 'E';
      if (::write(up[1], &c, 1) != 1) ::_exit(2);
      if (release_after_ms >= 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(release_after_ms));
      } else if (::read(down[0], &c, 1) != 1) {
        ::_exit(3);
      }
      file.unlock();
      file.close();
      ::_exit(ok ? 0 : 1);
    }
    ::close(up[1]);
    ::close(down[0]);
    if (release_after_ms >= 0) {
      ::close(down[1]);
    } else {
      to_child_ = down[1];
    }
    char c = 0;
    holds_ = ::read(up[0], &c, 1) == 1 && c == 'L';
    ::close(up[0]);
  }

  ~OtherProgram() {
    release();
    if (pid_ > 0) {
      int status = 0;
      ::waitpid(pid_, &status, 0);
    }
  }

  OtherProgram(const OtherProgram&) = delete;
  OtherProgram& operator=(const OtherProgram&) = delete;

  bool holds() const { return holds_; }

  void release() {
    if (to_child_ >= 0) {
      char c = 'R';
      [[maybe_unused]] ssize_t n = ::write(to_child_, &c, 1);
      ::close(to_child_);
      to_child_ = -1;
    }
  }

 private:
  pid_t pid_ = -1;
  int to_child_ = -1;
  bool holds_ = false;
};

}  // namespace qvn::framework::testing
