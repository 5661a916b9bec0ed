#include "platform/ui/close_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>

#include "platform/ui/event.h"
#include "platform/ui/window.h"

namespace qvn::ui {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr int kCount = static_cast<int>(sizeof kSignals / sizeof kSignals[0]);

// Shared with the handler, which may touch nothing else. Lock-free atomics,
// since the handler may run on any of the process's threads.
std::atomic<int> write_end{-1};
std::atomic<bool> requested{false};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

int read_end = -1;
struct sigaction previous[kCount];
bool handled[kCount] = {};

extern "C" void on_close_signal(int sig) {
  const int saved_errno = errno;
  if (requested.exchange(true)) {
    // The close asked for before has not ended the program: the signal
    // now does what it does by default.
    struct sigaction plain {};
    plain.sa_handler = SIG_DFL;
    sigemptyset(&plain.sa_mask);
    sigaction(sig, &plain, nullptr);
    raise(sig);
  } else if (const int fd = write_end.load(); fd >= 0) {
    const char note = 1;
    [[maybe_unused]] const ssize_t written = write(fd, &note, 1);
  }
  errno = saved_errno;
}

}  // namespace

bool install_close_signals() {
  if (read_end >= 0) return true;
  int ends[2];
  if (::pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0) return false;
  read_end = ends[0];
  write_end = ends[1];
  requested = false;
  struct sigaction action {};
  action.sa_handler = on_close_signal;
  sigemptyset(&action.sa_mask);
  for (int sig : kSignals) sigaddset(&action.sa_mask, sig);
  action.sa_flags = SA_RESTART;
  for (int i = 0; i < kCount; ++i) {
    handled[i] = false;
    if (sigaction(kSignals[i], nullptr, &previous[i]) != 0) continue;
    if (previous[i].sa_handler == SIG_IGN) continue;
    handled[i] = sigaction(kSignals[i], &action, nullptr) == 0;
  }
  return true;
}

void remove_close_signals() {
  if (read_end < 0) return;
  for (int i = 0; i < kCount; ++i) {
    if (handled[i]) sigaction(kSignals[i], &previous[i], nullptr);
    handled[i] = false;
  }
  ::close(write_end.exchange(-1));
  ::close(read_end);
  read_end = -1;
}

int close_signal_descriptor() { return read_end; }

bool take_close_signals() {
  if (read_end < 0) return false;
  bool came = false;
  char notes[16];
  while (::read(read_end, notes, sizeof notes) > 0) came = true;
  if (!came) return false;
  // Copied first: a window may open or close while the events are posted.
  const std::vector<Window*> windows = open_windows();
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) (*it)->post(Event::CloseWindow);
  return true;
}

}  // namespace qvn::ui
