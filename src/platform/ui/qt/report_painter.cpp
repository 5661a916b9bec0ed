#include "platform/ui/qt/report_painter.h"

#include <QtCore/QFileInfo>
#include <QtGui/QColor>
#include <QtGui/QFont>
#include <QtGui/QFontMetricsF>
#include <QtGui/QPageLayout>
#include <QtGui/QPageRanges>
#include <QtGui/QPageSize>
#include <QtGui/QPainter>
#include <QtGui/QPen>
#include <QtPrintSupport/QPrinter>

#include <algorithm>
#include <optional>

namespace qvn::ui::qt {

namespace {

using report::Align;
using report::ItemKind;
using report::ItemLook;
using report::Page;
using report::PlacedItem;
using report::ReportDocument;

// Lines are half a point wide.
constexpr double kLineWidthThou = 7.0;
// A text at most this much wider than its box is set narrower to fit
// rather than cut, so that a value that nearly fits (a date with a two-digit
// day in its column) loses no character.
constexpr int kNarrowestStretch = 90;

QColor color_of(long long bgr) {
  if (bgr < 0) return QColor(Qt::black);
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

int align_flags(Align align) {
  switch (align) {
    case Align::Left: return Qt::AlignLeft;
    case Align::Center: return Qt::AlignHCenter;
    case Align::Right: return Qt::AlignRight;
  }
  return Qt::AlignLeft;
}

// A text look's font as the printer resolves it.
struct TextFont {
  QFont font;
  QFontMetricsF metrics;
};

// The longest start of the text that fits the width: a text is cut at its
// box's edge, never wrapped, so that a line keeps its height.
QString cut_to(const QString& text, const QFontMetricsF& fm, double width) {
  qsizetype lo = 0;
  qsizetype hi = text.size();
  while (lo < hi) {
    const qsizetype mid = (lo + hi + 1) / 2;
    if (fm.horizontalAdvance(text.left(mid)) <= width) {
      lo = mid;
    } else {
      hi = mid - 1;
    }
  }
  return text.left(lo);
}

class PagePainter {
 public:
  PagePainter(const ReportDocument& doc, QPrinter& printer, QPainter& painter)
      : doc_(doc), painter_(painter), fonts_(doc.looks().size()) {
    const QPageLayout layout = printer.pageLayout();
    const QRectF paper = layout.fullRectPoints();
    const double paper_w = paper.width() * 1000.0 / 72.0;
    const double paper_h = paper.height() * 1000.0 / 72.0;
    double scale = 1.0;
    if (doc.width() > paper_w) scale = std::min(scale, paper_w / doc.width());
    if (doc.height() > paper_h) scale = std::min(scale, paper_h / doc.height());
    k_ = printer.resolution() / 1000.0 * scale;
    // A printer that does not use the full page counts from its margins.
    if (!printer.fullPage()) {
      const QPoint margin = layout.paintRectPixels(printer.resolution()).topLeft();
      painter_.translate(-margin.x(), -margin.y());
    }
    for (size_t i = 0; i < doc.looks().size(); ++i) {
      const ItemLook& look = doc.looks()[i];
      if (look.kind != ItemKind::Text) continue;
      QFont base(QString::fromStdString(look.font.face));
      base.setPointSizeF(look.font.points * scale);
      base.setBold(look.font.bold);
      QFont font(base, &printer);
      fonts_[i].emplace(TextFont{font, QFontMetricsF(font, &printer)});
    }
  }

  void paint(const Page& page) {
    for (const PlacedItem& item : doc_.items(page)) {
      const ItemLook& look = doc_.look(item);
      const QRectF box(item.x * k_, item.y * k_, look.w * k_, look.h * k_);
      switch (look.kind) {
        case ItemKind::Text: {
          const TextFont& tf = *fonts_[static_cast<size_t>(item.look)];
          const std::string_view utf8 = page.text(item);
          QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
          painter_.setFont(tf.font);
          if (const double advance = tf.metrics.horizontalAdvance(text); advance > box.width()) {
            if (std::optional<QFont> narrow = narrowed(tf.font, text, advance, box.width())) {
              painter_.setFont(*narrow);
            } else {
              text = cut_to(text, tf.metrics, box.width());
            }
          }
          painter_.setPen(color_of(look.color));
          painter_.drawText(box, align_flags(look.align) | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip, text);
          break;
        }
        case ItemKind::Line: {
          QPen pen(color_of(look.color));
          pen.setWidthF(std::max(1.0, kLineWidthThou * k_));
          pen.setCapStyle(Qt::FlatCap);
          painter_.setPen(pen);
          painter_.drawLine(QPointF(item.x * k_, item.y * k_), QPointF((item.x + look.w) * k_, (item.y + look.h) * k_));
          break;
        }
        case ItemKind::Fill: painter_.fillRect(box, color_of(look.color)); break;
      }
    }
  }

 private:
  // The font set narrower so that the text fits the width, when a stretch
  // of at least kNarrowestStretch does.
  std::optional<QFont> narrowed(const QFont& font, const QString& text, double advance, double width) const {
    for (int stretch = static_cast<int>(100.0 * width / advance); stretch >= kNarrowestStretch; --stretch) {
      QFont narrow(font);
      narrow.setStretch(stretch);
      if (QFontMetricsF(narrow, painter_.device()).horizontalAdvance(text) <= width) return narrow;
    }
    return std::nullopt;
  }

  const ReportDocument& doc_;
  QPainter& painter_;
  std::vector<std::optional<TextFont>> fonts_;
  double k_ = 1.0;  // device pixels per thousandth of an inch
};

}  // namespace

void set_up_printer(QPrinter& printer) {
  printer.setPageSize(QPageSize(QPageSize::Letter));
  printer.setPageOrientation(QPageLayout::Portrait);
  printer.setFullPage(true);
}

std::vector<int> paint_document(const ReportDocument& document, QPrinter& printer) {
  std::vector<int> pages;
  const bool ranged = printer.printRange() == QPrinter::PageRange && !printer.pageRanges().isEmpty();
  for (const Page& page : document.pages()) {
    if (!ranged || printer.pageRanges().contains(page.number)) pages.push_back(page.number);
  }
  if (pages.empty()) return pages;
  QPainter painter;
  if (!painter.begin(&printer)) return {};
  PagePainter page_painter(document, printer, painter);
  bool first = true;
  for (int number : pages) {
    if (!first && !printer.newPage()) {
      painter.end();
      return {};
    }
    first = false;
    page_painter.paint(document.pages()[static_cast<size_t>(number - 1)]);
  }
  painter.end();
  return pages;
}

bool write_pdf(const ReportDocument& document, const std::string& path, const PdfPaper& paper, std::string* error) {
  const auto fail = [error](std::string why) {
    if (error) *error = std::move(why);
    return false;
  };
  if (document.page_count() == 0) return fail("The report has no pages");
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(path));
  set_up_printer(printer);
  switch (paper.size) {
    case PaperSize::Letter: printer.setPageSize(QPageSize(QPageSize::Letter)); break;
    case PaperSize::A4: printer.setPageSize(QPageSize(QPageSize::A4)); break;
    case PaperSize::A5: printer.setPageSize(QPageSize(QPageSize::A5)); break;
  }
  printer.setPageOrientation(paper.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
  const std::vector<int> painted = paint_document(document, printer);
  if (painted.size() != document.page_count()) return fail("Could not paint the pages into " + path);
  if (QFileInfo(QString::fromStdString(path)).size() <= 0) return fail("Could not write " + path);
  return true;
}

}  // namespace qvn::ui::qt
