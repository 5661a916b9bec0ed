#include "platform/core/clock.h"

#include <chrono>

namespace qvn {

int64_t SystemClock::now_ms() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

int64_t SystemClock::steady_ms() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

namespace {
SystemClock system_clock_instance;
Clock* installed = nullptr;
}  // namespace

Clock& current_clock() { return installed ? *installed : system_clock_instance; }
Clock* install_clock(Clock* clock) {
  Clock* previous = installed;
  installed = clock;
  return previous;
}

}  // namespace qvn
