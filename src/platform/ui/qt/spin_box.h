#pragma once
// A spin box that shows what its window shows and leaves the stepping to the
// window: an arrow (or the Up and Down keys) only reports its direction, and
// the window's new value comes back as the text to show.

#include <QtWidgets/QAbstractSpinBox>

#include <functional>

namespace qvn::ui::qt {

class SpinBox final : public QAbstractSpinBox {
 public:
  explicit SpinBox(QWidget* parent = nullptr);

  // Text set by the program; not reported as typed.
  void set_shown(const QString& text);
  QString text_shown() const;
  // True when the person typed since the text was last set or taken.
  bool modified() const;
  void set_modified(bool modified);

  // Called once per step, true for up.
  std::function<void(bool)> on_step;

  void stepBy(int steps) override;

 protected:
  StepEnabled stepEnabled() const override;
};

}  // namespace qvn::ui::qt
