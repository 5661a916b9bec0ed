#include "platform/ui/qt/control_adapter.h"

#include <gtest/gtest.h>

namespace qvn::ui::qt {
namespace {

// The adapters are found by the kind's place in the table; one out of
// place would draw one kind of control with another kind's widget.
TEST(ControlAdapters, EveryKindFindsItsOwnAdapter) {
  for (int k = 0; k <= static_cast<int>(ControlKind::Line); ++k) {
    const auto kind = static_cast<ControlKind>(k);
    EXPECT_EQ(adapter_for(kind).kind(), kind) << "kind " << k;
  }
}

}  // namespace
}  // namespace qvn::ui::qt
