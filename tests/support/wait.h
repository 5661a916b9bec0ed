#pragma once
// Waits, in real time, for a condition that another thread or process
// brings about: true as soon as it holds, false once `ms` milliseconds have
// gone by without it (it is looked at once more when the time is up, so a
// thread that was slow to be scheduled still counts). The bound is generous,
// so that a loaded machine does not fail a test; a test that passes never
// waits for it. The scripted user's WindowView::wait_for is this wait.

#include <chrono>
#include <thread>

namespace qvn::test_support {

template <typename F>
bool eventually(F&& done, int ms = 30000) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= until) return done();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace qvn::test_support
