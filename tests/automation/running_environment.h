#pragma once
// A development environment that answers inside the test process, in the
// test's own socket folder: it acknowledges every command, answers no item,
// and counts the conversations that ended. Windows that look for the
// environment when they open find it running.

#include <atomic>
#include <memory>
#include <thread>

#include "automation/conversation.h"
#include "platform/dde/dde_server.h"

namespace qvn::automation::testing {

class RunningEnvironment {
 public:
  ~RunningEnvironment() { stop(); }

  // Serves "ClarionWin"; false when it cannot (the last error says why).
  bool start() {
    server_ = DdeServer::create(
        kService, kTopic,
        {[](int, const std::string&) { return DdeServer::Reply::Ack; }, {}, [this](int) { ++closed_; }});
    if (!server_) return false;
    serving_ = std::thread([this] { server_->run(); });
    return true;
  }

  void stop() {
    if (!server_) return;
    server_->stop();
    serving_.join();
    server_.reset();
  }

  bool running() const { return server_ != nullptr; }
  // Conversations the program closed (or left by ending).
  int closed() const { return closed_; }

 private:
  std::unique_ptr<DdeServer> server_;
  std::thread serving_;
  std::atomic<int> closed_{0};
};

}  // namespace qvn::automation::testing
