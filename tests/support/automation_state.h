#pragma once
// Saves, when made, the program-wide state of the main window's layer that
// tests change, and puts it back when it goes: the procedures the main
// window calls (main_calls()), the conversation's time-out (dde_timeout),
// and the program's state (program_state.h).
//
// Like ProgramState, a fixture holds one as a member declared after the
// members its set-up hands to the error manager or to main_calls().

#include <cstdint>

#include "automation/main_window.h"
#include "support/program_state.h"

namespace qvn::test_support {

class AutomationState {
 public:
  AutomationState();
  ~AutomationState();
  AutomationState(const AutomationState&) = delete;
  AutomationState& operator=(const AutomationState&) = delete;

 private:
  ProgramState program_;
  automation::MainCalls calls_;
  int32_t dde_timeout_;
};

}  // namespace qvn::test_support
