// Report pages painted by Qt into PDF files and read back with poppler's
// pdftotext: every line once, on its page, where its band puts it, at the
// size its font asks for; pages scaled to fit a smaller paper; chosen pages
// printed alone; the first page rendered to PNG with pdftoppm. With
// QVN_REPORT_PICTURES naming a folder, that PNG is also written there
// (report_page1.png).

#include <QtCore/QTimer>
#include <QtGui/QAction>
#include <QtGui/QFont>
#include <QtGui/QFontMetricsF>
#include <QtGui/QImage>
#include <QtGui/QPageRanges>
#include <QtPrintSupport/QPrintDialog>
#include <QtPrintSupport/QPrintPreviewDialog>
#include <QtPrintSupport/QPrintPreviewWidget>
#include <QtPrintSupport/QPrinter>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QSpinBox>

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "../../report/sample_report.h"
#include "pdf_text.h"
#include "picture_backend.h"
#include "platform/report/report.h"
#include "platform/ui/qt/qt_backend.h"
#include "platform/ui/qt/report_painter.h"
#include "support/temp_folder.h"

namespace qvn::ui::qt {
namespace {

namespace fs = std::filesystem;
using report::sample::Entry;

using test_pdf::find;
using test_pdf::kPointsPerThou;
using test_pdf::PdfText;
using test_pdf::run;
using test_pdf::Word;

constexpr double kTolerance = 1.0;  // points

PdfText read_pdf(const fs::path& pdf) { return test_pdf::read_pdf(QVN_PDFTOTEXT, pdf); }

// The sample listing of `count` entries, laid out.
std::unique_ptr<report::Report> listing(Entry& e, int count, const std::string& long_event = {}) {
  std::string error;
  auto report = report::Report::create(report::sample::report_def(e), &error);
  EXPECT_NE(report, nullptr) << error;
  if (!report) return report;
  report->open();
  for (int i = 0; i < count; ++i) {
    report::sample::fill_entry(e, i);
    if (!long_event.empty() && i == 0) e.event = long_event;
    report->print("?DETAIL");
  }
  report->end_page();
  return report;
}

class ReportPdfTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(QVN_PDFTOTEXT)) << "pdftotext is missing: install poppler-utils (scripts/install-deps.sh)";
  }

  fs::path pdf(const std::string& name) const { return dir_ / (name + ".pdf"); }

  test_support::TempFolder folder_{"qvn-report-pdf"};
  const fs::path dir_ = folder_.path();
};

// Where the sample's items lie on the page, in points, before any scaling.
double line_top(int line) {
  return (report::sample::kDetailArea.y + line * report::sample::kLineHeight + report::sample::kEventAt.y) *
         kPointsPerThou;
}
constexpr double kEventLeft = (report::sample::kDetailArea.x + report::sample::kEventAt.x) * kPointsPerThou;
constexpr double kNameLeft = (report::sample::kDetailArea.x + report::sample::kNameAt.x) * kPointsPerThou;
constexpr double kEventRight =
    (report::sample::kDetailArea.x + report::sample::kEventAt.x + report::sample::kEventAt.w) * kPointsPerThou;
constexpr double kPageLeft = (report::sample::kFooterAt.x + report::sample::kPageAt.x) * kPointsPerThou;
constexpr double kPageTop = (report::sample::kFooterAt.y + report::sample::kPageAt.y) * kPointsPerThou;
constexpr double kTitleTop = (report::sample::kHeaderAt.y + report::sample::kTitleAt.y) * kPointsPerThou;
constexpr double kTitleCentre =
    (report::sample::kHeaderAt.x + report::sample::kTitleAt.x + report::sample::kTitleAt.w / 2.0) * kPointsPerThou;

