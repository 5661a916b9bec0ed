// PrintLog, the activity-log report, headless: its progress window, the
// log in storage order one line per entry, the names blanked where they
// repeat the line before (across pages too), 26 lines to a page with the
// page number below, the empty log's "Go Away", Cancel, and the answers.

#include "windows/print_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../platform/storage/raw_sql.h"
#include "data/dictionary.h"
#include "data/files.h"
#include "platform/core/std_datetime.h"
#include "platform/framework/procedure.h"
#include "platform/framework/request.h"
#include "platform/report/report_document.h"
#include "support/window_structure.h"
#include "windows_fixture.h"

namespace qvn::windows::testing {
namespace {

using namespace print_log;
using ui::HeadlessUser;
using ui::WindowView;
namespace response = framework::response;

constexpr const char* kProgress = "Report Progress...";
constexpr int kLinesPerPage = 26;

void tick(WindowView& w) { w.advance_time(100); }

// The event text of the i-th entry (from 0): one word naming it.
std::string event_of(int i) { return "entry-" + std::to_string(i + 1); }

// `count` entries of five applications in turn, a minute apart.
std::vector<LogOnFile> entries(int count) {
  std::vector<LogOnFile> out;
  for (int i = 0; i < count; ++i) {
    out.push_back({"APP" + std::to_string(i % 5) + ".APP", standard_date({2024, 3, 1 + i % 28}),
                   standard_time({10, i % 60, 0, 0}), event_of(i)});
  }
  return out;
}

// Entries of these applications, in this order.
std::vector<LogOnFile> entries_of(const std::vector<std::string>& apps) {
  std::vector<LogOnFile> out = entries(static_cast<int>(apps.size()));
  for (size_t i = 0; i < apps.size(); ++i) out[i].app = apps[i];
  return out;
}

class PrintLogTest : public WindowsTest {
 protected:
  // Runs the report as its callers do, reading to the end and printing
  // every page; the pages previewed, empty when none was.
  report::ReportDocument print_all() {
    HeadlessUser user;
    user.keep_on_window(kProgress, tick);
    user.print_preview();
    answer = framework::call_procedure(PrintLog, framework::request::None);
    EXPECT_TRUE(user.messages().empty());
    if (user.previews().size() != 1) {
      ADD_FAILURE() << user.previews().size() << " previews";
      return {};
    }
    return user.previews()[0].document;
  }

  // A column of every line, page after page.
  static std::vector<std::string> column(const report::ReportDocument& doc, const char* item) {
    std::vector<std::string> out;
    for (int page = 1; page <= static_cast<int>(doc.page_count()); ++page) {
      for (std::string& t : doc.texts(page, item)) out.push_back(std::move(t));
    }
    return out;
  }

