#include "support/automation_state.h"

#include "platform/dde/dde_client.h"

namespace qvn::test_support {

AutomationState::AutomationState() : calls_(automation::main_calls()), dde_timeout_(dde_timeout()) {}

AutomationState::~AutomationState() {
  automation::main_calls() = calls_;
  set_dde_timeout(dde_timeout_);
}

}  // namespace qvn::test_support
