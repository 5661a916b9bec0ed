#pragma once
// Another process that changes a folder: /bin/sh running a short script,
// with the folder as $1. The scripts write the way the environment does,
// straight under the final name or through a temporary file and a rename.

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

extern char** environ;

namespace qvn::ui::testing {

// Writes "built" into $1/T.DLL under its final name.
inline constexpr const char* kWriteInPlace = "printf built > \"$1/T.DLL\"";
// Writes "built" into a temporary file of the folder and renames it to $1/T.DLL.
inline constexpr const char* kWriteAndRename =
    "printf built > \"$1/T.DLL.child.tmp\" && mv \"$1/T.DLL.child.tmp\" \"$1/T.DLL\"";

class ChildWriter {
 public:
  ChildWriter(const std::string& script, const std::string& folder) {
    std::string sh = "sh", c = "-c", body = script, zero = "sh", dir = folder;
    char* argv[] = {sh.data(), c.data(), body.data(), zero.data(), dir.data(), nullptr};
    if (::posix_spawn(&pid_, "/bin/sh", nullptr, nullptr, argv, environ) != 0) pid_ = -1;
  }
  ~ChildWriter() { wait(); }
  ChildWriter(const ChildWriter&) = delete;
  ChildWriter& operator=(const ChildWriter&) = delete;

  bool started() const { return pid_ > 0 || status_ >= 0; }
  // True once the child has ended (looked at without blocking).
  bool ended() {
    if (pid_ <= 0) return true;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) != pid_) return false;
    finish(status);
    return true;
  }
  // Waits for the child to end; 0 when its script ran through.
  int wait() {
    if (pid_ > 0) {
      int status = 0;
      if (::waitpid(pid_, &status, 0) == pid_)
        finish(status);
      else
        pid_ = -1;
    }
    return status_;
  }

 private:
  void finish(int status) {
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    pid_ = -1;
  }
  pid_t pid_ = -1;
  int status_ = -1;
};

}  // namespace qvn::ui::testing
