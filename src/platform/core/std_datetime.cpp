#include "platform/core/std_datetime.h"

#include <ctime>

#include "platform/core/clock.h"

namespace qvn {

namespace {

// Days from 1970-01-01 to a proleptic Gregorian date (Howard Hinnant's algorithm).
int64_t days_from_civil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

CivilDate civil_from_days(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t y = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return CivilDate{static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

const int64_t kDay0 = days_from_civil(1800, 12, 28);

bool leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int days_in_month(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && leap(y) ? 29 : days[m - 1];
}

}  // namespace

int32_t standard_date(const CivilDate& d) {
  if (d.year < 1801 || d.year > 9999 || d.month < 1 || d.month > 12 || d.day < 1 ||
      d.day > days_in_month(d.year, d.month))
    return 0;
  return static_cast<int32_t>(days_from_civil(d.year, static_cast<unsigned>(d.month), static_cast<unsigned>(d.day)) -
                              kDay0);
}

CivilDate civil_date(int32_t standard) {
  if (standard < kFirstStandardDate || standard > kLastStandardDate) return {};
  return civil_from_days(kDay0 + standard);
}

int day_of_week(int32_t standard) {
  // 28 December 1800 was a Sunday.
  int r = standard % 7;
  return r < 0 ? r + 7 : r;
}

int32_t standard_time(const TimeOfDay& t) {
  const int32_t h = ((t.hour * 60 + t.minute) * 60 + t.second) * 100 + t.hundredths;
  return h == 0 ? 0 : h + 1;
}

TimeOfDay time_of_day(int32_t standard) {
  int32_t h = standard > 0 ? standard - 1 : 0;
  h %= kHundredthsPerDay;
  TimeOfDay t;
  t.hundredths = h % 100;
  h /= 100;
  t.second = h % 60;
  h /= 60;
  t.minute = h % 60;
  t.hour = h / 60;
  return t;
}

StandardMoment standard_now() {
  const int64_t ms = current_clock().now_ms();
  // Whole seconds and hundredths of the one reading, rounded down alike.
  const int64_t secs = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
  const int hundredths = static_cast<int>((ms - secs * 1000) / 10);
  const std::time_t t = static_cast<std::time_t>(secs);
  std::tm tm{};
  localtime_r(&t, &tm);
  return StandardMoment{standard_date(CivilDate{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday}),
                        standard_time(TimeOfDay{tm.tm_hour, tm.tm_min, tm.tm_sec, hundredths})};
}

int32_t today() { return standard_now().date; }

int32_t clock_time() { return standard_now().time; }

}  // namespace qvn
