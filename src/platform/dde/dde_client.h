#pragma once
// The client side of a conversation with a server such as the development
// environment. Outcomes are reported through the thread's last error:
// 602 the partner has gone, 603 a command was refused, 605 no answer came
// before the time-out.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qvn {

using DdeChannel = int32_t;

// Service, topic and item names are cut to this many characters.
inline constexpr size_t dde_name_width = 79;

// Opens a conversation with the first running server of the service that
// accepts the topic (both matched without regard to case). Returns a
// non-zero channel, or 0 when no server accepted. Leaves the last error alone.
//
// A running server answers the opening at once, so each server is waited on
// for at most dde_open_answer_ms (and never beyond the time-out); one that
// took the connection and stayed silent that long counts as not answering,
// and the next is tried. Such a server is passed by for dde_silent_pass_ms
// afterwards, unless its socket has been replaced, so that repeated opens
// do not wait on it again each time.
DdeChannel dde_client(std::string_view service, std::string_view topic);

inline constexpr int64_t dde_open_answer_ms = 5000;
inline constexpr int64_t dde_silent_pass_ms = 60000;

// Hands the whole command text to the partner and waits for its
// acknowledgement. Channel 0: does nothing at all. Otherwise clears the last
// error, then sets 602, 603 or 605.
void dde_execute(DdeChannel channel, std::string_view command);

// Asks the partner for an item as text. Channel 0: does nothing. Otherwise
// clears the last error; 602 or 605 on failure. A negative answer sets no
// error and gives nullopt, so the caller's variable stays as it was.
std::optional<std::string> dde_request(DdeChannel channel, std::string_view item);

// Ends the conversation: clears the last error, tells the partner, and does
// not wait for it. Channel 0 only clears the last error.
void dde_close(DdeChannel channel);

// The time-out of every wait for an answer, for the whole process, in
// hundredths of a second. 0 makes each wait end at once with 605.
void set_dde_timeout(int32_t hundredths);
int32_t dde_timeout();

// Called every few milliseconds on the waiting thread while an operation
// waits for its partner; the window layer lets its window repaint here.
// An empty function (the default) waits without calling anything.
void set_dde_wait_pump(std::function<void()> pump);

}  // namespace qvn
