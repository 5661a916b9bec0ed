// The paged lists of the record windows on the Qt rendering (Qt's offscreen
// platform), moved by real keys, wheel turns and scroll-bar actions over
// more records than a page: the activity-log browse, the application
// picker and the project form's applications. Every record is reached both
// ways, the view never scrolls itself, the thumb stands where the list's
// step puts it, and the log's repeated names stay blank after every move.

#ifdef QVN_TEST_WITH_QT

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms_fixture.h"
#include "list_moves.h"
#include "platform/core/std_datetime.h"
#include "windows/select_app.h"
#include "windows/update_projects.h"
#include "windows/view_events.h"

namespace qvn::windows::testing {

namespace {

using ui::qt::ListControl;
using ui::qt::test::ListMover;
using ui::qt::test::thumb_by_place;

using BrowseMovesQtTest = FormsTest;

std::string two_digits(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

// Sixty entries forty seconds apart on one day, the application changing
// every third entry: the thumb follows the time evenly.
TEST_F(BrowseMovesQtTest, TheLogBrowseReachesEveryEntryAndBlanksRepeatedNamesAfterEveryMove) {
  constexpr int kEntries = 60;
  constexpr int kPage = 18;
  std::vector<LogOnFile> log;
  std::vector<std::string> events;
  std::vector<std::string> apps;
  for (int i = 0; i < kEntries; ++i) {
    apps.push_back("APP" + two_digits(i / 3) + ".APP");
    events.push_back("Entry " + two_digits(i));
    log.push_back({apps.back(), standard_date(CivilDate{2024, 3, 1}),
                   standard_time(TimeOfDay{9, (i * 40) / 60, (i * 40) % 60, 0}), events.back()});
  }
  seed_log(log);

  std::unique_ptr<ui::qt::QtBackend> qt = ui::qt::test::offscreen_backend();
  ASSERT_NE(qt, nullptr);
  ListMover person(*qt, {dir}, view_events::LIST, 3);
  person.moves = ui::qt::test::standard_moves(kEntries, kPage);
  EXPECT_EQ(run(ViewEvents, framework::request::None), Cancelled);

  ui::qt::test::expect_moves(person, events, kPage, [](int place) { return thumb_by_place(place, kEntries); });
  // The first line of every page shows its name; below it, a name shows
  // where it differs from the line above.
  for (size_t i = 0; i < person.moves.size(); ++i) {
    SCOPED_TRACE(person.moves[i].what);
    const int first = person.moves[i].first;
    std::vector<std::string> names;
    for (const auto& row : person.sights[i + 1].cells) names.push_back(row[0]);
    std::vector<std::string> expected;
    for (int r = first; r < first + kPage; ++r) {
      expected.push_back(r == first || apps[r] != apps[r - 1] ? apps[r] : "");
    }
    EXPECT_EQ(names, expected);
  }
  EXPECT_EQ(person.messages, std::vector<std::string>{});
}

// Thirty applications whose names rise by their first letter, 0 to 9 and A
// to T; the list opens in name order with its alphabetic step. A letter
// typed after the moves still finds the first name that starts with it.
TEST_F(BrowseMovesQtTest, ThePickerReachesEveryApplicationAndItsLocatorStillFinds) {
  constexpr int kApps = 30;
  constexpr int kPage = 14;
  std::vector<AppOnFile> apps;
  std::vector<std::string> names;
  for (int i = 0; i < kApps; ++i) {
    names.push_back(std::string(1, "0123456789ABCDEFGHIJKLMNOPQRST"[i]) + "-DEMO.APP");
    apps.push_back({names.back(), folder_of(dir / "dev"), i % 7, 0, "", 0});
  }
  seed_apps(apps);

  std::unique_ptr<ui::qt::QtBackend> qt = ui::qt::test::offscreen_backend();
  ASSERT_NE(qt, nullptr);
  ListMover person(*qt, {dir}, select_app::BROWSE_1, 2);
  person.moves = ui::qt::test::standard_moves(kApps, kPage);
  // "C" finds C-DEMO.APP, the thirteenth, and the page fills on below it.
  person.moves.push_back(
      {"the locator after the moves", [](ListControl& l) { QTest::keyClick(&l, Qt::Key_C); }, 12, 12});
  person.moves.push_back({"End", [](ListControl& l) { QTest::keyClick(&l, Qt::Key_End); }, kApps - kPage, kApps - 1});
  // From the last row, "B" finds B-DEMO.APP, the twelfth; fewer rows stand
  // above it than the row it is shown on, and the page fills from below.
  person.moves.push_back(
      {"the locator from the last row", [](ListControl& l) { QTest::keyClick(&l, Qt::Key_B); }, 0, 11});
  data::Apps.clear_buffer();
  EXPECT_EQ(run(SelectApp, Select), Cancelled);

  ui::qt::test::expect_moves(person, names, kPage);
  EXPECT_EQ(person.messages, std::vector<std::string>{});
}

// Thirty applications of one project, in priority order, without a step:
// the thumb stands by the selected application's place among them.
TEST_F(BrowseMovesQtTest, TheProjectFormReachesEveryApplicationOfItsProject) {
  constexpr int kApps = 30;
  constexpr int kPage = 15;
  seed_projects({{5, "Stock"}, {6, "Other"}});
  std::vector<AppOnFile> apps;
  std::vector<std::string> names;
  for (int i = 0; i < kApps; ++i) {
    names.push_back("P" + two_digits(i) + ".APP");
    apps.push_back({names.back(), folder_of(dir / "dev"), i + 1, 5, "", 0});
    apps.push_back({"Q" + two_digits(i) + ".APP", folder_of(dir / "dev"), i + 1, 6, "", 0});
  }
  seed_apps(apps);
  make_current_project(5);

  std::unique_ptr<ui::qt::QtBackend> qt = ui::qt::test::offscreen_backend();
  ASSERT_NE(qt, nullptr);
  ListMover person(*qt, {dir}, update_projects::BROWSE_2, 2);
  person.moves = ui::qt::test::standard_moves(kApps, kPage);
  EXPECT_EQ(run(UpdateProjects, Change), Cancelled);

  ui::qt::test::expect_moves(person, names, kPage, [](int place) { return thumb_by_place(place, kApps); });
  EXPECT_EQ(person.messages, std::vector<std::string>{});
}

}  // namespace

}  // namespace qvn::windows::testing

#endif  // QVN_TEST_WITH_QT