  int answer = -1;
};

TEST_F(PrintLogTest, TheProgressWindowHasItsFourControls) {
  using K = ui::ControlKind;
  // clang-format off
  const test_support::ExpectedWindow expected{
      .label = "P11$PROGRESSWINDOW",
      .caption = kProgress,
      .width = 142,
      .height = 59,
      .controls = {
          {.field = PROGRESS_THERMOMETER, .kind = K::Progress, .at = {{15, 15, 111, 12}}},
          {.field = PROGRESS_USERSTRING, .kind = K::String, .at = {{0, 3, 141, 10}}},
          {.field = PROGRESS_PCTTEXT, .kind = K::String, .at = {{0, 30, 141, 10}}},
          {.field = PROGRESS_CANCEL, .kind = K::Button, .text = "Cancel", .at = {{45, 42, 50, 15}}},
      }};
  // clang-format on
  seed_log(entries(3));
  HeadlessUser user;
  user.on_window(kProgress, [&](WindowView& w) {
    test_support::check_window_structure(w.window(), expected);
    EXPECT_EQ(w.window().control(PROGRESS_THERMOMETER).range_high, 100);
    EXPECT_TRUE(w.window().control(PROGRESS_USERSTRING).centered);
    EXPECT_TRUE(w.window().control(PROGRESS_PCTTEXT).centered);
    EXPECT_EQ(w.window().timer(), 10);
    EXPECT_EQ(w.text(PROGRESS_USERSTRING), "");
    // The first entry is read as the window opens.
    EXPECT_EQ(w.text(PROGRESS_PCTTEXT), "33% Complete");
    EXPECT_EQ(w.window().state(PROGRESS_THERMOMETER).progress, 33);
    EXPECT_EQ(error_manager.CurrentProcedure(), "PrintLog");
    EXPECT_EQ(framework::GlobalRequest, framework::request::None);
    EXPECT_EQ(framework::GlobalResponse, response::None);
    EXPECT_TRUE(data::TempFile.is_open());
    w.press("Cancel");
  });
  PrintLog();
  EXPECT_EQ(error_manager.CurrentProcedure(), "");
}

// The log's pages: every entry once, in the order the file holds them, 26
// to a page, each page numbered in its footer.
class PrintLogPagesTest : public PrintLogTest, public ::testing::WithParamInterface<int> {};

TEST_P(PrintLogPagesTest, EveryEntryOnceOnItsPageWithThePageNumber) {
  const int count = GetParam();
  seed_log(entries(count));
  const report::ReportDocument doc = print_all();
  EXPECT_EQ(answer, response::Completed);
  ASSERT_EQ(doc.page_count(), static_cast<size_t>((count + kLinesPerPage - 1) / kLinesPerPage));
  std::vector<std::string> expected;
  for (int i = 0; i < count; ++i) expected.push_back(event_of(i));
  EXPECT_EQ(column(doc, "?TMP:EVENT"), expected);
  for (int page = 1; page <= static_cast<int>(doc.page_count()); ++page) {
    SCOPED_TRACE("page " + std::to_string(page));
    const int lines = std::min(kLinesPerPage, count - (page - 1) * kLinesPerPage);
    EXPECT_EQ(doc.pages()[static_cast<size_t>(page - 1)].details, lines);
    EXPECT_EQ(doc.texts(page, "?PAGECOUNT"), (std::vector<std::string>{"Page    " + std::to_string(page)}));
    // Line n of the page lies 281 under line n-1, from the detail area's top.
    const auto events = doc.items(page, "?TMP:EVENT");
    ASSERT_EQ(static_cast<int>(events.size()), lines);
    for (int n = 0; n < lines; ++n) {
      EXPECT_EQ(events[static_cast<size_t>(n)].y, 1542 + n * 281 + 52);
      EXPECT_EQ(events[static_cast<size_t>(n)].x, 500 + 3292);
    }
  }
  EXPECT_FALSE(data::TempFile.is_open()) << "the report closes the log it opened";
}

INSTANTIATE_TEST_SUITE_P(Entries, PrintLogPagesTest, ::testing::Values(1, 26, 27, 53));

TEST_F(PrintLogTest, TheLinesShowDateAndTimeThroughTheirPicturesAndTheHeaderTitlesEveryPage) {
  std::vector<LogOnFile> log = entries(27);
  log[0] = {"QVN.APP", standard_date({2024, 3, 5}), standard_time({9, 5, 3, 0}), "Begin Make"};
  seed_log(log);
  const report::ReportDocument doc = print_all();
  ASSERT_EQ(doc.page_count(), 2u);
  EXPECT_EQ(doc.texts(1, "?TMP:DATE").at(0), "5 MAR 2024");
  EXPECT_EQ(doc.texts(1, "?TMP:CLOCK").at(0), "9:05:03");
  EXPECT_EQ(doc.texts(1, "?LOC:APPNAME").at(0), "QVN.APP");
  for (int page = 1; page <= 2; ++page) {
    const report::Page& p = doc.pages()[static_cast<size_t>(page - 1)];
    std::vector<std::string> fixed;
    for (const report::PlacedItem& item : doc.items(p)) {
      if (doc.look(item).kind == report::ItemKind::Text && doc.look(item).name.empty()) {
        fixed.emplace_back(p.text(item));
      }
    }
    EXPECT_EQ(fixed, (std::vector<std::string>{"QVN5.5 Activity Log", "App Name", "Date", "Time", "Action"}));
  }
}

// The name column repeats no name of the line before; letter case counts.
struct Blanking {
  const char* title;
  std::vector<std::string> apps;
  std::vector<std::string> printed;
};

std::ostream& operator<<(std::ostream& os, const Blanking& b) { return os << b.title; }

class PrintLogBlankingTest : public PrintLogTest, public ::testing::WithParamInterface<Blanking> {};

TEST_P(PrintLogBlankingTest, ANameIsBlankWhereItRepeatsTheLineBefore) {
  seed_log(entries_of(GetParam().apps));
  const report::ReportDocument doc = print_all();
  EXPECT_EQ(column(doc, "?LOC:APPNAME"), GetParam().printed);
}

INSTANTIATE_TEST_SUITE_P(
    Names, PrintLogBlankingTest,
    ::testing::Values(Blanking{"A A B A A", {"A", "A", "B", "A", "A"}, {"A", "", "B", "A", ""}},
                      Blanking{"letter case counts", {"QVN.APP", "qvn.app", "qvn.app"}, {"QVN.APP", "qvn.app", ""}},
                      Blanking{"the first entry is compared with a blank name", {"", "", "X"}, {"", "", "X"}}));

// The name compared with is the one of the line printed before, also when
// that line ends the page before: the new page's first line is blank then,
// and only then.
TEST_F(PrintLogTest, ANameRepeatedAcrossAPageBreakIsBlankOnTheNewPagesFirstLine) {
  std::vector<std::string> apps;
  for (int i = 0; i < 60; ++i) apps.push_back("APP" + std::to_string(i) + ".APP");
  apps[26] = apps[25];  // page 1's last line and page 2's first
  apps[52] = "OTHER.APP";
  seed_log(entries_of(apps));
  const report::ReportDocument doc = print_all();
  ASSERT_EQ(doc.page_count(), 3u);
  const std::vector<std::string> page2 = doc.texts(2, "?LOC:APPNAME");
  ASSERT_EQ(page2.size(), 26u);
  EXPECT_EQ(page2[0], "");
  EXPECT_EQ(doc.texts(1, "?LOC:APPNAME").back(), "APP25.APP");
  EXPECT_EQ(doc.texts(3, "?LOC:APPNAME").front(), "OTHER.APP");
  const std::vector<std::string> names = column(doc, "?LOC:APPNAME");
  for (size_t i = 0; i < names.size(); ++i) {
    if (i != 26) {
      EXPECT_EQ(names[i], apps[i]) << i;
    }
  }
}

// Storage order, not date order: an entry dated later but written first
// comes first, and one without date and time is printed, both cells blank.
TEST_F(PrintLogTest, TheLogPrintsInStorageOrderEntriesWithoutDateAndTimeToo) {
  seed_log({{"B.APP", standard_date({2024, 5, 2}), standard_time({12, 0, 0, 0}), "written first"},
            {"A.APP", 0, 0, "without date"},
            {"C.APP", standard_date({2023, 1, 1}), standard_time({8, 0, 0, 0}), "dated earliest"}});
  const report::ReportDocument doc = print_all();
  EXPECT_EQ(column(doc, "?TMP:EVENT"), (std::vector<std::string>{"written first", "without date", "dated earliest"}));
  EXPECT_EQ(column(doc, "?TMP:DATE"), (std::vector<std::string>{"2 MAY 2024", "", "1 JAN 2023"}));
  EXPECT_EQ(column(doc, "?TMP:CLOCK"), (std::vector<std::string>{"12:00:00", "", "8:00:00"}));
}

// An empty log, whether its file exists yet or not, gives only the message,
// and the report ends cancelled.
class PrintLogEmptyTest : public PrintLogTest, public ::testing::WithParamInterface<bool> {};

TEST_P(PrintLogEmptyTest, GivesOnlyTheGoAwayMessage) {
  if (GetParam()) seed_log({});
  HeadlessUser user;
  user.answer_message("If there was something to print, I'd print it.||There isn't.", ui::button::Ok);
  EXPECT_EQ(framework::call_procedure(PrintLog, framework::request::None), response::Cancelled);
  ASSERT_EQ(user.messages().size(), 1u);
  const ui::MessageBoxDef& box = user.messages()[0].box;
  EXPECT_EQ(box.caption, "Go Away");
  EXPECT_EQ(box.icon, ui::MessageIcon::Stop);
  EXPECT_EQ(box.buttons, ui::button::Ok);
  EXPECT_TRUE(user.previews().empty());
  EXPECT_EQ(user.windows_opened(), (std::vector<std::string>{kProgress}));
  EXPECT_TRUE(halts.empty());
  EXPECT_FALSE(data::TempFile.is_open());
}

INSTANTIATE_TEST_SUITE_P(File, PrintLogEmptyTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "OnFile" : "NotYetMade"; });

// The scripted user, who also sees the progress window open: another
// program then takes the log's records away under the report, so that its
// first read fails.
class LogTakenAway final : public ui::UserWatcher {
 public:
  using UserWatcher::UserWatcher;

