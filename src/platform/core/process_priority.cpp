#include "platform/core/process_priority.h"

#include <sys/resource.h>

namespace qvn {

void set_idle_priority() {
  constexpr int kIdleNice = 19;
  (void)::setpriority(PRIO_PROCESS, 0, kIdleNice);
}

}  // namespace qvn
