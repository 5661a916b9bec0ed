// The activity-log browse, run headless: its structure, the order of the
// log, the application names shown only where they change (however the
// list was filled), the empty log, and correcting and deleting entries
// through the record form.

#include "windows/view_events.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "forms_fixture.h"
#include "platform/core/std_datetime.h"
#include "platform/report/report_document.h"
#include "platform/ui/event.h"
#include "support/headless.h"
#include "support/window_structure.h"
#include "windows/update_events.h"

namespace qvn::windows::testing {

namespace {

using namespace view_events;
using test_support::check_window_structure;
using test_support::ExpectedWindow;
using ui::HeadlessUser;
using ui::WindowView;
using K = ui::ControlKind;

constexpr const char* kCaption = "Activity Log";
constexpr const char* kForm = "DDE Activity Record";
constexpr int kList = LIST;
constexpr const char* kNothing = "If there was something to show you, I'd show it.";
constexpr const char* kConfirm = "Are you sure you want to delete the highlighted record?";
// Lines the list shows at once: 159 dialog units less the header line, 8 a line.
constexpr int kPage = 18;

int32_t day(int d) { return standard_date(CivilDate{2024, 3, d}); }
int32_t at(int h, int m, int s = 0) { return standard_time(TimeOfDay{h, m, s, 0}); }

class ViewEventsTest : public FormsTest {
 protected:
  static int open_browse() { return run(ViewEvents, framework::request::None); }

  static std::vector<std::string> column(WindowView& w, size_t c) {
    std::vector<std::string> out;
    for (const auto& row : w.list_rows(kList)) out.push_back(row.at(c));
    return out;
  }
  static std::vector<std::string> names(WindowView& w) { return column(w, 0); }
  static std::vector<std::string> events(WindowView& w) { return column(w, 3); }

  // Entries of the applications given, one a minute in that order, each
  // event naming its place ("e01" ...); seeded in reverse, so that the
  // list's order comes from the key and not from the file.
  void seed_runs(const std::vector<std::string>& apps) {
    std::vector<LogOnFile> entries;
    for (size_t i = 0; i < apps.size(); ++i) {
      const int n = static_cast<int>(i);
      entries.push_back({apps[i], day(1), at(8 + n / 60, n % 60), event_name(i + 1)});
      app_of_[event_name(i + 1)] = apps[i];
    }
    std::reverse(entries.begin(), entries.end());
    seed_log(entries);
  }
  static std::string event_name(size_t n) { return (n < 10 ? "e0" : "e") + std::to_string(n); }

  // Every line shows its application's name unless the line above it is of
  // the same application; the top line always shows it.
  void expect_names_follow_lines(WindowView& w, const char* where) {
    SCOPED_TRACE(where);
    const std::vector<std::string> shown = names(w);
    const std::vector<std::string> lines = events(w);
    ASSERT_FALSE(lines.empty());
    for (size_t i = 0; i < lines.size(); ++i) {
      const std::string& app = app_of_.at(lines[i]);
      const bool repeated = i > 0 && app_of_.at(lines[i - 1]) == app;
      EXPECT_EQ(shown[i], repeated ? "" : app) << "line " << i + 1 << " (" << lines[i] << ")";
    }
  }

