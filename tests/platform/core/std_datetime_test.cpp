#include "platform/core/std_datetime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "platform/core/clock.h"

using namespace qvn;

TEST(StandardDate, KnownDays) {
  struct Case {
    CivilDate d;
    int32_t expected;
  } cases[] = {
      {{1801, 1, 1}, 4},      {{2000, 1, 1}, 72687}, {{2000, 2, 29}, 72746},
      {{2000, 2, 28}, 72745}, {{2000, 3, 1}, 72747}, {{9999, 12, 31}, kLastStandardDate},
      {{1800, 12, 31}, 0},    {{2001, 2, 29}, 0},    {{2000, 13, 1}, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(standard_date(c.d), c.expected) << c.d.year << "-" << c.d.month << "-" << c.d.day;
    if (c.expected) {
      EXPECT_EQ(civil_date(c.expected), c.d);
    }
  }
}

TEST(StandardDate, RoundTripsEveryDayOfAFewCenturies) {
  for (int32_t n = kFirstStandardDate; n < 80000; ++n) ASSERT_EQ(standard_date(civil_date(n)), n);
}

TEST(StandardTime, HundredthsPlusOneAndMidnightIsZero) {
  EXPECT_EQ(standard_time({0, 0, 0, 0}), 0);
  EXPECT_EQ(standard_time({0, 0, 0, 1}), 2);
  EXPECT_EQ(standard_time({23, 59, 59, 99}), 8640000);
  EXPECT_EQ(standard_time({12, 30, 15, 50}), ((12 * 60 + 30) * 60 + 15) * 100 + 50 + 1);
  EXPECT_EQ(time_of_day(standard_time({12, 30, 15, 50})), (TimeOfDay{12, 30, 15, 50}));
}

TEST(StandardTime, TodayAndClockFollowTheInstalledClock) {
  setenv("TZ", "UTC", 1);
  tzset();
  // 2000-01-01 00:00:00 UTC is 946684800 seconds after the epoch.
  VirtualClock vc(946684800LL * 1000);
  ScopedClock scoped(vc);
  EXPECT_EQ(today(), 72687);
  EXPECT_EQ(clock_time(), 0);  // exactly midnight
  vc.advance_ms(10);
  EXPECT_EQ(clock_time(), 2);
  vc.advance_ms(86400LL * 1000 - 10);
  EXPECT_EQ(today(), 72688);
}

// A clock that moves at each reading shows a time or date put together from
// two readings: across a second's boundary the hundredths of one second
// went with the next second, almost a second ahead.
TEST(StandardTime, AMomentComesFromOneReadingOfTheClock) {
  setenv("TZ", "UTC", 1);
  tzset();
  const int64_t new_year_2000 = 946684800LL * 1000;
  struct Case {
    int64_t at_ms;  // from 2000-01-01 00:00:00 UTC
    StandardMoment expected;
  } cases[] = {
      {(12 * 3600 + 30 * 60 + 15) * 1000LL + 995, {72687, standard_time({12, 30, 15, 99})}},
      {86400LL * 1000 - 5, {72687, standard_time({23, 59, 59, 99})}},
      {86400LL * 1000 + 5, {72688, standard_time({0, 0, 0, 0})}},
      {-5, {72686, standard_time({23, 59, 59, 99})}},
  };
  for (const Case& c : cases) {
    SteppingClock clock(new_year_2000 + c.at_ms, 10);
    ScopedClock scoped(clock);
    EXPECT_EQ(standard_now(), c.expected) << c.at_ms;
    EXPECT_EQ(clock.reads(), 1);
    SteppingClock for_time(new_year_2000 + c.at_ms, 10);
    ScopedClock scoped_time(for_time);
    EXPECT_EQ(clock_time(), c.expected.time) << c.at_ms;
    EXPECT_EQ(for_time.reads(), 1);
    SteppingClock for_date(new_year_2000 + c.at_ms, 10);
    ScopedClock scoped_date(for_date);
    EXPECT_EQ(today(), c.expected.date) << c.at_ms;
  }
}

TEST(StandardTime, AClockInstalledInsideAnotherGivesItBackWhenItGoes) {
  VirtualClock outer(1000);
  ScopedClock scoped_outer(outer);
  {
    VirtualClock inner(5000);
    ScopedClock scoped_inner(inner);
    EXPECT_EQ(current_clock().now_ms(), 5000);
  }
  EXPECT_EQ(&current_clock(), &outer);
}
