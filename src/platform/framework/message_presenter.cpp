#include "platform/framework/message_presenter.h"

#include "platform/ui/backend.h"

namespace qvn::framework {

int WindowMessagePresenter::show(const framework::MessageBox& box) {
  const int pressed = ui::message(box.text, box.caption(), box.icon, box.buttons, box.default_button);
  // The error manager's boxes offer OK, Yes and No; any other answer counts as OK.
  return pressed == ui::button::Yes || pressed == ui::button::No ? pressed : ui::button::Ok;
}

WindowMessagePresenter& window_message_presenter() {
  static WindowMessagePresenter presenter;
  return presenter;
}

}  // namespace qvn::framework
