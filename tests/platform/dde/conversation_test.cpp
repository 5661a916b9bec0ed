#include <sys/socket.h>
#include <sys/un.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "dde_test_support.h"
#include "platform/dde/frame.h"
#include "support/silent_peer.h"

using namespace qvn;
using namespace qvn::testing;

namespace {

int64_t elapsed_ms(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since).count();
}

// Acknowledges "[Good]", refuses everything else, exits at "[Exit]", never
// answers "[Hang]", and answers the item "Item" with "Value". Reports every
// command it is given and every conversation that ends.
ServerProcess::MakeHandlers test_environment() {
  return [](int report) {
    DdeServer::Handlers h;
    h.execute = [report](int, const std::string& command) {
      report_line(report, "execute " + command);
      if (command == "[Exit]") ::_exit(0);
      if (command == "[Hang]") return DdeServer::Reply::None;
      if (command == "[Slow]") std::this_thread::sleep_for(std::chrono::milliseconds(60));
      return command == "[Good]" || command == "[Slow]" ? DdeServer::Reply::Ack : DdeServer::Reply::Nack;
    };
    h.request = [](int, const std::string& item) -> std::optional<std::string> {
      if (item == "Item") return "Value";
      return std::nullopt;
    };
    h.closed = [report](int) { report_line(report, "closed"); };
    return h;
  };
}

class Conversation : public DdeFixture {};

TEST_F(Conversation, ExecuteRequestAndCloseAgainstAServerProcess) {
  ServerProcess server;
  ASSERT_TRUE(server.start("ClarionWin", "", test_environment()));
  DdeChannel ch = dde_client("ClarionWin", "");
  ASSERT_NE(ch, 0);

  // The whole field goes over, trailing blanks included.
  std::string padded = "[Bad]" + std::string(250, ' ');
  dde_execute(ch, padded);
  EXPECT_EQ(error_code(), err::DdeExecuteInvalid);
  EXPECT_EQ(error_text(), "DDEexecute - invalid command");
  EXPECT_EQ(server.next_report(), "execute " + padded);

  dde_execute(ch, "[Good]");
  EXPECT_EQ(error_code(), 0) << "a successful execute clears the error left by the last one";
  EXPECT_EQ(server.next_report(), "execute [Good]");

  dde_execute(ch, std::string(dde::max_payload + 1, 'x'));
  EXPECT_EQ(error_code(), err::DdeExecuteInvalid) << "a command too long for one message is refused";
  dde_execute(ch, "[Good]");
  EXPECT_EQ(error_code(), 0) << "and the conversation goes on";
  EXPECT_EQ(server.next_report(), "execute [Good]");

  set_error(err::FileNotFound);
  EXPECT_EQ(dde_request(ch, "Item"), std::optional<std::string>("Value"));
  EXPECT_EQ(error_code(), 0);
  set_error(err::FileNotFound);
  EXPECT_EQ(dde_request(ch, "NoSuchItem"), std::nullopt);
  EXPECT_EQ(error_code(), 0) << "a negative answer is no error";

  set_error(err::FileNotFound);
  dde_close(ch);
  EXPECT_EQ(error_code(), 0);
  EXPECT_EQ(server.next_report(), "closed") << "the partner is told that the conversation ended";
  dde_execute(ch, "[Good]");
  EXPECT_EQ(error_code(), err::DdeChannelNotOpen) << "a closed channel is not open any more";
}

TEST_F(Conversation, ChannelZeroLeavesTheErrorAloneExceptClose) {
  set_error(err::RecordNotFound);
  dde_execute(0, "[Good]");
  EXPECT_EQ(error_code(), err::RecordNotFound);
  EXPECT_EQ(dde_request(0, "Item"), std::nullopt);
  EXPECT_EQ(error_code(), err::RecordNotFound);
  dde_close(0);
  EXPECT_EQ(error_code(), 0);
}

