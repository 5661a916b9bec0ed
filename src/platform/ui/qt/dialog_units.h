#pragma once
// Dialog units and fonts. Window structures place controls in dialog units:
// x in quarters of the font's average character width, y in eighths of its
// character height. The faces they name are matched to installed ones.

#include <QtCore/QRect>
#include <QtGui/QFont>

#include "platform/ui/window_def.h"

namespace qvn::ui::qt {

// The installed family that stands in for a face ("MS Sans Serif", "Arial").
QString installed_family(const std::string& face);

// The window's font: its face and size, "MS Sans Serif" 8 points unless given.
QFont window_font(const Font& font);
// A control's font: its own face, size and weight over the window's font.
QFont control_font(const QFont& window_font, const Font& font);

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);

  int x(int units) const;
  int y(int units) const;
  QRect rect(const Rect& r) const;
  // Pixels of the font's average character and its height (the base units).
  int base_x() const { return base_x_; }
  int base_y() const { return base_y_; }

 private:
  int base_x_;
  int base_y_;
};

}  // namespace qvn::ui::qt
