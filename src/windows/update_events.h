#pragma once
// UpdateEvents, the record form of one activity-log entry: its application,
// date, time and event shown and written back by Ok (change), or the entry
// deleted after the confirmation without the form showing (delete). The
// caller leaves the request in GlobalRequest and the entry in the TempFile
// record buffer; the form leaves its response in GlobalResponse.

namespace qvn::windows {

void UpdateEvents();

}  // namespace qvn::windows

// Field numbers of P17$FORMWINDOW's controls, in the order of the structure,
// which declares each control by its name here.
namespace qvn::windows::update_events {

enum Field : int {
  OK = 1,
  CANCEL,
  TMP_APPS_PROMPT,
  TMP_DATE,
  TMP_DATE_PROMPT,
  TMP_APPS,
  TMP_CLOCK_PROMPT,
  TMP_CLOCK,
  TMP_EVENT_PROMPT,
  TMP_EVENT,
};

}  // namespace qvn::windows::update_events
