#include "automation/subsets.h"

#include "automation/main_window.h"
#include "data/dictionary.h"
#include "data/files.h"
#include "data/globals.h"
#include "data/retained_subset.h"
#include "platform/core/error_state.h"
#include "platform/storage/record_file.h"

namespace qvn::automation {

namespace {

namespace level = framework::level;

// Seconds the write-back waits for another program's hold on the data files.
constexpr int kWriteBackWaitSeconds = 10;

// TagFile ready for use under the name its name variable holds now. A file
// opened before under another name (the settings window may open it while
// the names do not carry the data folder yet) is closed and opened again,
// so that the subset is always read from and written to the data folder.
bool use_tagfile_under_its_name(int kind) {
  framework::FileManager& file = *data::tagfile_file_manager;
  if (data::TagFile.is_open() && data::TagFile.open_name() != data::TagFile.name()) {
    data::TagFile.close();
    file.USED = 0;
  }
  return file.UseFile(kind) == level::Benign;
}

}  // namespace

// A new run of the main window: whatever opened TF.TPS before was another run's.
ProjectSubsets::ProjectSubsets(MainWindow& main) : main_(main) { data::forget_tag_file_opened(); }

void ProjectSubsets::Toggle() {
  ui::Window& window = main_.window();
  // Without a listed row the ProjectApps buffer holds no application of
  // this list, only whatever was read last.
  if (window.choice(LIST_3) == 0) return;
  auto& SQ = main_.SQ;
  SQ->APPNAME = data::APPS1.APPLICATION.raw();
  if (SQ.get_by(&BuildEntry::APPNAME)) {
    SQ.erase();
  } else {
    SQ->APPNAME = data::APPS1.APPLICATION.raw();
    SQ->DRIVEPATH = data::APPS1.DRIVENPATH.raw();
    SQ->PRIORITY = data::APPS1.Priority;
    SQ->TARGET = data::APPS1.TARGET.raw();
    SQ.add_in_order(&BuildEntry::APPNAME);
  }
  window.select(LIST_3);
  window.post(ui::Event::ScrollDown, LIST_3);
  SetGenerateButton();
  main_.Reset(true);
}

void ProjectSubsets::UntagAll() {
  main_.SQ.free();
  main_.window().disable(GENERATESUBSET);
  main_.Reset(true);
}

bool ProjectSubsets::MarkRow() {
  main_.SQ->APPNAME = data::APPS1.APPLICATION.raw();
  main_.SubTagFlag = main_.SQ.get_by(&BuildEntry::APPNAME) ? 1 : 0;
  return main_.SubTagFlag == 1;
}

void ProjectSubsets::Load() {
  if (data::GLO_RETAINTAGS != 1 || loaded_) return;
  framework::FileManager& file = *data::tagfile_file_manager;
  file.Open();
  if (!use_tagfile_under_its_name(framework::use::Returns)) {
    // The file manager has reported it; the subset starts empty.
    file.Close();
    return;
  }
  loaded_ = true;
  data::note_tag_file_opened();
  auto& SQ = main_.SQ;
  SQ.free();
  data::TagFile.stream();
  data::TagFile.set_order(data::TAG_TagFileKey);
  while (data::TagFile.next() == err::NoError) {
    SQ->APPNAME = data::TAG.APPNAME.raw();
    SQ->DRIVEPATH = data::TAG.DRIVEPATH.raw();
    SQ->PRIORITY = data::TAG.PRIORITY;
    SQ->TARGET = data::TAG.TARGET.raw();
    SQ.add();
  }
  data::TagFile.flush();
  SetGenerateButton();
}

void ProjectSubsets::WriteBack() {
  if (!data::tag_file_opened()) return;
  data::forget_tag_file_opened();
  loaded_ = false;
  framework::FileManager& file = *data::tagfile_file_manager;
  if (data::GLO_RETAINTAGS == 1 && use_tagfile_under_its_name(framework::use::Corrupts)) {
    // The old entries go and the new ones come in one transaction, so a
    // failure on the way leaves the retained subset as it was.
    storage::Transaction transaction;
    if (transaction.start(kWriteBackWaitSeconds, {&data::TagFile}) == err::NoError &&
        data::TagFile.empty() == err::NoError) {
      auto& SQ = main_.SQ;
      for (size_t position = 1; position <= SQ.records(); ++position) {
        if (!SQ.get(position)) break;
        data::TagFile.clear_buffer();
        data::TAG.APPNAME = SQ->APPNAME.raw();
        data::TAG.DRIVEPATH = SQ->DRIVEPATH.raw();
        data::TAG.PRIORITY = SQ->PRIORITY;
        data::TAG.TARGET = SQ->TARGET.raw();
        // An entry the file's unique key refuses (the same name and folder
        // in another letter case) is lost from the retained file only.
        data::TagFile.add();
      }
      transaction.commit();
    }
  }
  file.Close();
}

void ProjectSubsets::SetGenerateButton() {
  if (main_.SQ.records() > 0) {
    main_.window().enable(GENERATESUBSET);
  } else {
    main_.window().disable(GENERATESUBSET);
  }
}

}  // namespace qvn::automation
