// The program's entry: no command-line arguments. Its windows are shown with
// Qt and the data files' errors in message boxes; the start-up and shut-down
// run around the main window.

#include <cstdio>
#include <memory>

#include "automation/main_window.h"
#include "data/settings_file.h"
#include "data/startup.h"
#include "platform/framework/error_manager.h"
#include "platform/framework/message_presenter.h"
#include "platform/ui/backend.h"
#include "platform/ui/close_signals.h"
#include "platform/ui/qt/qt_backend.h"
#include "windows/get_config.h"
#include "windows/print_log.h"
#include "windows/update_apps.h"
#include "windows/update_projects.h"
#include "windows/view_events.h"

namespace {

// The windows the main window opens: its update procedures 1 and 2 are the
// record forms; "Configure QVN" and the start-up check open the settings,
// "View Log" the activity-log browse and "Print Log" its report.
void register_procedures() {
  qvn::automation::MainCalls& calls = qvn::automation::main_calls();
  calls.UpdateApps = qvn::windows::UpdateApps;
  calls.UpdateProjects = qvn::windows::UpdateProjects;
  calls.GetConfig = qvn::windows::GetConfig;
  calls.ViewEvents = qvn::windows::ViewEvents;
  calls.PrintLog = qvn::windows::PrintLog;
}

}  // namespace

int main() {
  // ".\QVN.INI" is the one in the folder the program starts in, for good.
  qvn::data::settings_file();
  register_procedures();
  // Asked to end from outside (a logout, kill, Ctrl+C), the program closes
  // its windows as their close boxes do, so the main window's close writes
  // the subset back and closes the files before the settings are saved.
  if (!qvn::ui::install_close_signals()) std::fprintf(stderr, "qvn: a signal to end will end it at once\n");

  std::unique_ptr<qvn::ui::qt::QtBackend> backend = qvn::ui::qt::QtBackend::create();
  if (!backend) {
    std::fprintf(stderr, "qvn: the windows cannot be shown here\n");
    return 1;
  }
  qvn::ui::install_backend(backend.get());
  qvn::error_manager.SetPresenter(&qvn::framework::window_message_presenter());

  const int code = qvn::data::run_program(qvn::automation::Main);

  qvn::error_manager.SetPresenter(nullptr);
  qvn::ui::install_backend(nullptr);
  qvn::ui::remove_close_signals();
  return code;
}
