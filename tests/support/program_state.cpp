#include "support/program_state.h"

#include "data/retained_subset.h"
#include "data/settings_file.h"

namespace qvn::test_support {

ProgramState::ProgramState()
    : use_new_log_(data::GLO_UseNewLog),
      run_string_(data::GLO_RunString),
      file_path_(data::GLO_FilePath),
      retain_tags_(data::GLO_RETAINTAGS),
      apps_(data::AppsFileName),
      projects_(data::ProjectsFileName),
      temp_(data::TempFileName),
      tags_(data::TagFileName),
      dos_(data::DosFileName),
      settings_folder_(data::start_folder()),
      tag_file_opened_(data::tag_file_opened()) {}

ProgramState::~ProgramState() {
  data::GLO_UseNewLog = use_new_log_;
  data::GLO_RunString = run_string_;
  data::GLO_FilePath = file_path_;
  data::GLO_RETAINTAGS = retain_tags_;
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