  std::map<std::string, std::string> app_of_;
};

TEST_F(ViewEventsTest, TheWindowIsBuiltAsLaidOut) {
  seed_log({{"ACCT.APP", day(1), at(9, 0), "Begin Make"}});
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) {
    const ui::WindowDef& def = w.window().def();
    EXPECT_EQ(def.label, "P1$BROWSEWINDOW");
    EXPECT_EQ(def.at.w, 247);
    EXPECT_EQ(def.at.h, 180);
    EXPECT_EQ(def.timer, 0);
    check_window_structure(
        w.window(),
        // clang-format off
        ExpectedWindow{
            .label = "P1$BROWSEWINDOW",
            .caption = "Activity Log",
            .width = 247,
            .height = 180,
            .controls = {
                {.field = LIST, .kind = K::List, .msg = "Browsing Records",
                 .at = {{6, 2, 235, 159}},
                 .format = "90L(2)~Application~@s40@43R(3)~Date~C(2)@d1@34L(2)~Time~L(5)@t4@240L(2)~Event~@s80@"},
                {.field = INSERT, .kind = K::Button, .text = "&Insert", .at = {{0, 165, 40, 12}},
                 .attributes = "hidden disabled key 45"},
                {.field = CHANGE, .kind = K::Button, .text = "&View", .at = {{160, 164, 40, 12}},
                 .attributes = "key 525"},
                {.field = DELETE, .kind = K::Button, .text = "&Delete", .at = {{47, 164, 40, 12}},
                 .attributes = "key 46"},
                {.field = PRINTLOG, .kind = K::Button, .text = "&Print Log",
                 .at = {{118, 164, 40, 12}}},
                {.field = CLOSE, .kind = K::Button, .text = "&Close", .at = {{202, 164, 40, 12}},
                 .attributes = "default"},
            },
            .complete = true});
    // clang-format on
    EXPECT_EQ(w.window().control(LIST).font.face, "Arial");
    EXPECT_EQ(w.window().control(LIST).font.points, 9);
    EXPECT_EQ(w.window().control(DELETE).font.face, "MS Sans Serif");
    EXPECT_EQ(w.window().control(DELETE).font.points, 8);
    EXPECT_EQ(w.window().default_button(), CLOSE);
    EXPECT_TRUE(w.has_focus(kList));
    // From left to right the buttons that show.
    std::vector<std::pair<int, std::string>> shown;
    for (int f = INSERT; f <= CLOSE; ++f) {
      if (!w.window().is_hidden(f)) shown.emplace_back(w.window().control(f).at.x, w.window().control(f).text);
    }
    std::sort(shown.begin(), shown.end());
    std::vector<std::string> texts;
    for (const auto& [x, text] : shown) texts.push_back(text);
    EXPECT_EQ(texts, (std::vector<std::string>{"&Delete", "&Print Log", "&View", "&Close"}));
    w.press(CLOSE);
  });
  EXPECT_EQ(open_browse(), Cancelled);
}

// By date, then time, whatever the order on file; an entry without date and
// time is not in the key and is not listed. The columns show through their
// pictures.
TEST_F(ViewEventsTest, ListsTheLogByDateAndTime) {
  seed_log({{"LEDGER.APP", day(2), at(9, 5, 3), "Make Finished"},
            {"ACCT.APP", day(1), at(14, 5, 9), "Begin Make"},
            {"LOST.APP", 0, 0, "Never listed"},
            {"ACCT.APP", day(1), at(9, 0), "Make Finished"},
            {"CASH.APP", day(2), 0, "No time"}});
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_EQ(w.list_rows(kList), (std::vector<std::vector<std::string>>{
                                      {"ACCT.APP", "3/01/24", "9:00:00", "Make Finished"},
                                      {"", "3/01/24", "14:05:09", "Begin Make"},
                                      {"CASH.APP", "3/02/24", "", "No time"},
                                      {"LEDGER.APP", "3/02/24", "9:05:03", "Make Finished"},
                                  }));
    EXPECT_EQ(w.choice(kList), 1);
    EXPECT_FALSE(w.is_disabled(CHANGE));
    EXPECT_FALSE(w.is_disabled(DELETE));
    // Enter on the list presses the default button, "&Close".
    w.press_key(kList, ui::key::Enter);
  });
  EXPECT_EQ(open_browse(), Cancelled);
  EXPECT_EQ(user.messages().size(), 0u);
}

struct NamesCase {
  const char* name;
  std::vector<std::string> apps;
  std::vector<std::string> shown;
};
void PrintTo(const NamesCase& c, std::ostream* os) { *os << c.name; }

class ViewEventsNames : public ViewEventsTest, public ::testing::WithParamInterface<NamesCase> {};

TEST_P(ViewEventsNames, ShowOnlyWhereTheApplicationChanges) {
  seed_runs(GetParam().apps);
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_EQ(names(w), GetParam().shown);
    w.press(CLOSE);
  });
  EXPECT_EQ(open_browse(), Cancelled);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, ViewEventsNames,
    ::testing::Values(NamesCase{"RunsOfOneApplication", {"A", "A", "B", "A", "A"}, {"A", "", "B", "A", ""}},
                      NamesCase{"ABlankFirstNameShowsBlank", {"", "", "A"}, {"", "", "A"}},
                      NamesCase{
                          "LetterCaseCounts", {"acct.app", "ACCT.APP", "ACCT.APP"}, {"acct.app", "ACCT.APP", ""}}),
    [](const auto& info) { return std::string(info.param.name); });

