#include "data/startup.h"

#include "data/dictionary.h"
#include "data/globals.h"
#include "platform/framework/error_manager.h"
#include "platform/ui/window_def.h"

namespace qvn::data {

int run_program(const std::function<void()>& main_procedure) {
  // The first thread's own state: its error status, request and response
  // are there from its start; its dictionary builds nothing on this thread.
  thread_dictionary();

  error_manager.Init();
  // The profile's values replace the settings' initial ones before anything
  // reads them.
  settings_manager.Init("", profile::kProfileStringStore);
  dct_init();
  ui::set_program_icon("CLOCK.ICO");

  main_procedure();

  settings_manager.Update();
  settings_manager.Kill();
  return 0;
}

}  // namespace qvn::data
