#pragma once
// GetConfig, the settings window: whether a fresh activity log starts at
// every start, the command line that starts the development environment,
// the data folder and whether the project subset is kept between runs,
// shown as the settings file holds them and written back to it by Ok.

namespace qvn::windows {

// The procedure: no parameters and no request; GlobalResponse is completed
// after Ok, cancelled otherwise, and then the settings are as they were.
void GetConfig();

}  // namespace qvn::windows

namespace qvn::windows::get_config {

// Field numbers of P1$WINDOW's controls, in the order of the structure,
// which declares each control by its name here.
enum Field : int {
  PROMPT1 = 1,
  GLO_USENEWLOG,
  GLO_USENEWLOG_RADIO1,
  GLO_USENEWLOG_RADIO2,
  GLO_RUNSTRING_PROMPT,
  GLO_RUNSTRING,
  LOOKUPFILE,
  GLO_FILEPATH,
  PROMPT3,
  BUTTON4,
  GLO_RETAINTAGS,
  OKBUTTON,
  CANCELBUTTON,
};

}  // namespace qvn::windows::get_config
