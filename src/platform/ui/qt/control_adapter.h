#pragma once
// One adapter per kind of control: it makes the control's widget, connects
// what the person does with it to the window's user_* entry points, and
// shows in it what the window holds. The window widget (window_widget.h)
// does what is the same for every kind (place, tip, font, Tab order, shown
// and enabled) and asks the adapter for the rest, so a new kind of control
// needs its adapter and nothing else in this layer.

#include <QtCore/QPoint>
#include <QtGui/QFont>

#include <functional>
#include <string>

#include "platform/ui/qt/dialog_units.h"
#include "platform/ui/window.h"

class QWidget;

namespace qvn::ui::qt {

// The property that names a widget's field (on a sheet's page: its tab's).
inline constexpr const char* kFieldProperty = "qvn_field";

// What an adapter may use of the window widget it works for.
class ControlHost {
 public:
  // The window shown; only used while the widgets show one.
  virtual Window& model() const = 0;
  // The parent of the controls' widgets.
  virtual QWidget* area() = 0;
  virtual const DialogUnits& units() const = 0;
  // The control's font: its own where it names one, else the window's.
  virtual QFont control_font_of(const ControlDef& c) const = 0;
  // Hands the person's input to the window, unless input is dropped now
  // (while the widgets follow the window, or while input is blocked).
  virtual void deliver(const std::function<void(Window&)>& input) = 0;
  // Hands what the person typed into the control to the window.
  virtual void commit(int field) = 0;
  // Delivers input that acts while the focus stays where it is (a button's
  // key letter, a click on a tab): the control being edited hands over what
  // was typed first, with its own events, as when the focus leaves it.
  virtual void deliver_after_typing(const std::function<void(Window&)>& input) = 0;
  // Keys, focus and right clicks on `part` (the widget or a part of it)
  // reach the window as the control's.
  virtual void watch(int field, QWidget* part) = 0;

 protected:
  ~ControlHost() = default;
};

class ControlAdapter {
 public:
  // Where a key that the window has not alerted and that presses no hot
  // key goes: to the widget itself, to the window (user_key), or it
  // presses the control.
  enum class KeyUse { Widget, Window, Press };
  // How the widget lies among the others: over them, behind the controls
  // laid over its area, or below everything (a sheet and its pages).
  enum class Layer { Over, Behind, Bottom };

  explicit ControlAdapter(ControlKind kind) : kind_(kind) {}
  virtual ~ControlAdapter() = default;
  ControlKind kind() const { return kind_; }

  // The widget; nullptr for a kind that another control's widget draws.
  virtual QWidget* make(ControlHost& host, int field) const = 0;
  // The widget has its place and size.
  virtual void placed(ControlHost& host, int field, QWidget* widget) const;
  // Connects the person's input on the widget to the window.
  virtual void connect(ControlHost& host, int field, QWidget* widget) const;
  // Shows the control's state (beside shown and enabled).
  virtual void refresh(ControlHost& host, int field, QWidget* widget) const;
  // What the person typed and has not handed over yet; false when nothing.
  virtual bool take_typed(QWidget* widget, std::string* text) const;
  // Enter and Escape go to the window, every other key to the widget.
  // `state` is the control's (a blank one for a key outside any control).
  virtual KeyUse key_use(const ControlState& state, int keycode) const;
  // Behind for the kinds the window draws behind others, else over them.
  virtual Layer layer() const;
  // The focus left the widget.
  virtual void focus_left(ControlHost& host, int field) const;
  // A right click at `at` on `part` (the widget or a part of it); true
  // when the adapter took it.
  virtual bool context_menu(ControlHost& host, int field, QWidget* widget, QWidget* part, QPoint at) const;

 private:
  ControlKind kind_;
};

// The adapter of a kind of control.
const ControlAdapter& adapter_for(ControlKind kind);

}  // namespace qvn::ui::qt
