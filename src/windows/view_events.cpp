// ViewEvents: the activity log in tmp:clockkey order (date, then time), a
// page at a time. A line shows its application's name only where it differs
// from the line above it; the top line always shows it. "&View" corrects the
// highlighted entry and "&Delete" deletes it, both through UpdateEvents;
// entries are never added by hand, so "&Insert" stays hidden and disabled.
// "&Print Log" prints the whole log through PrintLog.

#include "windows/view_events.h"

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
#include "windows/print_log.h"
#include "windows/update_events.h"

namespace qvn::windows {

namespace {

using namespace view_events;
using framework::level::Benign;
using ui::ControlKind;

ui::WindowDef P1_BROWSEWINDOW() {
  using K = ControlKind;
  // clang-format off
  return ui::WindowDef{
      .label = "P1$BROWSEWINDOW",
      .caption = "Activity Log",
      .at = {0, 0, 247, 180},
      .controls = {
          {.id = LIST, .kind = K::List, .at = {6, 2, 235, 159}, .font = {"Arial", 9, false},
           .format = "90L(2)~Application~@s40@43R(3)~Date~C(2)@d1@34L(2)~Time~L(5)@t4@240L(2)~Event~@s80@",
           .msg = "Browsing Records"},
          {.id = INSERT, .kind = K::Button, .at = {0, 165, 40, 12}, .text = "&Insert", .hidden = true,
           .disabled = true, .hot_key = ui::key::Insert},
          {.id = CHANGE, .kind = K::Button, .at = {160, 164, 40, 12}, .text = "&View",
           .hot_key = ui::key::CtrlEnter},
          {.id = DELETE, .kind = K::Button, .at = {47, 164, 40, 12}, .text = "&Delete",
           .font = {"MS Sans Serif", 8, false}, .hot_key = ui::key::Delete},
          {.id = PRINTLOG, .kind = K::Button, .at = {118, 164, 40, 12}, .text = "&Print Log"},
          {.id = CLOSE, .kind = K::Button, .at = {202, 164, 40, 12}, .text = "&Close", .is_default = true},
      },
  };
  // clang-format on
}

constexpr const char* kNothingToShow = "If there was something to show you, I'd show it.";

class LogBrowse final : public framework::BrowseManager {
 public:
  LogBrowse(ui::Window& window, Locals& locals) : window_(window), Loc(locals) {}

  // The name is blank where the entry before it has the same one (trailing
  // blanks aside, letter case counting).
  void SetQueueRecord() override {
    if (data::TMP.APPS == Loc.LastAppName) {
      Loc.AppName = "";
    } else {
      Loc.AppName = data::TMP.APPS.raw();
    }
    Loc.LastAppName = data::TMP.APPS.raw();
    BrowseManager::SetQueueRecord();
  }

  // Lines loaded upwards come in from below, and a scroll drops the top
  // line, so after every change the lines are made again from the top: each
  // then meets the line above it, and the top line meets none.
  void RowsChanged() override {
    Loc.LastAppName = "";
    RequeueRows();
  }

  // A refill that finds nothing says so, and the browse closes.
  void ResetQueue() override {
    BrowseManager::ResetQueue();
    if (Records() != 0) return;
    ui::message(kNothingToShow, "Go Away", ui::MessageIcon::Stop);
    window_.post(ui::Event::CloseWindow);
  }

 private:
  ui::Window& window_;
  Locals& Loc;
};

class BrowseWindow final : public framework::WindowManager {
 public:
  BrowseWindow(ui::Window& window, Locals& locals) : WindowManager(window), Loc(locals), browse_(window, locals) {
    AddRelation(*data::tempfile_relation_manager);
    // Every update request runs the record form.
    AddUpdateProcedure(1, UpdateEvents);
  }

  int Init() override {
    if (const int answer = WindowManager::Init(); answer != Benign) return answer;
    FirstField = LIST;
    CancelControl = CLOSE;
    browse_.Init(LIST, *data::tempfile_relation_manager, *this);
    if (Request != framework::request::View) {
      browse_.InsertControl = INSERT;
      browse_.ChangeControl = CHANGE;
      browse_.DeleteControl = DELETE;
    }
    Open();
    browse_.AddSortOrder(data::tmp_clockkey);
    browse_.SetThumbStep(framework::ThumbStep::Numeric);
    browse_.AddField(values::VarRef::of(Loc.AppName));
    browse_.AddField(values::VarRef::of(data::TMP.DATE));
    browse_.AddField(values::VarRef::of(data::TMP.CLOCK));
    browse_.AddField(values::VarRef::of(data::TMP.EVENT));
    browse_.ProcedureNumber = 1;
    return Benign;
  }

  // "&Print Log" prints the whole log, whatever the list holds, and comes
  // back to the browse as it was.
  int TakeAccepted() override {
    const int control = window().accepted();
    if (const int answer = WindowManager::TakeAccepted(); answer != Benign) return answer;
    if (control == PRINTLOG) {
      Update();
      framework::call_procedure(PrintLog, framework::request::None);
      Reset(false);
    }
    return Benign;
  }

 private:
  Locals& Loc;
  LogBrowse browse_;
};

}  // namespace

void ViewEvents() {
  Locals Loc;
  framework::run_window_procedure("ViewEvents", "The activity-log browse", P1_BROWSEWINDOW(),
                                  [&Loc](ui::Window& w) { return BrowseWindow(w, Loc); });
}

}  // namespace qvn::windows
