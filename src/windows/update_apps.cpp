// UpdateApps: the user names the source file once, by its full path, and the
// form splits it into the folder and the file name; the user also names the
// target the build produces, the build priority and the tag. Before it saves
// the form insists that the source file exists, and it warns once about a
// target that does not, offering the source folder for a bare target.

#include "windows/update_apps.h"

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "data/dictionary.h"
#include "data/files.h"
#include "platform/core/error_state.h"
#include "platform/core/fixed_string.h"
#include "platform/files/file_tests.h"
#include "platform/framework/error_manager.h"
#include "platform/framework/procedure.h"
#include "platform/framework/request.h"
#include "platform/framework/window_manager.h"
#include "platform/storage/record_file.h"
#include "platform/ui/backend.h"
#include "platform/ui/event.h"
#include "platform/ui/window.h"
#include "platform/ui/window_def.h"

namespace qvn::windows {

namespace {

using namespace update_apps;
using ui::ControlKind;
using values::VarRef;

// The procedure's own variables.
struct Locals {
  FixedString<130> FULLNAME;  // the source file's full path, ?FULLNAME
  uint8_t TargetWarned = 0;   // 1 once Ok found the target missing; the test is then skipped
};

ui::WindowDef P1_FORMWINDOW(Locals& Loc) {
  using K = ControlKind;
  data::AppRecord& APP = data::APP;
  // clang-format off
  return ui::WindowDef{
      .label = "P1$FORMWINDOW",
      .caption = "Application Information",
      .at = {0, 0, 248, 115},
      .font = {"MS Sans Serif", 8, false},
      .center = true,
      .controls = {
          {.id = FULLNAME_PROMPT, .kind = K::Prompt, .at = {13, 11}, .text = "App. &Name:",
           .transparent = true},
          {.id = FULLNAME, .kind = K::Entry, .at = {53, 9, 172, 12},
           .tip = "Enter or select full path and name of .APP or .PRJ", .picture = "@s130",
           .msg = "Enter full path and name of .APP or .PRJ", .use = VarRef::of(Loc.FULLNAME), .upper = true},
          {.id = LOOKUPFILE, .kind = K::Button, .at = {226, 8, 13, 13}, .text = "...",
           .tip = "Select .APP or .PRJ", .skip = true},
          {.id = APP_DRIVENPATH_PROMPT, .kind = K::Prompt, .at = {7, 26, 45, 10}, .text = "Drive N Path:"},
          {.id = APP_DRIVENPATH, .kind = K::Entry, .at = {53, 24, 186, 12},
           .tip = "I'm read-only. Leave me alone.", .picture = "@s80", .use = VarRef::of(APP.DRIVENPATH),
           .read_only = true, .skip = true},
          {.id = APP_APPLICATION_PROMPT, .kind = K::Prompt, .at = {12, 41}, .text = "Application:"},
          {.id = APP_APPLICATION, .kind = K::Entry, .at = {53, 39, 186, 12},
           .tip = "I'm read-only. Leave me alone.", .picture = "@s50",
           .msg = "This is a read-only field; leave it alone.", .use = VarRef::of(APP.APPLICATION),
           .read_only = true, .skip = true},
          {.id = APP_TARGET_PROMPT, .kind = K::Prompt, .at = {27, 54}, .text = "Target:"},
          {.id = APP_TARGET, .kind = K::Entry, .at = {53, 54, 172, 12},
           .tip = "Enter or select full path and name of target", .picture = "@s250",
           .msg = "Enter full path and name of target", .use = VarRef::of(APP.TARGET), .required = true},
          {.id = LOOKUPFILE_2, .kind = K::Button, .at = {226, 54, 12, 12}, .text = "...",
           .tip = "Select target.", .skip = true},
          {.id = STRING1, .kind = K::String, .at = {53, 68},
           .text = "\"Target\" must include path, file name and extension", .transparent = true},
          {.id = APP_PRIORITY_PROMPT, .kind = K::Prompt, .at = {24, 85}, .text = "Priority:"},
          {.id = APP_PRIORITY, .kind = K::Spin, .at = {53, 85, 25, 10},
           .tip = "This is a Byte variable. 1-255 only, please.", .picture = "@n3", .use = VarRef::of(APP.Priority),
           .range_low = 1, .range_high = 255, .step = 1, .required = true},
          {.id = STRING2, .kind = K::String, .at = {82, 75}, .text = "and match Project settings.",
           .transparent = true},
          {.id = APP_TAG, .kind = K::Check, .at = {53, 98}, .text = "Tag", .tip = "Mark for making.",
           .use = VarRef::of(APP.TAG)},
          {.id = OK, .kind = K::Button, .at = {154, 96, 40, 12}, .text = "&Ok", .tip = "Looks good; save it.",
           .is_default = true, .req = true},
          {.id = CANCEL, .kind = K::Button, .at = {199, 96, 40, 12}, .text = "&Cancel", .tip = "Forget it."},
      },
  };
  // clang-format on
}

// Both dialogs leave the working folder where it was: the data files, the
// settings file and bare target names are found there.
ui::FileDialogDef source_dialog() {
  return {.title = "Choose a File",
          .filters = {{"Application files", "*.app"}, {"Dictionary Files", "*.dct"}, {"Projects", "*.prj"}},
          .keep_folder = true};
}

ui::FileDialogDef target_dialog() {
  return {.title = "Set Target",
          .filters = {{"Executable files", "*.EXE"}, {"DLLs", "*.DLL"}, {"Libraries", "*.LIB"}},
          .keep_folder = true};
}

constexpr const char* kRefused = "Don't Do That!";
constexpr const char* kSourceMissing =
    "Source file not found, fool. Press DosFileLookUp button to call File Lookup Dialog.";
constexpr const char* kTooLong =
    "That path is too long to keep. The folder may have at most 80 characters and the file name at most 50.";
constexpr const char* kUseAppFolder =
    "Well, I couldn't find the target you entered. Use .APP directory for target also?";

// Where the folder of a full name ends: just after its last "\" or "/", so
// that a folder written with either stays as it is; 0 without a folder.
size_t folder_end(std::string_view name) {
  const size_t last = name.find_last_of("\\/");
  return last == std::string_view::npos ? 0 : last + 1;
}

// The working folder with a closing "/"; empty when it cannot be told.
std::string working_folder() {
  std::error_code ec;
  std::string folder = std::filesystem::current_path(ec).string();
  if (ec || folder.empty()) return {};
  if (folder.back() != '/') folder += '/';
  return folder;
}

// The regular file a full name names, as spelled on disk ("/" between its
// parts, whichever separator the name had), or "" when there is none. The
// case of the letters does not count (a typed name shows in upper case); a
// name without a folder is looked for in the working folder and comes back
// with that folder, so it never reads as the root's. A name that ends in a
// separator names no file.
std::string find_source(const std::string& full_name) {
  if (full_name.empty()) return {};
  const std::string name = folder_end(full_name) == 0 ? working_folder() + full_name : full_name;
  const std::optional<std::string> found = files::find_regular_file(name);
  if (!found || folder_end(*found) >= found->size()) return {};
  return *found;
}

std::string upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// True when another application on file is the file the buffer names with
// its folder spelled otherwise: with "\" where the buffer has "/", as names
// were stored before they were kept with "/". APP:DriveKey, without regard
// to case on the file name and the folder, refuses the same spelling only.
// `own`, when given, is the record being changed, as it is on file; it is
// not another application. The file is read through a second instance,
// opened under the path the form's own was opened under, so that the record
// the form read stays the current one.
bool same_file_spelled_otherwise(const data::AppRecord* own) {
  storage::RecordFile& apps = data::Apps;
  if (!apps.is_open()) return false;
  storage::FileDef def = apps.def();
  std::string path = apps.open_path();
  def.name_var = path.data();
  def.name_width = path.size();
  data::AppRecord other;
  storage::RecordFile probe(def, &other);
  if (probe.open(storage::kReadOnly | storage::kDenyNone) != err::NoError) return false;
  const std::string name = upper(data::APP.APPLICATION.clipped());
  const std::string folder = upper(data::APP.DRIVENPATH.clipped());
  const std::string own_folder = own ? upper(own->DRIVENPATH.clipped()) : std::string();
  // The records of this file name, from the first in the key's order.
  other.APPLICATION = data::APP.APPLICATION.raw();
  bool found = false;
  if (probe.set_order_from_buffer(data::APP_DriveKey) == err::NoError) {
    while (!found && probe.next() == err::NoError && upper(other.APPLICATION.clipped()) == name) {
      const std::string spelled = upper(other.DRIVENPATH.clipped());
      if (own && name == upper(own->APPLICATION.clipped()) && spelled == own_folder) continue;
      found = spelled != folder && files::native_name(spelled) == files::native_name(folder);
    }
  }
  probe.close();
  return found;
}

class FormWindow final : public framework::WindowManager {
 public:
  FormWindow(ui::Window& window, Locals& locals) : WindowManager(window), Loc(locals) {
    AddUpdateFile(*data::apps_file_manager);
    AddRelation(*data::apps_relation_manager);
    Primary = data::apps_relation_manager;
    Captions = {.view = "View Record", .insert = "Record will be Added", .change = "Record will be Changed"};
    FirstField = FULLNAME_PROMPT;
    CancelControl = CANCEL;
    CancelAction = framework::cancel_action::Close;
  }

