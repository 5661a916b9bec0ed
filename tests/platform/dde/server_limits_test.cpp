// The bounds that keep one client from hurting the others: a cap on
// connections, a time limit on a connection the server waits on, no waiting
// on a client that does not read, and no spinning when descriptors run out.

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "dde_test_support.h"
#include "platform/dde/frame.h"
#include "platform/dde/socket_folder.h"
#include "support/wait.h"

using namespace qvn;
using namespace qvn::testing;

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t big_size = 60000;

using test_support::eventually;

int64_t ms_since(Clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

std::string initiate() { return dde::encode_frame(dde::MessageType::Initiate, 1, std::string("ClarionWin\0", 11)); }

DdeServer::Handlers acknowledging() {
  DdeServer::Handlers h;
  h.execute = [](int, const std::string&) { return DdeServer::Reply::Ack; };
  h.request = [](int, const std::string& item) -> std::optional<std::string> {
    if (item == "Big") return std::string(big_size, 'b');
    return std::nullopt;
  };
  return h;
}

// A client speaking the wire form by hand: it sends what it is told and
// reads only when asked to.
class RawClient {
 public:
  explicit RawClient(const std::string& path) {
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  }
  ~RawClient() { ::close(fd_); }
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  bool connected() const { return connected_; }
  bool send(const std::string& bytes) {
    return ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT) == static_cast<ssize_t>(bytes.size());
  }
  bool readable(int ms = 30000) {
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, ms) == 1;
  }
  // Reads and drops what comes until the server hangs up; false when it has
  // not within the wait.
  bool hung_up(int ms = 30000) {
    auto until = Clock::now() + std::chrono::milliseconds(ms);
    char buf[4096];
    for (;;) {
      int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count());
      if (left <= 0 || !readable(left)) return false;
      ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
      if (n == 0 || (n < 0 && errno == ECONNRESET)) return true;
    }
  }

 private:
  int fd_ = -1;
  bool connected_ = false;
};

class ServerLimits : public DdeFixture {
 protected:
  std::string server_socket() {
    auto sockets = dde::service_sockets(folder_, "ClarionWin");
    return sockets.size() == 1 ? sockets.front() : "";
  }
};

TEST_F(ServerLimits, AClientThatNeverReadsDoesNotHoldUpTheOthers) {
  ServerProcess server;
  // The idle limit is far off, so the others must be served while the
  // clients that do not read are still there.
  ASSERT_TRUE(server.start("ClarionWin", "", [](int) { return acknowledging(); }, {64, 600000}));
  std::string path = server_socket();
  std::string requests = initiate();
  for (uint32_t seq = 2; seq < 42; ++seq) requests += dde::encode_frame(dde::MessageType::Request, seq, "Big");
  std::vector<std::unique_ptr<RawClient>> hogs;
  for (int i = 0; i < 8; ++i) {
    hogs.push_back(std::make_unique<RawClient>(path));
    ASSERT_TRUE(hogs.back()->connected());
    ASSERT_TRUE(hogs.back()->send(requests));
  }
  ASSERT_TRUE(hogs.front()->readable()) << "the server has begun answering the clients that do not read";

  // More than the answers to the others could take, were they waited on one by one.
  set_dde_timeout(500);
  DdeChannel ch = dde_client("ClarionWin", "");
  ASSERT_NE(ch, 0) << "the conversation was not opened while others did not read";
  dde_execute(ch, "[Good]");
  EXPECT_EQ(error_code(), 0);
  std::optional<std::string> big = dde_request(ch, "Big");
  ASSERT_TRUE(big.has_value()) << error_text();
  EXPECT_EQ(big->size(), big_size);
  dde_close(ch);
}

