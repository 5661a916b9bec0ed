#pragma once
// The main window's conversation with the development environment, the DDE
// server "ClarionWin": the steps every run is made of (connect, reopen,
// command, send, error check, completion wait, close) and the
// connection buttons and start-up of the window, which share its variables.
// What the steps log goes to the activity log the conversation is given.
//
// Outcomes are in the window's variables and the thread's last error, as
// the runs test them; the few steps whose end a run must act on also
// answer it.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "automation/command_kinds.h"
#include "data/activity_log.h"
#include "platform/core/fixed_string.h"
#include "platform/files/file_tests.h"
#include "platform/ui/window.h"

namespace qvn::automation {

inline constexpr const char* kService = "ClarionWin";
inline constexpr const char* kTopic = "";
inline constexpr const char* kErrorNumItem = "GetErrorNum";
inline constexpr const char* kErrorMsgItem = "GetErrorMsg";
inline constexpr int kHundredthsPerMinute = 6000;
// Codes above this one are DDE errors, which the error check explains.
inline constexpr int kDdeErrorThreshold = 600;

// The connect step gives up when the environment has not answered this long
// after its command line was started, and waits this long between attempts.
inline constexpr int64_t kConnectLimitMs = 30000;
inline constexpr int64_t kConnectPauseMs = 200;

// How the connect step waits between two attempts. By default the window
// takes its events in the meantime, so it repaints and a request to close it
// ends the wait (a window that is not open sleeps in real time and
// repaints); tests that have no environment to wait for move their virtual
// clock instead. An empty function restores the default.
void set_connect_pause(std::function<void(int64_t ms)> pause);

// The main window's variables the conversation works on, held here once:
// the main window's own variables include them.
struct ConversationValues {
  int32_t DDEChannel = 0;       // the conversation in use; 0 none
  uint8_t Connected = 0;        // 1 a conversation was opened and not closed by a make run
  uint8_t TimeOut = 3;          // minutes a command may take; ?TIMEOUT, 1 to 99
  uint8_t WaitLimit = 5;        // minutes a completion wait may take, or TimeOut when longer
  FixedString<30> StatusMsg;    // the status line, ?STATUSMSG:2 and ?STATUSMSG
  uint16_t ErrorNum = 0;        // the environment's "GetErrorNum"
  CString<300> ErrorMsg;        // the environment's "GetErrorMsg"
  FixedString<255> DDECommand;  // the command of the current application
};

// True when a file or a folder of that name (trailing blanks not counted,
// "\" between folders) exists. Leaves the last error alone.
using files::file_exists;

// What ended a completion wait.
enum class WaitEnd {
  Finished,        // the finish test was met and the finish action ran
  TimedOut,        // nothing came within the wait limit; logged
  CloseRequested,  // the window was asked to close; logged, the run ends
  WindowClosed,    // the window went away; the run ends
};

class Conversation {
 public:
  Conversation(ui::Window& window, ConversationValues& values, data::ActivityLog& log);
  // Closes the conversation still held, as the window goes.
  ~Conversation();
  Conversation(const Conversation&) = delete;
  Conversation& operator=(const Conversation&) = delete;

  // The DDE time-out := Loc:TimeOut minutes, in hundredths of a second.
  void SetTimeOut();

  // The connect step of a run: sets the DDE time-out from Loc:TimeOut, closes
  // a conversation that is still open, and opens one. When no server
  // answers, the command line GLO:RunString is started once and the open is
  // tried again, with a pause, for up to kConnectLimitMs; a start that fails
  // ends the step at once, and so does a request to close the window during
  // the pauses (logged "Run ended: the window is closing" under the
  // service's name; EndRun then passes it on). Connected: the status line
  // reads "Connected to Clarion". Not connected: false, handle 0, "Not
  // Connected to Clarion", and the last error is the start's or 602; the
  // run then calls NoAnswer and ends.
  bool Connect();
  // After a connect step that failed: tells the user why and logs it under
  // the service's name. A failed start: "Clarion could not be started." with
  // its error and the program the command line names (the log entry
  // "Error 2 File Not Found: <program>"); no answer: that the environment
  // did not answer, logged with the last error; a window that is closing:
  // nothing.
  void NoAnswer();

