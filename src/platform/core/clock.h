#pragma once
// The process-wide source of time. Everything that reads the date, the time
// of day, or waits for a timer asks this clock, so tests can install a
// virtual one and decide themselves when time moves.

#include <cstdint>

namespace qvn {

class Clock {
 public:
  virtual ~Clock() = default;
  // Wall-clock time in milliseconds since the Unix epoch (UTC).
  virtual int64_t now_ms() const = 0;
  // A steady count of milliseconds, for timers and time-outs.
  virtual int64_t steady_ms() const = 0;
};

class SystemClock final : public Clock {
 public:
  int64_t now_ms() const override;
  int64_t steady_ms() const override;
};

// Time that moves only when told to; both readings advance together.
class VirtualClock final : public Clock {
 public:
  explicit VirtualClock(int64_t start_ms = 0) : now_(start_ms) {}
  int64_t now_ms() const override { return now_; }
  int64_t steady_ms() const override { return steady_; }
  void advance_ms(int64_t ms) {
    now_ += ms;
    steady_ += ms;
  }
  void set_now_ms(int64_t ms) { now_ = ms; }

 private:
  int64_t now_;
  int64_t steady_ = 0;
};

// Wall-clock time that moves on by a fixed step each time it is read, as a
// real clock does between two readings: code that reads it twice for one
// moment gets two moments.
class SteppingClock final : public Clock {
 public:
  SteppingClock(int64_t start_ms, int64_t step_ms) : now_(start_ms), step_(step_ms) {}
  int64_t now_ms() const override {
    const int64_t t = now_;
    now_ += step_;
    ++reads_;
    return t;
  }
  int64_t steady_ms() const override { return 0; }
  int reads() const { return reads_; }

 private:
  mutable int64_t now_;
  int64_t step_;
  mutable int reads_ = 0;
};

// The clock in force; the system clock unless a test installed another.
Clock& current_clock();
// Installs a clock (nullptr restores the system clock) and returns the one
// installed before (nullptr for the system clock). Not thread-safe: tests
// install it before anything runs.
Clock* install_clock(Clock* clock);

// Installs a clock for the lifetime of the object, then puts back the one
// that was in force, so that a test can install one inside another's.
class ScopedClock {
 public:
  explicit ScopedClock(Clock& clock) : previous_(install_clock(&clock)) {}
  ~ScopedClock() { install_clock(previous_); }
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

 private:
  Clock* previous_;
};

}  // namespace qvn
