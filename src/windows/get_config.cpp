#include "windows/get_config.h"

#include <memory>
#include <string>
#include <vector>

#include "data/dictionary.h"
#include "data/files.h"
#include "data/globals.h"
#include "data/retained_subset.h"
#include "data/settings_file.h"
#include "platform/files/native_path.h"
#include "platform/framework/procedure.h"
#include "platform/framework/request.h"
#include "platform/framework/window_manager.h"
#include "platform/process/command_line.h"
#include "platform/storage/record_file.h"
#include "platform/ui/backend.h"
#include "platform/ui/window.h"

namespace qvn::windows {

namespace {

using namespace get_config;
using ui::ControlKind;
using values::VarRef;
namespace level = framework::level;

// The window's controls edit the settings themselves.
ui::WindowDef P1_WINDOW() {
  using K = ControlKind;
  // clang-format off
  return ui::WindowDef{
      .label = "P1$WINDOW",
      .caption = "QVN \"Menu\"",
      .at = {0, 0, 375, 105},
      .font = {"MS Sans Serif", 8, false},
      .controls = {
          {.id = PROMPT1, .kind = K::Prompt, .at = {11, 9},
           .text = "Create a &new activity log each time you start QVN?"},
          {.id = GLO_USENEWLOG, .kind = K::Option, .at = {177, 1, 69, 23},
           .use = VarRef::of(data::GLO_UseNewLog)},
          {.id = GLO_USENEWLOG_RADIO1, .kind = K::Radio, .parent = GLO_USENEWLOG, .at = {183, 9},
           .text = "No", .value_on = "N"},
          {.id = GLO_USENEWLOG_RADIO2, .kind = K::Radio, .parent = GLO_USENEWLOG, .at = {209, 9},
           .text = "Yes", .value_on = "Y"},
          {.id = GLO_RUNSTRING_PROMPT, .kind = K::Prompt, .at = {11, 31},
           .text = "Command &String to start Clarion:"},
          {.id = GLO_RUNSTRING, .kind = K::Entry, .at = {115, 31, 231, 10}, .picture = "s254",
           .use = VarRef::of(data::GLO_RunString), .required = true},
          {.id = LOOKUPFILE, .kind = K::Button, .at = {349, 29, 12, 12}, .text = "..."},
          {.id = GLO_FILEPATH, .kind = K::Entry, .at = {115, 47, 231, 10}, .picture = "s64",
           .use = VarRef::of(data::GLO_FilePath)},
          {.id = PROMPT3, .kind = K::Prompt, .at = {11, 47}, .text = "&Path to QVN files:"},
          {.id = BUTTON4, .kind = K::Button, .at = {349, 46, 11, 11}, .text = " ... "},
          {.id = GLO_RETAINTAGS, .kind = K::Check, .at = {115, 63},
           .text = " Save and restore project subset tags", .use = VarRef::of(data::GLO_RETAINTAGS),
           .value_on = "1", .value_off = "0"},
          {.id = OKBUTTON, .kind = K::Button, .at = {143, 82, 35, 14}, .text = "&Ok", .is_default = true},
          {.id = CANCELBUTTON, .kind = K::Button, .at = {187, 82, 36, 14}, .text = "&Cancel"},
      },
  };
  // clang-format on
}

class GetConfigWindow final : public framework::WindowManager {
 public:
  explicit GetConfigWindow(ui::Window& window) : WindowManager(window) {}

  int Init() override;
  int TakeAccepted() override;
  int Kill() override;

 private:
  int Ok();
  void KeepTagFile(bool keep);
  void LookupFile();
  void ChooseFolder();
  void TakeTypedFolder();
  bool FolderFits(std::string_view folder);

