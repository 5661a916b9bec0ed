// The report engine: bands laid out into pages that a test reads without
// painting anything.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/report/report.h"
#include "sample_report.h"

namespace qvn::report {
namespace {

using sample::Entry;
using sample::kLineHeight;
using sample::kLinesPerPage;

std::unique_ptr<Report> make(ReportDef def) {
  std::string error;
  auto report = Report::create(std::move(def), &error);
  EXPECT_NE(report, nullptr) << error;
  return report;
}

// Prints `count` entries of the sample listing and ends the last page.
std::unique_ptr<Report> listing(Entry& e, int count) {
  auto report = make(sample::report_def(e));
  if (!report) return report;
  report->open();
  for (int i = 0; i < count; ++i) {
    sample::fill_entry(e, i);
    EXPECT_TRUE(report->print("?DETAIL"));
  }
  report->end_page();
  return report;
}

struct Pagination {
  int entries;
  std::vector<int> lines;  // per page
};

std::ostream& operator<<(std::ostream& os, const Pagination& p) { return os << p.entries << " entries"; }

class PaginationTest : public ::testing::TestWithParam<Pagination> {};

TEST_P(PaginationTest, EveryEntryOnceOnItsPageWithHeaderAndFooterOnEveryPage) {
  const Pagination& p = GetParam();
  Entry e;
  auto report = listing(e, p.entries);
  ASSERT_NE(report, nullptr);
  const ReportDocument& doc = report->document();
  ASSERT_EQ(doc.page_count(), p.lines.size());
  int entry = 0;
  for (int page = 1; page <= static_cast<int>(doc.page_count()); ++page) {
    SCOPED_TRACE("page " + std::to_string(page));
    const Page& pg = doc.pages()[static_cast<size_t>(page - 1)];
    EXPECT_EQ(pg.number, page);
    EXPECT_EQ(pg.details, p.lines[static_cast<size_t>(page - 1)]);
    EXPECT_EQ(doc.texts(page, "").front(), sample::kTitle);
    EXPECT_EQ(doc.texts(page, "?PAGECOUNT"), (std::vector<std::string>{sample::page_text(page)}));

    const std::vector<std::string> events = doc.texts(page, "?EVENT");
    const std::vector<PlacedItem> placed = doc.items(page, "?EVENT");
    ASSERT_EQ(events.size(), static_cast<size_t>(pg.details));
    for (size_t line = 0; line < events.size(); ++line, ++entry) {
      EXPECT_EQ(events[line], sample::event_word(entry));
      EXPECT_EQ(placed[line].x, sample::kDetailArea.x + sample::kEventAt.x);
      EXPECT_EQ(placed[line].y, sample::kDetailArea.y + static_cast<int>(line) * kLineHeight + sample::kEventAt.y);
    }
    // The footer comes last on the page, after every detail line.
    const PlacedItem last = doc.items(pg).back();
    EXPECT_EQ(doc.look(last).name, "?PAGECOUNT");
    EXPECT_EQ(last.x, sample::kFooterAt.x + sample::kPageAt.x);
    EXPECT_EQ(last.y, sample::kFooterAt.y + sample::kPageAt.y);
  }
  EXPECT_EQ(entry, p.entries);
}

INSTANTIATE_TEST_SUITE_P(Entries, PaginationTest,
                         ::testing::Values(Pagination{0, {}}, Pagination{1, {1}}, Pagination{26, {26}},
                                           Pagination{27, {26, 1}}, Pagination{52, {26, 26}},
                                           Pagination{53, {26, 26, 1}}));

TEST(ReportTest, ColumnsShowTheValuesThroughTheirPicturesWhenTheBandIsPrinted) {
  Entry e;
  auto report = make(sample::report_def(e));
  ASSERT_NE(report, nullptr);
  report->open();
  e.name = "MAIN.APP";
  e.date = standard_date({2024, 3, 1});
  e.clock = standard_time({9, 5, 3, 0});
  e.event = "Make Finished";
  report->print();
  e.name = "";
  e.date = 0;
  e.clock = 0;
  e.event = "Started";
  report->print();
  report->end_page();
  const ReportDocument& doc = report->document();
  EXPECT_EQ(doc.texts(1, "?NAME"), (std::vector<std::string>{"MAIN.APP", ""}));
  EXPECT_EQ(doc.texts(1, "?DATE"), (std::vector<std::string>{"1 MAR 2024", ""}));
  EXPECT_EQ(doc.texts(1, "?TIME"), (std::vector<std::string>{"9:05:03", ""}));
  EXPECT_EQ(doc.texts(1, "?EVENT"), (std::vector<std::string>{"Make Finished", "Started"}));
  // The item keeps the picture's leading blank and drops the trailing ones.
  EXPECT_EQ(doc.pages()[0].text(doc.items(1, "?DATE")[0]), " 1 MAR 2024");
  EXPECT_EQ(doc.pages()[0].text(doc.items(1, "?EVENT")[0]), "Make Finished");
  EXPECT_EQ(doc.pages()[0].text(doc.items(doc.pages()[0])[1]), "") << "a fill has no text";
}

TEST(ReportTest, LooksCarryTheReportsFontUnlessTheItemNamesItsOwn) {
  Entry e;
  auto report = listing(e, 1);
  ASSERT_NE(report, nullptr);
  const ReportDocument& doc = report->document();
  const auto font_of = [&](const char* name) { return doc.look(doc.items(1, name).at(0)).font; };
  EXPECT_EQ(font_of("?NAME").face, "Arial");
  EXPECT_EQ(font_of("?NAME").points, 10);
  EXPECT_TRUE(font_of("?NAME").bold);
  EXPECT_FALSE(font_of("?EVENT").bold);
  EXPECT_EQ(font_of("?PAGECOUNT").points, 8);
  const ItemLook& title = doc.look(doc.items(doc.pages()[0])[0]);
  EXPECT_TRUE(title.font.bold);
  EXPECT_EQ(title.align, Align::Center);
  const ItemLook& strip = doc.look(doc.items(doc.pages()[0])[1]);
  EXPECT_EQ(strip.kind, ItemKind::Fill);
  EXPECT_EQ(strip.color, 0xC0C0C0);
}

TEST(ReportTest, ReachCoversEveryItemFromThePagesCorner) {
  Entry e;
  auto report = make(sample::report_def(e));
  ASSERT_NE(report, nullptr);
  // The header's strip is 7100 wide from 500; the footer ends at 9219.
  EXPECT_EQ(report->document().width(), 7600);
  EXPECT_EQ(report->document().height(), 9219);
}

struct Fit {
  int band;
  int area;
  int per_page;
};

std::ostream& operator<<(std::ostream& os, const Fit& f) { return os << "band " << f.band << " in area " << f.area; }

class FitTest : public ::testing::TestWithParam<Fit> {};

// A band fits while what the page holds plus its height is at most the area.
TEST_P(FitTest, BandsFitWhileTheAreaHoldsThem) {
  const Fit& f = GetParam();
  ReportDef def;
  def.detail_area = {0, 0, 1000, f.area};
  def.details = {{"?D", {0, 0, 1000, f.band}, {text({0, 0, 100, 100}, "x")}}};
  auto report = make(def);
  ASSERT_NE(report, nullptr);
  report->open();
  for (int i = 0; i < 3 * f.per_page; ++i) report->print();
  report->end_page();
  const ReportDocument& doc = report->document();
  ASSERT_EQ(doc.page_count(), 3u);
  for (const Page& page : doc.pages()) EXPECT_EQ(page.details, f.per_page);
}

INSTANTIATE_TEST_SUITE_P(Heights, FitTest,
                         ::testing::Values(Fit{281, 7458, 26}, Fit{3729, 7458, 2}, Fit{3730, 7458, 1},
                                           Fit{7458, 7458, 1}, Fit{100, 1000, 10}));

TEST(ReportTest, PagesBeginOnlyWithADetailAndEndOnlyOnce) {
  Entry e;
  auto report = make(sample::report_def(e));
  ASSERT_NE(report, nullptr);
  EXPECT_FALSE(report->print()) << "printed before the report was opened";
  report->open();
  report->end_page();
  EXPECT_EQ(report->document().page_count(), 0u);
  EXPECT_FALSE(report->print("?NO_SUCH_BAND"));
  for (int i = 0; i < kLinesPerPage; ++i) report->print();
  report->end_page();
  report->end_page();
  ASSERT_EQ(report->document().page_count(), 1u);
  EXPECT_EQ(report->document().texts(1, "?PAGECOUNT").size(), 1u);
  // A band printed after the page ended begins the next page.
  report->print();
  report->end_page();
  ASSERT_EQ(report->document().page_count(), 2u);
  EXPECT_EQ(report->document().texts(2, "?PAGECOUNT"), (std::vector<std::string>{"Page    2"}));
  report->close();
  EXPECT_EQ(report->document().page_count(), 0u);
  EXPECT_FALSE(report->print());
  report->open();
  report->print();
  report->end_page();
  EXPECT_EQ(report->document().texts(1, "?PAGECOUNT"), (std::vector<std::string>{"Page    1"}));
}

// Two detail bands of different items printed in turn, one showing a
// value of any length: every item comes back from its page in paint order,
// where its band was printed, with its whole text.
TEST(ReportTest, ItemsOfBandsInTurnComeBackInPlaceWithTextsOfAnyLength) {
  std::string said;
  ReportDef def;
  def.detail_area = {100, 200, 5000, 900};
  def.details = {{"?SAID",
                  {0, 0, 5000, 100},
                  {line({0, 0, 0, 100}), value("?VALUE", {10, 20, 4000, 80}, values::VarRef::of(said), ""),
                   text({4100, 20, 800, 80}, "after")}},
                 {"?RULE", {0, 0, 5000, 50}, {fill({5, 6, 4990, 10}, 0xFF), text({7, 8, 100, 30}, "rule")}}};
  def.footer = {"", {300, 1300, 1000, 100}, {page_number("?PAGE", {1, 2, 500, 90}, "")}};
  auto report = make(def);
  ASSERT_NE(report, nullptr);
  const std::vector<size_t> lengths{0, 1, 127, 128, 129, 300, 16383, 16384, 100000};
  report->open();
  for (size_t n : lengths) {
    said = std::string(n, 'a') + std::to_string(n);
    report->print("?SAID");
    report->print("?RULE");
  }
  report->end_page();
  const ReportDocument& doc = report->document();
  // 150 a pair, so six pairs to a page of 900.
  ASSERT_EQ(doc.page_count(), 2u);
  size_t next = 0;
  for (const Page& page : doc.pages()) {
    SCOPED_TRACE("page " + std::to_string(page.number));
    const std::vector<PlacedItem> items = doc.items(page);
    ASSERT_EQ(items.size(), static_cast<size_t>(page.details / 2 * 5 + 1));
    for (size_t i = 0; i + 1 < items.size(); i += 5, ++next) {
      const int top = 200 + static_cast<int>(i / 5) * 150;
      const std::string expected = std::string(lengths[next], 'a') + std::to_string(lengths[next]);
      EXPECT_EQ(doc.look(items[i]).kind, ItemKind::Line);
      EXPECT_EQ(page.text(items[i]), "");
      EXPECT_EQ(doc.look(items[i + 1]).name, "?VALUE");
      EXPECT_EQ(page.text(items[i + 1]), expected) << lengths[next] << " characters";
      EXPECT_EQ(items[i + 1].x, 110);
      EXPECT_EQ(items[i + 1].y, top + 20);
      EXPECT_EQ(page.text(items[i + 2]), "after");
      EXPECT_EQ(items[i + 2].x, 4200);
      EXPECT_EQ(doc.look(items[i + 3]).kind, ItemKind::Fill);
      EXPECT_EQ(items[i + 3].y, top + 100 + 6);
      EXPECT_EQ(page.text(items[i + 4]), "rule");
      EXPECT_EQ(items[i + 4].x, 107);
      EXPECT_EQ(items[i + 4].y, top + 100 + 8);
    }
    EXPECT_EQ(page.text(items.back()), std::to_string(page.number));
    EXPECT_EQ(items.back().x, 301);
    EXPECT_EQ(items.back().y, 1302);
  }
  EXPECT_EQ(next, lengths.size());
  // A copy keeps its pages after the report drops them.
  const ReportDocument copy = doc;
  report->close();
  EXPECT_EQ(copy.texts(2, "?VALUE"),
            (std::vector<std::string>{std::string(16383, 'a') + "16383", std::string(16384, 'a') + "16384",
                                      std::string(100000, 'a') + "100000"}));
}

TEST(ReportTest, TextsOfAPageThatDoesNotExistAreEmpty) {
  Entry e;
  auto report = listing(e, 3);
  ASSERT_NE(report, nullptr);
  EXPECT_TRUE(report->document().texts(0, "?EVENT").empty());
  EXPECT_TRUE(report->document().texts(2, "?EVENT").empty());
  EXPECT_EQ(report->document().texts(1, "?EVENT").size(), 3u);
}

struct BadReport {
  const char* title;
  void (*spoil)(ReportDef&);
};

std::ostream& operator<<(std::ostream& os, const BadReport& b) { return os << b.title; }

class BadReportTest : public ::testing::TestWithParam<BadReport> {};

TEST_P(BadReportTest, IsRefusedWithItsReason) {
  Entry e;
  ReportDef def = sample::report_def(e);
  GetParam().spoil(def);
  std::string error;
  EXPECT_EQ(Report::create(def, &error), nullptr);
  EXPECT_FALSE(error.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Structures, BadReportTest,
    ::testing::Values(
        BadReport{"band taller than the area", [](ReportDef& d) { d.details[0].at.h = d.detail_area.h + 1; }},
        BadReport{"picture not understood", [](ReportDef& d) { d.details[0].items[3].picture = "@q9"; }},
        BadReport{"fill without colour", [](ReportDef& d) { d.header.items[1].color = -1; }},
        BadReport{"value without variable", [](ReportDef& d) { d.details[0].items[3].use = {}; }},
        BadReport{"two detail bands of one name", [](ReportDef& d) { d.details.push_back(d.details[0]); }},
        BadReport{"report without font", [](ReportDef& d) { d.font = {}; }}));

}  // namespace
}  // namespace qvn::report
