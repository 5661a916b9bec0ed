#include "platform/dde/dde_client.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/core/error_state.h"
#include "platform/dde/frame.h"
#include "platform/dde/socket_folder.h"
#include "platform/dde/socket_io.h"

namespace qvn {

namespace {

using dde::Frame;
using dde::IoStatus;
using dde::MessageType;

// How long an open waits for each server's answer when the time-out is 0.
constexpr int64_t zero_timeout_handshake_ms = 250;

// A socket whose server took a connection but did not answer its opening
// within dde_open_answer_ms, known by its file: device, inode and change
// time, so a socket made anew under the same name is not taken for it.
struct Silent {
  dev_t dev;
  ino_t ino;
  timespec changed;
  int64_t until_ms;  // passed by until then
};

bool same_file(const Silent& silent, const struct stat& seen) {
  return silent.dev == seen.st_dev && silent.ino == seen.st_ino && silent.changed.tv_sec == seen.st_ctim.tv_sec &&
         silent.changed.tv_nsec == seen.st_ctim.tv_nsec;
}

struct Conversation {
  explicit Conversation(int f) : fd(f) {}
  ~Conversation() { ::close(fd); }
  Conversation(const Conversation&) = delete;
  Conversation& operator=(const Conversation&) = delete;

  int fd;
  uint32_t seq = 0;
  dde::FrameReader reader;
  bool gone = false;
};

std::mutex state_mutex;
std::map<DdeChannel, std::shared_ptr<Conversation>> conversations;
DdeChannel last_channel = 0;
std::function<void()> wait_pump;
std::atomic<int32_t> timeout_hundredths{3000};
std::map<std::string, Silent> silent_sockets;

std::shared_ptr<Conversation> find(DdeChannel channel) {
  std::lock_guard lock(state_mutex);
  auto it = conversations.find(channel);
  return it == conversations.end() ? nullptr : it->second;
}

DdeChannel add(std::shared_ptr<Conversation> c) {
  std::lock_guard lock(state_mutex);
  do {
    last_channel = last_channel == INT32_MAX ? 1 : last_channel + 1;
  } while (conversations.count(last_channel));
  conversations[last_channel] = std::move(c);
  return last_channel;
}

std::function<void()> current_pump() {
  std::lock_guard lock(state_mutex);
  return wait_pump;
}

int64_t deadline_after(int64_t ms) { return dde::steady_now_ms() + ms; }

bool is_answer(MessageType t) {
  return t == MessageType::Accept || t == MessageType::Refuse || t == MessageType::Ack || t == MessageType::Nack ||
         t == MessageType::Data;
}

// Takes in what the partner sent since the last question without waiting.
// Late answers to questions that timed out are dropped; false when the
// partner has gone or broke the stream.
bool still_there(Conversation& c) {
  if (c.gone) return false;
  for (;;) {
    Frame f;
    for (;;) {
      auto st = c.reader.next(f);
      if (st == dde::FrameReader::Status::NeedMore) break;
      if (st == dde::FrameReader::Status::Malformed || !is_answer(f.type)) {
        c.gone = true;
        return false;
      }
    }
    IoStatus s = dde::receive_some(c.fd, c.reader, dde::steady_now_ms(), nullptr);
    if (s == IoStatus::Timeout) return true;
    if (s == IoStatus::Closed) {
      c.gone = true;
      return false;
    }
  }
}

enum class Outcome { Answered, Timeout, Gone };

// Sends one question and waits for its answer until the deadline.
Outcome ask(Conversation& c, MessageType type, std::string_view payload, int64_t wait_ms, Frame& answer) {
  uint32_t seq = ++c.seq;
  std::function<void()> pump = current_pump();
  IoStatus s = dde::send_all(c.fd, dde::encode_frame(type, seq, payload), deadline_after(wait_ms), &pump);
  if (s != IoStatus::Ok) {
    // A frame cut off half-way leaves the stream unusable.
    c.gone = true;
    return s == IoStatus::Timeout ? Outcome::Timeout : Outcome::Gone;
  }
  if (wait_ms <= 0) return Outcome::Timeout;
  int64_t deadline = deadline_after(wait_ms);
  for (;;) {
    s = dde::receive_frame(c.fd, c.reader, answer, deadline, &pump);
    if (s == IoStatus::Timeout) {
      if (c.reader.partial()) c.gone = true;
      return Outcome::Timeout;
    }
    if (s == IoStatus::Closed || !is_answer(answer.type)) {
      c.gone = true;
      return Outcome::Gone;
    }
    if (answer.seq == seq) return Outcome::Answered;
  }
}

int64_t timeout_ms() { return static_cast<int64_t>(dde_timeout()) * 10; }

// True when the socket, the very file `seen`, did not answer an opening
// lately. Forgets those whose time is up.
bool passed_by(const std::string& path, const struct stat& seen) {
  const int64_t now = dde::steady_now_ms();
  std::lock_guard lock(state_mutex);
  std::erase_if(silent_sockets, [now](const auto& entry) { return entry.second.until_ms <= now; });
  auto it = silent_sockets.find(path);
  return it != silent_sockets.end() && same_file(it->second, seen);
}

void note_silent(const std::string& path, const struct stat& seen) {
  std::lock_guard lock(state_mutex);
  silent_sockets[path] = Silent{seen.st_dev, seen.st_ino, seen.st_ctim, dde::steady_now_ms() + dde_silent_pass_ms};
}

// Connects to one server socket, the file `seen` (as lstat gave it); -1 when
// nobody listens there. A socket left behind by a server whose process has
// gone is removed; one whose process still lives is left alone even when it
// refuses, since only its server may remove it.
int connect_to(const std::string& path, const struct stat& seen) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) return -1;
  std::memcpy(addr.sun_path, path.data(), path.size());
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    int e = errno;
    ::close(fd);
    if (e == ECONNREFUSED) dde::remove_stale_socket(path, seen);
    return -1;
  }
  ucred cred{};
  socklen_t len = sizeof cred;
  if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || cred.uid != ::geteuid()) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

