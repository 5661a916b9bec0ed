#include "support/program_state.h"

#include "data/retained_subset.h"
#include "data/settings_file.h"

namespace qvn::test_support {

ProgramState::ProgramState()
    : apps_(data::AppsFileName),
      projects_(data::ProjectsFileName),
      temp_(data::TempFileName),
      tags_(data::TagFileName),
      dos_(data::DosFileName),
      settings_folder_(data::start_folder()),
      tag_file_opened_(data::tag_file_opened()) {}

ProgramState::~ProgramState() {
  settings_.put_back();
  data::AppsFileName = apps_;
  data::ProjectsFileName = projects_;
  data::TempFileName = temp_;
  data::TagFileName = tags_;
  data::DosFileName = dos_;
  data::anchor_settings_file(settings_folder_);
  if (tag_file_opened_) {
    data::note_tag_file_opened();
  } else {
    data::forget_tag_file_opened();
  }
}

}  // namespace qvn::test_support
