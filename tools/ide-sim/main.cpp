// ide-sim: a stand-in for the development environment, serving the
// conversation "ClarionWin" with an empty topic until SIGTERM or SIGINT.

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "environment.h"
#include "options.h"
#include "platform/core/error_state.h"
#include "platform/dde/dde_server.h"
#include "sim_log.h"

namespace {

volatile sig_atomic_t signalled = 0;
qvn::DdeServer* serving = nullptr;
idesim::Environment* working = nullptr;

void on_signal(int) {
  signalled = 1;
  if (working) working->interrupt();
  if (serving) serving->stop();
}

// The slow start: nothing serves for this long; a signal ends it at once.
// False when a signal came.
bool wait_before_serving(double seconds) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!signalled && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return !signalled;
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  auto options = idesim::parse_options(std::vector<std::string>(argv + 1, argv + argc), error);
  if (!options) {
    std::fprintf(stderr, "ide-sim: %s\n%s", error.c_str(), idesim::usage_text);
    return 2;
  }
  idesim::SimLog log;
  if (!log.open(options->log_path)) {
    std::fprintf(stderr, "ide-sim: cannot open the log %s\n", options->log_path.c_str());
    return 1;
  }

  struct sigaction sa {};
  sa.sa_handler = on_signal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);

  if (options->start_seconds > 0) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%g", options->start_seconds);
    log.line("starting: pid " + std::to_string(::getpid()) + ", a slow start of " + seconds + " seconds");
    if (!wait_before_serving(options->start_seconds)) {
      log.line("stopped");
      return 0;
    }
  }

  std::unique_ptr<qvn::DdeServer> server;
  idesim::Environment environment(*options, log, [&server] { server->stop(); });
  server = qvn::DdeServer::create(
      options->service, options->topic,
      {[&](int, const std::string& command) { return environment.execute(command); },
       [&](int, const std::string& item) { return environment.request(item); },
       [&](int conversation) { log.line("conversation " + std::to_string(conversation) + " closed"); }});
  if (!server) {
    std::fprintf(stderr, "ide-sim: cannot serve %s: %s\n", options->service.c_str(), qvn::error_text().c_str());
    return 1;
  }

  working = &environment;
  serving = server.get();
  if (signalled) server->stop();
  log.line("serving " + options->service + " on " + server->socket_path());
  server->run();
  serving = nullptr;
  // The socket goes before the last piece of work is written, so a client
  // that sees that output finds no server.
  server.reset();
  environment.finish();
  working = nullptr;
  log.line("stopped");
  return 0;
}
