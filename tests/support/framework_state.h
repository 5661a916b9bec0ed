#pragma once
// Saves, when made, the framework's program-wide state that tests change,
// and puts it back when it goes: the request and response procedures hand
// each other (GlobalRequest, GlobalResponse; those of the thread that made
// the guard), and the program's error manager's presenter and halt hook.
//
// The error manager does not say which presenter or hook it holds, so the
// guard puts back the ones it starts with: the stderr presenter and
// std::exit. A test that installs its own therefore needs no code to take
// them out again, and a guard made while another one's test has installed
// them must not outlive that test.

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
};

}  // namespace qvn::test_support
