#pragma once
// What a person would see wrong in a window as the Qt rendering shows it
// now: a button with a line of text wider than the room its frame and icon
// leave, two buttons over each other, and a group caption whose lettering
// another control covers. The caption's lettering is found by drawing the
// group box alone and comparing its dark pixels with the same pixels in the
// picture of the whole window.

#include <QtGui/QImage>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QStyle>
#include <QtWidgets/QStyleOptionButton>

#include <string>
#include <vector>

#include "platform/ui/qt/push_button.h"
#include "platform/ui/qt/window_widget.h"
#include "platform/ui/window_def.h"

namespace qvn::ui::qt::test {

inline std::vector<std::string> layout_faults(WindowWidget* window) {
  std::vector<std::string> faults;
  const QImage whole = window->grab().toImage();
  std::vector<PushButton*> buttons;
  for (auto* b : window->findChildren<PushButton*>()) {
    if (b->isVisibleTo(window)) buttons.push_back(b);
  }
  for (PushButton* b : buttons) {
    const std::string name = b->objectName().toStdString();
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.rect = b->rect();
    int room = b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b).width();
    if (!b->icon().isNull()) room -= b->iconSize().width() + 4;
    for (const QString& line : b->lines()) {
      const int needed = b->fontMetrics().horizontalAdvance(QString::fromStdString(visible_text(line.toStdString())));
      if (needed > room) {
        faults.push_back(name + ": \"" + line.toStdString() + "\" takes " + std::to_string(needed) + " px of " +
                         std::to_string(room) + " px");
      }
    }
    for (PushButton* other : buttons) {
      if (other != b && other->geometry().intersects(b->geometry()) && name < other->objectName().toStdString()) {
        faults.push_back(name + " overlaps " + other->objectName().toStdString());
      }
    }
  }
  for (QGroupBox* g : window->findChildren<QGroupBox*>()) {
    if (!g->isVisibleTo(window) || g->title().isEmpty()) continue;
    const QImage alone = g->grab().toImage();
    const QPoint at = g->mapTo(window, QPoint(0, 0));
    int covered = 0;
    for (int y = 0; y < alone.height(); ++y) {
      for (int x = 0; x < alone.width(); ++x) {
        const QRgb p = alone.pixel(x, y);
        if (qGray(p) < 96 && whole.pixel(at.x() + x, at.y() + y) != p) ++covered;
      }
    }
    if (covered > 0) {
      faults.push_back(g->objectName().toStdString() + ": " + std::to_string(covered) +
                       " pixels of the caption covered");
    }
  }
  return faults;
}

}  // namespace qvn::ui::qt::test