// The worked example of a refill: "&View" on B and Ok refills the list from
// B downwards and then upwards for the lines above it; the lines keep the
// names they showed.
TEST_F(ViewEventsTest, ARefillAroundAnEntryShowsTheNamesAsBefore) {
  seed_runs({"A", "A", "B", "A", "A"});
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) {
    w.select_row(kList, 3);
    w.press("&View");
  });
  user.on_window(kForm, [&](WindowView& w) { w.press("&Ok"); });
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_EQ(names(w), (std::vector<std::string>{"A", "", "B", "A", ""}));
    EXPECT_EQ(w.choice(kList), 3);
    w.press(CLOSE);
  });
  EXPECT_EQ(open_browse(), Cancelled);
}

// A log longer than the list: scrolling line by line and page by page both
// ways, to either end, and a refill in the middle; after each the names
// follow the lines above them and the top line shows its name.
TEST_F(ViewEventsTest, NamesFollowTheLineAboveWhicheverWayTheListWasFilled) {
  const std::vector<std::string> apps = {"A", "A", "A", "B", "B", "A", "A", "A", "A", "A", "C", "C", "C", "C",
                                         "C", "C", "A", "A", "B", "B", "B", "B", "B", "B", "A", "A", "A", "C",
                                         "C", "A", "A", "A", "B", "B", "B", "B", "A", "A", "C", "C"};
  seed_runs(apps);
  HeadlessUser user;
  auto post = [](WindowView& w, ui::Event e) { w.window().post(e, w.field(kList)); };
  user.on_window(kCaption, [&](WindowView& w) {
    ASSERT_EQ(w.list_rows(kList).size(), static_cast<size_t>(kPage));
    expect_names_follow_lines(w, "opened");
    w.select_row(kList, kPage);
    for (int i = 0; i < 3; ++i) post(w, ui::Event::ScrollDown);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(events(w).front(), "e04");
    expect_names_follow_lines(w, "three lines down");
    w.select_row(kList, 1);
    post(w, ui::Event::ScrollUp);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(events(w).front(), "e03");
    expect_names_follow_lines(w, "one line up");
    post(w, ui::Event::PageDown);
  });
  user.then([&](WindowView& w) {
    expect_names_follow_lines(w, "a page down");
    post(w, ui::Event::ScrollBottom);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(events(w).back(), "e40");
    expect_names_follow_lines(w, "at the bottom");
    post(w, ui::Event::PageUp);
  });
  user.then([&](WindowView& w) {
    expect_names_follow_lines(w, "a page up");
    w.select_row(kList, 9);
    w.press_key(kList, ui::key::CtrlEnter);
  });
  user.on_window(kForm, [&](WindowView& w) { w.press("&Ok"); });
  user.on_window(kCaption, [&](WindowView& w) {
    expect_names_follow_lines(w, "refilled around a line");
    post(w, ui::Event::ScrollTop);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(events(w).front(), "e01");
    expect_names_follow_lines(w, "at the top");
    w.press(CLOSE);
  });
  EXPECT_EQ(open_browse(), Cancelled);
}

// An empty log, or one whose entries have neither date nor time: only the
// message, and the browse closes.
class ViewEventsEmpty : public ViewEventsTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ViewEventsEmpty, SaysSoAndCloses) {
  if (GetParam()) {
    seed_log({{"ACCT.APP", 0, 0, "Begin Make"}});
  } else {
    seed_log({});
  }
  HeadlessUser user;
  user.answer_message(kNothing, ui::button::Ok);
  EXPECT_EQ(open_browse(), Cancelled);
  ASSERT_EQ(user.messages().size(), 1u);
  const ui::MessageBoxDef& box = user.messages()[0].box;
  EXPECT_EQ(box.caption, "Go Away");
  EXPECT_EQ(box.icon, ui::MessageIcon::Stop);
  EXPECT_EQ(box.buttons, ui::button::Ok) << "the single button OK";
  EXPECT_EQ(user.windows_opened(), std::vector<std::string>{kCaption});
  EXPECT_FALSE(data::TempFile.is_open());
}

INSTANTIATE_TEST_SUITE_P(Logs, ViewEventsEmpty, ::testing::Bool(),
                         [](const auto& info) { return std::string(info.param ? "only_unkeyed" : "no_entry"); });

