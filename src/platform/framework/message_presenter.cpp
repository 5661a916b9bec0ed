#include "platform/framework/message_presenter.h"

#include "platform/ui/backend.h"

namespace qvn::framework {

namespace {

int to_window_buttons(int buttons) {
  int out = 0;
  if (buttons & framework::button::Ok) out |= ui::button::Ok;
  if (buttons & framework::button::Yes) out |= ui::button::Yes;
  if (buttons & framework::button::No) out |= ui::button::No;
  return out;
}

int from_window_button(int pressed) {
  switch (pressed) {
    case ui::button::Yes: return framework::button::Yes;
    case ui::button::No: return framework::button::No;
    default: return framework::button::Ok;
  }
}

}  // namespace

int WindowMessagePresenter::show(const framework::MessageBox& box) {
  const ui::MessageIcon icon =
      box.icon == framework::MessageIcon::Question ? ui::MessageIcon::Question : ui::MessageIcon::Stop;
  const int pressed =
      ui::message(box.text, box.caption(), icon, to_window_buttons(box.buttons), to_window_buttons(box.default_button));
  return from_window_button(pressed);
}

WindowMessagePresenter& window_message_presenter() {
  static WindowMessagePresenter presenter;
  return presenter;
}

}  // namespace qvn::framework
