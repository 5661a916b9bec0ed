#pragma once
// Helpers for the conversation tests: a private socket folder per test and
// servers that run in child processes.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "platform/core/error_state.h"
#include "platform/dde/dde_client.h"
#include "platform/dde/dde_server.h"
#include "support/environment.h"
#include "support/temp_folder.h"

namespace qvn::testing {

// A server running in a forked child. The child's callbacks can write lines
// to `report` for the test to read back.
class ServerProcess {
 public:
  using MakeHandlers = std::function<DdeServer::Handlers(int report)>;

  ServerProcess() = default;
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;
  ~ServerProcess() { kill_now(); }

  // Forks and waits until the child listens. False when it could not.
  bool start(const std::string& service, const std::string& topic, const MakeHandlers& make,
             DdeServerLimits limits = {}) {
    int ready[2], report[2];
    if (::pipe(ready) != 0 || ::pipe(report) != 0) return false;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      ::close(report[0]);
      auto server = DdeServer::create(service, topic, make(report[1]), limits);
      char ok = server ? 'y' : 'n';
      [[maybe_unused]] ssize_t n = ::write(ready[1], &ok, 1);
      ::close(ready[1]);
      if (server) server->run();
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(report[1]);
    report_fd_ = report[0];
    char ok = 'n';
    pollfd p{ready[0], POLLIN, 0};
    bool started = ::poll(&p, 1, 30000) == 1 && ::read(ready[0], &ok, 1) == 1 && ok == 'y';
    ::close(ready[0]);
    return started;
  }

  // The next line the child reported, "" when none came within the wait.
  std::string next_report(int wait_ms = 10000) {
    std::string line;
    char c;
    while (true) {
      pollfd p{report_fd_, POLLIN, 0};
      if (::poll(&p, 1, wait_ms) != 1 || ::read(report_fd_, &c, 1) != 1) return "";
      if (c == '\n') return line;
      line.push_back(c);
    }
  }

  void kill_now() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
    if (report_fd_ >= 0) {
      ::close(report_fd_);
      report_fd_ = -1;
    }
  }

  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int report_fd_ = -1;
};

inline void report_line(int fd, const std::string& line) {
  std::string l = line + "\n";
  [[maybe_unused]] ssize_t n = ::write(fd, l.data(), l.size());
}

// Each test gets its own private socket folder (QVN_DDE_DIR, put back
// afterwards) and a short time-out.
class DdeFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::mkdir(folder_.c_str(), 0700), 0);
    // A socket's whole name must fit the system's limit; the folder's part
    // leaves room for the service names the tests use.
    ASSERT_LT(folder_.size() + 40, sizeof(sockaddr_un::sun_path)) << "temporary folder name too long: " << folder_;
    dde_folder_.set(folder_);
    set_dde_timeout(100);
    set_dde_wait_pump({});
    clear_error();
  }
  void TearDown() override { set_dde_wait_pump({}); }

  test_support::TempFolder root_folder_{"qvn-dde-test"};
  const std::string root_ = root_folder_.string();
  const std::string folder_ = root_ + "/sockets";
  test_support::EnvironmentVariable dde_folder_{"QVN_DDE_DIR"};
};

}  // namespace qvn::testing