  // The settings as they were when the window opened; a close without Ok
  // puts them back, so that nothing the user left unsaved is used.
  data::SettingsSnapshot before_;
  // The folder last accepted, which a folder that does not fit leaves.
  decltype(data::GLO_FilePath) folder_kept_;
  ui::FileDialogDef file_selector_;
};

int GetConfigWindow::Init() {
  before_ = data::SettingsSnapshot{};
  if (int answer = WindowManager::Init(); answer != level::Benign) return answer;
  FirstField = PROMPT1;
  Open();
  // The window shows what the file holds, whatever the settings held before;
  // a value too long for its entry shows cut to it, and the user is told.
  if (const std::vector<std::string> too_long = data::read_settings_to_edit(); !too_long.empty()) {
    ui::message(data::settings_message(too_long), "Settings", ui::MessageIcon::Stop);
  }
  folder_kept_ = data::GLO_FilePath;
  file_selector_ = ui::FileDialogDef{
      .title = "Choose a File",
      .filters = {{"Executables", "*.EXE"}},
      .start_folder = "/clarion6/bin",
      .keep_folder = true,
  };
  return level::Benign;
}

int GetConfigWindow::TakeAccepted() {
  const int control = window().accepted();
  if (control == OKBUTTON) return Ok();
  if (control == CANCELBUTTON) {
    Response = framework::response::Cancelled;
    return level::Fatal;
  }
  const int answer = WindowManager::TakeAccepted();
  switch (control) {
    case LOOKUPFILE: LookupFile(); break;
    case BUTTON4: ChooseFolder(); break;
    case GLO_FILEPATH: TakeTypedFolder(); break;
    default: break;
  }
  return answer;
}

// Without a command line the focus goes to it and nothing else happens. A
// settings file that cannot be written is told and the window stays open,
// so that the user may try again or cancel.
int GetConfigWindow::Ok() {
  if (window().incomplete() != 0) return level::Notify;
  if (const std::string problem = data::write_settings_file(); !problem.empty()) {
    ui::message(problem, "Settings", ui::MessageIcon::Stop);
    return level::Notify;
  }
  KeepTagFile(data::GLO_RETAINTAGS == 1);
  Response = framework::response::Completed;
  return level::Fatal;
}

// With the box ticked the tag file is made sure of: opened, used and closed
// again, so that the settings leave it open under no name; the main window
// then writes the subset back to it at close. With it clear the
// file is removed; a file this program holds open cannot be, so the opens
// counted on it are given up first. A removal that fails is not reported.
//
// It is the tag file the main window uses: under its name once that names
// the data folder. At start the main window asks for missing settings before
// it puts the folder in front of the names; the file is then the one the
// name is about to get, and only when that folder can be used at all (the
// main window asks for another one otherwise).
void GetConfigWindow::KeepTagFile(bool keep) {
  const storage::NameVar name = data::TagFileName;
  const std::string in_folder = data::in_data_folder(name.clipped());
  if (in_folder != files::native_path(name.clipped()) && !data::data_folder_problem().empty()) return;
  data::TagFileName = in_folder;
  framework::FileManager& file = *data::tagfile_file_manager;
  if (keep) {
    file.Open();
    if (file.UseFile(framework::use::Returns) == level::Benign) data::note_tag_file_opened();
    file.Close();
  } else {
    while (file.OPENED > 0) file.Close();
    storage::remove_file(data::TagFileName.clipped());
  }
  data::TagFileName = name;
}

// The chosen program is stored as this platform names it and, when its name
// holds a blank, in quotes, so that the command line starts it. A cancelled
// dialog, or a name too long for the command line, keeps the line as it was.
void GetConfigWindow::LookupFile() {
  Update();
  const std::string chosen = ui::open_file(file_selector_);
  if (!chosen.empty()) {
    const std::string line = process::command_line_word(chosen);
    if (line.size() <= decltype(data::GLO_RunString)::capacity) {
      data::GLO_RunString = line;
    } else {
      ui::message("The name of " + line + " is longer than the command line's " +
                      std::to_string(decltype(data::GLO_RunString)::capacity) +
                      " characters, so the command line is kept as it was.",
                  "Choose a File", ui::MessageIcon::Stop);
    }
  }
  window().display();
}

// The chosen folder ends in its separator; a cancelled dialog keeps the
// folder as it was.
void GetConfigWindow::ChooseFolder() {
  Update();
  const std::string chosen =
      ui::choose_folder({.title = "Select FPT Directory", .start_folder = std::string(data::GLO_FilePath.clipped())});
  if (!chosen.empty() && FolderFits(chosen)) {
    data::GLO_FilePath = chosen;
    folder_kept_ = data::GLO_FilePath;
  }
  window().display();
}

// A folder typed with "\" between its parts is kept with "/".
void GetConfigWindow::TakeTypedFolder() {
  data::GLO_FilePath = files::native_path(data::GLO_FilePath.raw());
  window().display(GLO_FILEPATH);
  if (FolderFits(data::GLO_FilePath.clipped())) {
    folder_kept_ = data::GLO_FilePath;
    return;
  }
  data::GLO_FilePath = folder_kept_;
  window().display(GLO_FILEPATH);
  window().select(GLO_FILEPATH);
}

// A folder that leaves a data-file name no room in its 64 characters is
// refused with a message.
bool GetConfigWindow::FolderFits(std::string_view folder) {
  const std::string problem = data::data_folder_too_long(folder);
  if (problem.empty()) return true;
  ui::message(problem, "Data Folder", ui::MessageIcon::Stop);
  return false;
}

int GetConfigWindow::Kill() {
  if (int answer = WindowManager::Kill(); answer != level::Benign) return answer;
  if (Response != framework::response::Completed) before_.put_back();
  return level::Benign;
}

}  // namespace

void GetConfig() {
  framework::run_window_procedure("GetConfig", "The settings window", P1_WINDOW(),
                                  [](ui::Window& w) { return GetConfigWindow(w); });
}

}  // namespace qvn::windows
