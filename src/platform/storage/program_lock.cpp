#include "platform/storage/program_lock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <utility>

namespace qvn::storage::detail {

namespace {

struct Held {
  int fd = -1;
  int holders = 0;
  pid_t pid = 0;
};

std::mutex registry_mutex;
std::map<std::pair<uint64_t, uint64_t>, Held>& registry() {
  static auto* held = new std::map<std::pair<uint64_t, uint64_t>, Held>;
  return *held;
}

std::string companion(const std::string& db_path) { return db_path + "-lock"; }

}  // namespace

bool ProgramLock::acquire(const std::string& db_path) {
  if (held_) return true;
  int fd = ::open(companion(db_path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    ::close(fd);
    return false;
  }
  auto id = std::make_pair(static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino));
  std::lock_guard<std::mutex> guard(registry_mutex);
  auto it = registry().find(id);
  if (it != registry().end() && it->second.pid == ::getpid()) {
    ++it->second.holders;
    ::close(fd);
  } else {
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    if (::fcntl(fd, F_OFD_SETLK, &fl) != 0) {
      ::close(fd);
      return false;
    }
    // A lock inherited from the parent of a forked process is not ours.
    registry()[id] = Held{fd, 1, ::getpid()};
  }
  held_ = true;
  dev_ = id.first;
  ino_ = id.second;
  return true;
}

void ProgramLock::release() {
  if (!held_) return;
  held_ = false;
  std::lock_guard<std::mutex> guard(registry_mutex);
  auto it = registry().find({dev_, ino_});
  if (it == registry().end() || it->second.pid != ::getpid()) return;
  if (--it->second.holders == 0) {
    ::close(it->second.fd);
    registry().erase(it);
  }
}

bool locked_by_other_program(const std::string& db_path) {
  int fd = ::open(companion(db_path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool locked = false;
  struct stat st {};
  if (::fstat(fd, &st) == 0) {
    std::lock_guard<std::mutex> guard(registry_mutex);
    auto it = registry().find({static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)});
    bool ours = it != registry().end() && it->second.pid == ::getpid();
    if (!ours) {
      struct flock fl {};
      fl.l_type = F_RDLCK;
      fl.l_whence = SEEK_SET;
      locked = ::fcntl(fd, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
    }
  }
  ::close(fd);
  return locked;
}

}  // namespace qvn::storage::detail
