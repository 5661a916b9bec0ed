#include "platform/ui/qt/spin_box.h"

#include <QtWidgets/QLineEdit>

namespace qvn::ui::qt {

SpinBox::SpinBox(QWidget* parent) : QAbstractSpinBox(parent) {
  setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  setKeyboardTracking(false);
}

void SpinBox::set_shown(const QString& text) {
  const QString t = text.trimmed();
  if (lineEdit()->text() != t) lineEdit()->setText(t);
  lineEdit()->setModified(false);
}

QString SpinBox::text_shown() const { return lineEdit()->text(); }

bool SpinBox::modified() const { return lineEdit()->isModified(); }

void SpinBox::set_modified(bool modified) { lineEdit()->setModified(modified); }

void SpinBox::stepBy(int steps) {
  if (!on_step) return;
  for (int i = 0; i < (steps < 0 ? -steps : steps); ++i) on_step(steps > 0);
}

QAbstractSpinBox::StepEnabled SpinBox::stepEnabled() const {
  if (isReadOnly()) return StepNone;
  return StepUpEnabled | StepDownEnabled;
}

}  // namespace qvn::ui::qt
