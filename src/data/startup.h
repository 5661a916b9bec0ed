#pragma once
// The main program: the steps that make the program ready on its first
// thread, the main procedure, and the steps that save the settings after it.

#include <functional>

namespace qvn::data {

// Runs the main program on the calling thread, which is the program's first:
//   1. readies error_manager;
//   2. Init of settings_manager on the per-user profile, which reads
//      GLO:UseNewLog, GLO:RunString and GLO:FilePath (settings_fetch);
//   3. dct_init: the thread's file and relation managers;
//   4. main_procedure, the main window's whole life;
//   5. settings_update: the three settings, as they are now, to the profile;
//   6. Kill of settings_manager, which writes its bookkeeping entry.
// Returns the program's exit code, 0. A fatal message of the error manager
// ends the process inside main_procedure: the thread-end and program-end
// routines run, steps 5 and 6 do not, so the profile keeps the previous
// run's values. The thread's managers stay until the thread ends.
int run_program(const std::function<void()>& main_procedure);

}  // namespace qvn::data
