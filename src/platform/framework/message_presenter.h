#pragma once
// The error manager's messages shown as the window layer's message boxes:
// the title (after the running procedure's name) as caption, the text with
// its "|" line breaks, the stop or question icon, and the buttons.

#include "platform/framework/error_manager.h"

namespace qvn::framework {

class WindowMessagePresenter final : public ErrorPresenter {
 public:
  int show(const MessageBox& box) override;
};

// The program's presenter, installed with error_manager.SetPresenter at start.
WindowMessagePresenter& window_message_presenter();

}  // namespace qvn::framework
