#include "platform/ui/qt/push_button.h"

#include <QtGui/QFontMetrics>
#include <QtWidgets/QStyleOptionButton>
#include <QtWidgets/QStylePainter>

#include <algorithm>

#include "platform/ui/window_def.h"

namespace qvn::ui::qt {

namespace {

constexpr double kSmallestPoints = 7.0;
// Pixels between the lettering of two lines.
constexpr int kLineGap = 2;

QString shown(const QString& text) { return QString::fromStdString(visible_text(text.toStdString())); }

// The text broken at the run of blanks that leaves the narrower longer
// line; empty when it has no blank between words.
QStringList two_lines(const QString& text, const QFont& font) {
  const QFontMetrics m(font);
  QStringList best;
  int best_width = 0;
  for (qsizetype i = 1; i < text.size(); ++i) {
    if (text[i] != QLatin1Char(' ') || text[i - 1] == QLatin1Char(' ')) continue;
    const QString first = text.left(i).trimmed();
    const QString second = text.mid(i).trimmed();
    if (first.isEmpty() || second.isEmpty()) continue;
    const int width = std::max(m.horizontalAdvance(shown(first)), m.horizontalAdvance(shown(second)));
    if (best.isEmpty() || width < best_width) {
      best = {first, second};
      best_width = width;
    }
  }
  return best;
}

}  // namespace

PushButton::PushButton(QWidget* parent) : QPushButton(parent) {}

void PushButton::set_picture(const QIcon& icon) {
  picture_ = icon;
  setIcon(icon);
}

QRect PushButton::contents() const {
  QStyleOptionButton opt;
  initStyleOption(&opt);
  return style()->subElementRect(QStyle::SE_PushButtonContents, &opt, this);
}

int PushButton::room() const { return width() - 8 - (icon().isNull() ? 0 : iconSize().width() + 4); }

// Every line fits across; two lines also fit the button's height, measured
// by their lettering (the faces that stand in give their lines taller boxes
// than the platform's).
bool PushButton::fits(const QStringList& lines, const QFont& font) const {
  const QFontMetrics m(font);
  for (const QString& line : lines) {
    if (m.horizontalAdvance(shown(line)) > room()) return false;
  }
  if (lines.size() < 2) return true;
  const int ink =
      m.tightBoundingRect(shown(lines[0])).height() + kLineGap + m.tightBoundingRect(shown(lines[1])).height();
  return ink <= contents().height();
}

// Tries the lines from the font's own size down to the smallest; takes the
// first size they fit.
bool PushButton::fit_in_sizes(const QStringList& lines, const QFont& font) {
  QFont f = font;
  for (double size = font.pointSizeF();; size -= 0.5) {
    f.setPointSizeF(std::max(size, 1.0));
    if (fits(lines, f)) {
      setFont(f);
      lines_ = lines;
      update();
      return true;
    }
    if (size - 0.5 < kSmallestPoints) return false;
  }
}

void PushButton::fit(const QString& text, const QFont& font) {
  setText(text);
  setIcon(picture_);
  if (!styleSheet().isEmpty()) setStyleSheet(QString());
  if (fit_in_sizes({text}, font)) return;
  if (const QStringList two = two_lines(text, font); !two.isEmpty() && fit_in_sizes(two, font)) return;
  setIcon(QIcon());
  if (fit_in_sizes({text}, font)) return;
  QFont smallest = font;
  smallest.setPointSizeF(std::min(font.pointSizeF(), kSmallestPoints));
  setFont(smallest);
  lines_ = {text};
  setStyleSheet(QStringLiteral("text-align: left; padding-left: 3px;"));
}

void PushButton::paintEvent(QPaintEvent* event) {
  if (lines_.size() < 2) {
    QPushButton::paintEvent(event);
    return;
  }
  // The frame as the style draws it, then the icon and the two lines
  // centred together, the lettering (not the lines' boxes) centred in height.
  QStylePainter p(this);
  QStyleOptionButton opt;
  initStyleOption(&opt);
  opt.text.clear();
  opt.icon = QIcon();
  p.drawControl(QStyle::CE_PushButton, opt);

  const QRect r = contents();
  const QFontMetrics m(font());
  int text_width = 0;
  for (const QString& line : lines_) text_width = std::max(text_width, m.horizontalAdvance(shown(line)));
  const int icon_width = icon().isNull() ? 0 : iconSize().width() + 4;
  int x = r.left() + (r.width() - icon_width - text_width) / 2;
  if (!icon().isNull()) {
    const QPixmap pm = icon().pixmap(iconSize(), devicePixelRatio(), isEnabled() ? QIcon::Normal : QIcon::Disabled);
    p.drawPixmap(x, r.top() + (r.height() - iconSize().height()) / 2, pm);
    x += icon_width;
  }
  const QRect ink1 = m.tightBoundingRect(shown(lines_[0]));
  const QRect ink2 = m.tightBoundingRect(shown(lines_[1]));
  const int top = r.top() + (r.height() - (ink1.height() + kLineGap + ink2.height())) / 2;
  const int baselines[] = {top - ink1.top(), top + ink1.height() + kLineGap - ink2.top()};
  int flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextShowMnemonic;
  if (!style()->styleHint(QStyle::SH_UnderlineShortcut, &opt, this)) flags |= Qt::TextHideMnemonic;
  for (int i = 0; i < 2; ++i) {
    const QRect line(x, baselines[i] - m.ascent(), text_width, m.height());
    style()->drawItemText(&p, line, flags, palette(), isEnabled(), lines_[i], QPalette::ButtonText);
  }
}

}  // namespace qvn::ui::qt
