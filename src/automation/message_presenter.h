#pragma once
// The error manager's messages shown as the window layer's message boxes:
// the title (after the running procedure's name) as caption, the text with
// its "|" line breaks, the stop or question icon, and the buttons.

#include "platform/framework/error_manager.h"

namespace qvn::automation {

class WindowMessagePresenter final : public framework::ErrorPresenter {
 public:
  int show(const framework::MessageBox& box) override;
};

// The program's presenter, installed with error_manager.SetPresenter at start.
WindowMessagePresenter& window_message_presenter();

}  // namespace qvn::automation
