#pragma once
// The program's error manager: shows file and record failures from its table
// of messages, fills in the file, key and error of the moment, and knows
// which procedure is running.
//
// A message is one of three kinds. A notice shows OK and the program goes on
// with the operation failed. A question shows Yes and No, Yes the default.
// A fatal message adds "  Press OK to end this application" to its text and
// then ends the program through the halt hook (std::exit by default, so the
// thread-end and program-end routines still run).
//
// The boxes are shown through an ErrorPresenter that the window layer
// provides; without one, messages go to stderr and every question is
// answered No, so that nothing is deleted or retried unasked.

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/core/error_state.h"
#include "platform/framework/level.h"
#include "platform/ui/message_box.h"

namespace qvn::framework {

enum class MessageKind { Notice, Question, Fatal };

// Messages of the table.
enum class Msg {
  OpenFailed,                 // "File Access Error"
  CreateFailed,               // "File Creation Error"
  OpenReadOnly,               // "Access Denied"
  RebuildKey,                 // "Invalid Key"
  RebuildFailed,              // "Key was not built"
  AbortReading,               // "Record Retrieval Error"
  RecordHeldByAnother,        // "Record not read"
  AddFailed,                  // "Record Insert Error"
  DuplicateKey,               // "Duplicate Key Error"
  RetryAutoInc,               // "Auto Increment Error"
  ConcurrencyFailed,          // "Record Was Not Updated"
  ConcurrencyFailedFromForm,  // "Record Was Not Updated", wording for a form with a history key
  PutFailed,                  // "Record was not updated"
  ConfirmDelete,              // "Confirm Delete"
  DeleteFailed,               // "Record was not deleted"
  RetryDelete,                // "Record Delete Error"
  LogoutFailed,               // "Transaction cancelled"
};

struct MessageEntry {
  Msg id;
  std::string_view title;
  std::string_view text;  // with the placeholders %File, %ErrorText, %Message, %Key
  MessageKind kind;
};

// The whole table, in the order of Msg.
const std::vector<MessageEntry>& message_table();
const MessageEntry& message_entry(Msg id);

// The thread's last error as it stood at one moment, so that it can be
// reported after further operations have changed it.
struct ErrorSnapshot : LastError {
  static ErrorSnapshot take() { return ErrorSnapshot{last_error()}; }
  void restore() const { set_last_error(*this); }
  // "text (code)"; for the storage layer's own failures (90 and 100) its own
  // text and code instead.
  std::string error_text() const;
};

// What a message is about; the error is the thread's last error when the
// context is made.
struct MessageContext {
  explicit MessageContext(std::string file_name = {}, std::string message_text = {}, std::string key_name = {})
      : file(std::move(file_name)), message(std::move(message_text)), key(std::move(key_name)) {}

  std::string file;                             // %File: the file's current name, clipped
  std::string message;                          // %Message: the key's name for messages
  std::string key;                              // %Key: the key's name for messages
  ErrorSnapshot error = ErrorSnapshot::take();  // %ErrorText
};

// Fills the placeholders in one pass; substituted values are never scanned
// again, so a file name holding "%Key" stays as it is.
std::string fill_placeholders(std::string_view text, const MessageContext& ctx);

struct MessageBox {
  std::string title;
  std::string procedure;  // the current procedure, "" when none is registered
  std::string text;       // "|" starts a new line
  ui::MessageIcon icon = ui::MessageIcon::Stop;
  int buttons = ui::button::Ok;
  int default_button = ui::button::Ok;
  MessageKind kind = MessageKind::Notice;

  // The window caption: the title, after the procedure's name when there is one.
  std::string caption() const;
};

class ErrorPresenter {
 public:
  virtual ~ErrorPresenter() = default;
  // Shows the box modally and returns the button pressed.
  virtual int show(const MessageBox& box) = 0;
};

class ErrorManager {
 public:
  using HaltHook = std::function<void(int exit_code)>;

  ErrorManager();
  ErrorManager(const ErrorManager&) = delete;
  ErrorManager& operator=(const ErrorManager&) = delete;

  // Makes the manager ready: no procedure registered.
  void Init();
  void Kill();

  // nullptr restores the stderr presenter.
  void SetPresenter(ErrorPresenter* presenter);
  // An empty hook restores std::exit.
  void SetHaltHook(HaltHook hook);
  // The presenter and hook set; nullptr and an empty hook for the defaults.
  ErrorPresenter* Presenter() const { return presenter_; }
  const HaltHook& HaltHookSet() const { return halt_; }

  // Shows the message and returns: a notice level::Notify; a question
  // level::Benign for Yes and level::Cancel for No; a fatal message ends the
  // program, and returns level::Fatal only when the halt hook returns.
  int Throw(Msg id, const MessageContext& ctx);

  // The box Throw would show, without showing it.
  MessageBox Compose(Msg id, const MessageContext& ctx) const;

  // The running procedure, per thread: each window procedure pushes its name
  // on entry and pops it when it returns.
  void PushProcedure(std::string_view name);
  void PopProcedure();
  std::string CurrentProcedure() const;

 private:
  mutable std::mutex mutex_;
  ErrorPresenter* presenter_ = nullptr;
  HaltHook halt_;
  std::map<std::thread::id, std::vector<std::string>> procedures_;
};

// Registers a procedure's name for the lifetime of the object.
class ProcedureScope {
 public:
  ProcedureScope(ErrorManager& errors, std::string_view name) : errors_(errors) { errors_.PushProcedure(name); }
  ~ProcedureScope() { errors_.PopProcedure(); }
  ProcedureScope(const ProcedureScope&) = delete;
  ProcedureScope& operator=(const ProcedureScope&) = delete;

 private:
  ErrorManager& errors_;
};

// The exit code of a program ended by a fatal message.
inline constexpr int kFatalExitCode = 1;

}  // namespace qvn::framework

namespace qvn {
// The program's one error manager, shared by all threads.
extern framework::ErrorManager error_manager;
}  // namespace qvn
