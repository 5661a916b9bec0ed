#include "platform/ui/folder_watch.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>

#include "platform/files/file_tests.h"
#include "platform/ui/window.h"

namespace qvn::ui {

namespace {

constexpr uint32_t kChanges = IN_CREATE | IN_CLOSE_WRITE | IN_MOVED_TO | IN_ATTRIB | IN_DELETE;

struct Watch {
  int id = 0;
  const Window* window = nullptr;
  int fd = -1;
  bool pending = false;  // a change was read and not yet posted
  bool alive = true;     // false once the folder itself went away
};

std::vector<Watch>& watches() {
  static std::vector<Watch> all;
  return all;
}

int next_id = 0;

Watch* find(int id) {
  for (Watch& w : watches()) {
    if (w.id == id) return &w;
  }
  return nullptr;
}

// Reads everything the descriptor holds; true when it held anything. A
// removed or moved-away folder ends the watch (the system drops it then).
bool drain(Watch& w) {
  alignas(inotify_event) char buffer[4096];
  bool read_any = false;
  while (true) {
    const ssize_t n = ::read(w.fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    read_any = true;
    for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
      inotify_event e;
      std::memcpy(&e, buffer + at, sizeof e);
      if (e.mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) w.alive = false;
      at += static_cast<ssize_t>(sizeof(inotify_event) + e.len);
    }
  }
  if (read_any) w.pending = true;
  return read_any;
}

// Drains every watch of the window; true when any held something.
bool drain_all(const Window& window) {
  bool read_any = false;
  for (Watch& w : watches()) {
    if (w.window == &window && drain(w)) read_any = true;
  }
  return read_any;
}

}  // namespace

FolderWatch::FolderWatch(Window& window, std::string_view folder) {
  if (!window.is_open()) return;
  std::string path = files::native_name(folder);
  if (path.empty()) path = ".";
  const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd < 0) return;
  if (::inotify_add_watch(fd, path.c_str(), kChanges | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR) < 0) {
    ::close(fd);
    return;
  }
  id_ = ++next_id;
  watches().push_back(Watch{id_, &window, fd});
}

FolderWatch::~FolderWatch() { stop(); }

FolderWatch::FolderWatch(FolderWatch&& other) noexcept : id_(other.id_) { other.id_ = 0; }

FolderWatch& FolderWatch::operator=(FolderWatch&& other) noexcept {
  if (this != &other) {
    stop();
    id_ = other.id_;
    other.id_ = 0;
  }
  return *this;
}

void FolderWatch::stop() {
  if (id_ == 0) return;
  auto& all = watches();
  auto it = std::find_if(all.begin(), all.end(), [this](const Watch& w) { return w.id == id_; });
  if (it != all.end()) {
    ::close(it->fd);
    all.erase(it);
  }
  id_ = 0;
}

bool FolderWatch::active() const {
  const Watch* w = find(id_);
  return w != nullptr && w->alive;
}

std::vector<int> folder_watch_descriptors(const Window& window) {
  std::vector<int> fds;
  for (const Watch& w : watches()) {
    if (w.window == &window && w.alive) fds.push_back(w.fd);
  }
  return fds;
}

bool take_folder_changes(Window& window) {
  drain_all(window);
  bool changed = false;
  for (Watch& w : watches()) {
    if (w.window == &window && w.pending) {
      changed = true;
      w.pending = false;
    }
  }
  if (!changed || window.has_queued(Event::FolderChanged)) return false;
  window.post(Event::FolderChanged);
  return true;
}

bool folder_change_pending(Window& window) {
  drain_all(window);
  for (const Watch& w : watches()) {
    if (w.window == &window && w.pending) return true;
  }
  return window.has_queued(Event::FolderChanged);
}

bool wait_for_folder_report(const Window& window, int timeout_ms) {
  using steady = std::chrono::steady_clock;
  const auto until = steady::now() + std::chrono::milliseconds(std::max(timeout_ms, 0));
  while (true) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - steady::now()).count();
    if (left <= 0) return false;
    std::vector<pollfd> fds;
    for (int fd : folder_watch_descriptors(window)) fds.push_back(pollfd{fd, POLLIN, 0});
    const int n = ::poll(fds.data(), fds.size(), static_cast<int>(std::min<long long>(left, 1 << 30)));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n > 0 && drain_all(window)) return true;
  }
}

namespace detail {

void stop_folder_watches(const Window& window) {
  auto& all = watches();
  for (Watch& w : all) {
    if (w.window == &window) ::close(w.fd);
  }
  std::erase_if(all, [&window](const Watch& w) { return w.window == &window; });
}

}  // namespace detail

}  // namespace qvn::ui
