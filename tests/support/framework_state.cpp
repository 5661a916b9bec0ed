#include "support/framework_state.h"

#include "platform/framework/request.h"

namespace qvn::test_support {

FrameworkState::FrameworkState()
    : request_(framework::GlobalRequest),
      response_(framework::GlobalResponse),
      presenter_(error_manager.Presenter()),
      halt_(error_manager.HaltHookSet()) {}

FrameworkState::~FrameworkState() {
  framework::GlobalRequest = request_;
  framework::GlobalResponse = response_;
  error_manager.SetPresenter(presenter_);
  error_manager.SetHaltHook(halt_);
}

}  // namespace qvn::test_support
