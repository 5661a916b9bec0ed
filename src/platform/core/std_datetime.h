#pragma once
// Standard date and time as the program stores and shows them.
//
// A standard date counts days with 28 December 1800 as day 0 (1 January 1801
// is 4, 1 January 2000 is 72,687). A standard time is hundredths of a second
// since midnight plus 1; 0 stands for no time, and midnight itself reads 0.

#include <cstdint>

namespace qvn {

struct CivilDate {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  friend bool operator==(const CivilDate&, const CivilDate&) = default;
};

struct TimeOfDay {
  int hour = 0;
  int minute = 0;
  int second = 0;
  int hundredths = 0;
  friend bool operator==(const TimeOfDay&, const TimeOfDay&) = default;
};

inline constexpr int32_t kFirstStandardDate = 4;       // 1 January 1801
inline constexpr int32_t kLastStandardDate = 2994626;  // 31 December 9999
inline constexpr int32_t kHundredthsPerDay = 8640000;

// Standard date of a Gregorian date; 0 when the date is invalid or outside
// 1 January 1801 .. 31 December 9999.
int32_t standard_date(const CivilDate& d);
// Gregorian date of a standard date; {0,0,0} outside the valid range.
CivilDate civil_date(int32_t standard);
// Day of week, 0 = Sunday.
int day_of_week(int32_t standard);

// Standard time of a time of day: ((h*60+m)*60+s)*100 + hs + 1, except that
// exactly midnight gives 0.
int32_t standard_time(const TimeOfDay& t);
// Time of day of a standard time (0 and 1 both give midnight).
TimeOfDay time_of_day(int32_t standard);

// The standard date and time of one moment.
struct StandardMoment {
  int32_t date = 0;
  int32_t time = 0;
  friend bool operator==(const StandardMoment&, const StandardMoment&) = default;
};

// Now, in local time, from a single reading of the clock in force, so that
// the date and every part of the time belong to the same moment.
StandardMoment standard_now();
// Today's standard date and the time of day; each reads the clock once.
// Where a date and a time go together, take both from standard_now().
int32_t today();
int32_t clock_time();

}  // namespace qvn
