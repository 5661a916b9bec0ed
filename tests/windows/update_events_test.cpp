// The record form of one activity-log entry, run headless as the browse
// runs it: the entry current in the TempFile buffer and the request in
// GlobalRequest.

#include "windows/update_events.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms_fixture.h"
#include "platform/core/std_datetime.h"
#include "platform/framework/file_manager.h"
#include "platform/ui/event.h"
#include "support/headless.h"
#include "support/window_structure.h"

namespace qvn::windows::testing {

namespace {

using namespace update_events;
using test_support::check_window_structure;
using test_support::ExpectedWindow;
using ui::HeadlessUser;
using ui::WindowView;
using K = ui::ControlKind;

constexpr const char* kCaption = "DDE Activity Record";

int32_t day(int d) { return standard_date(CivilDate{2024, 3, d}); }
int32_t at(int h, int m, int s = 0) { return standard_time(TimeOfDay{h, m, s, 0}); }

class UpdateEventsTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    seed_log({{"ACCT.APP", day(1), at(14, 5, 9), "Begin Make"}, {"LEDGER.APP", day(2), at(9, 5, 3), "Make Finished"}});
  }

  // Leaves the entry of this event current in the buffer, read as the
  // browse reads its highlighted line.
  static void make_current(const std::string& event) {
    ASSERT_EQ(data::tempfile_file_manager->UseFile(framework::use::Returns), 0);
    data::TempFile.watch();
    data::TempFile.set_order(data::tmp_clockkey);
    while (data::TempFile.next() == 0) {
      if (data::TMP.EVENT == event) return;
    }
    FAIL() << "no entry " << event;
  }

  static std::string shown(WindowView& w, ui::Control control) { return w.window().state(w.field(control)).shown; }
};

TEST_F(UpdateEventsTest, TheWindowIsBuiltAsLaidOut) {
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) {
    const ui::WindowDef& def = w.window().def();
    EXPECT_EQ(def.label, "P17$FORMWINDOW");
    EXPECT_EQ(def.at.w, 184);
    EXPECT_EQ(def.at.h, 86);
    EXPECT_EQ(def.color, 0x80FF80);
    // The date entry comes first in field order, so Tab takes the entries
    // in the order date, application, time, event.
    check_window_structure(
        w.window(),
        // clang-format off
        ExpectedWindow{
            .label = "P17$FORMWINDOW",
            .caption = "DDE Activity Record",
            .width = 184,
            .height = 86,
            .controls = {
                {.field = OK, .kind = K::Button, .text = "&Ok", .at = {{72, 70, 40, 12}},
                 .attributes = "default"},
                {.field = CANCEL, .kind = K::Button, .text = "Cancel", .at = {{142, 67, 40, 12}},
                 .attributes = "hidden disabled"},
                {.field = TMP_APPS_PROMPT, .kind = K::Prompt, .text = "App.:",
                 .at = {{13, 6, 0, 0}}},
                {.field = TMP_DATE, .kind = K::Entry, .at = {{32, 20, 43, 12}},
                 .attributes = "bound", .picture = "@d1"},
                {.field = TMP_DATE_PROMPT, .kind = K::Prompt, .text = "Date:",
                 .at = {{11, 22, 0, 0}}},
                {.field = TMP_APPS, .kind = K::Entry, .at = {{32, 4, 0, 0}},
                 .attributes = "bound", .picture = "@s40"},
                {.field = TMP_CLOCK_PROMPT, .kind = K::Prompt, .text = "Time:",
                 .at = {{10, 38, 0, 0}}},
                {.field = TMP_CLOCK, .kind = K::Entry, .at = {{32, 36, 0, 0}},
                 .attributes = "bound", .picture = "@T4_"},
                {.field = TMP_EVENT_PROMPT, .kind = K::Prompt, .text = "Event:",
                 .at = {{8, 54, 0, 0}}},
                {.field = TMP_EVENT, .kind = K::Entry, .at = {{32, 52, 146, 12}},
                 .attributes = "bound", .picture = "@s80"},
            },
            .complete = true});
    // clang-format on
    EXPECT_EQ(w.window().default_button(), OK);
    EXPECT_TRUE(w.has_focus(OK));
    // The cancel button is hidden and disabled; Escape closes the form as
    // its close box does.
    w.press_key(ui::key::Escape);
  });
  make_current("Begin Make");
  EXPECT_EQ(run(UpdateEvents, Change), Cancelled);
}

