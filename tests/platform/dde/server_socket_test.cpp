// Who may remove a server's socket: a client removes one only when the
// process named in it has gone, and a server's name only ever names a socket
// that listens, so clients polling while servers come and go never cut a
// live server off.

#include <sys/socket.h>
#include <sys/un.h>

#include <array>
#include <atomic>
#include <cstring>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "dde_test_support.h"
#include "platform/dde/socket_folder.h"
#include "support/wait.h"

using namespace qvn;
using namespace qvn::testing;

namespace {

using test_support::eventually;

int socket_count(const std::string& folder) {
  int n = 0;
  for (auto& e : std::filesystem::directory_iterator(folder)) n += e.is_socket();
  return n;
}

// A socket bound at the path that does not listen: connecting to it is refused.
int bind_only(const std::string& path) {
  int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// A child that lives until killed, or one that has already ended and been reaped.
pid_t live_child() {
  pid_t pid = ::fork();
  if (pid == 0) {
    ::pause();
    ::_exit(0);
  }
  return pid;
}
pid_t gone_child() {
  pid_t pid = ::fork();
  if (pid == 0) ::_exit(0);
  ::waitpid(pid, nullptr, 0);
  return pid;
}

struct OwnerCase {
  const char* name;
  enum { ThisProcess, LiveChild, GoneChild } owner;
  bool removed;
};
// Test names show the case by its name.
void PrintTo(const OwnerCase& c, std::ostream* os) { *os << c.name; }

class RefusingSocket : public DdeFixture, public ::testing::WithParamInterface<OwnerCase> {};

TEST_P(RefusingSocket, IsRemovedByAClientOnlyOnceItsProcessIsGone) {
  const OwnerCase& c = GetParam();
  pid_t owner = c.owner == OwnerCase::ThisProcess ? ::getpid()
                : c.owner == OwnerCase::LiveChild ? live_child()
                                                  : gone_child();
  ASSERT_GT(owner, 0);
  std::string path = folder_ + "/ClarionWin." + std::to_string(owner) + ".0.sock";
  int fd = bind_only(path);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(dde_client("ClarionWin", ""), 0);
  EXPECT_EQ(std::filesystem::exists(path), !c.removed)
      << "a socket that refuses may be a server between binding and listening, or ending";
  ::close(fd);
  if (c.owner == OwnerCase::LiveChild) {
    ::kill(owner, SIGKILL);
    ::waitpid(owner, nullptr, 0);
    EXPECT_EQ(dde_client("ClarionWin", ""), 0);
    EXPECT_FALSE(std::filesystem::exists(path)) << "once its process is gone the socket is stale";
  }
}

INSTANTIATE_TEST_SUITE_P(Owners, RefusingSocket,
                         ::testing::Values(OwnerCase{"OfThisProcess", OwnerCase::ThisProcess, false},
                                           OwnerCase{"OfALiveProcess", OwnerCase::LiveChild, false},
                                           OwnerCase{"OfAGoneProcess", OwnerCase::GoneChild, true}),
                         [](const auto& info) { return std::string(info.param.name); });

DdeServer::Handlers acknowledging() {
  DdeServer::Handlers h;
  h.execute = [](int, const std::string&) { return DdeServer::Reply::Ack; };
  return h;
}

class ServersComingAndGoing : public DdeFixture {};

TEST_F(ServersComingAndGoing, NoServerIsLeftUnreachableByClientsPollingMeanwhile) {
  // Servers killed before leave sockets behind, which the polling clients clear.
  for (int i = 0; i < 3; ++i) {
    ServerProcess dead;
    ASSERT_TRUE(dead.start("Race", "", [](int) { return acknowledging(); }));
    dead.kill_now();
  }
  ASSERT_EQ(socket_count(folder_), 3);

  constexpr int pollers = 4;
  constexpr int probers = 2;
  std::array<std::atomic<long>, pollers + probers> passes{};
  std::atomic<bool> done{false};
  std::mutex mutex;
  std::set<std::string> ending;       // the servers of this process whose end has begun
  std::vector<std::string> refusals;  // their sockets that refused before
  std::vector<std::thread> clients;
  // Programs polling until the environment answers, as the connect step does.
  for (int i = 0; i < pollers; ++i) {
    clients.emplace_back([&, i] {
      while (!done) {
        DdeChannel ch = dde_client("Race", "");
        if (ch) dde_close(ch);
        ++passes[i];
      }
    });
  }
  // Clients that try each new socket of the service the moment it appears,
  // until it first takes a connection (they would only flood the server's
  // queue after that).
  for (int i = pollers; i < pollers + probers; ++i) {
    clients.emplace_back([&, i] {
      std::set<std::string> listening;
      while (!done) {
        for (const std::string& path : dde::service_sockets(folder_, "Race")) {
          if (listening.count(path)) continue;
          int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
          sockaddr_un addr{};
          addr.sun_family = AF_UNIX;
          std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
          bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
          bool refused = !connected && errno == ECONNREFUSED;
          ::close(fd);
          if (connected) listening.insert(path);
          if (refused && dde::socket_pid(path) == ::getpid()) {
            std::lock_guard lock(mutex);
            if (!ending.count(path)) refusals.push_back(path);
          }
        }
        ++passes[i];
      }
    });
  }

  for (int round = 0; round < 200; ++round) {
    auto server = DdeServer::create("Race", "", acknowledging());
    ASSERT_NE(server, nullptr) << error_text();
    std::thread serving([&] { server->run(); });
    std::array<long, pollers + probers> before{};
    for (size_t i = 0; i < passes.size(); ++i) before[i] = passes[i];
    // Two passes each: at least one whole pass began after the server was made.
    EXPECT_TRUE(eventually([&] {
      for (size_t i = 0; i < passes.size(); ++i)
        if (passes[i] < before[i] + 2) return false;
      return true;
    })) << "a client is stuck";
    EXPECT_TRUE(std::filesystem::is_socket(server->socket_path())) << "round " << round << ": the server was cut off";
    DdeChannel ch = dde_client("Race", "");
    EXPECT_NE(ch, 0) << "round " << round;
    dde_close(ch);
    {
      std::lock_guard lock(mutex);
      ending.insert(server->socket_path());
    }
    server->stop();
    serving.join();
    server.reset();
    if (HasFailure()) break;
  }
  done = true;
  for (auto& t : clients) t.join();
  EXPECT_EQ(refusals, std::vector<std::string>{}) << "a server's name named a socket that did not listen";
  EXPECT_EQ(socket_count(folder_), 0) << "stale sockets are cleared, and every server removed its own";
}

}  // namespace
