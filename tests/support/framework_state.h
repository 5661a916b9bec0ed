#pragma once
// Saves, when made, the framework's program-wide state that tests change,
// and puts it back when it goes: the request and response procedures hand
// each other (GlobalRequest, GlobalResponse; those of the thread that made
// the guard), and the program's error manager's presenter and halt hook.
// A test that installs its own presenter or hook therefore needs no code to
// take them out again.

#include "platform/framework/error_manager.h"

namespace qvn::test_support {

class FrameworkState {
 public:
  FrameworkState();
  ~FrameworkState();
  FrameworkState(const FrameworkState&) = delete;
  FrameworkState& operator=(const FrameworkState&) = delete;

 private:
  int request_;
  int response_;
  framework::ErrorPresenter* presenter_;
  framework::ErrorManager::HaltHook halt_;
};

}  // namespace qvn::test_support
