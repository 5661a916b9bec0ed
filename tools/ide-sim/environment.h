#pragma once
// The stand-in development environment: checks each command at once,
// acknowledges or refuses it, and does the work afterwards on a worker
// thread, one command after another, as the real environment does. It keeps
// its own last error for the items "GetErrorNum" and "GetErrorMsg".

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/dde/dde_server.h"
#include "sim_log.h"

namespace idesim {

struct SimOptions {
  std::string service = "ClarionWin";
  std::string topic;
  double build_seconds = 0;  // time each piece of work takes
  bool never_write = false;  // acknowledge, but write no output
  bool never_ack = false;    // never answer a command
  int exit_at_command = 0;   // exit when this command (1 = the first) arrives; 0 = never
  std::string log_path;      // empty: standard error
};

// The environment's own error numbers.
inline constexpr int error_file_not_found = 1;
inline constexpr int error_invalid_command = 2;
inline constexpr int error_refused = 3;
inline constexpr int error_work_failed = 4;

class Environment {
 public:
  // `exit_now` is called when the environment is told to exit mid-conversation.
  Environment(SimOptions options, SimLog& log, std::function<void()> exit_now);
  ~Environment();
  Environment(const Environment&) = delete;
  Environment& operator=(const Environment&) = delete;

  qvn::DdeServer::Reply execute(const std::string& command);
  std::optional<std::string> request(const std::string& item);
  // Ends the worker; work not yet done is dropped.
  void shut_down();

 private:
  struct Job {
    std::string output;
    std::string content;
    double seconds = 0;
    std::string fail;  // non-empty: the work fails with this text
    bool write = true;
  };

  void set_error(int number, std::string text);
  // Sets the error, logs why and refuses the command.
  qvn::DdeServer::Reply refuse(int number, const std::string& why);
  void work();
  void do_job(const Job& job);

  SimOptions options_;
  SimLog& log_;
  std::function<void()> exit_now_;
  int commands_ = 0;

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> jobs_;
  bool stopping_ = false;
  int error_number_ = 0;
  std::string error_message_;
  std::thread worker_;
};

}  // namespace idesim
