#pragma once
// The per-thread last error: a code and its text, set by every runtime
// operation that can fail and tested by the caller right after it. Nothing
// is thrown; 0 means no error.

#include <string>
#include <string_view>

namespace qvn {

// Error codes of the runtime, as its callers test them.
namespace err {
inline constexpr int NoError = 0;
inline constexpr int FileNotFound = 2;
inline constexpr int PathNotFound = 3;
inline constexpr int TooManyOpenFiles = 4;
inline constexpr int AccessDenied = 5;
inline constexpr int InvalidFileName = 45;  // name the layer cannot use
inline constexpr int EntryNotFound = 30;    // a queue has no such entry
inline constexpr int RecordNotAvailable = 33;
inline constexpr int RecordNotFound = 35;
inline constexpr int InvalidDataFile = 36;
inline constexpr int FileNotOpen = 37;
inline constexpr int CreatesDuplicateKey = 40;
inline constexpr int RecordLocked = 43;  // held by another program
inline constexpr int InvalidKeyFile = 46;
inline constexpr int InvalidRecordDeclaration = 47;
inline constexpr int TransactionFailed = 48;
inline constexpr int FileAlreadyOpen = 52;
inline constexpr int TransactionActive = 56;
inline constexpr int RecordChangedByAnotherStation = 89;
inline constexpr int FileSystemError = 90;  // the storage layer's own failure
inline constexpr int DriverError = 100;     // the storage layer's own failure
inline constexpr int DdeInvalidChannel = 601;
inline constexpr int DdeChannelNotOpen = 602;
inline constexpr int DdeExecuteInvalid = 603;
inline constexpr int DdePokeInvalid = 604;
inline constexpr int DdeTimeout = 605;
}  // namespace err

// The standard text of a runtime error code ("" for 0, a generic text for
// codes the runtime does not name).
std::string_view standard_error_text(int code);

// Makes the calling thread's error status now, when it is not made yet.
// Thread-local objects are destroyed in the reverse order of their making, so
// a thread makes its error status before any thread-local object that sets it
// while it is destroyed (a data file closes as it goes, and closing sets the
// status); then the status outlives every such object.
void make_thread_error_state();

int error_code();
const std::string& error_text();
// Sets code and text; an empty text takes the code's standard text.
void set_error(int code, std::string_view text = {});
void clear_error();

// Sets the last error to `code` and returns it, for operations that report
// their outcome both ways.
inline int failed(int code) {
  set_error(code);
  return code;
}
// Clears the last error and returns 0.
inline int succeeded() {
  clear_error();
  return 0;
}

// For layers that report their own failure (codes 90 and 100) with their
// own wording and a code of their own, the way the error manager shows it.
int driver_error_code();
const std::string& driver_error_text();
void set_driver_error(int code, int driver_code, std::string_view driver_text);

// The thread's whole last error at one moment.
struct LastError {
  int code = 0;
  std::string text;
  int driver_code = 0;
  std::string driver_text;
};
LastError last_error();
// Makes the thread's last error exactly the given one.
void set_last_error(const LastError& error);

// Keeps the thread's whole last error across calls that must not change it:
// what it holds when the guard is made is put back when the guard goes.
class KeepLastError {
 public:
  KeepLastError() : saved_(last_error()) {}
  ~KeepLastError() { set_last_error(saved_); }
  KeepLastError(const KeepLastError&) = delete;
  KeepLastError& operator=(const KeepLastError&) = delete;

 private:
  LastError saved_;
};

}  // namespace qvn
