#pragma once
// A backend for unattended runs at full speed, with nobody at the screen and
// no script: a window that waits sleeps, on the real clock, until its next
// timer event is due or one of its folder watches reports a change, and
// then takes that event. Made for benchmarks that drive a window procedure
// the way the program runs it, without the virtual clock of the tests.
//
// Nobody answers: a message box gets the answer of a box closed without a
// choice (and is kept in messages()), dialogs and popup menus are
// cancelled. A window without a timer has nothing to wait for and is
// closed, as it is with no backend at all. It reads the clock in force,
// which must be the system clock for the waits to be real.

#include <vector>

#include "platform/ui/backend.h"

namespace qvn::ui {

class RealTimeBackend final : public Backend {
 public:
  // Installs itself for its lifetime, and puts back the backend it replaced.
  RealTimeBackend();
  ~RealTimeBackend() override;
  RealTimeBackend(const RealTimeBackend&) = delete;
  RealTimeBackend& operator=(const RealTimeBackend&) = delete;

  void window_opened(Window&) override {}
  void window_closed(Window&) override {}
  // Blocks in poll() on the window's folder watches until its timer is due.
  void wait_for_event(Window& w) override;
  void refresh(Window&, int) override {}
  void repaint_only() override {}
  void to_front(Window&) override {}
  int message(const MessageBoxDef& box) override;
  std::string open_file(const FileDialogDef&) override { return {}; }
  std::string choose_folder(const FolderDialogDef&) override { return {}; }
  int popup(Window&, const std::string&) override { return 0; }
  void beep() override {}

  // The message boxes shown, in order.
  const std::vector<MessageBoxDef>& messages() const { return messages_; }

 private:
  Backend* previous_;
  std::vector<MessageBoxDef> messages_;
};

}  // namespace qvn::ui
