#pragma once
// Bounded I/O on a non-blocking stream socket. Every wait ends at its
// deadline (steady milliseconds); while waiting, an optional pump is called
// every few milliseconds so a window can repaint.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/dde/frame.h"

namespace qvn::dde {

enum class IoStatus { Ok, Timeout, Closed };

inline constexpr int pump_interval_ms = 5;

int64_t steady_now_ms();

// Writes every byte before the deadline. Closed when the peer has gone.
IoStatus send_all(int fd, std::string_view data, int64_t deadline_ms, const std::function<void()>* pump);

// Sends as much of `pending` as the socket takes now, without waiting, and
// removes what went from its front. Closed when the peer has gone.
IoStatus send_some(int fd, std::string& pending);

// Waits until some bytes arrive and hands them to the reader. Closed at end
// of stream or on a socket error.
IoStatus receive_some(int fd, FrameReader& reader, int64_t deadline_ms, const std::function<void()>* pump);

// Waits until the next whole frame is in. Closed also for a malformed frame.
IoStatus receive_frame(int fd, FrameReader& reader, Frame& out, int64_t deadline_ms, const std::function<void()>* pump);

}  // namespace qvn::dde
