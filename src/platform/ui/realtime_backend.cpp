#include "platform/ui/realtime_backend.h"

#include <algorithm>
#include <climits>

#include "platform/core/clock.h"
#include "platform/ui/folder_watch.h"
#include "platform/ui/window.h"

namespace qvn::ui {

RealTimeBackend::RealTimeBackend() : previous_(installed_backend()) { install_backend(this); }

RealTimeBackend::~RealTimeBackend() { install_backend(previous_); }

void RealTimeBackend::wait_for_event(Window& w) {
  if (w.timer() <= 0) {
    w.close();
    return;
  }
  while (w.is_open()) {
    const long long left = w.next_timer_ms() - current_clock().steady_ms();
    if (left <= 0) return;
    if (wait_for_folder_report(w, static_cast<int>(std::min<long long>(left, INT_MAX)))) return;
  }
}

int RealTimeBackend::message(const MessageBoxDef& box) {
  messages_.push_back(box);
  return answer_without_choice(box);
}

}  // namespace qvn::ui
