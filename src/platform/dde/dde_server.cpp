#include "platform/dde/dde_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "platform/core/error_state.h"
#include "platform/dde/dde_client.h"
#include "platform/dde/socket_folder.h"
#include "platform/dde/socket_io.h"

namespace qvn {

namespace {

using dde::Frame;
using dde::MessageType;

// A client is not read from while this much of its answers waits to go, so
// what is kept for it stays below two whole frames.
constexpr size_t unsent_limit = dde::frame_header_size + dde::max_payload;

// After an accept fails for lack of descriptors or memory, the server waits
// this long before it tries again instead of spinning on the waiting client.
constexpr int64_t accept_retry_ms = 100;

// Names tried before a server gives up finding one of its own.
constexpr int name_attempts = 100;

std::atomic<unsigned> server_serial{0};

bool fill_address(const std::string& path, sockaddr_un& addr) {
  addr = {};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) return false;
  std::memcpy(addr.sun_path, path.data(), path.size());
  return true;
}

}  // namespace

std::unique_ptr<DdeServer> DdeServer::create(std::string_view service, std::string_view topic, Handlers handlers,
                                             DdeServerLimits limits) {
  service = service.substr(0, std::min(service.size(), dde_name_width));
  topic = topic.substr(0, std::min(topic.size(), dde_name_width));
  if (dde::socket_file_name(service, 0, 0).empty()) {
    set_error(err::InvalidFileName, "Service name cannot be served: " + std::string(service));
    return nullptr;
  }
  std::string folder = dde::socket_folder();
  if (!dde::make_private_folder(folder)) return nullptr;

  std::unique_ptr<DdeServer> server(new DdeServer);
  server->service_ = service;
  server->topic_ = topic;
  server->handlers_ = std::move(handlers);
  server->limits_ = limits;
  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC | O_NONBLOCK) != 0) {
    set_error(err::TooManyOpenFiles);
    return nullptr;
  }
  server->wake_read_ = pipe_fds[0];
  server->wake_write_ = pipe_fds[1];
  if (!server->listen_on(folder)) return nullptr;
  return server;
}

// Binds and listens under a temporary name, then links the socket to its
// real name, which must not exist yet. So the real name never names a socket
// that does not listen, and a client that finds it refusing may take its
// server for gone; and no server takes over another's name.
bool DdeServer::listen_on(const std::string& folder) {
  for (int attempt = 0; attempt < name_attempts; ++attempt) {
    std::string path = folder + "/" + dde::socket_file_name(service_, static_cast<long>(::getpid()), server_serial++);
    // The temporary name holds this process's id and serial, so a file under
    // it is a leftover of a process long gone and may be removed.
    std::string temp = path + ".new";
    sockaddr_un addr{};
    if (!fill_address(temp, addr)) {
      set_error(err::InvalidFileName, "Socket path too long: " + path);
      return false;
    }
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
      set_error(err::TooManyOpenFiles);
      return false;
    }
    ::unlink(temp.c_str());
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 16) != 0) {
      ::close(fd);
      ::unlink(temp.c_str());
      set_error(err::AccessDenied, "Cannot listen on " + path);
      return false;
    }
    int linked = ::link(temp.c_str(), path.c_str());
    int link_error = errno;
    ::unlink(temp.c_str());
    if (linked == 0) {
      listen_fd_ = fd;
      path_ = path;
      return true;
    }
    ::close(fd);
    // The name is taken: a socket left by a process that had this id before.
    if (link_error != EEXIST) {
      set_error(err::AccessDenied, "Cannot listen on " + path);
      return false;
    }
  }
  set_error(err::AccessDenied, "No free socket name in " + folder);
  return false;
}

DdeServer::~DdeServer() {
  // The name goes first, so it never names a socket that no longer listens.
  if (!path_.empty()) ::unlink(path_.c_str());
  if (listen_fd_ >= 0) ::close(listen_fd_);
  for (auto& c : clients_)
    if (c->fd >= 0) ::close(c->fd);
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
  int64_t now = dde::steady_now_ms();
  int64_t wait = wait_ms < 0 ? std::numeric_limits<int>::max() : wait_ms;
  wait = std::min(wait, drop_stalled(now));
  bool accepting = now >= accept_again_ms_;
  if (!accepting) wait = std::min(wait, accept_again_ms_ - now);

  std::vector<pollfd> fds;
  fds.push_back({wake_read_, POLLIN, 0});
  // A negative descriptor is left out by poll.
  fds.push_back({accepting ? listen_fd_ : -1, POLLIN, 0});
  for (auto& c : clients_) {
    short events = c->unsent.size() < unsent_limit ? POLLIN : 0;
    if (!c->unsent.empty()) events |= POLLOUT;
    fds.push_back({c->fd, events, 0});
  }
  int r = ::poll(fds.data(), fds.size(), static_cast<int>(std::max<int64_t>(wait, 0)));
  if (r <= 0 || stopped_) return !stopped_;
  now = dde::steady_now_ms();
  if (fds[1].revents) accept_clients(now);
  // Clients accepted just now are looked at in the next round.
  size_t polled = fds.size() - 2;
  for (size_t i = 0; i < polled && !stopped_; ++i) {
    if (fds[i + 2].revents && !serve(*clients_[i], fds[i + 2].revents, now)) drop(*clients_[i]);
  }
  forget_dropped();
  return !stopped_;
}

