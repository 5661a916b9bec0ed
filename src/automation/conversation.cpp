#include "automation/conversation.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "data/globals.h"
#include "platform/core/clock.h"
#include "platform/core/error_state.h"
#include "platform/dde/dde_client.h"
#include "platform/process/command_line.h"
#include "platform/sound/sound.h"
#include "platform/ui/backend.h"

namespace qvn::automation {

using process::split_command_line;
using process::start_program;
using sound::find_sound;
using sound::play_sound;

namespace {

// The sound played when the environment is not running.
constexpr const char* kNotRunningSound = "ir_inter.wav";

constexpr const char* kConnected = "Connected to Clarion";
constexpr const char* kNotConnected = "Not Connected to Clarion";
constexpr const char* kNotRunningText =
    "Clarion is not currently running. How you expect to compile anything is a mystery to me.||"
    "Press \"Start Clarion\" now, will ya'?";
constexpr const char* kNoAnswerText = "Clarion did not answer within 30 seconds.";
constexpr const char* kStartFailedText = "Clarion could not be started.";
constexpr const char* kClosingText = "Run ended: the window is closing";

void real_pause(int64_t ms) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < until) {
    ui::backend().repaint_only();
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min<int64_t>(ms, 20)));
  }
}

std::function<void(int64_t)>& connect_pause() {
  static std::function<void(int64_t)> pause;
  return pause;
}

// What a start of the command line that failed comes to: the last error
// and the program the line names (or why it names none).
std::string start_failure(std::string_view command_line) {
  std::string what;
  const auto words = split_command_line(command_line);
  if (!words) {
    what = "a quote in the command line is not closed";
  } else if (words->empty() || words->front().empty()) {
    what = "the command line names no program";
  } else {
    what = words->front();
  }
  return "Error " + std::to_string(error_code()) + " " + std::string(clip(error_text())) + ": " + what;
}

// A number as the environment sends it, read the way a text is assigned to
// an unsigned 16-bit variable: leading blanks, an optional sign, digits.
uint16_t to_ushort(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  uint32_t n = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) n = n * 10 + static_cast<uint32_t>(s[i] - '0');
  return static_cast<uint16_t>(negative ? 0u - n : n);
}

}  // namespace

void set_connect_pause(std::function<void(int64_t ms)> pause) { connect_pause() = std::move(pause); }

Conversation::Conversation(ui::Window& window, ConversationValues& values, data::ActivityLog& log)
    : window_(window), v_(values), log_(log) {
  set_dde_wait_pump([] { ui::backend().repaint_only(); });
}

Conversation::~Conversation() {
  KeepLastError keep;
  CloseHeld();
  set_dde_wait_pump({});
}

void Conversation::ShowStatus(std::string_view text) {
  v_.StatusMsg = text;
  window_.display();
}

void Conversation::CloseHeld() {
  if (v_.DDEChannel != 0) dde_close(v_.DDEChannel);
}

Conversation::Opening Conversation::OpenStarting() {
  CloseHeld();
  clear_error();
  start_failure_.clear();
  v_.DDEChannel = dde_client(kService, kTopic);
  if (v_.DDEChannel != 0) return Opening::Opened;
  // Started once per step: the environment takes a while to come up, and a
  // second copy would only compete with the first. A start that failed
  // leaves nothing to wait for.
  if (start_program(data::GLO_RunString.view()) == 0) {
    start_failure_ = start_failure(data::GLO_RunString.view());
    return Opening::StartFailed;
  }
  // Bounded on the process clock and in real time alike, so that a clock
  // that does not move cannot keep the step here.
  const int64_t started = current_clock().steady_ms();
  const auto real_started = std::chrono::steady_clock::now();
  for (;;) {
    if (!Pause(kConnectPauseMs)) return Opening::Closing;
    v_.DDEChannel = dde_client(kService, kTopic);
    if (v_.DDEChannel != 0) return Opening::Opened;
    const auto real_ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - real_started).count();
    if (current_clock().steady_ms() - started >= kConnectLimitMs || real_ms >= kConnectLimitMs) {
      return Opening::NoAnswer;
    }
  }
}

bool Conversation::Pause(int64_t ms) {
  if (connect_pause()) {
    connect_pause()(ms);
    return true;
  }
  if (!window_.is_open()) {
    real_pause(ms);
    return true;
  }
  // The window takes its events meanwhile, as in a completion wait: it
  // repaints, passes nothing on, and a request to close it ends the wait.
  // Its timer, set to the pause for the while, ends the pause.
  const int timer = window_.timer();
  window_.set_timer(static_cast<int>(std::max<int64_t>(ms / 10, 1)));
  bool closing = false;
  window_.nested_loop([&] {
    const ui::Event e = window_.event();
    if (e == ui::Event::CloseWindow) closing = true;
    return e != ui::Event::CloseWindow && e != ui::Event::Timer;
  });
  window_.set_timer(timer);
  return !closing && window_.is_open();
}

void Conversation::TellStartFailed() {
  log_.Entry(kService, start_failure_);
  ui::message(std::string(kStartFailedText) + "||" + start_failure_, "Warning", ui::MessageIcon::Stop);
}

void Conversation::SetTimeOut() { set_dde_timeout(v_.TimeOut * kHundredthsPerMinute); }

bool Conversation::Connect() {
  SetTimeOut();
  opening_ = OpenStarting();
  if (opening_ != Opening::Opened) {
    v_.DDEChannel = 0;
    v_.Connected = 0;
    if (opening_ == Opening::Closing) {
      // The run ends here; EndRun passes the request on.
      close_requested_ = true;
      log_.Entry(kService, kClosingText);
    }
    if (error_code() == 0) set_error(err::DdeChannelNotOpen);
    ShowStatus(kNotConnected);
    return false;
  }
  v_.Connected = 1;
  ShowStatus(kConnected);
  return true;
}

