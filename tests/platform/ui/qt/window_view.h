#pragma once
// The widgets the Qt rendering shows a window with, found among the
// application's windows.

#include <QtWidgets/QApplication>

#include "platform/ui/qt/window_widget.h"
#include "platform/ui/window.h"

namespace qvn::ui::qt::test {

// nullptr while the window is not shown here.
inline WindowWidget* view_of(const Window& w) {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    auto* v = dynamic_cast<WindowWidget*>(top);
    if (v != nullptr && v->window() == &w) return v;
  }
  return nullptr;
}

}  // namespace qvn::ui::qt::test
