#pragma once
// Waits, in real time, for a condition that another thread or process
// brings about: true as soon as it holds, false once `ms` milliseconds have
// gone by without it. The bound is generous, so that a loaded machine does
// not fail a test; a test that passes never waits for it.

#include <chrono>
#include <thread>

namespace qvn::test_support {

template <typename F>
bool eventually(F&& done, int ms = 30000) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace qvn::test_support