TEST_F(ServerLimits, ConnectionsBeyondTheCapAreTurnedAwayAtOnce) {
  ServerProcess server;
  ASSERT_TRUE(server.start("ClarionWin", "", [](int) { return acknowledging(); }, {3, 600000}));
  std::vector<DdeChannel> held;
  for (int i = 0; i < 3; ++i) {
    held.push_back(dde_client("ClarionWin", ""));
    ASSERT_NE(held.back(), 0) << i;
  }
  set_dde_timeout(3000);
  auto asked = Clock::now();
  EXPECT_EQ(dde_client("ClarionWin", ""), 0) << "a fourth conversation is one too many";
  EXPECT_LT(ms_since(asked), 15000) << "turned away at once, not left to the 30-second time-out";
  for (DdeChannel ch : {held[1], held[2]}) {
    dde_execute(ch, "[Good]");
    EXPECT_EQ(error_code(), 0) << "the conversations within the cap go on";
  }

  dde_close(held[0]);
  DdeChannel again = 0;
  EXPECT_TRUE(eventually([&] { return (again = dde_client("ClarionWin", "")) != 0; })) << "room again once one ended";
  dde_close(again);
  dde_close(held[1]);
  dde_close(held[2]);
}

TEST_F(ServerLimits, AConnectionThatStallsIsDroppedWhileAQuietConversationIsKept) {
  ServerProcess server;
  ASSERT_TRUE(server.start("ClarionWin", "", [](int) { return acknowledging(); }, {64, 300}));
  DdeChannel quiet = dde_client("ClarionWin", "");
  ASSERT_NE(quiet, 0);
  std::string path = server_socket();

  struct Stall {
    const char* what;
    std::string sent;
  };
  const Stall stalls[] = {
      {"says nothing", ""},
      {"stops inside its first message", initiate().substr(0, 10)},
      {"stops inside a command", initiate() + dde::encode_frame(dde::MessageType::Execute, 2, "[Good]").substr(0, 20)},
  };
  std::vector<std::unique_ptr<RawClient>> stalled;
  for (const Stall& s : stalls) {
    stalled.push_back(std::make_unique<RawClient>(path));
    ASSERT_TRUE(stalled.back()->connected());
    if (!s.sent.empty()) {
      ASSERT_TRUE(stalled.back()->send(s.sent));
    }
  }
  for (size_t i = 0; i < stalled.size(); ++i) EXPECT_TRUE(stalled[i]->hung_up()) << "a client that " << stalls[i].what;

  // The open conversation has now been quiet for longer than the limit.
  dde_execute(quiet, "[Good]");
  EXPECT_EQ(error_code(), 0) << "a conversation quiet between messages is kept";
  dde_close(quiet);
}

// Run in a child of its own, since it uses up the process's descriptors.
// 0 when the server waited and then took the client in; otherwise what failed.
int accept_without_descriptors() {
  auto server = DdeServer::create("ClarionWin", "", acknowledging());
  if (!server) return 10;
  int client = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  rlimit limit{};
  ::getrlimit(RLIMIT_NOFILE, &limit);
  limit.rlim_cur = std::min<rlim_t>(limit.rlim_cur, 256);
  if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) return 11;
  std::vector<int> spare;
  for (int fd; (fd = ::dup(client)) >= 0;) spare.push_back(fd);
  if (errno != EMFILE) return 12;
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, server->socket_path().c_str(), sizeof addr.sun_path - 1);
  // The connection waits in the server's queue, which the server cannot take it from.
  if (::connect(client, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return 13;
  int rounds = 0;
  for (auto until = Clock::now() + std::chrono::milliseconds(300); Clock::now() < until; ++rounds) server->run_once(10);
  // Waiting 10 ms a round gives about 30; spinning gives thousands.
  if (rounds > 100) return 14;

  ::close(spare.back());
  if (::send(client, initiate().data(), initiate().size(), MSG_NOSIGNAL) != static_cast<ssize_t>(initiate().size()))
    return 15;
  dde::FrameReader reader;
  for (auto until = Clock::now() + std::chrono::seconds(30); Clock::now() < until;) {
    server->run_once(10);
    char buf[64];
    ssize_t n = ::recv(client, buf, sizeof buf, MSG_DONTWAIT);
    if (n > 0) reader.feed(buf, static_cast<size_t>(n));
    dde::Frame f;
    if (reader.next(f) == dde::FrameReader::Status::Complete) return f.type == dde::MessageType::Accept ? 0 : 16;
  }
  return 17;
}

TEST_F(ServerLimits, AnAcceptThatFailsForLackOfDescriptorsDoesNotSpin) {
  pid_t pid = ::fork();
  if (pid == 0) ::_exit(accept_without_descriptors());
  ASSERT_GT(pid, 0);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 0) << "14: the server spun on a client it could not take in; "
                                       "17: it did not take the client in once a descriptor was free";
}

}  // namespace
