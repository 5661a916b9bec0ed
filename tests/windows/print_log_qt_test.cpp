// The activity-log report on the Qt side: the pages PrintLog lays out are
// printed to a PDF file and read back with poppler's pdftotext (every entry
// once, on its page, where its band puts it, with the page's number), the
// first page is rendered to PNG with pdftoppm, and the progress window is
// pictured on Qt's offscreen platform. With QVN_REPORT_PICTURES or
// QVN_WINDOW_PICTURES naming a folder, print_log_page1.png or
// print_log_progress.png is also written there.

#ifdef QVN_TEST_WITH_QT

#include <gtest/gtest.h>
#include <stdlib.h>
#include <QtGui/QImage>
#include <QtWidgets/QApplication>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "data/files.h"
#include "pdf_text.h"
#include "picture_backend.h"
#include "platform/core/std_datetime.h"
#include "platform/framework/procedure.h"
#include "platform/framework/request.h"
#include "platform/ui/qt/qt_backend.h"
#include "platform/ui/qt/report_painter.h"
#include "windows/print_log.h"
#include "windows_fixture.h"

namespace qvn::windows::testing {
namespace {

using test_pdf::find;
using test_pdf::kPointsPerThou;
using test_pdf::PdfText;
using test_pdf::Word;
using ui::HeadlessUser;
using ui::WindowView;

constexpr const char* kProgress = "Report Progress...";
constexpr int kLinesPerPage = 26;
constexpr double kTolerance = 1.0;  // points

// Where the report's items lie on the page, in points: the detail band's
// items under the detail area's top (1542) at 281 a line, the footer's page
// number at (1000 + 5250, 9000 + 31), the header's title at 1000 + 21.
double line_top(int line) { return (1542 + line * 281 + 52) * kPointsPerThou; }
constexpr double kNameLeft = (500 + 63) * kPointsPerThou;
constexpr double kEventLeft = (500 + 3292) * kPointsPerThou;
constexpr double kPageLeft = (1000 + 5250) * kPointsPerThou;
constexpr double kPageTop = (9000 + 31) * kPointsPerThou;
constexpr double kTitleTop = (1000 + 21) * kPointsPerThou;

std::string event_of(int i) { return "entry-" + std::to_string(i + 1); }
std::string app_of(int i) { return "APP" + std::to_string(i % 3) + ".APP"; }

class PrintLogPdfTest : public WindowsTest {
 protected:
  void SetUp() override {
    WindowsTest::SetUp();
    ASSERT_TRUE(fs::exists(QVN_PDFTOTEXT)) << "pdftotext is missing: install poppler-utils (scripts/install-deps.sh)";
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (QApplication::instance() == nullptr) qt_ = ui::qt::QtBackend::create();
  }

  // A log of `count` entries of three applications in turn.
  void seed(int count) {
    std::vector<LogOnFile> log;
    for (int i = 0; i < count; ++i) {
      log.push_back({app_of(i), standard_date({2024, 3, 1 + i % 9}), standard_time({10, i % 60, 5, 0}), event_of(i)});
    }
    seed_log(log);
  }

  // PrintLog run to its preview, whose pages are printed to a PDF file; the
  // file, or an empty path when nothing was previewed. An empty log is
  // expected to give its message instead.
  fs::path print_to_pdf(const std::string& name, bool empty = false) {
    HeadlessUser user;
    if (empty) {
      user.answer_message("If there was something to print, I'd print it.||There isn't.", ui::button::Ok);
    } else {
      user.keep_on_window(kProgress, [](WindowView& w) { w.advance_time(100); });
      user.print_preview();
    }
    framework::call_procedure(PrintLog, framework::request::None);
    if (user.previews().empty()) return {};
    const fs::path pdf = dir / (name + ".pdf");
    std::string error;
    EXPECT_TRUE(ui::qt::write_pdf(user.previews()[0].document, pdf.string(), {}, &error)) << error;
    return pdf;
  }

