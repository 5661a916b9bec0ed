#include "platform/ui/qt/dialog_units.h"

#include <QtCore/QStringList>
#include <QtGui/QFontDatabase>
#include <QtGui/QFontInfo>
#include <QtGui/QFontMetrics>

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace qvn::ui::qt {

namespace {

// A family is installed when the font database lists it, with or without
// its foundry ("Nimbus Sans [urw]").
bool is_installed(const QString& family) {
  for (QString f : QFontDatabase::families()) {
    const qsizetype foundry = f.indexOf(QLatin1String(" ["));
    if (foundry > 0) f.truncate(foundry);
    if (f.compare(family, Qt::CaseInsensitive) == 0) return true;
  }
  return false;
}

QString first_installed(std::initializer_list<const char*> families) {
  for (const char* f : families) {
    if (is_installed(QString::fromLatin1(f))) return QString::fromLatin1(f);
  }
  return QString::fromLatin1(*families.begin());
}

QString sans() { return first_installed({"Nimbus Sans", "Liberation Sans", "Arimo", "Helvetica", "DejaVu Sans"}); }

// Rounded the way the platform's own dialogs round: to the nearest pixel,
// halves up.
int scale(int units, double base, int divisor) { return static_cast<int>(std::floor(units * base / divisor + 0.5)); }

QFont::Weight weight_of(const std::string& face, bool bold) {
  if (QString::fromStdString(face).trimmed().compare("Arial Black", Qt::CaseInsensitive) == 0) return QFont::Black;
  return bold ? QFont::Bold : QFont::Normal;
}

}  // namespace

QString installed_family(const std::string& face) {
  const QString f = QString::fromStdString(face).trimmed().toLower();
  if (f.isEmpty() || f == "ms sans serif" || f == "microsoft sans serif" || f == "ms shell dlg" || f == "arial" ||
      f == "arial black" || f == "tahoma" || f == "verdana" || f == "helv" || f == "system") {
    return sans();
  }
  if (f == "courier" || f == "courier new" || f == "fixedsys" || f == "lucida console") {
    return first_installed({"Nimbus Mono PS", "Liberation Mono", "DejaVu Sans Mono"});
  }
  if (f == "times new roman" || f == "times" || f == "ms serif") {
    return first_installed({"Nimbus Roman", "Liberation Serif", "DejaVu Serif"});
  }
  if (is_installed(QString::fromStdString(face))) {
    return QString::fromStdString(face);
  }
  return sans();
}

QFont window_font(const values::Font& font) {
  QFont f(installed_family(font.face.empty() ? "MS Sans Serif" : font.face));
  f.setPointSize(font.points > 0 ? font.points : 8);
  f.setWeight(weight_of(font.face, font.bold));
  return f;
}

QFont control_font(const QFont& window_font, const values::Font& font) {
  QFont f = window_font;
  if (!font.face.empty()) f.setFamily(installed_family(font.face));
  if (font.points > 0) f.setPointSize(font.points);
  f.setWeight(font.face.empty() ? (font.bold ? QFont::Bold : window_font.weight()) : weight_of(font.face, font.bold));
  return f;
}

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetricsF m(font);
  // The average width of the 52 letters, as the platform measures its
  // dialog base unit.
  const double letters = m.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  base_x_ = std::max(1.0, letters / 52);
  // The character height as the platform's dialog fonts measure it, about
  // 1.2 em; faces with a generous line gap (Nimbus Sans) would otherwise
  // stretch every window.
  const int em = QFontInfo(font).pixelSize();
  const double height = QFontMetrics(font).height();
  base_y_ = std::max(1.0, em > 0 ? std::min(height, em * 1.2) : height);
}

int DialogUnits::x(int units) const { return scale(units, base_x_, 4); }
int DialogUnits::y(int units) const { return scale(units, base_y_, 8); }

QRect DialogUnits::rect(const Rect& r) const {
  const int left = x(r.x);
  const int top = y(r.y);
  return QRect(left, top, x(r.x + r.w) - left, y(r.y + r.h) - top);
}

}  // namespace qvn::ui::qt
