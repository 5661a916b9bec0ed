#pragma once
// One open window as widgets. Every control of the structure becomes a
// widget at its dialog-unit place in the window's client area, made, wired
// and refreshed by the adapter of its kind (control_adapter.h); containers
// (groups, option groups, sheets) are drawn behind the controls they hold,
// and which controls show follows the window: a control on a tab that is
// not chosen is hidden like any other. What the person does goes to the
// window through its user_* entry points; what the window holds comes back
// through sync().

#include <QtWidgets/QWidget>

#include <functional>
#include <vector>

#include "platform/ui/qt/control_adapter.h"
#include "platform/ui/qt/dialog_units.h"
#include "platform/ui/window.h"

class QKeyEvent;

namespace qvn::ui::qt {

// The title the desktop shows for a caption. Qt shows the program's name
// for an empty title, so an empty caption shows as a blank.
QString window_title(const std::string& caption);

class WindowWidget final : public QWidget, private ControlHost {
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
  const DialogUnits& units() const override { return units_; }

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // ControlHost
  Window& model() const override { return *window_; }
  QWidget* area() override { return this; }
  QFont control_font_of(const ControlDef& c) const override;
  void deliver(const std::function<void(Window&)>& input) override;
  // Hands what an entry, text or spin box holds to the window when the
  // person changed it.
  void commit(int field) override;
  void deliver_after_typing(const std::function<void(Window&)>& input) override;
  void watch(int field, QWidget* part) override;

  void build();
  void place(int field, QWidget* widget);
  int entry_width(const ControlDef& c) const;
  void link_prompts();
  void sync_window();
  void sync_control(int field);
  void sync_focus();
  int field_of(QObject* object) const;
  const ControlAdapter& adapter(int field) const { return adapter_for(window_->control(field).kind); }
  bool take_key(int field, QKeyEvent* key);

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