TEST_F(Conversation, OpenNeitherSetsNorClearsTheError) {
  set_error(err::AccessDenied);
  EXPECT_EQ(dde_client("ClarionWin", ""), 0) << "no server runs";
  EXPECT_EQ(error_code(), err::AccessDenied);

  ServerProcess server;
  ASSERT_TRUE(server.start("ClarionWin", "", test_environment()));
  DdeChannel ch = dde_client("ClarionWin", "");
  EXPECT_NE(ch, 0);
  EXPECT_EQ(error_code(), err::AccessDenied);
  dde_close(ch);
}

TEST_F(Conversation, ServiceMatchesWithoutCaseAndTheAcceptingServerBecomesThePartner) {
  ServerProcess other_topic, other_service, wanted;
  ASSERT_TRUE(other_topic.start("ClarionWin", "System", test_environment()));
  ASSERT_TRUE(other_service.start("Excel", "", test_environment()));
  ASSERT_TRUE(wanted.start("ClarionWin", "", test_environment()));

  EXPECT_EQ(dde_client("Nobody", ""), 0);
  DdeChannel ch = dde_client("CLARIONWIN", "");
  ASSERT_NE(ch, 0);
  dde_execute(ch, "[Good]");
  EXPECT_EQ(error_code(), 0);
  EXPECT_EQ(wanted.next_report(), "execute [Good]");
  EXPECT_EQ(other_topic.next_report(50), "");
  EXPECT_EQ(other_service.next_report(50), "");

  DdeChannel sys = dde_client("clarionwin", "SYSTEM");
  ASSERT_NE(sys, 0);
  EXPECT_NE(sys, ch);
  dde_execute(sys, "[Good]");
  EXPECT_EQ(other_topic.next_report(), "execute [Good]");
  dde_close(ch);
  dde_close(sys);
}

TEST_F(Conversation, NoAcknowledgementBeforeTheTimeOutIs605WithinTheTimeOut) {
  ServerProcess server;
  ASSERT_TRUE(server.start("ClarionWin", "", test_environment()));
  DdeChannel ch = dde_client("ClarionWin", "");
  ASSERT_NE(ch, 0);
  set_dde_timeout(5);
  int pumped = 0;
  set_dde_wait_pump([&] { ++pumped; });
  auto start = std::chrono::steady_clock::now();
  dde_execute(ch, "[Hang]");
  int64_t took = elapsed_ms(start);
  EXPECT_EQ(error_code(), err::DdeTimeout);
  EXPECT_EQ(error_text(), "DDE transaction timed out");
  EXPECT_GE(took, 45);
  EXPECT_LT(took, 1000);
  EXPECT_GT(pumped, 1) << "the window is let to repaint while the client waits";

  // The conversation itself is still usable.
  dde_execute(ch, "[Good]");
  EXPECT_EQ(error_code(), 0);
  dde_close(ch);
}

TEST_F(Conversation, ALateAcknowledgementIsNotTakenForTheNextAnswer) {
  ServerProcess server;
  ASSERT_TRUE(server.start("ClarionWin", "", test_environment()));
  DdeChannel ch = dde_client("ClarionWin", "");
  ASSERT_NE(ch, 0);
  set_dde_timeout(2);
  dde_execute(ch, "[Slow]");
  EXPECT_EQ(error_code(), err::DdeTimeout);
  set_dde_timeout(100);
  // The acknowledgement of [Slow] arrives while this command waits.
  dde_execute(ch, "[Bad]");
  EXPECT_EQ(error_code(), err::DdeExecuteInvalid);
  EXPECT_EQ(dde_request(ch, "Item"), std::optional<std::string>("Value"));
  dde_close(ch);
}

TEST_F(Conversation, TimeOutZeroEndsEveryWaitAtOnce) {
  ServerProcess server;
  ASSERT_TRUE(server.start("ClarionWin", "", test_environment()));
  set_dde_timeout(0);
  DdeChannel ch = dde_client("ClarionWin", "");
  ASSERT_NE(ch, 0);
  auto start = std::chrono::steady_clock::now();
  dde_execute(ch, "[Good]");
  EXPECT_EQ(error_code(), err::DdeTimeout);
  EXPECT_EQ(dde_request(ch, "Item"), std::nullopt);
  EXPECT_EQ(error_code(), err::DdeTimeout);
  EXPECT_LT(elapsed_ms(start), 50);
  dde_close(ch);
}