  std::unique_ptr<ui::qt::QtBackend> qt_;
};

class PrintLogPagesPdfTest : public PrintLogPdfTest, public ::testing::WithParamInterface<int> {};

TEST_P(PrintLogPagesPdfTest, EveryEntryOnceOnItsPageWhereItsBandPutsIt) {
  const int count = GetParam();
  seed(count);
  const fs::path pdf = print_to_pdf("log", count == 0);
  if (count == 0) {
    EXPECT_TRUE(pdf.empty()) << "an empty log prints nothing";
    return;
  }
  ASSERT_FALSE(pdf.empty());
  const PdfText text = test_pdf::read_pdf(QVN_PDFTOTEXT, pdf);
  const int pages = (count + kLinesPerPage - 1) / kLinesPerPage;
  ASSERT_EQ(static_cast<int>(text.pages.size()), pages);
  for (int i = 0; i < count; ++i) {
    SCOPED_TRACE(event_of(i));
    const auto found = find(text, event_of(i));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]->page, i / kLinesPerPage + 1);
    EXPECT_NEAR(found[0]->left, kEventLeft, kTolerance);
    EXPECT_NEAR(found[0]->top, line_top(i % kLinesPerPage), kTolerance);
    // The application's name stands on its line, unless it repeats the
    // line before; three applications in turn never do.
    bool named = false;
    for (const Word* w : find(text, app_of(i), found[0]->page)) {
      named |= std::abs(w->top - found[0]->top) < kTolerance && std::abs(w->left - kNameLeft) < kTolerance;
    }
    EXPECT_TRUE(named);
  }
  for (int page = 1; page <= pages; ++page) {
    SCOPED_TRACE("page " + std::to_string(page));
    const auto label = find(text, "Page", page);
    ASSERT_EQ(label.size(), 1u);
    EXPECT_NEAR(label[0]->left, kPageLeft, kTolerance);
    EXPECT_NEAR(label[0]->top, kPageTop, kTolerance);
    bool numbered = false;
    for (const Word* n : find(text, std::to_string(page), page)) {
      numbered |= std::abs(n->top - label[0]->top) < kTolerance && n->left > label[0]->left;
    }
    EXPECT_TRUE(numbered) << "the page number stands beside \"Page\"";
    const auto title = find(text, "QVN5.5", page);
    ASSERT_EQ(title.size(), 1u);
    EXPECT_NEAR(title[0]->top, kTitleTop, kTolerance);
    EXPECT_EQ(find(text, "Action", page).size(), 1u);
    const auto [page_w, page_h] = text.pages.at(page);
    for (const Word& w : text.words) {
      if (w.page != page) continue;
      EXPECT_LE(w.left + w.width, page_w + kTolerance) << w.text;
      EXPECT_LE(w.top + w.height, page_h + kTolerance) << w.text;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Entries, PrintLogPagesPdfTest, ::testing::Values(0, 1, 26, 27, 53));

TEST_F(PrintLogPdfTest, TheFirstPageRendersToAPicture) {
  ASSERT_TRUE(fs::exists(QVN_PDFTOPPM)) << "pdftoppm is missing: install poppler-utils (scripts/install-deps.sh)";
  seed(30);
  const fs::path pdf = print_to_pdf("picture");
  ASSERT_FALSE(pdf.empty());
  const fs::path stem = dir / "print_log_page1";
  test_pdf::run(std::string(QVN_PDFTOPPM) + " -png -r 100 -f 1 -l 1 -singlefile '" + pdf.string() + "' '" +
                stem.string() + "'");
  const fs::path png = stem.string() + ".png";
  QImage image;
  ASSERT_TRUE(image.load(QString::fromStdString(png.string())));
  EXPECT_EQ(image.width(), 850);
  EXPECT_EQ(image.height(), 1100);
  // The grey heading strip, and a column line through every detail line.
  EXPECT_EQ(image.pixelColor(120, 130), QColor(0xC0, 0xC0, 0xC0));
  EXPECT_EQ(image.pixelColor(400, 50), QColor(Qt::white));
  ui::qt::test::copy_picture(png, "QVN_REPORT_PICTURES", "print_log_page1.png");
}

// A person who pictures the progress window at its first wait and presses
// Cancel.
class Photographer final : public ui::qt::test::LookOnce {
 public:
  using LookOnce::LookOnce;

  ui::PreviewResult preview(const report::ReportDocument&, const ui::PreviewDef&) override {
    ++previews;
    return {};
  }

  std::string caption;
  std::string percent;
  bool pressed = false;
  int previews = 0;

 private:
  void first_wait(ui::Window& w) override {
    caption = w.caption();
    percent = std::string(clip(w.state(print_log::PROGRESS_PCTTEXT).text));
    save(w, "print_log_progress.png");
    pressed = w.user_press(print_log::PROGRESS_CANCEL);
  }
};

TEST_F(PrintLogPdfTest, TheProgressWindowIsPicturedAndCancelled) {
  seed(200);
  std::unique_ptr<ui::qt::QtBackend> qt = qt_ ? std::move(qt_) : ui::qt::QtBackend::create();
  ASSERT_NE(qt, nullptr);
  Photographer person(*qt, ui::qt::test::picture_folders(dir, "QVN_WINDOW_PICTURES"));
  PrintLog();
  EXPECT_EQ(person.caption, kProgress);
  EXPECT_EQ(person.percent, "0% Complete") << "one entry of 200 read as the window opens";
  EXPECT_TRUE(person.pressed);
  EXPECT_EQ(person.previews, 0);
  EXPECT_TRUE(person.messages.empty());
  EXPECT_EQ(framework::GlobalResponse, framework::response::Cancelled);
  ASSERT_EQ(person.saved, std::vector<bool>(person.folders().size(), true));
  QImage image;
  ASSERT_TRUE(image.load(QString::fromStdString((dir / "print_log_progress.png").string())));
  EXPECT_GT(image.width(), 100);
}

}  // namespace
}  // namespace qvn::windows::testing

#endif  // QVN_TEST_WITH_QT
