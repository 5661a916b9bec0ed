#pragma once
// Saves, when made, the program-wide state of this program's data that
// tests change, and puts it back when it goes: the settings (the table
// kSettings of data/globals.h), the five file-name variables
// (AppsFileName, ProjectsFileName, TempFileName, TagFileName, DosFileName),
// the folder the settings file is resolved against (anchor_settings_file),
// whether the retained subset's file was opened in this run, and the
// framework's state (framework_state.h).
//
// The settings file's folder is saved as it stands; where none was anchored
// yet, the guard anchors it in the working folder, as its first use would.
//
// A fixture holds one as a member, declared after the members its set-up
// hands to the error manager (a presenter, the vector a halt hook fills), so
// that the guard takes them out of the error manager before they go.

#include <cstdint>
#include <string>

#include "data/files.h"
#include "data/globals.h"
#include "support/framework_state.h"

namespace qvn::test_support {

class ProgramState {
 public:
  ProgramState();
  ~ProgramState();
  ProgramState(const ProgramState&) = delete;
  ProgramState& operator=(const ProgramState&) = delete;

 private:
  FrameworkState framework_;
  data::SettingsSnapshot settings_;
  decltype(data::AppsFileName) apps_;
  decltype(data::ProjectsFileName) projects_;
  decltype(data::TempFileName) temp_;
  decltype(data::TagFileName) tags_;
  decltype(data::DosFileName) dos_;
  std::string settings_folder_;
  bool tag_file_opened_;
};

}  // namespace qvn::test_support
