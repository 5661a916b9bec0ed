#include "data/activity_log.h"

#include <string>

#include "data/dictionary.h"
#include "data/files.h"
#include "data/globals.h"
#include "platform/core/error_state.h"
#include "platform/core/std_datetime.h"
#include "platform/framework/file_manager.h"

namespace qvn::data {

void ActivityLog::Open() {
  failure_told_ = false;
  if (tempfile_relation_manager) tempfile_relation_manager->Open();
}

void ActivityLog::Entry(std::string_view app, std::string_view text) {
  KeepLastError keep;
  TMP.APPS = app;
  const StandardMoment now = standard_now();
  TMP.DATE = now.date;
  TMP.CLOCK = now.time;
  TMP.EVENT = text;
  if (TempFile.add() == err::NoError || failure_told_) return;
  // Once a run: every entry after it would most likely fail the same way,
  // and the run itself does not depend on its log.
  failure_told_ = true;
  if (tempfile_file_manager) tempfile_file_manager->Throw(framework::Msg::AddFailed);
}

void ActivityLog::Error(std::string_view app) {
  Entry(app, "Error " + std::to_string(error_code()) + " " + std::string(clip(error_text())));
}

void ActivityLog::ClearRecord() { TempFile.clear_buffer(); }

void ActivityLog::StartFresh() {
  if (GLO_UseNewLog[0] == 'Y') TempFile.create();
}

void ActivityLog::Empty() {
  TempFile.lock();
  TempFile.empty();
  TempFile.unlock();
}

}  // namespace qvn::data
