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
QFont window_font(const values::Font& font);
// A control's font: its own face, size and weight over the window's font.
QFont control_font(const QFont& window_font, const values::Font& font);

// The base units are the font's own measures, kept unrounded: the faces
// that stand in for the platform's have average widths between whole
// pixels, and rounding them (as the platform does for its bitmap faces)
// would make every control a few per cent narrower than its text.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);

  int x(int units) const;
  int y(int units) const;
  // A control's place; its right and bottom edges are rounded as positions,
  // so controls that meet in dialog units meet in pixels too.
  QRect rect(const Rect& r) const;
  // Pixels of the font's average character and its height (the base units).
  double base_x() const { return base_x_; }
  double base_y() const { return base_y_; }

 private:
  double base_x_;
  double base_y_;
};

}  // namespace qvn::ui::qt