void Conversation::NoAnswer() {
  switch (opening_) {
    case Opening::Closing:
      // The user is closing the window and waits for nothing more.
      return;
    case Opening::StartFailed: TellStartFailed(); return;
    case Opening::Opened:
    case Opening::NoAnswer: break;
  }
  log_.Error(kService);
  ui::message(kNoAnswerText, "Warning", ui::MessageIcon::Stop);
}

bool Conversation::Reopen() {
  if (v_.Connected != 0) return true;
  v_.DDEChannel = dde_client(kService, kTopic);
  if (v_.DDEChannel == 0) return false;
  v_.Connected = 1;
  return true;
}

bool Conversation::SetCommand(Command command, std::string_view name, std::string_view app) {
  if (!fits_command(command, name)) {
    set_error(err::InvalidFileName);
    log_.Error(app);
    return false;
  }
  v_.DDECommand = command_text(command, name);
  return true;
}

void Conversation::Send(bool yield_first) {
  if (yield_first) ui::backend().repaint_only();
  if (v_.DDEChannel == 0) {
    set_error(err::DdeChannelNotOpen);
    return;
  }
  dde_execute(v_.DDEChannel, v_.DDECommand.raw());
}

void Conversation::ErrorCheck() {
  v_.ErrorMsg.clear();
  const int n = error_code();
  if (n <= kDdeErrorThreshold) return;
  std::string shown;
  {
    KeepLastError keep;
    if (n == err::DdeExecuteInvalid) {
      if (auto num = dde_request(v_.DDEChannel, kErrorNumItem)) v_.ErrorNum = to_ushort(*num);
      if (auto msg = dde_request(v_.DDEChannel, kErrorMsgItem)) v_.ErrorMsg = *msg;
      shown = "Error " + std::to_string(v_.ErrorNum) + " : " + std::string(v_.ErrorMsg.clipped());
    } else if (n == err::DdeTimeout) {
      shown = "DDE timeout";
    } else {
      shown = "Unexpected Error: " + std::to_string(n);
    }
  }
  ui::message(shown);
}

WaitEnd Conversation::CompletionWait(std::string_view app, WaitOn on, const std::function<bool()>& finished,
                                     const std::function<void()>& finish_action) {
  WaitEnd end = WaitEnd::WindowClosed;
  const int64_t started = current_clock().steady_ms();
  // A slow machine or a large application that needs a longer DDE time-out
  // needs a longer wait for its output as well.
  const int limit_minutes = std::max<int>(v_.TimeOut, v_.WaitLimit);
  const int64_t limit_ms = int64_t{limit_minutes} * 60000;
  window_.nested_loop([&] {
    const ui::Event e = window_.event();
    if (e == ui::Event::CloseWindow) {
      close_requested_ = true;
      log_.Entry(app, kClosingText);
      end = WaitEnd::CloseRequested;
      return false;
    }
    if ((on == WaitOn::AnyEvent || e == ui::Event::Timer) && finished()) {
      if (finish_action) finish_action();
      end = WaitEnd::Finished;
      return false;
    }
    if (current_clock().steady_ms() - started >= limit_ms) {
      set_error(err::FileNotFound, "Output not found after " + std::to_string(limit_minutes) + " minutes");
      log_.Error(app);
      end = WaitEnd::TimedOut;
      return false;
    }
    return true;
  });
  return end;
}

void Conversation::Close() { dde_close(v_.DDEChannel); }

void Conversation::CloseWhenConnected() {
  if (v_.Connected != 1) return;
  Close();
  v_.Connected = 0;
}

void Conversation::EndRun() {
  data::ActivityLog::ClearRecord();
  if (close_requested_) {
    close_requested_ = false;
    window_.post(ui::Event::CloseWindow);
  }
}

void Conversation::StartClarion() {
  opening_ = OpenStarting();
  if (opening_ == Opening::Opened) {
    v_.Connected = 1;
    ShowStatus("Connected to Clarion.");
    return;
  }
  v_.DDEChannel = 0;
  v_.Connected = 0;
  ShowStatus(kNotConnected);
  switch (opening_) {
    case Opening::Closing: window_.post(ui::Event::CloseWindow); return;
    case Opening::StartFailed: TellStartFailed(); return;
    case Opening::Opened:
    case Opening::NoAnswer: break;
  }
  ui::message(kNoAnswerText, "Warning", ui::MessageIcon::Stop);
}

void Conversation::Disconnect() {
  CloseHeld();
  v_.DDEChannel = dde_client(kService, kTopic);
  dde_close(v_.DDEChannel);
  v_.Connected = 0;
  v_.DDEChannel = 0;
  ShowStatus("Clarion disconnected");
}

void Conversation::FirstConnection() {
  v_.DDEChannel = dde_client(kService, kTopic);
  v_.Connected = v_.DDEChannel != 0 ? 1 : 0;
  ShowStatus(v_.DDEChannel != 0 ? kConnected : kNotConnected);
}

void Conversation::WarnWhenNotRunning() {
  if (v_.DDEChannel != 0) return;
  const std::string sound = find_sound(kNotRunningSound);
  if (!sound.empty()) play_sound(sound);
  ui::message(kNotRunningText, "Warning", ui::MessageIcon::Stop);
}

}  // namespace qvn::automation