TEST_F(Conversation, APartnerThatExitsMidCommandGives602ThenAndAfter) {
  ServerProcess server;
  ASSERT_TRUE(server.start("ClarionWin", "", test_environment()));
  DdeChannel ch = dde_client("ClarionWin", "");
  ASSERT_NE(ch, 0);
  auto start = std::chrono::steady_clock::now();
  dde_execute(ch, "[Exit]");
  EXPECT_EQ(error_code(), err::DdeChannelNotOpen);
  EXPECT_EQ(error_text(), "DDE channel is not open");
  EXPECT_LT(elapsed_ms(start), 900) << "a closed stream is noticed without waiting for the time-out";
  EXPECT_EQ(dde_request(ch, "Item"), std::nullopt);
  EXPECT_EQ(error_code(), err::DdeChannelNotOpen);
  dde_close(ch);
  EXPECT_EQ(error_code(), 0);
}

TEST_F(Conversation, APartnerKilledBetweenOperationsGives602AtTheNextOne) {
  ServerProcess server;
  ASSERT_TRUE(server.start("ClarionWin", "", test_environment()));
  DdeChannel ch = dde_client("ClarionWin", "");
  ASSERT_NE(ch, 0);
  server.kill_now();
  dde_execute(ch, "[Good]");
  EXPECT_EQ(error_code(), err::DdeChannelNotOpen);
  dde_close(ch);
}

TEST_F(Conversation, AStaleSocketOfADeadServerIsSkippedAndRemoved) {
  ServerProcess dead;
  ASSERT_TRUE(dead.start("ClarionWin", "", test_environment()));
  dead.kill_now();
  auto sockets = [&] {
    int n = 0;
    for (auto& e : std::filesystem::directory_iterator(folder_)) n += e.is_socket();
    return n;
  };
  ASSERT_EQ(sockets(), 1) << "a killed server leaves its socket behind";
  EXPECT_EQ(dde_client("ClarionWin", ""), 0);
  EXPECT_EQ(sockets(), 0);

  ASSERT_TRUE(dead.start("ClarionWin", "", test_environment()));
  dead.kill_now();
  ServerProcess alive;
  ASSERT_TRUE(alive.start("ClarionWin", "", test_environment()));
  DdeChannel ch = dde_client("ClarionWin", "");
  ASSERT_NE(ch, 0);
  dde_execute(ch, "[Good]");
  EXPECT_EQ(error_code(), 0);
  EXPECT_EQ(alive.next_report(), "execute [Good]");
  dde_close(ch);
  EXPECT_EQ(sockets(), 1);
}

// Peers that take the connection and never answer. Their socket is named so
// that it is asked first; process 1 always lives, so it is never taken for
// a stale socket and removed.
class SilentPeers : public Conversation {
 protected:
  const std::string silent_path_ = folder_ + "/ClarionWin.1.0.sock";
};

TEST_F(SilentPeers, TheOpenWaitsOnOneOnlyForItsBoundThenReachesTheServerBehindIt) {
  test_support::SilentPeer silent(silent_path_);
  ASSERT_TRUE(silent.listening());
  ServerProcess server;
  ASSERT_TRUE(server.start("ClarionWin", "", test_environment()));
  set_dde_timeout(18000);  // a run's three minutes

  auto start = std::chrono::steady_clock::now();
  DdeChannel ch = dde_client("ClarionWin", "");
  const int64_t took = elapsed_ms(start);
  ASSERT_NE(ch, 0) << "the server behind it is reached";
  EXPECT_EQ(silent.connections(), 1);
  // It was given the whole bound (the transport counts whole milliseconds), and no more.
  EXPECT_GE(took, dde_open_answer_ms - 50);
  EXPECT_LT(took, dde_open_answer_ms + 10000);
  dde_execute(ch, "[Good]");
  EXPECT_EQ(error_code(), 0);
  EXPECT_EQ(server.next_report(), "execute [Good]") << "the partner is the server that answered";

  DdeChannel again = dde_client("ClarionWin", "");
  EXPECT_NE(again, 0);
  EXPECT_NE(again, ch);
  EXPECT_EQ(silent.connections(), 1) << "the next open passes the silent one by";
  dde_close(again);
  dde_close(ch);

  server.kill_now();
  EXPECT_EQ(dde_client("ClarionWin", ""), 0) << "no server answers";
  EXPECT_EQ(silent.connections(), 1);
}

