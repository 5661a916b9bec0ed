#include "platform/ui/qt/group_box.h"

#include <QtGui/QFontMetrics>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtGui/QRegion>
#include <QtWidgets/QStyleOptionGroupBox>
#include <QtWidgets/QStylePainter>

namespace qvn::ui::qt {

namespace {

// Rows the style leaves above the frame it draws for a box like this one
// (some styles leave room for a caption there themselves): read off the
// first painted row of the frame drawn on a clear image.
int rows_above_frame(const QStyle* style, QStyleOptionFrame frame, const QWidget* box) {
  frame.rect = QRect(0, 0, 40, 4 * frame.fontMetrics.height() + 40);
  QImage image(frame.rect.size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter p(&image);
    style->drawPrimitive(QStyle::PE_FrameGroupBox, &frame, &p, box);
  }
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (qAlpha(image.pixel(x, y)) != 0) return y;
    }
  }
  return 0;
}

}  // namespace

GroupBox::GroupBox(const QString& title, QWidget* parent) : QGroupBox(title, parent) {}

QRect GroupBox::caption_rect() const {
  if (title().isEmpty()) return {};
  const QFontMetrics m(font());
  // One average character in from the left, the capitals starting a pixel
  // below the top edge.
  const int baseline = 1 + m.capHeight();
  return QRect(m.averageCharWidth(), baseline - m.ascent(), m.size(Qt::TextShowMnemonic, title()).width(), m.height());
}

void GroupBox::paintEvent(QPaintEvent* event) {
  if (title().isEmpty()) {
    QGroupBox::paintEvent(event);
    return;
  }
  QStylePainter p(this);
  QStyleOptionGroupBox opt;
  initStyleOption(&opt);
  const QRect caption = caption_rect();

  QStyleOptionFrame frame;
  frame.QStyleOption::operator=(opt);
  frame.features = opt.features;
  frame.lineWidth = opt.lineWidth;
  frame.midLineWidth = opt.midLineWidth;
  const int top = 1 + fontMetrics().capHeight() / 2;
  frame.rect = rect().adjusted(0, top - rows_above_frame(style(), frame, this), 0, 0);
  p.save();
  p.setClipRegion(QRegion(rect()).subtracted(QRegion(caption)));
  p.drawPrimitive(QStyle::PE_FrameGroupBox, frame);
  p.restore();

  int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic;
  if (!style()->styleHint(QStyle::SH_UnderlineShortcut, &opt, this)) flags |= Qt::TextHideMnemonic;
  style()->drawItemText(&p, caption, flags, palette(), isEnabled(), title(), QPalette::WindowText);
}

}  // namespace qvn::ui::qt
