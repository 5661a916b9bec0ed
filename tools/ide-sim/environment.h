#pragma once
// The stand-in development environment: checks each command at once,
// acknowledges or refuses it, and does the work afterwards on a worker
// thread, one command after another, as the real environment does. It keeps
// its own last error for the items "GetErrorNum" and "GetErrorMsg".

#include <atomic>
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
  double start_seconds = 0;  // time before it serves at all
  std::string log_path;      // empty: standard error
};

// The environment's own error numbers.
inline constexpr int error_file_not_found = 1;
inline constexpr int error_invalid_command = 2;
inline constexpr int error_refused = 3;
inline constexpr int error_work_failed = 4;

class Environment {
 public:
  // `exit_now` is called when the environment is told to exit mid-conversation,
  // and when a piece of work asks it to stop serving once it is done.
  Environment(SimOptions options, SimLog& log, std::function<void()> exit_now);
  ~Environment();
  Environment(const Environment&) = delete;
  Environment& operator=(const Environment&) = delete;

  qvn::DdeServer::Reply execute(const std::string& command);
  std::optional<std::string> request(const std::string& item);
  // Ends the worker; work not yet done is dropped.
  void shut_down();
  // After the server is gone: the output of the work that asked to stop
  // serving (EXIT-AFTER=1) is written now, so that it appears only once no
  // client can reach the environment any more.
  void finish();
  // Cuts short a late acknowledgement and the pieces of an output, so that
  // a signal ends the environment at once. Safe in a signal handler.
  void interrupt() { interrupted_ = true; }

 private:
  struct Job {
    std::string output;
    std::string content;
    double seconds = 0;
    double write_seconds = 0;  // > 0: written in pieces under its final name over this time
    std::string fail;          // non-empty: the work fails with this text
    bool write = true;
    bool exit_after = false;  // stop serving, then write, then exit
  };

  void set_error(int number, std::string text);
  // Sets the error, logs why and refuses the command.
  qvn::DdeServer::Reply refuse(int number, const std::string& why);
  void work();
  void do_job(const Job& job);
  // Waits this long unless the environment is stopping or interrupted; false then.
  bool pause(double seconds);

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
  std::optional<Job> final_job_;  // the work that stopped the serving, still to be written
  bool finishing_ = false;        // finish() writes the last output: stopping does not cut it short
  std::atomic<bool> interrupted_{false};
  std::thread worker_;
};

}  // namespace idesim
