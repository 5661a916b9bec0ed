// Draws the program's icons and pictures into PNG files. The pictures in
// resources/pictures were made by this program; run the target
// "redraw_pictures" to make them again after a change here.

#include <QtGui/QFont>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QLinearGradient>
#include <QtGui/QPainter>
#include <QtGui/QPainterPath>

#include <cstdio>
#include <functional>
#include <string>

namespace {

using Draw = std::function<void(QPainter&)>;

const QColor kOutline(40, 40, 40);
const QColor kFolder(236, 190, 70);
const QColor kFolderDark(196, 146, 40);
const QColor kPaper(252, 252, 246);
const QColor kGreen(40, 150, 50);
const QColor kRed(200, 30, 30);
const QColor kBlue(40, 90, 190);

bool save(const QString& folder, const char* name, int w, int h, const Draw& draw) {
  QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  draw(p);
  p.end();
  const QString path = folder + "/" + name + ".png";
  if (!image.save(path, "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", path.toLocal8Bit().constData());
    return false;
  }
  return true;
}

void tick(QPainter& p, const QColor& colour, qreal width) {
  QPainterPath path;
  path.moveTo(6, 17);
  path.lineTo(13, 25);
  path.lineTo(27, 7);
  p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
}

void sheet(QPainter& p, QRectF r) {
  p.setPen(QPen(kOutline, 1.2));
  p.setBrush(kPaper);
  QPainterPath path;
  path.moveTo(r.left(), r.top());
  path.lineTo(r.right() - 6, r.top());
  path.lineTo(r.right(), r.top() + 6);
  path.lineTo(r.right(), r.bottom());
  path.lineTo(r.left(), r.bottom());
  path.closeSubpath();
  p.drawPath(path);
}

void closed_folder(QPainter& p) {
  p.setPen(QPen(kOutline, 1.2));
  p.setBrush(kFolderDark);
  p.drawRoundedRect(QRectF(3, 7, 12, 6), 1.5, 1.5);
  p.setBrush(kFolder);
  p.drawRoundedRect(QRectF(3, 10, 26, 17), 2, 2);
}

void door(QPainter& p, const QColor& arrow) {
  p.setPen(QPen(kOutline, 1.2));
  p.setBrush(QColor(150, 95, 50));
  p.drawRect(QRectF(5, 4, 14, 24));
  p.setBrush(QColor(250, 220, 120));
  p.drawEllipse(QPointF(16, 16), 1.3, 1.3);
  p.setPen(QPen(arrow, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawLine(QPointF(16, 16), QPointF(28, 16));
  p.drawLine(QPointF(23, 11), QPointF(28, 16));
  p.drawLine(QPointF(23, 21), QPointF(28, 16));
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: draw_pictures FOLDER\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  bool ok = true;

  ok &= save(out, "clock", 32, 32, [](QPainter& p) {
    QRadialGradient face(QPointF(13, 12), 16);
    face.setColorAt(0, Qt::white);
    face.setColorAt(1, QColor(200, 215, 235));
    p.setPen(QPen(kBlue, 2.5));
    p.setBrush(face);
    p.drawEllipse(QPointF(16, 16), 13.5, 13.5);
    p.setPen(QPen(kOutline, 1.5, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 12; ++i) {
      p.save();
      p.translate(16, 16);
      p.rotate(i * 30);
      p.drawLine(QPointF(0, -11), QPointF(0, i % 3 == 0 ? -8.5 : -10));
      p.restore();
    }
    p.setPen(QPen(kOutline, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(16, 16), QPointF(16, 8));
    p.drawLine(QPointF(16, 16), QPointF(22, 19));
    p.setPen(QPen(kRed, 1, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(16, 16), QPointF(10, 24));
  });
  ok &= save(out, "check1", 32, 32, [](QPainter& p) {
    p.setPen(QPen(kOutline, 1.2));
    p.setBrush(kPaper);
    p.drawRoundedRect(QRectF(3, 5, 22, 22), 3, 3);
    tick(p, kGreen, 4);
  });
  ok &= save(out, "check", 32, 32, [](QPainter& p) { tick(p, kRed, 5); });
  ok &= save(out, "quill", 32, 32, [](QPainter& p) {
    QPainterPath feather;
    feather.moveTo(6, 27);
    feather.cubicTo(9, 15, 18, 6, 28, 3);
    feather.cubicTo(26, 13, 18, 22, 6, 27);
    p.setPen(QPen(kOutline, 1.2));
    p.setBrush(QColor(245, 245, 250));
    p.drawPath(feather);
    p.setPen(QPen(QColor(120, 120, 140), 1));
    p.drawLine(QPointF(6, 27), QPointF(24, 8));
    p.setPen(QPen(kBlue, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(3, 30), QPointF(7, 26));
  });
  ok &= save(out, "computer", 32, 32, [](QPainter& p) {
    p.setPen(QPen(kOutline, 1.2));
    p.setBrush(QColor(205, 205, 200));
    p.drawRoundedRect(QRectF(3, 3, 26, 19), 2, 2);
    QLinearGradient screen(0, 5, 0, 19);
    screen.setColorAt(0, QColor(90, 160, 230));
    screen.setColorAt(1, QColor(20, 60, 140));
    p.setBrush(screen);
    p.drawRect(QRectF(6, 6, 20, 13));
    p.setBrush(QColor(205, 205, 200));
    p.drawRect(QRectF(13, 22, 6, 3));
    p.drawRoundedRect(QRectF(6, 25, 20, 4), 1, 1);
  });
  ok &= save(out, "invoice", 32, 32, [](QPainter& p) {
    sheet(p, QRectF(6, 2, 20, 28));
    p.setPen(QPen(kBlue, 1.5));
    for (int y = 9; y <= 24; y += 5) p.drawLine(QPointF(10, y), QPointF(22, y));
  });
  ok &= save(out, "clarion", 32, 32, [](QPainter& p) {
    QRadialGradient ball(QPointF(12, 11), 17);
    ball.setColorAt(0, QColor(255, 240, 150));
    ball.setColorAt(1, QColor(230, 120, 20));
    p.setPen(QPen(kOutline, 1.2));
    p.setBrush(ball);
    p.drawEllipse(QPointF(16, 16), 13.5, 13.5);
    QFont f("Nimbus Sans");
    f.setPixelSize(20);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(120, 30, 0));
    p.drawText(QRectF(0, 0, 32, 32), Qt::AlignCenter, "C");
  });
  ok &= save(out, "exit4", 32, 32, [](QPainter& p) { door(p, kRed); });
  ok &= save(out, "exit3", 32, 32, [](QPainter& p) { door(p, kGreen); });
  ok &= save(out, "open", 32, 32, [](QPainter& p) {
    p.setPen(QPen(kOutline, 1.2));
    p.setBrush(kFolderDark);
    p.drawRoundedRect(QRectF(3, 7, 12, 6), 1.5, 1.5);
    p.drawRoundedRect(QRectF(3, 10, 24, 17), 2, 2);
    QPainterPath flap;
    flap.moveTo(8, 15);
    flap.lineTo(30, 15);
    flap.lineTo(26, 27);
    flap.lineTo(3, 27);
    flap.closeSubpath();
    p.setBrush(kFolder);
    p.drawPath(flap);
  });
  ok &= save(out, "pick", 32, 32, [](QPainter& p) { closed_folder(p); });
  ok &= save(out, "shutfold", 32, 32, [](QPainter& p) {
    sheet(p, QRectF(6, 2, 20, 28));
    p.setPen(QPen(kOutline, 1));
    p.setBrush(kBlue);
    p.drawRect(QRectF(10, 12, 12, 10));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(10, 14, 12, 8));
  });
  ok &= save(out, "insert", 32, 32, [](QPainter& p) {
    sheet(p, QRectF(4, 2, 20, 26));
    p.setPen(QPen(kGreen, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(23, 16), QPointF(23, 28));
    p.drawLine(QPointF(17, 22), QPointF(29, 22));
  });
  ok &= save(out, "delete", 32, 32, [](QPainter& p) {
    p.setPen(QPen(kRed, 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(7, 7), QPointF(25, 25));
    p.drawLine(QPointF(25, 7), QPointF(7, 25));
  });
  ok &= save(out, "paste", 32, 32, [](QPainter& p) {
    p.setPen(QPen(kOutline, 1.2));
    p.setBrush(QColor(170, 120, 70));
    p.drawRoundedRect(QRectF(4, 5, 20, 25), 2, 2);
    p.setBrush(QColor(190, 190, 190));
    p.drawRoundedRect(QRectF(9, 2, 10, 6), 1.5, 1.5);
    sheet(p, QRectF(13, 11, 16, 19));
  });
  // Shown wherever a window names a picture the program does not carry.
  ok &= save(out, "unknown", 32, 32, [](QPainter& p) {
    p.setPen(QPen(QColor(120, 0, 120), 1.5));
    p.setBrush(QColor(255, 0, 255));
    p.drawRect(QRectF(2, 2, 28, 28));
    QFont f("Nimbus Sans");
    f.setPixelSize(24);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, 32, 32), Qt::AlignCenter, "?");
  });
  ok &= save(out, "softvelocity", 160, 60, [](QPainter& p) {
    QLinearGradient back(0, 0, 0, 60);
    back.setColorAt(0, QColor(60, 110, 200));
    back.setColorAt(1, QColor(15, 40, 110));
    p.setPen(QPen(QColor(10, 25, 70), 2));
    p.setBrush(back);
    p.drawRoundedRect(QRectF(1, 1, 158, 58), 8, 8);
    QFont big("Nimbus Sans");
    big.setPixelSize(34);
    big.setBold(true);
    big.setItalic(true);
    p.setFont(big);
    p.setPen(QColor(255, 210, 60));
    p.drawText(QRectF(0, 2, 160, 40), Qt::AlignCenter, "QVN");
    QFont small("Nimbus Sans");
    small.setPixelSize(11);
    p.setFont(small);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 38, 160, 18), Qt::AlignCenter, "Lorvane build runner");
  });
  return ok ? 0 : 1;
}