void DdeServer::accept_clients(int64_t now) {
  for (;;) {
    int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
        accept_again_ms_ = now + accept_retry_ms;
      return;
    }
    ucred cred{};
    socklen_t len = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || cred.uid != ::geteuid() ||
        clients_.size() >= limits_.max_connections) {
      ::close(fd);
      continue;
    }
    auto c = std::make_unique<Client>();
    c->fd = fd;
    c->id = ++last_id_;
    c->progress_ms = now;
    clients_.push_back(std::move(c));
  }
}

bool DdeServer::waited_on(const Client& client) const {
  return !client.open || client.reader.partial() || !client.unsent.empty();
}

int64_t DdeServer::drop_stalled(int64_t now) {
  int64_t next = std::numeric_limits<int>::max();
  for (auto& c : clients_) {
    if (!waited_on(*c)) continue;
    int64_t left = c->progress_ms + limits_.idle_ms - now;
    if (left <= 0) {
      drop(*c);
    } else {
      next = std::min(next, left);
    }
  }
  forget_dropped();
  return next;
}

bool DdeServer::serve(Client& client, short revents, int64_t now) {
  if (revents & POLLNVAL) return false;
  if (!client.unsent.empty() && (revents & (POLLOUT | POLLERR | POLLHUP)) && !flush(client, now)) return false;
  if (client.unsent.size() < unsent_limit && (revents & (POLLIN | POLLERR | POLLHUP))) {
    switch (dde::receive_some(client.fd, client.reader, now, nullptr)) {
      case dde::IoStatus::Closed: return false;
      case dde::IoStatus::Ok: client.progress_ms = now; break;
      case dde::IoStatus::Timeout: break;
    }
  }
  // Frames already taken in wait while the client's answers pile up.
  Frame frame;
  while (client.unsent.size() < unsent_limit && !stopped_) {
    auto status = client.reader.next(frame);
    if (status == dde::FrameReader::Status::NeedMore) break;
    if (status == dde::FrameReader::Status::Malformed || !answer(client, frame)) return false;
  }
  return flush(client, now);
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
    reply(client, MessageType::Accept, frame.seq, "");
    return true;
  }
  switch (frame.type) {
    case MessageType::Execute: {
      Reply r = handlers_.execute ? handlers_.execute(client.id, frame.payload) : Reply::Nack;
      if (r != Reply::None) reply(client, r == Reply::Ack ? MessageType::Ack : MessageType::Nack, frame.seq, "");
      return true;
    }
    case MessageType::Request: {
      std::optional<std::string> text = handlers_.request ? handlers_.request(client.id, frame.payload) : std::nullopt;
      if (text && text->size() > dde::max_payload) text.reset();
      if (text) {
        reply(client, MessageType::Data, frame.seq, *text);
      } else {
        reply(client, MessageType::Nack, frame.seq, "");
      }
      return true;
    }
    default:
      // Terminate, or a message only a server sends: either way the conversation ends.
      return false;
  }
}

void DdeServer::reply(Client& client, MessageType type, uint32_t seq, std::string_view payload) {
  client.unsent += dde::encode_frame(type, seq, payload);
}

bool DdeServer::flush(Client& client, int64_t now) {
  if (client.unsent.empty()) return true;
  size_t before = client.unsent.size();
  if (dde::send_some(client.fd, client.unsent) == dde::IoStatus::Closed) return false;
  if (client.unsent.size() < before) client.progress_ms = now;
  return true;
}

void DdeServer::drop(Client& client) {
  if (client.fd < 0) return;
  // A last answer (a refusal, say) goes out if the socket takes it at once.
  if (!client.unsent.empty()) dde::send_some(client.fd, client.unsent);
  ::close(client.fd);
  client.fd = -1;
  if (client.open && handlers_.closed) handlers_.closed(client.id);
}

void DdeServer::forget_dropped() {
  clients_.erase(std::remove_if(clients_.begin(), clients_.end(), [](const auto& c) { return c->fd < 0; }),
                 clients_.end());
}

}  // namespace qvn