TEST_F(SilentPeers, OnlyASilenceAsLongAsTheBoundCountsAndAReplacedSocketIsAskedAgain) {
  test_support::SilentPeer silent(silent_path_);
  ASSERT_TRUE(silent.listening());
  set_error(err::AccessDenied);

  // A time-out shorter than the bound ends the wait, and says nothing of the peer.
  set_dde_timeout(50);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(dde_client("ClarionWin", ""), 0);
  EXPECT_GE(elapsed_ms(start), 450);
  EXPECT_EQ(dde_client("ClarionWin", ""), 0);
  EXPECT_EQ(silent.connections(), 2) << "asked again";

  set_dde_timeout(18000);
  start = std::chrono::steady_clock::now();
  EXPECT_EQ(dde_client("ClarionWin", ""), 0);
  const int64_t took = elapsed_ms(start);
  EXPECT_GE(took, dde_open_answer_ms - 50);
  EXPECT_LT(took, dde_open_answer_ms + 10000);
  EXPECT_EQ(silent.connections(), 3);
  EXPECT_EQ(dde_client("ClarionWin", ""), 0);
  EXPECT_EQ(silent.connections(), 3) << "passed by once it was silent for the whole bound";
  EXPECT_EQ(error_code(), err::AccessDenied) << "an open leaves the last error alone";

  // Another listener under the same name is another peer.
  silent.remove_name();
  test_support::SilentPeer another(silent_path_);
  ASSERT_TRUE(another.listening());
  set_dde_timeout(10);
  EXPECT_EQ(dde_client("ClarionWin", ""), 0);
  EXPECT_EQ(another.connections(), 1);
  EXPECT_EQ(silent.connections(), 3);
}

TEST_F(Conversation, ACommandWaitsItsWholeTimeOutThoughItIsLongerThanTheOpeningsBound) {
  ServerProcess server;
  ASSERT_TRUE(server.start("ClarionWin", "", test_environment()));
  const int32_t hundredths = static_cast<int32_t>(dde_open_answer_ms / 10 + 100);
  set_dde_timeout(hundredths);
  DdeChannel ch = dde_client("ClarionWin", "");
  ASSERT_NE(ch, 0);
  auto start = std::chrono::steady_clock::now();
  dde_execute(ch, "[Hang]");
  const int64_t took = elapsed_ms(start);
  EXPECT_EQ(error_code(), err::DdeTimeout);
  EXPECT_GE(took, hundredths * 10 - 50);
  EXPECT_LT(took, hundredths * 10 + 10000);
  dde_close(ch);
}

TEST_F(Conversation, AServerInAFolderOthersCanReachIsNotFound) {
  ServerProcess server;
  ASSERT_TRUE(server.start("ClarionWin", "", test_environment()));
  ASSERT_EQ(::chmod(folder_.c_str(), 0755), 0);
  EXPECT_EQ(dde_client("ClarionWin", ""), 0);
  ASSERT_EQ(::chmod(folder_.c_str(), 0700), 0);
  DdeChannel ch = dde_client("ClarionWin", "");
  EXPECT_NE(ch, 0) << "the same server is found once the folder is private again";
  dde_close(ch);
}