  // The reopen step of the make runs: when Loc:Connected is 0, one attempt
  // to open a conversation. False when it found no server: the handle is 0
  // and the application's send fails with 602.
  bool Reopen();

  // Loc:DDECommand := the command for the name, cut to 255 characters. When
  // the name does not fit the command, nothing is set: the log entry
  // "Error 45 Invalid Filename" is written for the application, the last
  // error is 45, and the answer is false; the run goes on with its next
  // application without sending anything.
  bool SetCommand(Command command, std::string_view name, std::string_view app);

  // The send: executes the whole 255-character Loc:DDECommand, trailing
  // blanks included, on Loc:DDEChannel; the make runs and the exports let
  // the window repaint first. Without a conversation (handle 0) it sets 602.
  void Send(bool yield_first);

  // The error check, right after a send: explains an error above 600 in one
  // message box ("Error " num " : " msg after a refusal, "DDE timeout",
  // "Unexpected Error: " code) and leaves the last error as the send left it.
  void ErrorCheck();

  // The completion wait: takes the window's events in a nested loop and
  // passes none on. The finish test is made on every event or on timer
  // events only; when it is met, the finish action runs. After N minutes of
  // the process's steady clock without it, N the larger of Loc:TimeOut and
  // Loc:WaitLimit, the entry "Error 2 Output not found after N minutes" is
  // logged for the application. A request to close the window ends the wait
  // with the entry "Run ended: the window is closing"; EndRun then passes
  // the request on.
  WaitEnd CompletionWait(std::string_view app, WaitOn on, const std::function<bool()>& finished,
                         const std::function<void()>& finish_action);

  // The close step: ends the conversation Loc:DDEChannel.
  void Close();
  // The make runs' close: the close step and Loc:Connected := 0, only when
  // Loc:Connected is 1.
  void CloseWhenConnected();

  // The end of every run: clears the log record buffer, and posts the
  // close request a completion wait took, so the window closes now.
  void EndRun();

  // "Start Clarion": opens as the connect step does, without setting the
  // time-out, then shows "Connected to Clarion.". Otherwise "Not Connected
  // to Clarion" and, as NoAnswer tells it, one message (a failed start also
  // logged); a request to close the window during the wait is passed on at
  // once, so the window closes.
  void StartClarion();
  // "Disconnect": closes the conversation in use, opens one once and closes
  // it at once, then handle 0, not connected, "Clarion disconnected".
  void Disconnect();
  // The window's first connection: one attempt, no start of the
  // environment; "Connected to Clarion" or "Not Connected to Clarion".
  void FirstConnection();
  // When the window opens without a conversation: the sound, then the
  // "Warning" message.
  void WarnWhenNotRunning();

  // Loc:StatusMsg := text (cut to 30), the window redrawn.
  void ShowStatus(std::string_view text);

  ConversationValues& vars() { return v_; }

 private:
  // How an open that may start the environment ended.
  enum class Opening { Opened, StartFailed, NoAnswer, Closing };

  // Opens a conversation, starting the environment when none answers.
  Opening OpenStarting();
  // One pause between two attempts; false when the window is to close.
  bool Pause(int64_t ms);
  // Logs and shows the start that failed.
  void TellStartFailed();
  // Closes the conversation still held, so that none is left open.
  void CloseHeld();

  ui::Window& window_;
  ConversationValues& v_;
  data::ActivityLog& log_;
  bool close_requested_ = false;
  Opening opening_ = Opening::Opened;  // how the last open that may start ended
  std::string start_failure_;          // "Error <code> <text>: <program>" of a failed start
};

}  // namespace qvn::automation
