#pragma once
// ide-sim as a real process for the tests that drive it, in the test's own
// socket folder: the command line that starts it, a start that waits until
// it serves, a look at its log, and the end of every copy the test started,
// by itself or through the program's command line.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "automation/conversation.h"
#include "platform/dde/socket_folder.h"
#include "support/file_text.h"
#include "support/headless.h"
#include "support/wait.h"

extern char** environ;

namespace qvn::automation::testing {

inline std::string read_file(const std::filesystem::path& path) { return test_support::file_text(path); }

inline int count_of(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class IdeSimProcess {
 public:
  IdeSimProcess() = default;
  IdeSimProcess(std::filesystem::path sockets, std::filesystem::path log)
      : sockets_(std::move(sockets)), log_(std::move(log)) {}
  IdeSimProcess(const IdeSimProcess&) = delete;
  IdeSimProcess& operator=(const IdeSimProcess&) = delete;

  void place(std::filesystem::path sockets, std::filesystem::path log) {
    sockets_ = std::move(sockets);
    log_ = std::move(log);
  }
  const std::filesystem::path& log() const { return log_; }
  // The copies start() started, in order.
  std::vector<pid_t>& spawned() { return spawned_; }
  std::string log_text() const { return read_file(log_); }

  // The command line that starts ide-sim with these options, logging to the log.
  std::string command(const std::string& options = {}) const {
    return std::string("'") + IDE_SIM_PATH + "' --log '" + log_.string() + "'" + (options.empty() ? "" : " " + options);
  }

  // Starts ide-sim and waits, in real time, until it serves.
  void start(std::vector<std::string> options = {}) {
    std::vector<std::string> args = {IDE_SIM_PATH, "--log", log_.string()};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int before = count_of(log_text(), "serving ");
    pid_t pid = 0;
    ASSERT_EQ(::posix_spawn(&pid, IDE_SIM_PATH, nullptr, nullptr, argv.data(), environ), 0);
    spawned_.push_back(pid);
    ASSERT_TRUE(says("serving ", before + 1)) << "ide-sim did not come up";
  }

  // Waits in real time, at most `real_ms`, until the log holds the text `times` times.
  bool says(const std::string& text, int times = 1, int real_ms = 10000) const {
    return test_support::eventually([&] { return count_of(log_text(), text) >= times; }, real_ms);
  }

  // Process ids of the servers in the socket folder ("<service>.<pid>.<n>.sock").
  std::vector<pid_t> serving_pids() const {
    std::vector<pid_t> pids;
    for (const std::string& path : dde::service_sockets(sockets_.string(), kService)) {
      const std::string name = std::filesystem::path(path).filename().string();
      const size_t a = name.find('.');
      const size_t b = name.find('.', a + 1);
      if (a != std::string::npos && b != std::string::npos) pids.push_back(std::stoi(name.substr(a + 1, b - a - 1)));
    }
    return pids;
  }

  // The copies that wrote "starting: pid N" in the log (a slow start, not
  // serving yet).
  std::vector<pid_t> starting_pids() const {
    std::vector<pid_t> pids;
    const std::string text = log_text();
    for (size_t at = text.find("starting: pid "); at != std::string::npos; at = text.find("starting: pid ", at + 1))
      pids.push_back(std::stoi(text.substr(at + 14)));
    return pids;
  }

  // Ends every copy: those started here, those that serve in the socket
  // folder and those that are still on their slow start.
  void kill_all() {
    for (pid_t pid : spawned_) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
    spawned_.clear();
    // Copies started through the command line are reaped by the program itself.
    for (pid_t pid : serving_pids()) ::kill(pid, SIGKILL);
    for (pid_t pid : starting_pids()) ::kill(pid, SIGKILL);
  }

 private:
  std::filesystem::path sockets_;
  std::filesystem::path log_;
  std::vector<pid_t> spawned_;
};

}  // namespace qvn::automation::testing