  int Init() override {
    Loc.FULLNAME = data::APP.DRIVENPATH.str() + data::APP.APPLICATION.str();
    return InitForm(OK);
  }

  int TakeAccepted() override {
    const int control = window().accepted();
    if (control == OK && !OkAllowed()) return framework::level::Notify;
    const int result = WindowManager::TakeAccepted();
    switch (control) {
      case FULLNAME:
        Split();
        // The folder's prompt passes the focus to the next control Tab
        // reaches: the target, as the read-only entries are out of the Tab order.
        window().select(APP_DRIVENPATH_PROMPT);
        break;
      case APP_DRIVENPATH: CheckFolder(); break;
      case LOOKUPFILE: ChooseSource(); break;
      case LOOKUPFILE_2:
        data::APP.TARGET = ui::open_file(target_dialog());
        window().display();
        break;
      default: break;
    }
    return result;
  }

  // An application on file under another spelling of its folder is refused
  // as the key refuses one of the same spelling: the form stays open with
  // the focus on its first field.
  int TakeCompleted() override {
    data::AppRecord own;
    const bool change = Request == framework::request::Change && CallersRecord(&own);
    const bool storing = Request == framework::request::Insert || change;
    if (storing && same_file_spelled_otherwise(change ? &own : nullptr)) {
      framework::FileManager& apps = *data::apps_file_manager;
      apps.Throw(framework::Msg::DuplicateKey, apps.KeyName(data::APP_DriveKey));
      window().select(FirstField);
      return framework::level::Notify;
    }
    return WindowManager::TakeCompleted();
  }

