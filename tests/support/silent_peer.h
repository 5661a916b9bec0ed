#pragma once
// A hostile peer for the conversation tests: a socket that listens under a
// server's name, takes every connection and never answers nor reads.
//
// A client's connection is complete once it is queued on the listening
// socket, so the peer takes the queued ones only when asked how many it
// has had: the count is exact the moment the client's call returns, with
// no thread to wait for.

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace qvn::test_support {

class SilentPeer {
 public:
  // Listens at `path`; listening() tells whether it could.
  explicit SilentPeer(const std::string& path) : path_(path) {
    listen_fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (listen_fd_ < 0 || path.size() >= sizeof addr.sun_path) return;
    std::memcpy(addr.sun_path, path.data(), path.size());
    listening_ =
        ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && ::listen(listen_fd_, 64) == 0;
  }
  ~SilentPeer() {
    for (int fd : taken_) ::close(fd);
    if (listen_fd_ >= 0) ::close(listen_fd_);
    if (listening_ && named_) ::unlink(path_.c_str());
  }
  SilentPeer(const SilentPeer&) = delete;
  SilentPeer& operator=(const SilentPeer&) = delete;

  bool listening() const { return listening_; }

  // Removes its name, so another socket can take it; it goes on listening,
  // out of reach.
  void remove_name() {
    if (listening_) ::unlink(path_.c_str());
    named_ = false;
  }

  // The connections made to it so far, each taken and held open.
  int connections() {
    for (;;) {
      const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd >= 0) {
        taken_.push_back(fd);
      } else if (errno != EINTR) {
        break;
      }
    }
    return static_cast<int>(taken_.size());
  }

 private:
  std::string path_;
  int listen_fd_ = -1;
  bool listening_ = false;
  bool named_ = true;
  std::vector<int> taken_;  // held open, never read nor written
};

}  // namespace qvn::test_support
