#include "data/startup.h"

#include "data/dictionary.h"
#include "data/globals.h"
#include "platform/framework/error_manager.h"
#include "platform/ui/window_def.h"

namespace qvn::data {

int run_program(const std::function<void()>& main_procedure) {
  // The first thread's own state, made before anything else so that it
  // outlives what the program leaves behind: its error status, then its
  // files, then its dictionary (which builds no managers on this thread).
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