 private:
  // The folder up to and including the last separator, the file name after it.
  void Split() {
    const std::string_view full = Loc.FULLNAME.raw();
    const size_t end = folder_end(clip(full));
    data::APP.DRIVENPATH = full.substr(0, end);
    data::APP.APPLICATION = full.substr(end);
    window().display();
  }

  // The stored folder ends in a separator; an empty one becomes "/".
  void CheckFolder() {
    const std::string folder = data::APP.DRIVENPATH.str();
    if (folder.empty() || (folder.back() != '\\' && folder.back() != '/')) {
      data::APP.DRIVENPATH = folder + "/";
      window().display(APP_DRIVENPATH);
    }
  }

  void ChooseSource() {
    chosen_ = ui::open_file(source_dialog());
    Loc.FULLNAME = chosen_;
    window().display();
    Split();
    window().select(APP_TARGET);
  }

  // The full name the entry stands for: the dialog's choice whole when the
  // entry could hold only its start, otherwise what the entry holds.
  std::string FullName() const {
    if (chosen_.size() > Loc.FULLNAME.width && Loc.FULLNAME.raw() == FixedString<130>(chosen_).raw()) return chosen_;
    return Loc.FULLNAME.str();
  }

  // The source and target tests of Ok; false when this Ok saves nothing.
  bool OkAllowed() {
    const std::string source = find_source(FullName());
    if (source.empty()) {
      Refuse(kSourceMissing, LOOKUPFILE);
      return false;
    }
    const size_t end = folder_end(source);
    if (end > data::APP.DRIVENPATH.width || source.size() - end > data::APP.APPLICATION.width) {
      Refuse(kTooLong, FULLNAME);
      return false;
    }
    Loc.FULLNAME = source;
    Split();
    // A target typed with "\" between its folders is kept with "/".
    data::APP.TARGET = files::native_name(data::APP.TARGET.raw());
    window().display(APP_TARGET);
    if (Loc.TargetWarned == 0 && !files::find_regular_file(data::APP.TARGET.str())) {
      Loc.TargetWarned = 1;
      ui::beep();
      if (folder_end(data::APP.TARGET.clipped()) == 0) {
        const int answer =
            ui::message(kUseAppFolder, "Confirm", ui::MessageIcon::Question, ui::button::Yes | ui::button::No);
        if (answer != ui::button::No) {
          data::APP.TARGET = data::APP.DRIVENPATH.str() + data::APP.TARGET.str();
          window().display();
        }
      }
      window().select(APP_TARGET);
      return false;
    }
    return true;
  }

  void Refuse(const char* text, int focus) {
    ui::beep();
    ui::message(text, kRefused, ui::MessageIcon::Stop, ui::button::Ok);
    window().select(focus);
  }

  Locals& Loc;
  std::string chosen_;
};

}  // namespace

void UpdateApps() {
  Locals Loc;
  framework::run_window_procedure("UpdateApps", "The application form", P1_FORMWINDOW(Loc),
                                  [&Loc](ui::Window& w) { return FormWindow(w, Loc); });
}

}  // namespace qvn::windows