// Every entry once on its page at its line, and each page's title and number
// where the bands put them, all scaled by `scale`.
void expect_listing(const PdfText& text, int count, double scale) {
  const int pages = (count + report::sample::kLinesPerPage - 1) / report::sample::kLinesPerPage;
  ASSERT_EQ(static_cast<int>(text.pages.size()), pages);
  for (int i = 0; i < count; ++i) {
    const std::string word = report::sample::event_word(i);
    const auto found = find(text, word);
    ASSERT_EQ(found.size(), 1u) << word << " appears " << found.size() << " times";
    const Word& w = *found[0];
    EXPECT_EQ(w.page, i / report::sample::kLinesPerPage + 1) << word;
    EXPECT_NEAR(w.left, kEventLeft * scale, kTolerance) << word;
    EXPECT_NEAR(w.top, line_top(i % report::sample::kLinesPerPage) * scale, kTolerance) << word;
  }
  for (int page = 1; page <= pages; ++page) {
    SCOPED_TRACE("page " + std::to_string(page));
    const auto label = find(text, "Page", page);
    ASSERT_EQ(label.size(), 1u);
    EXPECT_NEAR(label[0]->left, kPageLeft * scale, kTolerance);
    EXPECT_NEAR(label[0]->top, kPageTop * scale, kTolerance);
    const auto number = find(text, std::to_string(page), page);
    ASSERT_FALSE(number.empty());
    bool beside = false;
    for (const Word* n : number) beside |= std::abs(n->top - label[0]->top) < kTolerance && n->left > label[0]->left;
    EXPECT_TRUE(beside) << "the page number stands beside \"Page\"";
    const auto title = find(text, "Activity", page);
    const auto log = find(text, "Log", page);
    ASSERT_EQ(title.size(), 1u);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NEAR(title[0]->top, kTitleTop * scale, kTolerance);
    EXPECT_NEAR((title[0]->left + log[0]->left + log[0]->width) / 2, kTitleCentre * scale, 1.5 * kTolerance);
    const auto [page_w, page_h] = text.pages.at(page);
    for (const Word& w : text.words) {
      if (w.page != page) continue;
      EXPECT_GE(w.left, 0) << w.text;
      EXPECT_LE(w.left + w.width, page_w + kTolerance) << w.text;
      EXPECT_LE(w.top + w.height, page_h + kTolerance) << w.text;
    }
  }
}

class ListingPdfTest : public ReportPdfTest, public ::testing::WithParamInterface<int> {};

TEST_P(ListingPdfTest, EveryLineOnceOnItsPageWhereItsBandPutsIt) {
  const int count = GetParam();
  Entry e;
  auto report = listing(e, count);
  ASSERT_NE(report, nullptr);
  std::string error;
  ASSERT_TRUE(write_pdf(report->document(), pdf("listing").string(), {}, &error)) << error;
  const PdfText text = read_pdf(pdf("listing"));
  expect_listing(text, count, 1.0);
  // Letter, portrait.
  EXPECT_NEAR(text.pages.at(1).first, 612, kTolerance);
  EXPECT_NEAR(text.pages.at(1).second, 792, kTolerance);
  for (int i = 0; i < count; ++i) {
    const auto name = find(text, "APP" + std::to_string(i % 5) + ".APP", i / report::sample::kLinesPerPage + 1);
    bool at_line = false;
    for (const Word* w : name) {
      at_line |= std::abs(w->top - line_top(i % report::sample::kLinesPerPage)) < kTolerance &&
                 std::abs(w->left - kNameLeft) < kTolerance;
    }
    EXPECT_TRUE(at_line) << "name of entry " << i;
  }
  // Every date keeps its year, also with a two-digit day that makes it a
  // little wider than its column.
  EXPECT_EQ(find(text, "2024").size(), static_cast<size_t>(count));
}

INSTANTIATE_TEST_SUITE_P(Entries, ListingPdfTest, ::testing::Values(1, 26, 27, 53));

