#include "platform/dde/socket_io.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace qvn::dde {

namespace {

// Waits for the events on fd until the deadline. Returns the revents, or 0 at
// the deadline.
short wait_for(int fd, short events, int64_t deadline_ms, const std::function<void()>* pump) {
  for (;;) {
    int64_t left = deadline_ms - steady_now_ms();
    if (left < 0) left = 0;
    bool pumping = pump && *pump;
    int slice =
        static_cast<int>(pumping ? std::min<int64_t>(left, pump_interval_ms) : std::min<int64_t>(left, 1 << 30));
    pollfd p{fd, events, 0};
    int r = ::poll(&p, 1, slice);
    if (r > 0) return p.revents;
    if (r < 0 && errno != EINTR) return POLLERR;
    if (left == 0) return 0;
    if (pumping) (*pump)();
  }
}

}  // namespace

int64_t steady_now_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

IoStatus send_all(int fd, std::string_view data, int64_t deadline_ms, const std::function<void()>* pump) {
  while (!data.empty()) {
    ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      data.remove_prefix(static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      short ev = wait_for(fd, POLLOUT, deadline_ms, pump);
      if (ev == 0) return IoStatus::Timeout;
      if (ev & (POLLERR | POLLHUP | POLLNVAL)) return IoStatus::Closed;
      continue;
    }
    return IoStatus::Closed;
  }
  return IoStatus::Ok;
}

IoStatus send_some(int fd, std::string& pending) {
  size_t sent = 0;
  while (sent < pending.size()) {
    ssize_t n = ::send(fd, pending.data() + sent, pending.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      sent += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    return IoStatus::Closed;
  }
  pending.erase(0, sent);
  return IoStatus::Ok;
}

IoStatus receive_some(int fd, FrameReader& reader, int64_t deadline_ms, const std::function<void()>* pump) {
  char buf[4096];
  for (;;) {
    ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
    if (n > 0) {
      reader.feed(buf, static_cast<size_t>(n));
      return IoStatus::Ok;
    }
    if (n == 0) return IoStatus::Closed;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return IoStatus::Closed;
    short ev = wait_for(fd, POLLIN, deadline_ms, pump);
    if (ev == 0) return IoStatus::Timeout;
    if (ev & POLLNVAL) return IoStatus::Closed;
    // POLLHUP and POLLERR fall through to recv, which reports what is left.
  }
}

IoStatus receive_frame(int fd, FrameReader& reader, Frame& out, int64_t deadline_ms,
                       const std::function<void()>* pump) {
  for (;;) {
    switch (reader.next(out)) {
      case FrameReader::Status::Complete: return IoStatus::Ok;
      case FrameReader::Status::Malformed: return IoStatus::Closed;
      case FrameReader::Status::NeedMore: break;
    }
    IoStatus s = receive_some(fd, reader, deadline_ms, pump);
    if (s != IoStatus::Ok) return s;
  }
}

}  // namespace qvn::dde
