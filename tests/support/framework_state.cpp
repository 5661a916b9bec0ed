#include "support/framework_state.h"

#include "platform/framework/error_manager.h"
#include "platform/framework/request.h"

namespace qvn::test_support {

FrameworkState::FrameworkState() : request_(framework::GlobalRequest), response_(framework::GlobalResponse) {}

FrameworkState::~FrameworkState() {
  framework::GlobalRequest = request_;
  framework::GlobalResponse = response_;
  error_manager.SetPresenter(nullptr);
  error_manager.SetHaltHook({});
}

}  // namespace qvn::test_support