// The time shows with blanks for its colons and a blank for the hour's
// leading zero; the caption is the same for every request.
TEST_F(UpdateEventsTest, ShowsTheEntry) {
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_EQ(shown(w, TMP_CLOCK), "14 05 09");
    EXPECT_EQ(w.text(TMP_APPS), "ACCT.APP");
    EXPECT_EQ(w.text(TMP_DATE), "3/01/24");
    EXPECT_EQ(w.text(TMP_EVENT), "Begin Make");
    w.close();
  });
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_EQ(shown(w, TMP_CLOCK), " 9 05 03");
    EXPECT_EQ(w.text(TMP_DATE), "3/02/24");
    w.close();
  });
  make_current("Begin Make");
  EXPECT_EQ(run(UpdateEvents, Change), Cancelled);
  make_current("Make Finished");
  EXPECT_EQ(run(UpdateEvents, View), Cancelled);
}

// Ok writes the entry back as typed; the time is read with blanks or with
// colons. Ok without a change answers completed too.
struct TypedTimeCase {
  const char* name;
  const char* typed;
  int32_t stored;
};
void PrintTo(const TypedTimeCase& c, std::ostream* os) { *os << c.name; }

class UpdateEventsTime : public UpdateEventsTest, public ::testing::WithParamInterface<TypedTimeCase> {};

TEST_P(UpdateEventsTime, OkWritesTheEntryBack) {
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) {
    if (*GetParam().typed) w.type(TMP_CLOCK, GetParam().typed);
    w.type(TMP_APPS, "CASH.APP");
    w.press("&Ok");
  });
  make_current("Begin Make");
  EXPECT_EQ(run(UpdateEvents, Change), Completed);
  const std::vector<LogOnFile> log = log_on_file();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].app, "CASH.APP");
  EXPECT_EQ(log[0].clock, GetParam().stored);
  EXPECT_EQ(log[0].date, day(1));
  EXPECT_EQ(log[1].app, "LEDGER.APP");
}

INSTANTIATE_TEST_SUITE_P(Times, UpdateEventsTime,
                         ::testing::Values(TypedTimeCase{"Unchanged", "", at(14, 5, 9)},
                                           TypedTimeCase{"WithBlanks", "16 30 01", at(16, 30, 1)},
                                           TypedTimeCase{"WithColons", "16:30:01", at(16, 30, 1)},
                                           TypedTimeCase{"WithoutSeconds", "7:45", at(7, 45)}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdateEventsTest, OkWithoutAChangeAnswersCompleted) {
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) { w.press("&Ok"); });
  make_current("Make Finished");
  EXPECT_EQ(run(UpdateEvents, Change), Completed);
  EXPECT_EQ(log_on_file().at(1).event, "Make Finished");
}

// The view request stores nothing: Ok closes the form, which answers cancelled.
TEST_F(UpdateEventsTest, AViewStoresNothing) {
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) {
    w.type(TMP_EVENT, "Changed");
    w.press("&Ok");
  });
  make_current("Begin Make");
  EXPECT_EQ(run(UpdateEvents, View), Cancelled);
  EXPECT_EQ(log_on_file().at(0).event, "Begin Make");
}

// A delete asks first and never shows the form: Yes deletes and answers
// completed, No keeps the entry and answers cancelled.
class UpdateEventsDelete : public UpdateEventsTest, public ::testing::WithParamInterface<bool> {};

TEST_P(UpdateEventsDelete, AsksWithoutShowingTheForm) {
  const bool yes = GetParam();
  HeadlessUser user;
  user.answer_message("Are you sure you want to delete the highlighted record?",
                      yes ? ui::button::Yes : ui::button::No);
  make_current("Begin Make");
  EXPECT_EQ(run(UpdateEvents, Delete), yes ? Completed : Cancelled);
  EXPECT_EQ(user.windows_opened(), std::vector<std::string>{});
  ASSERT_EQ(user.messages().size(), 1u);
  EXPECT_EQ(user.messages()[0].box.caption, "UpdateEvents: Confirm Delete");
  const std::vector<LogOnFile> log = log_on_file();
  EXPECT_EQ(log.size(), yes ? 1u : 2u);
  EXPECT_EQ(log.back().event, "Make Finished");
}

INSTANTIATE_TEST_SUITE_P(Answers, UpdateEventsDelete, ::testing::Bool(),
                         [](const auto& info) { return std::string(info.param ? "yes" : "no"); });

}  // namespace

}  // namespace qvn::windows::testing
