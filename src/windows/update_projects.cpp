// UpdateProjects: a project's name and the list of its applications. The
// user names the project, adds applications by picking them in SelectApp,
// takes them out again, and opens the application form on one of them. An
// application belongs to at most one project through its APP:P_REF; those
// links are stored at once, the project's name only by Ok.

#include "windows/update_projects.h"

#include <memory>
#include <string>

#include "data/dictionary.h"
#include "data/files.h"
#include "platform/framework/browse_manager.h"
#include "platform/framework/procedure.h"
#include "platform/framework/request.h"
#include "platform/framework/window_manager.h"
#include "platform/ui/backend.h"
#include "platform/ui/event.h"
#include "platform/ui/window.h"
#include "platform/ui/window_def.h"
#include "windows/select_app.h"
#include "windows/update_apps.h"

namespace qvn::windows {

namespace {

using namespace update_projects;
using framework::level::Benign;
using ui::ControlKind;
using values::VarRef;

ui::WindowDef P1_QUICKWINDOW() {
  using K = ControlKind;
  const values::Font bold{"MS Sans Serif", 8, true};
  // clang-format off
  return ui::WindowDef{
      .label = "P1$QUICKWINDOW",
      .caption = "Projects",
      .at = {0, 0, 311, 238},
      .font = {"MS Sans Serif", 8, false},
      .resizable = true,
      .controls = {
          {.id = CURRENTTAB, .kind = K::Sheet, .at = {4, 4, 301, 214}},
          {.id = TAB_1, .kind = K::Tab, .parent = CURRENTTAB, .text = "General"},
          {.id = PRO_PROJECTNAME_PROMPT, .kind = K::Prompt, .parent = TAB_1, .at = {8, 26},
           .text = "Project Name:", .font = bold},
          {.id = PRO_PROJECTNAME, .kind = K::Entry, .parent = TAB_1, .at = {64, 26, 204, 10},
           .picture = "@s50", .use = VarRef::of(data::PRO.PROJECTNAME), .required = true},
          {.id = GROUP1, .kind = K::Group, .parent = TAB_1, .at = {12, 46, 285, 164}},
          {.id = STRING1, .kind = K::String, .parent = GROUP1, .at = {22, 49},
           .text = "Project Applications:", .font = bold},
          {.id = BROWSE_2, .kind = K::List, .parent = GROUP1, .at = {22, 60, 260, 128},
           .format = "26L(1)|M~Priority~C(0)@n3@113L|M~Drive & P ath~@s80@200L(1)|M~Application~@s50@",
           .msg = "Browsing Records", .vscroll = true, .immediate = true},
          {.id = ADDAPPBUTTON, .kind = K::Button, .parent = GROUP1, .at = {126, 192, 45, 14},
           .text = "&Add App", .tip = "Select an application for this project",
           .msg = "Add an application to the project", .hot_key = ui::key::Insert},
          {.id = REMOVEAPPBUTTON, .kind = K::Button, .parent = GROUP1, .at = {175, 192, 47, 14},
           .text = "&Remove App", .tip = "Remove app from project", .msg = "Remove app from project",
           .hot_key = ui::key::Delete},
          {.id = CHANGE_3, .kind = K::Button, .parent = GROUP1, .at = {226, 192, 45, 14},
           .text = "Chan&ge"},
          {.id = OK, .kind = K::Button, .at = {175, 222, 45, 14}, .text = "&Ok", .is_default = true},
          {.id = CANCEL, .kind = K::Button, .at = {226, 222, 45, 14}, .text = "&Cancel"},
      },
  };
  // clang-format on
}

// The form's history copy, the thread's own: the project record as it stood
// at the last Ok on this thread, blank before the first.
thread_local data::ProjectRecord history;

class ProjectForm final : public framework::WindowManager {
 public:
  explicit ProjectForm(ui::Window& window) : WindowManager(window) {
    HistoryKey = ui::key::CtrlApostrophe;
    AddHistoryFile(&history);
    AddHistoryField(PRO_PROJECTNAME, 1);
    AddUpdateFile(*data::projects_file_manager);
    AddRelation(*data::apps_relation_manager, true);
    // Every update procedure number runs the application form.
    AddUpdateProcedure(1, UpdateApps);
    Primary = data::projects_relation_manager;
    Captions = {.view = "View Record", .insert = "New Project", .change = "Project will be Updated", .other = ""};
  }

