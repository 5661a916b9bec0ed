// UpdateEvents: one entry of the activity log, its four fields editable and
// written back by Ok when they changed. A delete is carried out after the
// confirmation before the window would open, so the window never shows.
// The form checks nothing of its own; the entries take what their pictures
// read.

#include "windows/update_events.h"

#include <memory>
#include <string>

#include "data/dictionary.h"
#include "data/files.h"
#include "platform/framework/procedure.h"
#include "platform/framework/request.h"
#include "platform/framework/window_manager.h"
#include "platform/ui/backend.h"
#include "platform/ui/window.h"
#include "platform/ui/window_def.h"

namespace qvn::windows {

namespace {

using namespace update_events;
using ui::ControlKind;
using values::VarRef;

// Light green; the entries keep the platform's white.
constexpr long long kLightGreen = 0x80FF80;

// The date entry comes before the application's in field order, so Tab
// goes date, application, time, event although they read top to bottom
// application, date, time, event.
ui::WindowDef P17_FORMWINDOW() {
  using K = ControlKind;
  data::TempRecord& TMP = data::TMP;
  // clang-format off
  return ui::WindowDef{
      .label = "P17$FORMWINDOW",
      .caption = "DDE Activity Record",
      .at = {0, 0, 184, 86},
      .color = kLightGreen,
      .controls = {
          {.id = OK, .kind = K::Button, .at = {72, 70, 40, 12}, .text = "&Ok", .is_default = true},
          {.id = CANCEL, .kind = K::Button, .at = {142, 67, 40, 12}, .text = "Cancel", .hidden = true,
           .disabled = true},
          {.id = TMP_APPS_PROMPT, .kind = K::Prompt, .at = {13, 6}, .text = "App.:"},
          {.id = TMP_DATE, .kind = K::Entry, .at = {32, 20, 43, 12}, .picture = "@d1",
           .use = VarRef::of(TMP.DATE)},
          {.id = TMP_DATE_PROMPT, .kind = K::Prompt, .at = {11, 22}, .text = "Date:"},
          {.id = TMP_APPS, .kind = K::Entry, .at = {32, 4}, .picture = "@s40", .use = VarRef::of(TMP.APPS)},
          {.id = TMP_CLOCK_PROMPT, .kind = K::Prompt, .at = {10, 38}, .text = "Time:"},
          {.id = TMP_CLOCK, .kind = K::Entry, .at = {32, 36}, .picture = "@T4_",
           .use = VarRef::of(TMP.CLOCK)},
          {.id = TMP_EVENT_PROMPT, .kind = K::Prompt, .at = {8, 54}, .text = "Event:"},
          {.id = TMP_EVENT, .kind = K::Entry, .at = {32, 52, 146, 12}, .picture = "@s80",
           .use = VarRef::of(TMP.EVENT)},
      },
  };
  // clang-format on
}

class FormWindow final : public framework::WindowManager {
 public:
  explicit FormWindow(ui::Window& window) : WindowManager(window) {
    AddUpdateFile(*data::tempfile_file_manager);
    AddRelation(*data::tempfile_relation_manager);
    Primary = data::tempfile_relation_manager;
    FirstField = OK;
    CancelControl = CANCEL;
    CancelAction = framework::cancel_action::Close;
  }

  int Init() override { return InitForm(OK); }

  // A view's Ok keeps what its entries hold in the buffer.
  int TakeAccepted() override {
    const int control = window().accepted();
    const int result = WindowManager::TakeAccepted();
    if (control == OK && Request == framework::request::View) Update();
    return result;
  }
};

}  // namespace

void UpdateEvents() {
  framework::run_window_procedure("UpdateEvents", "The activity record form", P17_FORMWINDOW(),
                                  [](ui::Window& w) { return FormWindow(w); });
}

}  // namespace qvn::windows
