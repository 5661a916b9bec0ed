#pragma once
// A hostile peer for the conversation tests: a socket that listens under a
// server's name, takes every connection and never answers nor reads. It
// counts the connections it took, so a test can tell whether a client came
// back to it.

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace qvn::test_support {

class SilentPeer {
 public:
  // Listens at `path`; listening() tells whether it could.
  explicit SilentPeer(const std::string& path) : path_(path) {
    listen_fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (listen_fd_ < 0 || path.size() >= sizeof addr.sun_path || ::pipe(wake_) != 0) return;
    std::memcpy(addr.sun_path, path.data(), path.size());
    if (::bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listen_fd_, 16) != 0) return;
    listening_ = true;
    taker_ = std::thread([this] { take(); });
  }
  ~SilentPeer() {
    if (taker_.joinable()) {
      char c = 1;
      [[maybe_unused]] ssize_t n = ::write(wake_[1], &c, 1);
      taker_.join();
    }
    for (int fd : taken_) ::close(fd);
    for (int fd : {listen_fd_, wake_[0], wake_[1]})
      if (fd >= 0) ::close(fd);
    if (listening_) ::unlink(path_.c_str());
  }
  SilentPeer(const SilentPeer&) = delete;
  SilentPeer& operator=(const SilentPeer&) = delete;

  bool listening() const { return listening_; }
  int connections() const { return connections_; }

 private:
  void take() {
    for (;;) {
      pollfd p[2] = {{listen_fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
      const int r = ::poll(p, 2, -1);
      if (r < 0 && errno == EINTR) continue;
      if (r < 0 || p[1].revents) return;
      int fd = ::accept(listen_fd_, nullptr, nullptr);
      if (fd < 0) continue;
      taken_.push_back(fd);
      ++connections_;
    }
  }

  std::string path_;
  int listen_fd_ = -1;
  int wake_[2] = {-1, -1};
  bool listening_ = false;
  std::vector<int> taken_;  // held open, never read nor written
  std::atomic<int> connections_{0};
  std::thread taker_;
};

}  // namespace qvn::test_support
