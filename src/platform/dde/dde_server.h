#pragma once
// The server side of conversations: listens for clients of one service and
// topic in the user's socket folder and answers their commands and item
// requests through callbacks. One thread serves every conversation; the
// callbacks run on it and should answer at once. The thread never waits on
// one client: answers a client has not taken in yet are kept until it does,
// and it is not read from while they pile up.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dde/frame.h"

namespace qvn {

// Bounds that keep one client from holding up the others.
struct DdeServerLimits {
  // Connections served at once; a client beyond them is hung up on at once.
  size_t max_connections = 64;
  // A connection the server waits on -- for its first message, for the rest
  // of a message, or to take in its answers -- that makes no progress for
  // this long is dropped. An open conversation that is quiet between
  // messages is kept however long: a program may hold one for its session.
  int64_t idle_ms = 10000;
};

class DdeServer {
 public:
  // What the server answers to a command. None sends nothing at all, so the
  // client waits until its time-out.
  enum class Reply { Ack, Nack, None };

  struct Handlers {
    std::function<Reply(int conversation, const std::string& command)> execute;
    // nullopt is a negative answer.
    std::function<std::optional<std::string>(int conversation, const std::string& item)> request;
    // The client closed the conversation or went away.
    std::function<void(int conversation)> closed;
  };

  // Starts listening; nullptr with the last error set when the service name
  // cannot be used or the socket folder is not private to this user.
  static std::unique_ptr<DdeServer> create(std::string_view service, std::string_view topic, Handlers handlers,
                                           DdeServerLimits limits = {});
  ~DdeServer();
  DdeServer(const DdeServer&) = delete;
  DdeServer& operator=(const DdeServer&) = delete;

  // Serves until stop() is called.
  void run();
  // Serves what arrives within wait_ms (-1: until something does); may return
  // sooner when a client's time is up. False once stopped.
  bool run_once(int wait_ms);
  // Makes run() return. Safe to call from a signal handler or another thread.
  void stop();
  bool stopped() const { return stopped_; }

  const std::string& socket_path() const { return path_; }

 private:
  struct Client {
    int fd = -1;
    int id = 0;
    bool open = false;
    dde::FrameReader reader;
    std::string unsent;       // answers the client has not taken in yet
    int64_t progress_ms = 0;  // when it last sent or took in anything
  };

  DdeServer() = default;
  bool listen_on(const std::string& folder);
  void accept_clients(int64_t now);
  // True while the server waits on the client to send or take in something.
  bool waited_on(const Client& client) const;
  // Drops the clients whose time is up; the milliseconds until the next one's is.
  int64_t drop_stalled(int64_t now);
  // Takes in, answers and sends what it can without waiting; false when the
  // client must be dropped.
  bool serve(Client& client, short revents, int64_t now);
  bool answer(Client& client, const dde::Frame& frame);
  void reply(Client& client, dde::MessageType type, uint32_t seq, std::string_view payload);
  bool flush(Client& client, int64_t now);
  void drop(Client& client);
  void forget_dropped();

  std::string service_;
  std::string topic_;
  Handlers handlers_;
  DdeServerLimits limits_;
  std::string path_;
  int listen_fd_ = -1;
  int wake_read_ = -1;
  int wake_write_ = -1;
  int last_id_ = 0;
  int64_t accept_again_ms_ = 0;  // after running out of descriptors, accepts rest until then
  std::vector<std::unique_ptr<Client>> clients_;
  std::atomic<bool> stopped_{false};
};

}  // namespace qvn
