#pragma once
// ViewEvents, the activity-log browse: every entry of the log in date and
// time order, the application's name shown only where it changes. From it
// an entry is corrected or deleted through the record form, and the whole
// log is printed. An empty log is said so, and the browse closes.

#include "platform/core/fixed_string.h"

namespace qvn::windows {

// No parameters and no request; GlobalResponse is cancelled when it returns.
void ViewEvents();

}  // namespace qvn::windows

namespace qvn::windows::view_events {

// Field numbers of P1$BROWSEWINDOW's controls, in the order of the structure,
// which declares each control by its name here.
enum Field : int {
  LIST = 1,
  INSERT,
  CHANGE,
  DELETE,
  PRINTLOG,
  CLOSE,
};

// The procedure's own variables, blank when it starts.
struct Locals {
  FixedString<40> AppName;      // Loc:AppName, the name the line being made shows: TMP:APPS or blank
  FixedString<40> LastAppName;  // Loc:LastAppName, TMP:APPS of the line made just before
};

}  // namespace qvn::windows::view_events
