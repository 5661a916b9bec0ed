#include "platform/dde/dde_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/core/error_state.h"
#include "platform/dde/dde_client.h"
#include "platform/dde/socket_folder.h"
#include "platform/dde/socket_io.h"

namespace qvn {

namespace {

using dde::Frame;
using dde::MessageType;

// A client that does not take in an answer within this time is dropped.
constexpr int64_t reply_deadline_ms = 1000;

std::atomic<unsigned> server_serial{0};

}  // namespace

std::unique_ptr<DdeServer> DdeServer::create(std::string_view service, std::string_view topic, Handlers handlers) {
  service = service.substr(0, std::min(service.size(), dde_name_width));
  topic = topic.substr(0, std::min(topic.size(), dde_name_width));
  std::string name = dde::socket_file_name(service, static_cast<long>(::getpid()), server_serial++);
  if (name.empty()) {
    set_error(err::InvalidFileName, "Service name cannot be served: " + std::string(service));
    return nullptr;
  }
  std::string folder = dde::socket_folder();
  if (!dde::make_private_folder(folder)) return nullptr;

  std::unique_ptr<DdeServer> server(new DdeServer);
  server->service_ = service;
  server->topic_ = topic;
  server->handlers_ = std::move(handlers);
  std::string path = folder + "/" + name;
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) {
    set_error(err::InvalidFileName, "Socket path too long: " + path);
    return nullptr;
  }
  std::memcpy(addr.sun_path, path.data(), path.size());

  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC | O_NONBLOCK) != 0) {
    set_error(err::TooManyOpenFiles);
    return nullptr;
  }
  server->wake_read_ = pipe_fds[0];
  server->wake_write_ = pipe_fds[1];
  server->listen_fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (server->listen_fd_ < 0) {
    set_error(err::TooManyOpenFiles);
    return nullptr;
  }
  ::unlink(path.c_str());
  if (::bind(server->listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(server->listen_fd_, 16) != 0) {
    set_error(err::AccessDenied, "Cannot listen on " + path);
    return nullptr;
  }
  server->path_ = path;
  return server;
}

DdeServer::~DdeServer() {
  for (auto& c : clients_) ::close(c->fd);
  if (listen_fd_ >= 0) ::close(listen_fd_);
  if (!path_.empty()) ::unlink(path_.c_str());
  if (wake_read_ >= 0) ::close(wake_read_);
  if (wake_write_ >= 0) ::close(wake_write_);
}

void DdeServer::run() {
  while (run_once(-1)) {
  }
}

void DdeServer::stop() {
  stopped_ = true;
  char c = 1;
  [[maybe_unused]] ssize_t n = ::write(wake_write_, &c, 1);
}

bool DdeServer::run_once(int wait_ms) {
  if (stopped_) return false;
  std::vector<pollfd> fds;
  fds.push_back({wake_read_, POLLIN, 0});
  fds.push_back({listen_fd_, POLLIN, 0});
  for (auto& c : clients_) fds.push_back({c->fd, POLLIN, 0});
  int r = ::poll(fds.data(), fds.size(), wait_ms);
  if (r <= 0 || stopped_) return !stopped_;
  if (fds[1].revents) accept_clients();
  // Clients accepted just now are looked at in the next round.
  size_t polled = fds.size() - 2;
  for (size_t i = 0; i < polled && !stopped_; ++i) {
    if (fds[i + 2].revents && !serve(*clients_[i])) drop(*clients_[i]);
  }
  clients_.erase(std::remove_if(clients_.begin(), clients_.end(), [](const auto& c) { return c->fd < 0; }), clients_.end());
  return !stopped_;
}

void DdeServer::accept_clients() {
  for (;;) {
    int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR) continue;
      return;
    }
    ucred cred{};
    socklen_t len = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || cred.uid != ::geteuid()) {
      ::close(fd);
      continue;
    }
    auto c = std::make_unique<Client>();
    c->fd = fd;
    c->id = ++last_id_;
    clients_.push_back(std::move(c));
  }
}

bool DdeServer::serve(Client& client) {
  if (dde::receive_some(client.fd, client.reader, dde::steady_now_ms(), nullptr) == dde::IoStatus::Closed) return false;
  Frame frame;
  for (;;) {
    switch (client.reader.next(frame)) {
      case dde::FrameReader::Status::NeedMore: return true;
      case dde::FrameReader::Status::Malformed: return false;
      case dde::FrameReader::Status::Complete:
        if (!answer(client, frame)) return false;
        if (stopped_) return true;
        break;
    }
  }
}

bool DdeServer::answer(Client& client, const Frame& frame) {
  if (!client.open) {
    if (frame.type != MessageType::Initiate) return false;
    size_t nul = frame.payload.find('\0');
    std::string_view payload = frame.payload;
    std::string_view service = payload.substr(0, nul);
    std::string_view topic = nul == std::string_view::npos ? std::string_view() : payload.substr(nul + 1);
    if (!dde::same_name(service, service_) || !dde::same_name(topic, topic_)) {
      reply(client, MessageType::Refuse, frame.seq, "");
      return false;
    }
    client.open = true;
    return reply(client, MessageType::Accept, frame.seq, "");
  }
  switch (frame.type) {
    case MessageType::Execute: {
      Reply r = handlers_.execute ? handlers_.execute(client.id, frame.payload) : Reply::Nack;
      if (r == Reply::None) return true;
      return reply(client, r == Reply::Ack ? MessageType::Ack : MessageType::Nack, frame.seq, "");
    }
    case MessageType::Request: {
      std::optional<std::string> text = handlers_.request ? handlers_.request(client.id, frame.payload) : std::nullopt;
      if (text && text->size() > dde::max_payload) text.reset();
      return text ? reply(client, MessageType::Data, frame.seq, *text) : reply(client, MessageType::Nack, frame.seq, "");
    }
    default:
      // Terminate, or a message only a server sends: either way the conversation ends.
      return false;
  }
}

bool DdeServer::reply(Client& client, MessageType type, uint32_t seq, std::string_view payload) {
  return dde::send_all(client.fd, dde::encode_frame(type, seq, payload), dde::steady_now_ms() + reply_deadline_ms, nullptr) ==
         dde::IoStatus::Ok;
}

void DdeServer::drop(Client& client) {
  ::close(client.fd);
  client.fd = -1;
  if (client.open && handlers_.closed) handlers_.closed(client.id);
}

}  // namespace qvn