  void window_opened(ui::Window& w) override {
    UserWatcher::window_opened(w);
    if (w.caption() == kProgress) storage::testing::raw_sql(data::TempFileName.str(), "DROP TABLE records");
  }
};

// A log that cannot be read is no empty log: the failure is reported by
// the log's file manager, and nothing is printed.
TEST_F(PrintLogTest, AFirstReadThatFailsIsReportedNotTakenForAnEmptyLog) {
  seed_log(entries(5));
  HeadlessUser user;
  user.answer_any_message(ui::button::Ok);
  int answer = 0;
  {
    LogTakenAway watcher(user);
    answer = framework::call_procedure(PrintLog, framework::request::None);
  }
  EXPECT_EQ(answer, response::Cancelled);
  ASSERT_EQ(user.messages().size(), 1u);
  EXPECT_EQ(user.messages()[0].box.caption, "PrintLog: Record Retrieval Error");
  EXPECT_NE(user.messages()[0].box.text.find("TEMPFILE.TPS"), std::string::npos) << user.messages()[0].box.text;
  EXPECT_TRUE(user.previews().empty());
  EXPECT_FALSE(data::TempFile.is_open());
}

TEST_F(PrintLogTest, CancelWhileReadingPreviewsNothing) {
  seed_log(entries(600));
  HeadlessUser user;
  user.on_window(kProgress, tick);
  user.on_window(kProgress, tick);
  user.on_window(kProgress, [](WindowView& w) {
    EXPECT_NE(w.text(PROGRESS_PCTTEXT), "100% Complete");
    w.press("Cancel");
  });
  EXPECT_EQ(framework::call_procedure(PrintLog, framework::request::None), response::Cancelled);
  EXPECT_TRUE(user.previews().empty());
  EXPECT_TRUE(user.messages().empty());
  EXPECT_FALSE(data::TempFile.is_open());
}

// Completed once every entry was read, whatever the user does in the
// preview; the request is taken and cleared.
TEST_F(PrintLogTest, AnswersCompletedAfterThePreviewPrintedOrLeft) {
  seed_log(entries(30));
  for (const bool print : {true, false}) {
    SCOPED_TRACE(print ? "printed" : "left");
    HeadlessUser user;
    user.keep_on_window(kProgress, tick);
    if (print) {
      user.print_preview({2});
    } else {
      user.leave_preview();
    }
    framework::GlobalRequest = framework::request::Change;
    framework::GlobalResponse = response::Cancelled;
    PrintLog();
    EXPECT_EQ(framework::GlobalResponse, response::Completed);
    EXPECT_EQ(framework::GlobalRequest, framework::request::None);
    ASSERT_EQ(user.previews().size(), 1u);
    EXPECT_EQ(user.previews()[0].def.title, "Report Preview");
    EXPECT_TRUE(user.previews()[0].def.maximized);
    EXPECT_EQ(user.previews()[0].result.printed, print);
    EXPECT_EQ(user.previews()[0].result.pages, print ? std::vector<int>{2} : std::vector<int>{});
  }
}

}  // namespace
}  // namespace qvn::windows::testing
