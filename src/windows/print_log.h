#pragma once
// PrintLog, the activity-log report: every entry of the log in the order the
// file holds them, one line each under the title "QVN5.5 Activity Log", read
// behind a progress window with a Cancel button and shown in the print
// preview, from which the user prints the pages. An empty log is told with
// "Go Away" and prints nothing.

namespace qvn::windows {

// The procedure: no parameters and no request; GlobalResponse is completed
// once every entry was read, cancelled for an empty log or after Cancel.
void PrintLog();

}  // namespace qvn::windows

namespace qvn::windows::print_log {

// Field numbers of P11$PROGRESSWINDOW's controls, in the order of the structure,
// which declares each control by its name here.
enum Field : int {
  PROGRESS_THERMOMETER = 1,
  PROGRESS_USERSTRING,
  PROGRESS_PCTTEXT,
  PROGRESS_CANCEL,
};

}  // namespace qvn::windows::print_log