// "&View" shows the highlighted entry; a new event text is written back
// and shown; a new time moves the entry to its place, still highlighted.
TEST_F(ViewEventsTest, ViewCorrectsTheHighlightedEntry) {
  seed_log({{"ACCT.APP", day(1), at(10, 0), "Begin Make"},
            {"ACCT.APP", day(1), at(11, 0), "Make Finished"},
            {"LEDGER.APP", day(1), at(12, 0), "Begin Make"}});
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) {
    w.select_row(kList, 2);
    w.press("&View");
  });
  user.on_window(kForm, [&](WindowView& w) {
    EXPECT_EQ(w.text(update_events::TMP_APPS), "ACCT.APP");
    EXPECT_EQ(w.text(update_events::TMP_DATE), "3/01/24");
    EXPECT_EQ(w.text(update_events::TMP_CLOCK), "11 00 00");
    EXPECT_EQ(w.text(update_events::TMP_EVENT), "Make Finished");
    w.type(update_events::TMP_EVENT, "Make Aborted");
    w.press("&Ok");
  });
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_EQ(events(w), (std::vector<std::string>{"Begin Make", "Make Aborted", "Begin Make"}));
    EXPECT_EQ(w.choice(kList), 2);
    w.select_row(kList, 1);
    w.press("&View");
  });
  user.on_window(kForm, [&](WindowView& w) {
    w.type(update_events::TMP_CLOCK, "12:30:00");
    w.press("&Ok");
  });
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_EQ(column(w, 2), (std::vector<std::string>{"11:00:00", "12:00:00", "12:30:00"}));
    EXPECT_EQ(names(w), (std::vector<std::string>{"ACCT.APP", "LEDGER.APP", "ACCT.APP"}));
    EXPECT_EQ(w.choice(kList), 3) << "the moved entry stays highlighted";
    w.press(CLOSE);
  });
  EXPECT_EQ(open_browse(), Cancelled);
  const std::vector<LogOnFile> log = log_on_file();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].clock, at(12, 30));
  EXPECT_EQ(log[1].event, "Make Aborted");
  EXPECT_EQ(log[2].event, "Begin Make");
}

// The form closed by its close box changes nothing; Ctrl+Enter and a
// double-click open it as "&View" does.
TEST_F(ViewEventsTest, TheFormClosedWithoutOkChangesNothing) {
  seed_log({{"ACCT.APP", day(1), at(10, 0), "Begin Make"}, {"ACCT.APP", day(1), at(11, 0), "Make Finished"}});
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) { w.accept_row(kList, 2); });
  user.on_window(kForm, [&](WindowView& w) {
    EXPECT_EQ(w.text(update_events::TMP_EVENT), "Make Finished");
    w.type(update_events::TMP_EVENT, "typed, then dropped");
    w.close();
  });
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_EQ(events(w), (std::vector<std::string>{"Begin Make", "Make Finished"}));
    w.select_row(kList, 1);
    w.press_key(kList, ui::key::CtrlEnter);
  });
  user.on_window(kForm, [&](WindowView& w) {
    EXPECT_EQ(w.text(update_events::TMP_EVENT), "Begin Make");
    w.close();
  });
  user.on_window(kCaption, [&](WindowView& w) { w.press(CLOSE); });
  EXPECT_EQ(open_browse(), Cancelled);
  EXPECT_EQ(log_on_file().at(1).event, "Make Finished");
}

// An entry whose date and time are set to 0 leaves the list but not the log.
TEST_F(ViewEventsTest, AnEntryWithoutDateAndTimeLeavesTheList) {
  seed_log({{"ACCT.APP", day(1), at(10, 0), "Begin Make"}, {"LEDGER.APP", day(1), at(11, 0), "Begin Make"}});
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) {
    w.select_row(kList, 2);
    w.press("&View");
  });
  user.on_window(kForm, [&](WindowView& w) {
    w.type(update_events::TMP_DATE, "");
    w.type(update_events::TMP_CLOCK, "");
    w.press("&Ok");
  });
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_EQ(names(w), std::vector<std::string>{"ACCT.APP"});
    w.press(CLOSE);
  });
  EXPECT_EQ(open_browse(), Cancelled);
  const std::vector<LogOnFile> log = log_on_file();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1].app, "LEDGER.APP");
  EXPECT_EQ(log[1].date, 0);
  EXPECT_EQ(log[1].clock, 0);
}

