// The activity log's entries: what they hold, the moment they take, and a
// failed write told once a run.

#include "data/activity_log.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "data_fixture.h"
#include "platform/core/clock.h"
#include "platform/core/std_datetime.h"

namespace qvn::data::testing {
namespace {

// One entry as read back from the file.
struct LogLine {
  std::string app;
  std::string event;
  int32_t date = 0;
  int32_t clock = 0;
};

class ActivityLogTest : public DataTest {
 protected:
  void TearDown() override {
    if (tempfile_relation_manager) tempfile_relation_manager->Close();
    TempFile.close();
    DataTest::TearDown();
  }

  // The log in file order.
  static std::vector<LogLine> log_lines() {
    std::vector<LogLine> out;
    const bool was_open = TempFile.is_open();
    if (!was_open && TempFile.open() != 0) return out;
    TempFile.set_order_file();
    while (TempFile.next() == 0) out.push_back({TMP.APPS.str(), TMP.EVENT.str(), TMP.DATE, TMP.CLOCK});
    if (!was_open) TempFile.close();
    return out;
  }

  ActivityLog log;
};

TEST_F(ActivityLogTest, AnEntryNamesItsApplicationAndIsCutToItsFields) {
  VirtualClock clock(1709287200000);  // a morning, far from midnight
  ScopedClock scoped(clock);
  log.Open();
  const std::string name = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcdX.APP";
  ASSERT_EQ(name.size(), 45u);
  const std::string text(90, 'e');
  log.Entry(name, text);
  clock.advance_ms(61000);
  set_error(err::DdeTimeout);
  log.Error("MAIN.APP");
  EXPECT_EQ(error_code(), err::DdeTimeout) << "a log entry leaves the last error alone";

  const auto lines = log_lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].app, name.substr(0, 40));
  EXPECT_EQ(lines[0].event, text.substr(0, 80));
  EXPECT_EQ(lines[1].event, "Error 605 DDE transaction timed out");
  EXPECT_EQ(lines[1].date, today());
  EXPECT_EQ(lines[1].clock, clock_time());
  EXPECT_EQ(lines[1].clock - lines[0].clock, 6100) << "each entry takes the time of its own moment";
}

// The date and time of an entry are of one moment: read just before
// midnight, they are not that day's date with the next day's time.
TEST_F(ActivityLogTest, AnEntrysDateAndTimeComeFromOneReadingOfTheClock) {
  log.Open();
  std::tm last_second{};
  last_second.tm_year = 2000 - 1900;
  last_second.tm_mon = 0;
  last_second.tm_mday = 1;
  last_second.tm_hour = 23;
  last_second.tm_min = 59;
  last_second.tm_sec = 59;
  last_second.tm_isdst = -1;
  const std::time_t at = std::mktime(&last_second);
  ASSERT_NE(at, static_cast<std::time_t>(-1));
  SteppingClock clock(static_cast<int64_t>(at) * 1000 + 995, 10);
  ScopedClock scoped(clock);
  log.Entry("MAIN.APP", "Generated");
  const auto lines = log_lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].date, standard_date({2000, 1, 1}));
  EXPECT_EQ(lines[0].clock, standard_time({23, 59, 59, 99}));
}

// The log is not open, so no entry can be added: the first failure of a run
// is told with the file and the reason, the later ones are not, and the
// run's own last error stays.
TEST_F(ActivityLogTest, AFailedWriteIsToldOnceARun) {
  ASSERT_FALSE(TempFile.is_open());
  set_error(err::DdeExecuteInvalid);
  log.Entry("MAIN.APP", "Begin Make");
  log.Entry("MAIN.APP", "Make Finished");
  EXPECT_EQ(error_code(), err::DdeExecuteInvalid);
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(presenter.shown[0].title, "Record Insert Error");
  EXPECT_EQ(presenter.shown[0].kind, framework::MessageKind::Notice);
  EXPECT_EQ(presenter.shown[0].text, "An error was experienced during the creation of a record.|File: " +
                                         TempFileName.str() + "|Error: File Not Open (37).");
  EXPECT_TRUE(log_lines().empty());

  // The next run tells it again.
  log.Open();
  tempfile_relation_manager->Close();
  ASSERT_FALSE(TempFile.is_open());
  log.Entry("MAIN.APP", "Begin Make");
  log.Entry("MAIN.APP", "Make Finished");
  EXPECT_EQ(presenter.shown.size(), 2u);
}

}  // namespace
}  // namespace qvn::data::testing
