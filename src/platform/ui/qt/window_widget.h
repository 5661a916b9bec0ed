#pragma once
// One open window as widgets. Every control of the structure becomes a
// widget at its dialog-unit place in the window's client area; containers
// (groups, option groups, sheets) are drawn behind the controls they hold,
// and which controls show follows the window: a control on a tab that is
// not chosen is hidden like any other. What the person does goes to the
// window through its user_* entry points; what the window holds comes back
// through sync().

#include <QtWidgets/QWidget>

#include <vector>

#include "platform/ui/window.h"
#include "platform/ui/qt/dialog_units.h"

class QKeyEvent;

namespace qvn::ui::qt {

class WindowWidget final : public QWidget {
 public:
  explicit WindowWidget(Window& window);
  ~WindowWidget() override;

  // nullptr once the window closed.
  Window* window() const { return window_; }
  // The window closed: nothing reaches it any more.
  void detach();

  // Shows what the window holds now: one control, or with 0 every control
  // and the window's own caption and visibility.
  void sync(int field);

  // True once after input reached the window.
  bool take_delivered();

  // While set, the person's input to this window is dropped.
  void set_input_blocked(bool blocked) { input_blocked_ = blocked; }

  QWidget* control_widget(int field) const;
  const DialogUnits& units() const { return units_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void build();
  QWidget* make_control(int field);
  // The control's font: its own where it names one, else the window's.
  QFont control_font_of(const ControlDef& c) const;
  void place(int field, QWidget* widget);
  void connect_input(int field, QWidget* widget);
  void watch(int field, QWidget* widget);
  void link_prompts();
  void sync_window();
  void sync_control(int field);
  void sync_focus();
  int field_of(QObject* object) const;
  // Hands what an entry, text or spin box holds to the window when the
  // person changed it.
  void commit(int field);
  bool take_key(int field, QKeyEvent* key);

  template <class Input>
  void deliver(Input&& input) {
    if (window_ == nullptr || following_ || input_blocked_) return;
    input(*window_);
    delivered_ = true;
    if (window_ != nullptr) sync(0);
  }

  Window* window_;
  QFont font_;
  DialogUnits units_;
  std::vector<QWidget*> widgets_;  // by field - 1; a tab has none (its sheet shows it)
  int applied_focus_ = 0;
  bool delivered_ = false;
  bool following_ = false;
  bool input_blocked_ = false;
};

}  // namespace qvn::ui::qt
