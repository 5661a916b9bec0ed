// SelectApp: every application, read in one of two orders chosen by the
// tabs (by file name, by build priority). With the select request a row is
// picked by its button, Enter, a double-click or the right-click menu; the
// picker's Insert, Change and Delete run the application form.

#include "windows/select_app.h"

#include <memory>
#include <string>

#include "data/dictionary.h"
#include "data/files.h"
#include "platform/framework/browse_manager.h"
#include "platform/framework/procedure.h"
#include "platform/framework/request.h"
#include "platform/framework/window_manager.h"
#include "platform/ui/backend.h"
#include "platform/ui/window.h"
#include "platform/ui/window_def.h"
#include "windows/update_apps.h"

namespace qvn::windows {

namespace {

using namespace select_app;
using framework::level::Benign;
using ui::ControlKind;

ui::WindowDef P1_QUICKWINDOW() {
  using K = ControlKind;
  // clang-format off
  return ui::WindowDef{
      .label = "P1$QUICKWINDOW",
      .caption = "Select Application",
      .at = {0, 0, 358, 171},
      .font = {"MS Sans Serif", 8, false},
      .resizable = true,
      .help = "SelectApp",
      .controls = {
          {.id = BROWSE_1, .kind = K::List, .at = {8, 20, 342, 124},
           .format = "27R(2)|M~Priority~C(0)@n3@175L(2)|M~Drive & P ath~@s80@80L(2)|M~Application~@s50@",
           .msg = "Browsing Records", .vscroll = true, .immediate = true},
          {.id = SELECT_2, .kind = K::Button, .at = {82, 147, 52, 18}, .text = "&Add to Project",
           .icon = "ICON:Paste", .flat = true, .icon_left = true},
          {.id = INSERT_3, .kind = K::Button, .at = {134, 147, 52, 18}, .text = "&Insert",
           .icon = "C:\\ICONS\\INSERT.ICO", .flat = true, .icon_left = true},
          {.id = CHANGE_3, .kind = K::Button, .at = {186, 147, 52, 18}, .text = "Chan&ge",
           .icon = "Quill.ico", .is_default = true, .flat = true, .icon_left = true},
          {.id = DELETE_3, .kind = K::Button, .at = {239, 147, 52, 18}, .text = "&Delete",
           .icon = "C:\\ICONS\\DELETE.ICO", .flat = true, .icon_left = true},
          {.id = CURRENTTAB, .kind = K::Sheet, .at = {4, 4, 350, 162}},
          {.id = TAB_2, .kind = K::Tab, .parent = CURRENTTAB, .text = "APP &Name"},
          {.id = TAB_3, .kind = K::Tab, .parent = CURRENTTAB, .text = "&Priority"},
          {.id = CLOSE, .kind = K::Button, .at = {291, 147, 52, 18}, .text = "&Close", .icon = "Exit3.ico",
           .flat = true, .icon_left = true},
      },
  };
  // clang-format on
}

// Sort order 1 is APP:PriorityKey, 2 APP:DriveKey.
constexpr size_t kByPriority = 1;
constexpr size_t kByName = 2;

// The list follows the chosen tab: "&Priority" by priority, then file name;
// "APP &Name" by file name, then folder.
class AppsBrowse final : public framework::BrowseManager {
 public:
  explicit AppsBrowse(ui::Window& window) : window_(window) {}

  void ResetSort(bool force) override {
    (void)force;
    SetSort(window_.choice(CURRENTTAB) == 2 ? kByPriority : kByName);
  }

 private:
  ui::Window& window_;
};

class PickerWindow final : public framework::WindowManager {
 public:
  explicit PickerWindow(ui::Window& window) : WindowManager(window), browse_(window) {
    AddRelation(*data::apps_relation_manager);
    // Every update procedure number runs the application form.
    AddUpdateProcedure(1, UpdateApps);
  }

  int Init() override {
    if (const int answer = WindowManager::Init(); answer != Benign) return answer;
    FirstField = BROWSE_1;
    CancelControl = CLOSE;
    // The select button is hidden unless the picker selects; in select mode
    // the browse keeps the buffer to put back when nothing is picked.
    browse_.SelectControl = SELECT_2;
    browse_.Init(BROWSE_1, *data::apps_relation_manager, *this);
    if (Request != framework::request::View) {
      browse_.InsertControl = INSERT_3;
      browse_.ChangeControl = CHANGE_3;
      browse_.DeleteControl = DELETE_3;
    }
    browse_.PopupMenu = true;
    browse_.PopupStandardTexts = true;
    Open();
    browse_.AddSortOrder(data::APP_PriorityKey);
    browse_.SetThumbStep(framework::ThumbStep::Numeric);
    browse_.AddSortOrder(data::APP_DriveKey);
    browse_.SetThumbStep(framework::ThumbStep::Alphabetic);
    browse_.AddField(values::VarRef::of(data::APP.Priority));
    browse_.AddField(values::VarRef::of(data::APP.DRIVENPATH));
    browse_.AddField(values::VarRef::of(data::APP.APPLICATION));
    browse_.AddField(values::VarRef::of(data::APP.P_REF));
    browse_.ProcedureNumber = 1;
    return Benign;
  }

 private:
  AppsBrowse browse_;
};

}  // namespace

void SelectApp() {
  framework::run_window_procedure("SelectApp", "The application picker", P1_QUICKWINDOW(),
                                  [](ui::Window& w) { return PickerWindow(w); });
}

}  // namespace qvn::windows