TEST_F(Conversation, AServerInAFolderOfAnotherUserIsNotFound) {
  ServerProcess server;
  ASSERT_TRUE(server.start("ClarionWin", "", test_environment()));
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a folder to another user";
  ASSERT_EQ(::chown(folder_.c_str(), 65534, 65534), 0);
  EXPECT_EQ(dde_client("ClarionWin", ""), 0);
  ASSERT_EQ(::chown(folder_.c_str(), 0, 0), 0);
}

TEST_F(Conversation, ServerCannotStartInAnUnsafeFolder) {
  ASSERT_EQ(::chmod(folder_.c_str(), 0777), 0);
  EXPECT_EQ(DdeServer::create("ClarionWin", "", {}), nullptr);
  EXPECT_EQ(error_code(), err::AccessDenied);
  std::string link = root_ + "/link";
  ASSERT_EQ(::chmod(folder_.c_str(), 0700), 0);
  ASSERT_EQ(::symlink(folder_.c_str(), link.c_str()), 0);
  dde_folder_.set(link);
  clear_error();
  EXPECT_EQ(DdeServer::create("ClarionWin", "", {}), nullptr);
  EXPECT_EQ(error_code(), err::AccessDenied);
}

TEST_F(Conversation, ServerMakesAMissingFolderPrivate) {
  std::string fresh = root_ + "/fresh";
  dde_folder_.set(fresh);
  auto server = DdeServer::create("ClarionWin", "", {});
  ASSERT_NE(server, nullptr);
  struct stat st {};
  ASSERT_EQ(::lstat(fresh.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  std::string path = server->socket_path();
  EXPECT_TRUE(std::filesystem::is_socket(path));
  server.reset();
  EXPECT_FALSE(std::filesystem::exists(path)) << "a server removes its socket when it ends";
}

// A raw server that accepts the conversation properly and then answers the
// first command with the given bytes, closing its end when asked to.
class RawServer {
 public:
  bool start(const std::string& folder, const std::string& answer, bool close_after, bool accept_properly = true) {
    std::string path = folder + "/ClarionWin.1.0.sock";
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 4) != 0) return false;
    pid_ = ::fork();
    if (pid_ == 0) {
      int c = ::accept(fd, nullptr, nullptr);
      dde::FrameReader reader;
      dde::Frame f;
      char buf[512];
      auto next = [&] {
        while (reader.next(f) != dde::FrameReader::Status::Complete) {
          ssize_t n = ::read(c, buf, sizeof buf);
          if (n <= 0) ::_exit(0);
          reader.feed(buf, static_cast<size_t>(n));
        }
      };
      next();
      std::string hello = accept_properly ? dde::encode_frame(dde::MessageType::Accept, f.seq, "") : answer;
      [[maybe_unused]] ssize_t w = ::send(c, hello.data(), hello.size(), MSG_NOSIGNAL);
      if (accept_properly) {
        next();
        w = ::send(c, answer.data(), answer.size(), MSG_NOSIGNAL);
      }
      if (close_after) ::_exit(0);
      ::pause();
      ::_exit(0);
    }
    ::close(fd);
    return pid_ > 0;
  }
  ~RawServer() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }

 private:
  pid_t pid_ = -1;
};

std::string header_with(uint32_t magic, uint8_t version, uint8_t type, uint32_t seq, uint32_t length) {
  std::string h = dde::encode_frame(static_cast<dde::MessageType>(type), seq, "");
  for (int i = 0; i < 4; ++i) {
    h[i] = static_cast<char>(magic >> (8 * i));
    h[12 + i] = static_cast<char>(length >> (8 * i));
  }
  h[4] = static_cast<char>(version);
  return h;
}

struct GarbageCase {
  const char* name;
  std::string answer;
  bool close_after;
  int first_error;  // what the execute that gets the garbage reports
};
// Test names show the case by its name.
void PrintTo(const GarbageCase& c, std::ostream* os) { *os << c.name; }

class GarbageFromServer : public DdeFixture, public ::testing::WithParamInterface<GarbageCase> {};

