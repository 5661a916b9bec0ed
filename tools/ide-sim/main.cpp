// ide-sim: a stand-in for the development environment, serving the
// conversation "ClarionWin" with an empty topic until SIGTERM or SIGINT.

#include <signal.h>

#include <cstdio>
#include <string>
#include <vector>

#include "environment.h"
#include "options.h"
#include "platform/core/error_state.h"
#include "platform/dde/dde_server.h"
#include "sim_log.h"

namespace {

qvn::DdeServer* serving = nullptr;

void on_signal(int) {
  if (serving) serving->stop();
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

  serving = server.get();
  struct sigaction sa {};
  sa.sa_handler = on_signal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);

  log.line("serving " + options->service + " on " + server->socket_path());
  server->run();
  serving = nullptr;
  environment.shut_down();
  log.line("stopped");
  return 0;
}
