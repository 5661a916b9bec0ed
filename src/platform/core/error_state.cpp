#include "platform/core/error_state.h"

namespace qvn {

namespace {
// Made at the thread's first use of it, or earlier by make_thread_error_state.
LastError& state() {
  thread_local LastError error;
  return error;
}
}  // namespace

void make_thread_error_state() { state(); }

std::string_view standard_error_text(int code) {
  switch (code) {
    case err::NoError: return "";
    case err::FileNotFound: return "File Not Found";
    case err::PathNotFound: return "Path Not Found";
    case err::TooManyOpenFiles: return "Too Many Open Files";
    case err::AccessDenied: return "Access Denied";
    case err::EntryNotFound: return "Entry Not Found";
    case err::RecordNotAvailable: return "Record Not Available";
    case err::RecordNotFound: return "Record Not Found";
    case err::InvalidDataFile: return "Invalid Data File";
    case err::FileNotOpen: return "File Not Open";
    case err::CreatesDuplicateKey: return "Creates Duplicate Key";
    case err::RecordLocked: return "Record Is Already Locked";
    case err::InvalidFileName: return "Invalid Filename";
    case err::InvalidKeyFile: return "Keys Need Rebuilding";
    case err::InvalidRecordDeclaration: return "Invalid Record Declaration";
    case err::TransactionFailed: return "Unable to Log Transaction";
    case err::FileAlreadyOpen: return "File Already Open";
    case err::TransactionActive: return "LOGOUT Already Active";
    case err::RecordChangedByAnotherStation: return "Record Changed By Another Station";
    case err::FileSystemError: return "File System Error";
    case err::DriverError: return "Driver Error";
    case err::DdeInvalidChannel: return "Invalid DDE channel";
    case err::DdeChannelNotOpen: return "DDE channel is not open";
    case err::DdeExecuteInvalid: return "DDEexecute - invalid command";
    case err::DdePokeInvalid: return "DDEpoke - invalid command";
    case err::DdeTimeout: return "DDE transaction timed out";
    default: return "Unknown Error";
  }
}

int error_code() { return state().code; }
const std::string& error_text() { return state().text; }

void set_error(int code, std::string_view text) {
  LastError& e = state();
  e.code = code;
  e.text = text.empty() ? std::string(standard_error_text(code)) : std::string(text);
  if (code != err::FileSystemError && code != err::DriverError) {
    e.driver_code = 0;
    e.driver_text.clear();
  }
}

void clear_error() { state() = LastError{}; }

int driver_error_code() { return state().driver_code; }
const std::string& driver_error_text() { return state().driver_text; }

void set_driver_error(int code, int driver_code, std::string_view driver_text) {
  LastError& e = state();
  e.code = code;
  e.text = std::string(standard_error_text(code));
  e.driver_code = driver_code;
  e.driver_text = std::string(driver_text);
}

LastError last_error() { return state(); }

void set_last_error(const LastError& error) { state() = error; }

}  // namespace qvn