TEST_F(ReportPdfTest, AReportWithoutPagesMakesNoFile) {
  Entry e;
  auto report = listing(e, 0);
  ASSERT_NE(report, nullptr);
  std::string error;
  EXPECT_FALSE(write_pdf(report->document(), pdf("empty").string(), {}, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(fs::exists(pdf("empty")));
}

TEST_F(ReportPdfTest, TextsPrintAtTheSizeTheirFontAsks) {
  Entry e;
  auto report = listing(e, 1);
  ASSERT_NE(report, nullptr);
  ASSERT_TRUE(write_pdf(report->document(), pdf("one").string()));
  const PdfText text = read_pdf(pdf("one"));
  // The widths the fonts give at their sizes, measured at the printer's
  // resolution and turned into points.
  QImage device(10, 10, QImage::Format_RGB32);
  device.setDotsPerMeterX(static_cast<int>(std::lround(1200 / 0.0254)));
  device.setDotsPerMeterY(static_cast<int>(std::lround(1200 / 0.0254)));
  const auto width_pt = [&](const char* word, int points, bool bold) {
    QFont f(QStringLiteral("Arial"));
    f.setPointSizeF(points);
    f.setBold(bold);
    return QFontMetricsF(QFont(f, &device), &device).horizontalAdvance(QString::fromLatin1(word)) * 72.0 / 1200.0;
  };
  const auto title = find(text, "Activity");
  ASSERT_EQ(title.size(), 1u);
  EXPECT_NEAR(title[0]->width, width_pt("Activity", 10, true), kTolerance);
  const auto page = find(text, "Page");
  ASSERT_EQ(page.size(), 1u);
  EXPECT_NEAR(page[0]->width, width_pt("Page", 8, false), kTolerance);
  const auto event = find(text, report::sample::event_word(0));
  ASSERT_EQ(event.size(), 1u);
  EXPECT_NEAR(event[0]->width, width_pt(report::sample::event_word(0).c_str(), 10, false), kTolerance);
}

TEST_F(ReportPdfTest, ATextWiderThanItsBoxIsCutAtItsEdge) {
  Entry e;
  const std::string long_event = "cut-" + std::string(76, 'W');
  auto report = listing(e, 2, long_event);
  ASSERT_NE(report, nullptr);
  ASSERT_TRUE(write_pdf(report->document(), pdf("cut").string()));
  const PdfText text = read_pdf(pdf("cut"));
  const Word* cut = nullptr;
  for (const Word& w : text.words) {
    if (w.text.rfind("cut-", 0) == 0) cut = &w;
  }
  ASSERT_NE(cut, nullptr);
  EXPECT_LT(cut->text.size(), long_event.size());
  EXPECT_EQ(long_event.substr(0, cut->text.size()), cut->text);
  EXPECT_LE(cut->left + cut->width, kEventRight + kTolerance);
  EXPECT_NEAR(cut->top, line_top(0), kTolerance) << "the line keeps its height";
  EXPECT_EQ(find(text, report::sample::event_word(1)).size(), 1u);
}

struct Paper {
  const char* title;
  PdfPaper paper;
};

std::ostream& operator<<(std::ostream& os, const Paper& p) { return os << p.title; }

class PaperTest : public ReportPdfTest, public ::testing::WithParamInterface<Paper> {};

// Paper that cannot hold the report's 7600 by 9219 thousandths from its
// corner gets the whole page scaled evenly: nothing lost, nothing moved
// between pages.
TEST_P(PaperTest, PagesAreScaledToFitAndLoseNothing) {
  Entry e;
  auto report = listing(e, 53);
  ASSERT_NE(report, nullptr);
  ASSERT_TRUE(write_pdf(report->document(), pdf("paper").string(), GetParam().paper));
  const PdfText text = read_pdf(pdf("paper"));
  ASSERT_FALSE(text.pages.empty());
  const auto [page_w, page_h] = text.pages.at(1);
  const double scale = std::min({1.0, page_w / (7600 * kPointsPerThou), page_h / (9219 * kPointsPerThou)});
  expect_listing(text, 53, scale);
}

INSTANTIATE_TEST_SUITE_P(Papers, PaperTest,
                         ::testing::Values(Paper{"Letter landscape", {PaperSize::Letter, true}},
                                           Paper{"A4 portrait", {PaperSize::A4, false}},
                                           Paper{"A5 portrait", {PaperSize::A5, false}},
                                           Paper{"A5 landscape", {PaperSize::A5, true}}));

TEST_F(ReportPdfTest, ChosenPagesArePrintedAlone) {
  Entry e;
  auto report = listing(e, 80);
  ASSERT_NE(report, nullptr);
  ASSERT_EQ(report->document().page_count(), 4u);
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(pdf("chosen").string()));
  set_up_printer(printer);
  printer.setPrintRange(QPrinter::PageRange);
  QPageRanges ranges;
  ranges.addRange(2, 3);
  printer.setPageRanges(ranges);
  EXPECT_EQ(paint_document(report->document(), printer), (std::vector<int>{2, 3}));
  const PdfText text = read_pdf(pdf("chosen"));
  ASSERT_EQ(text.pages.size(), 2u);
  EXPECT_EQ(find(text, report::sample::event_word(26)).at(0)->page, 1);
  EXPECT_EQ(find(text, report::sample::event_word(77)).at(0)->page, 2);
  EXPECT_TRUE(find(text, report::sample::event_word(25)).empty());
  EXPECT_TRUE(find(text, report::sample::event_word(78)).empty());
  EXPECT_FALSE(find(text, "2", 1).empty());
  EXPECT_FALSE(find(text, "3", 2).empty());
}

TEST_F(ReportPdfTest, TheFirstPageRendersToAPicture) {
  ASSERT_TRUE(fs::exists(QVN_PDFTOPPM)) << "pdftoppm is missing: install poppler-utils (scripts/install-deps.sh)";
  Entry e;
  auto report = listing(e, 30);
  ASSERT_NE(report, nullptr);
  ASSERT_TRUE(write_pdf(report->document(), pdf("picture").string()));
  const fs::path png = dir_ / "report_page1.png";
  run(std::string(QVN_PDFTOPPM) + " -png -r 100 -f 1 -l 1 -singlefile '" + pdf("picture").string() + "' '" +
      (dir_ / "report_page1").string() + "'");
  ASSERT_TRUE(fs::exists(png));
  QImage image;
  ASSERT_TRUE(image.load(QString::fromStdString(png.string())));
  // Letter at 100 dots an inch.
  EXPECT_EQ(image.width(), 850);
  EXPECT_EQ(image.height(), 1100);
  // The grey strip under the title, between the column lines.
  const QColor strip = image.pixelColor(static_cast<int>((500 + 700) * 0.1), static_cast<int>((1000 + 270) * 0.1));
  EXPECT_EQ(strip, QColor(0xC0, 0xC0, 0xC0));
  // The margin above the header is blank.
  EXPECT_EQ(image.pixelColor(400, 50), QColor(Qt::white));
  test::copy_picture(png, "QVN_REPORT_PICTURES", "report_page1.png");
}

// The preview opens on Qt's offscreen platform with the report's pages,
// titled and maximised, and closes without printing.
TEST(ReportPreviewTest, OpensWithThePagesAndClosesWithoutPrinting) {
  auto backend = QtBackend::create();
  ASSERT_NE(backend, nullptr);
  Entry e;
  auto report = listing(e, 60);
  ASSERT_NE(report, nullptr);
  QString title;
  bool maximized = false;
  bool zoom = false;
  int pages = -1;
  bool seen = false;
  QTimer poll;
  int polls = 0;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    // At most about 30 s on a busy machine.
    if (++polls > 3000) {
      poll.stop();
      if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
      return;
    }
    auto* dialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    auto* widget = dialog->findChild<QPrintPreviewWidget*>();
    if (widget == nullptr || widget->pageCount() == 0) return;
    seen = true;
    title = dialog->windowTitle();
    maximized = dialog->windowState().testFlag(Qt::WindowMaximized);
    pages = widget->pageCount();
    for (QAction* a : dialog->findChildren<QAction*>())
      zoom |= a->text() == QStringLiteral("Zoom in") && a->isEnabled();
    poll.stop();
    dialog->reject();
  });
  poll.start(10);
  const PreviewResult result = backend->preview(report->document(), PreviewDef{});
  ASSERT_TRUE(seen) << "no preview came up";
  EXPECT_EQ(title, QStringLiteral("Report Preview"));
  EXPECT_TRUE(maximized);
  EXPECT_TRUE(zoom);
  EXPECT_EQ(pages, 3);
  EXPECT_FALSE(result.printed);
  EXPECT_TRUE(result.pages.empty());
}