  int Init() override {
    if (const int answer = WindowManager::Init(); answer != Benign) return answer;
    FirstField = PRO_PROJECTNAME_PROMPT;
    CancelControl = CANCEL;
    if (const int used = data::projects_file_manager->UseFile(framework::use::Returns); used != Benign) return used;
    CancelAction =
        Request == framework::request::View ? framework::cancel_action::Close : framework::cancel_action::AskSave;
    // A delete is done by now, and the window need not open.
    if (StartForm(OK) != Benign) return framework::level::Notify;
    browse_.Init(BROWSE_2, *data::apps_relation_manager, *this);
    if (Request != framework::request::View) browse_.ChangeControl = CHANGE_3;
    browse_.PopupMenu = true;
    browse_.PopupStandardTexts = true;
    Open();
    browse_.AddSortOrder(data::APP_P_RefKey);
    browse_.AddRange("APP:P_REF", VarRef::of(data::PRO.P_REF));
    browse_.AppendOrder("APP:Priority");
    browse_.AddField(VarRef::of(data::APP.Priority));
    browse_.AddField(VarRef::of(data::APP.DRIVENPATH));
    browse_.AddField(VarRef::of(data::APP.APPLICATION));
    browse_.AddField(VarRef::of(data::APP.P_REF));
    browse_.ProcedureNumber = 1;
    return Benign;
  }

  int TakeAccepted() override {
    const int control = window().accepted();
    const int result = WindowManager::TakeAccepted();
    switch (control) {
      case ADDAPPBUTTON: AddApp(); break;
      case REMOVEAPPBUTTON: RemoveApp(); break;
      case OK: Update(); break;
      default: break;
    }
    return result;
  }

 private:
  // The picked application joins this project, leaving any other it was in.
  // The picker hands back only the fields it lists, so the whole record is
  // read again by its name and folder; when it is no longer there nothing is
  // stored. A view changes no membership.
  void AddApp() {
    if (Request == framework::request::View) return;
    Update();
    data::APP.APPLICATION = "";
    data::APP.DRIVENPATH = "";
    if (framework::call_procedure(SelectApp, framework::request::Select) == framework::response::Completed &&
        data::apps_file_manager->Fetch(data::APP_DriveKey) == 0) {
      data::APP.P_REF = data::PRO.P_REF;
      data::apps_relation_manager->Update();
      window().select(BROWSE_2);
    }
    framework::GlobalResponse = framework::response::Cancelled;
    Reset(true);
  }

  // The selected application leaves the project and stays in the
  // application list. When its record cannot be read again (an empty list,
  // or deleted meanwhile) nothing is stored. A view changes no membership.
  void RemoveApp() {
    if (Request == framework::request::View) return;
    Update();
    const int answer = ui::message("Are you sure you want to remove this app from the project?", "Confirm",
                                   ui::MessageIcon::Stop, ui::button::Yes | ui::button::No);
    if (answer == ui::button::Yes) {
      browse_.UpdateBuffer();
      if (browse_.Records() > 0 && data::apps_file_manager->Fetch(data::APP_DriveKey) == 0) {
        data::APP.P_REF = 0;
        data::apps_relation_manager->Update();
        data::Apps.get_pointer(0);
      }
      window().select(BROWSE_2);
    }
    Reset(true);
    window().select(BROWSE_2);
  }

  framework::BrowseManager browse_;
};

}  // namespace

void UpdateProjects() {
  framework::run_window_procedure("UpdateProjects", "The project form", P1_QUICKWINDOW(),
                                  [](ui::Window& w) { return ProjectForm(w); });
}

}  // namespace qvn::windows