DdeChannel dde_client(std::string_view service, std::string_view topic) {
  service = service.substr(0, std::min(service.size(), dde_name_width));
  topic = topic.substr(0, std::min(topic.size(), dde_name_width));
  std::string folder = dde::socket_folder();
  if (!dde::folder_is_private(folder)) return 0;
  std::string hello = std::string(service) + '\0' + std::string(topic);
  const int64_t wait_ms = timeout_ms() > 0 ? std::min(timeout_ms(), dde_open_answer_ms) : zero_timeout_handshake_ms;
  DdeChannel channel = 0;
  for (const std::string& path : dde::service_sockets(folder, service)) {
    struct stat seen {};
    if (::lstat(path.c_str(), &seen) != 0 || !S_ISSOCK(seen.st_mode) || passed_by(path, seen)) continue;
    int fd = connect_to(path, seen);
    if (fd < 0) continue;
    auto c = std::make_shared<Conversation>(fd);
    Frame answer;
    const Outcome outcome = ask(*c, MessageType::Initiate, hello, wait_ms, answer);
    if (outcome == Outcome::Answered && answer.type == MessageType::Accept) {
      channel = add(std::move(c));
      break;
    }
    // Only a silence as long as the whole bound counts against a server: a
    // shorter time-out says nothing of it.
    if (outcome == Outcome::Timeout && wait_ms == dde_open_answer_ms) note_silent(path, seen);
  }
  return channel;
}

void dde_execute(DdeChannel channel, std::string_view command) {
  if (channel == 0) return;
  clear_error();
  auto c = find(channel);
  if (!c || !still_there(*c)) {
    set_error(err::DdeChannelNotOpen);
    return;
  }
  if (command.size() > dde::max_payload) {
    set_error(err::DdeExecuteInvalid);
    return;
  }
  Frame answer;
  switch (ask(*c, MessageType::Execute, command, timeout_ms(), answer)) {
    case Outcome::Gone: set_error(err::DdeChannelNotOpen); break;
    case Outcome::Timeout: set_error(err::DdeTimeout); break;
    case Outcome::Answered:
      if (answer.type == MessageType::Ack) break;
      if (answer.type == MessageType::Nack) {
        set_error(err::DdeExecuteInvalid);
      } else {
        c->gone = true;
        set_error(err::DdeChannelNotOpen);
      }
      break;
  }
}

std::optional<std::string> dde_request(DdeChannel channel, std::string_view item) {
  if (channel == 0) return std::nullopt;
  clear_error();
  auto c = find(channel);
  if (!c || !still_there(*c)) {
    set_error(err::DdeChannelNotOpen);
    return std::nullopt;
  }
  item = item.substr(0, std::min(item.size(), dde_name_width));
  Frame answer;
  switch (ask(*c, MessageType::Request, item, timeout_ms(), answer)) {
    case Outcome::Gone: set_error(err::DdeChannelNotOpen); return std::nullopt;
    case Outcome::Timeout: set_error(err::DdeTimeout); return std::nullopt;
    case Outcome::Answered: break;
  }
  if (answer.type == MessageType::Data) return std::move(answer.payload);
  if (answer.type != MessageType::Nack) {
    c->gone = true;
    set_error(err::DdeChannelNotOpen);
  }
  return std::nullopt;
}

void dde_close(DdeChannel channel) {
  clear_error();
  if (channel == 0) return;
  std::shared_ptr<Conversation> c;
  {
    std::lock_guard lock(state_mutex);
    auto it = conversations.find(channel);
    if (it == conversations.end()) return;
    c = std::move(it->second);
    conversations.erase(it);
  }
  if (!c->gone) {
    std::string bye = dde::encode_frame(MessageType::Terminate, ++c->seq, "");
    [[maybe_unused]] ssize_t sent = ::send(c->fd, bye.data(), bye.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
  }
  ::shutdown(c->fd, SHUT_RDWR);
}

void set_dde_timeout(int32_t hundredths) { timeout_hundredths = hundredths < 0 ? 0 : hundredths; }
int32_t dde_timeout() { return timeout_hundredths; }

void set_dde_wait_pump(std::function<void()> pump) {
  std::lock_guard lock(state_mutex);
  wait_pump = std::move(pump);
}

}  // namespace qvn
