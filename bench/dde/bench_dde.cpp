// Times execute-and-acknowledge round trips against ide-sim running as its
// own process. The last line is "dde-roundtrip-us: N", N the median in
// microseconds.

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/error_state.h"
#include "platform/dde/dde_client.h"

extern char** environ;

int main() {
  using Clock = std::chrono::steady_clock;
  constexpr int warm_up = 50;
  constexpr int rounds = 1000;

  char tmpl[] = "/tmp/bench-dde-XXXXXX";
  if (!::mkdtemp(tmpl)) return 1;
  std::string root = tmpl;
  std::string sockets = root + "/sockets";
  ::mkdir(sockets.c_str(), 0700);
  ::setenv("QVN_DDE_DIR", sockets.c_str(), 1);
  std::ofstream(root + "/MAIN.APP") << "TARGET=MAIN.EXE\n";

  std::string path = IDE_SIM_PATH, log_option = "--log", log = root + "/ide-sim.log", quiet = "--never-write";
  char* argv[] = {path.data(), log_option.data(), log.data(), quiet.data(), nullptr};
  pid_t pid = -1;
  if (::posix_spawn(&pid, IDE_SIM_PATH, nullptr, nullptr, argv, environ) != 0) return 1;

  qvn::set_dde_timeout(500);
  qvn::DdeChannel ch = 0;
  for (auto until = Clock::now() + std::chrono::seconds(10); !ch && Clock::now() < until;) {
    ch = qvn::dde_client("ClarionWin", "");
    if (!ch) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  int failures = 0;
  std::vector<double> us;
  if (ch) {
    std::string command = "[ExecuteProject(\"" + root + "/MAIN.APP\")]";
    command.resize(255, ' ');
    for (int i = 0; i < warm_up + rounds; ++i) {
      auto start = Clock::now();
      qvn::dde_execute(ch, command);
      auto took = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
      if (qvn::error_code() != 0) ++failures;
      if (i >= warm_up) us.push_back(took);
    }
    qvn::dde_close(ch);
  }
  ::kill(pid, SIGTERM);
  ::waitpid(pid, nullptr, 0);
  std::filesystem::remove_all(root);
  if (us.empty()) {
    std::fprintf(stderr, "ide-sim did not answer\n");
    return 1;
  }

  std::sort(us.begin(), us.end());
  auto at = [&](double q) { return us[static_cast<size_t>(q * static_cast<double>(us.size() - 1))]; };
  std::printf("round trips: %zu, failed: %d\n", us.size(), failures);
  std::printf("min %.1f us, p90 %.1f us, p99 %.1f us, max %.1f us\n", us.front(), at(0.9), at(0.99), us.back());
  std::printf("dde-roundtrip-us: %.0f\n", at(0.5));
  return failures == 0 ? 0 : 1;
}