// Print from the preview, the way a person does on a machine without a
// printer: the print dialog offers a PDF file, here the pages 2 to 3 of 4.
// The dialog's widgets are found by the names Qt gives them.
TEST_F(ReportPdfTest, PrintingChosenPagesFromThePreviewWritesThem) {
  auto backend = QtBackend::create();
  ASSERT_NE(backend, nullptr);
  Entry e;
  auto report = listing(e, 80);
  ASSERT_NE(report, nullptr);
  const std::string out = pdf("printed").string();
  QString offered;
  int stage = 0;
  QTimer poll;
  int polls = 0;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (++polls > 3000) {
      poll.stop();
      if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
      return;
    }
    QWidget* modal = QApplication::activeModalWidget();
    if (stage == 0 && qobject_cast<QPrintPreviewDialog*>(modal) != nullptr) {
      for (QAction* a : modal->findChildren<QAction*>()) {
        if (a->text() == QStringLiteral("Print")) {
          stage = 1;
          QTimer::singleShot(0, a, &QAction::trigger);
          return;
        }
      }
    }
    auto* print = qobject_cast<QPrintDialog*>(modal);
    if (stage == 1 && print != nullptr) {
      auto* file = print->findChild<QLineEdit*>(QStringLiteral("filename"));
      auto* range = print->findChild<QAbstractButton*>(QStringLiteral("printRange"));
      auto* from = print->findChild<QSpinBox*>(QStringLiteral("from"));
      auto* to = print->findChild<QSpinBox*>(QStringLiteral("to"));
      stage = 2;
      poll.stop();
      if (file == nullptr || range == nullptr || from == nullptr || to == nullptr) {
        print->reject();
        return;
      }
      offered = file->text();
      file->setText(QString::fromStdString(out));
      range->click();
      to->setValue(3);
      from->setValue(2);
      print->accept();
    }
  });
  poll.start(10);
  const PreviewResult result = backend->preview(report->document(), PreviewDef{});
  ASSERT_EQ(stage, 2) << "the print dialog did not come up";
  EXPECT_TRUE(offered.endsWith(QStringLiteral(".pdf"))) << offered.toStdString();
  EXPECT_TRUE(result.printed);
  EXPECT_EQ(result.pages, (std::vector<int>{2, 3}));
  const PdfText text = read_pdf(out);
  ASSERT_EQ(text.pages.size(), 2u);
  EXPECT_EQ(find(text, report::sample::event_word(26)).at(0)->page, 1);
  EXPECT_EQ(find(text, report::sample::event_word(77)).at(0)->page, 2);
  EXPECT_TRUE(find(text, report::sample::event_word(78)).empty());
}

}  // namespace
}  // namespace qvn::ui::qt