// "&Delete" and the Delete key ask first; No keeps the entry, Yes deletes
// it. Deleting the last entry leaves nothing to show, and the browse closes.
TEST_F(ViewEventsTest, DeletesAfterTheConfirmationAndClosesWhenNothingIsLeft) {
  seed_log({{"ACCT.APP", day(1), at(10, 0), "Begin Make"}, {"LEDGER.APP", day(1), at(11, 0), "Begin Make"}});
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) {
    w.select_row(kList, 1);
    w.press("&Delete");
  });
  user.answer_message(kConfirm, ui::button::No);
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_EQ(names(w), (std::vector<std::string>{"ACCT.APP", "LEDGER.APP"}));
    w.select_row(kList, 1);
    w.press_key(kList, ui::key::Delete);
  });
  user.answer_message(kConfirm, ui::button::Yes);
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_EQ(names(w), std::vector<std::string>{"LEDGER.APP"});
    w.press("&Delete");
  });
  user.answer_message(kConfirm, ui::button::Yes);
  user.answer_message(kNothing, ui::button::Ok);
  EXPECT_EQ(open_browse(), Cancelled);
  // The error manager's question, captioned with the procedure that asks.
  EXPECT_EQ(user.messages().at(0).box.caption, "UpdateEvents: Confirm Delete");
  EXPECT_EQ(user.windows_opened(), std::vector<std::string>{kCaption}) << "the form never shows for a delete";
  EXPECT_TRUE(log_on_file().empty());
  EXPECT_FALSE(data::TempFile.is_open());
}

// Entries are never added by hand: "&Insert" stays hidden and disabled
// through refills, the Insert key does nothing, and the right-click menu's
// insert item is disabled and does nothing when chosen.
TEST_F(ViewEventsTest, NothingInserts) {
  seed_log({{"ACCT.APP", day(1), at(10, 0), "Begin Make"}, {"LEDGER.APP", day(1), at(11, 0), "Begin Make"}});
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_TRUE(w.is_hidden(INSERT));
    EXPECT_TRUE(w.is_disabled(INSERT));
    w.press_key(kList, ui::key::Insert);
  });
  user.then([&](WindowView& w) { w.right_click_row(kList, 1); });
  user.choose_popup("&Insert");
  user.then([&](WindowView& w) { w.right_click_row(kList, 2); });
  user.choose_popup("&Delete");
  user.answer_message(kConfirm, ui::button::Yes);
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_TRUE(w.is_hidden(INSERT));
    EXPECT_TRUE(w.is_disabled(INSERT));
    EXPECT_EQ(names(w), std::vector<std::string>{"ACCT.APP"});
    w.press(CLOSE);
  });
  EXPECT_EQ(open_browse(), Cancelled);
  EXPECT_EQ(user.windows_opened(), std::vector<std::string>{kCaption});
  EXPECT_EQ(user.popups(), (std::vector<std::string>{"~&Insert|&View|&Delete", "~&Insert|&View|&Delete"}));
  EXPECT_EQ(log_on_file().size(), 1u);
}

// "&Print Log" prints every entry of the log, not only the lines the list
// holds, and comes back to the browse as it was, the log still open for it.
TEST_F(ViewEventsTest, PrintLogPrintsTheWholeLogAndComesBack) {
  std::vector<std::string> apps;
  for (int i = 0; i < 30; ++i) apps.push_back(i % 3 == 0 ? "LEDGER.APP" : "ACCT.APP");
  seed_runs(apps);
  std::vector<std::string> before;
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) {
    ASSERT_EQ(w.list_rows(kList).size(), static_cast<size_t>(kPage));
    w.select_row(kList, 5);
  });
  user.then([&](WindowView& w) {
    before = events(w);
    w.press("&Print Log");
  });
  user.keep_on_window("Report Progress...", [](WindowView& w) { w.advance_time(100); });
  user.print_preview();
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_EQ(events(w), before);
    EXPECT_EQ(w.choice(kList), 5);
    w.press("&Delete");
  });
  user.answer_message(kConfirm, ui::button::Yes);
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_EQ(events(w)[4], "e06") << "the highlighted entry e05 was deleted";
    w.press(CLOSE);
  });
  EXPECT_EQ(open_browse(), Cancelled);
  ASSERT_EQ(user.previews().size(), 1u);
  const report::ReportDocument& doc = user.previews()[0].document;
  std::vector<std::string> printed;
  for (int page = 1; page <= static_cast<int>(doc.page_count()); ++page) {
    for (std::string& t : doc.texts(page, "?TMP:EVENT")) printed.push_back(std::string(clip(t)));
  }
  // The log prints in the order the file holds it: seeded last entry first.
  std::vector<std::string> all;
  for (size_t n = apps.size(); n >= 1; --n) all.push_back(event_name(n));
  EXPECT_EQ(printed, all);
  const std::vector<LogOnFile> log = log_on_file();
  EXPECT_EQ(log.size(), apps.size() - 1);
  EXPECT_TRUE(std::none_of(log.begin(), log.end(), [](const LogOnFile& e) { return e.event == "e05"; }));
  EXPECT_FALSE(data::TempFile.is_open());
}

}  // namespace

}  // namespace qvn::windows::testing
