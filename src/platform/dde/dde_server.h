#pragma once
// The server side of conversations: listens for clients of one service and
// topic in the user's socket folder and answers their commands and item
// requests through callbacks. One thread serves every conversation; the
// callbacks run on it and should answer at once.

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dde/frame.h"

namespace qvn {

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
  static std::unique_ptr<DdeServer> create(std::string_view service, std::string_view topic, Handlers handlers);
  ~DdeServer();
  DdeServer(const DdeServer&) = delete;
  DdeServer& operator=(const DdeServer&) = delete;

  // Serves until stop() is called.
  void run();
  // Serves what arrives within wait_ms; false once stopped.
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
  };

  DdeServer() = default;
  void accept_clients();
  // Reads and answers what the client sent; false when it must be dropped.
  bool serve(Client& client);
  bool answer(Client& client, const dde::Frame& frame);
  bool reply(Client& client, dde::MessageType type, uint32_t seq, std::string_view payload);
  void drop(Client& client);

  std::string service_;
  std::string topic_;
  Handlers handlers_;
  std::string path_;
  int listen_fd_ = -1;
  int wake_read_ = -1;
  int wake_write_ = -1;
  int last_id_ = 0;
  std::vector<std::unique_ptr<Client>> clients_;
  std::atomic<bool> stopped_{false};
};

}  // namespace qvn