TEST_P(GarbageFromServer, EndsTheConversationWithoutWaitingOrCrashing) {
  const GarbageCase& c = GetParam();
  RawServer raw;
  ASSERT_TRUE(raw.start(folder_, c.answer, c.close_after));
  DdeChannel ch = dde_client("ClarionWin", "");
  ASSERT_NE(ch, 0);
  set_dde_timeout(20);
  auto start = std::chrono::steady_clock::now();
  dde_execute(ch, "[Good]");
  EXPECT_EQ(error_code(), c.first_error);
  EXPECT_LT(elapsed_ms(start), 1000);
  dde_execute(ch, "[Good]");
  EXPECT_EQ(error_code(), err::DdeChannelNotOpen) << "a broken stream is not used again";
  dde_close(ch);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, GarbageFromServer,
    ::testing::Values(
        GarbageCase{"Junk", "HTTP/1.1 200 OK\r\n\r\n", false, err::DdeChannelNotOpen},
        GarbageCase{"Oversized", header_with(dde::frame_magic, dde::frame_version, 5, 1, 1u << 30), false,
                    err::DdeChannelNotOpen},
        GarbageCase{"WrongVersion", header_with(dde::frame_magic, 9, 5, 1, 0), false, err::DdeChannelNotOpen},
        GarbageCase{"UnknownType", header_with(dde::frame_magic, dde::frame_version, 77, 1, 0), false,
                    err::DdeChannelNotOpen},
        GarbageCase{"TruncatedThenClosed", dde::encode_frame(dde::MessageType::Data, 2, "abcdef").substr(0, 19), true,
                    err::DdeChannelNotOpen},
        GarbageCase{"TruncatedAndSilent", dde::encode_frame(dde::MessageType::Data, 2, "abcdef").substr(0, 19), false,
                    err::DdeTimeout},
        GarbageCase{"ARequestFromTheServer", dde::encode_frame(dde::MessageType::Execute, 2, "x"), false,
                    err::DdeChannelNotOpen}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Conversation, GarbageInPlaceOfAnAcceptIsNoConversation) {
  RawServer raw;
  ASSERT_TRUE(raw.start(folder_, "garbage!garbage!garbage!", false, false));
  set_error(err::FileNotFound);
  EXPECT_EQ(dde_client("ClarionWin", ""), 0);
  EXPECT_EQ(error_code(), err::FileNotFound);
}

TEST_F(Conversation, AServerDropsAClientSendingGarbageAndServesTheOthers) {
  ServerProcess server;
  ASSERT_TRUE(server.start("ClarionWin", "", test_environment()));
  DdeChannel before = dde_client("ClarionWin", "");
  ASSERT_NE(before, 0);

  std::string path;
  for (auto& e : std::filesystem::directory_iterator(folder_)) path = e.path();
  for (const std::string& junk :
       {std::string("not a frame at all"), header_with(dde::frame_magic, dde::frame_version, 4, 1, 1u << 31)}) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::send(fd, junk.data(), junk.size(), MSG_NOSIGNAL), static_cast<ssize_t>(junk.size()));
    pollfd p{fd, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 2000), 1);
    char c;
    EXPECT_EQ(::read(fd, &c, 1), 0) << "the server hangs up on a client that breaks the frames";
    ::close(fd);
  }

  dde_execute(before, "[Good]");
  EXPECT_EQ(error_code(), 0);
  DdeChannel after = dde_client("ClarionWin", "");
  ASSERT_NE(after, 0);
  dde_execute(after, "[Good]");
  EXPECT_EQ(error_code(), 0);
  dde_close(before);
  dde_close(after);
}

TEST_F(Conversation, NamesAreCutTo79Characters) {
  std::string long_topic(79, 't');
  ServerProcess server;
  ASSERT_TRUE(server.start("ClarionWin", long_topic + "ignored", test_environment()));
  DdeChannel ch = dde_client("ClarionWin", long_topic + "also ignored");
  ASSERT_NE(ch, 0);
  dde_close(ch);
}

}  // namespace
