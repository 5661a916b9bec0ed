#include "platform/values/picture.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "platform/core/clock.h"
#include "platform/core/std_datetime.h"

using namespace qvn;
using namespace qvn::values;

namespace {

Picture pic(std::string_view text) {
  auto p = Picture::parse(text);
  EXPECT_TRUE(p.ok()) << text << ": " << p.error();
  return p.ok() ? *p : Picture{};
}

int32_t date(int y, int m, int d) { return standard_date({y, m, d}); }
int32_t time_of(int h, int m, int s) { return standard_time({h, m, s, 0}); }

// Two-digit years are read relative to today; noon on 1 July 2024 (UTC)
// is 2024 in every time zone.
class TodayIn2024 : public ::testing::Test {
 protected:
  VirtualClock clock_{1719835200000LL};
  ScopedClock scoped_{clock_};
};

}  // namespace

TEST(PictureParse, KnownPicturesWithAndWithoutTheAt) {
  struct Case {
    const char* text;
    PictureKind kind;
    size_t width;
  } cases[] = {
      {"@s30", PictureKind::Text, 30},
      {"s50", PictureKind::Text, 50},
      {"@S1", PictureKind::Text, 1},
      {"@n3", PictureKind::Number, 3},
      {"n3", PictureKind::Number, 3},
      {"@n3B", PictureKind::Number, 3},
      {"@n-14", PictureKind::Number, 14},
      {"@d1", PictureKind::Date, 8},
      {"@D8", PictureKind::Date, 11},
      {"@t4", PictureKind::Time, 8},
      {"@T4_", PictureKind::Time, 8},
      {"pPage <<<#p", PictureKind::Pattern, 9},
      {"@pPage <<<#p", PictureKind::Pattern, 9},
  };
  for (const auto& c : cases) {
    auto p = Picture::parse(c.text);
    ASSERT_TRUE(p.ok()) << c.text << ": " << p.error();
    EXPECT_EQ(p->kind(), c.kind) << c.text;
    EXPECT_EQ(p->width(), c.width) << c.text;
    EXPECT_EQ(p->text(), c.text);
  }
  EXPECT_TRUE(Picture::parse("@n3B")->blank_when_zero());
  EXPECT_FALSE(Picture::parse("@n3")->blank_when_zero());
}

TEST(PictureParse, UnknownPicturesAreErrorsWithTheirPosition) {
  struct Case {
    const char* text;
    size_t position;
  } cases[] = {
      {"", 1},     {"@", 2},    {"@x5", 2},    {"@s", 3},     {"@s0", 3},  {"@s99999999", 3},
      {"@n", 3},   {"@n3X", 4}, {"@n12.2", 5}, {"@n14-", 5},  {"@n99", 3}, {"@d2", 3},
      {"@d17", 3}, {"@t3", 3},  {"@t4:", 4},   {"@pPage", 6}, {"@p-p", 3},
  };
  for (const auto& c : cases) {
    auto p = Picture::parse(c.text);
    EXPECT_FALSE(p.ok()) << c.text;
    EXPECT_EQ(p.position(), c.position) << c.text << ": " << p.error();
    EXPECT_NE(p.error().find(std::string("\"") + c.text + "\""), std::string::npos) << p.error();
  }
}

TEST(PictureFormat, Numbers) {
  struct Case {
    const char* picture;
    long long value;
    const char* shown;
  } cases[] = {
      {"@n3", 0, "  0"},
      {"@n3", 7, "  7"},
      {"@n3", 255, "255"},
      {"@n3", 1000, "###"},
      {"@n3", -5, " -5"},
      {"@n3", -100, "###"},
      {"@n3B", 0, "   "},
      {"@n3B", 12, " 12"},
      {"@n3B", -1, " -1"},
      {"@n-14", 42, "            42"},
      {"@n-14", -42, "           -42"},
      {"@n-14", 0, "             0"},
      {"@n20", LLONG_MIN, "-9223372036854775808"},
      {"@n19", LLONG_MIN, "###################"},
  };
  for (const auto& c : cases) EXPECT_EQ(pic(c.picture).format(c.value), c.shown) << c.picture << " " << c.value;
}

TEST(PictureFormat, ValuesGivenAsTextAndNumbersShownAsText) {
  EXPECT_EQ(pic("@n3").format("  42"), " 42");
  EXPECT_EQ(pic("@n3B").format(""), "   ");
  EXPECT_EQ(pic("@n-14").format("-7xyz"), "            -7");
  EXPECT_EQ(pic("@s5").format("abc"), "abc  ");
  EXPECT_EQ(pic("@s5").format("abcdefg"), "abcde");
  EXPECT_EQ(pic("@s1").format(""), " ");
  EXPECT_EQ(pic("@s5").format(42LL), "42   ");
  EXPECT_EQ(pic("@d1").format(std::to_string(date(2024, 1, 5))), " 1/05/24");
}

TEST(PictureFormat, DatesAndTimes) {
  struct Case {
    const char* picture;
    long long value;
    const char* shown;
  } cases[] = {
      {"@d1", date(2024, 1, 5), " 1/05/24"},
      {"@d1", date(2024, 12, 25), "12/25/24"},
      {"@d1", date(1999, 10, 1), "10/01/99"},
      {"@d1_", date(2024, 1, 5), " 1 05 24"},
      {"@d1", 0, "        "},
      {"@d1", -3, "########"},
      {"@d1", 2, "########"},
      {"@d1", kLastStandardDate + 1, "########"},
      {"@D8", date(2024, 1, 5), " 5 JAN 2024"},
      {"@D8", date(2023, 11, 30), "30 NOV 2023"},
      {"@D8", kFirstStandardDate, " 1 JAN 1801"},
      {"@D8", kLastStandardDate, "31 DEC 9999"},
      {"@D8", 0, "           "},
      {"@t4", time_of(14, 5, 9), "14:05:09"},
      {"@t4", time_of(9, 5, 3), " 9:05:03"},
      {"@t4", 0, "        "},
      {"@t4", 1, " 0:00:00"},
      {"@t4", 8640000, "23:59:59"},
      {"@t4", 8640001, "########"},
      {"@t4", -1, "########"},
      {"@T4_", time_of(14, 5, 9), "14 05 09"},
      {"@T4_", time_of(9, 5, 3), " 9 05 03"},
  };
  for (const auto& c : cases) EXPECT_EQ(pic(c.picture).format(c.value), c.shown) << c.picture << " " << c.value;
}

TEST(PictureFormat, Patterns) {
  struct Case {
    const char* picture;
    long long value;
    const char* shown;
  } cases[] = {
      {"pPage <<<#p", 2, "Page    2"},    {"pPage <<<#p", 0, "Page    0"},
      {"pPage <<<#p", 26, "Page   26"},   {"pPage <<<#p", 1000, "Page 1000"},
      {"pPage <<<#p", 9999, "Page 9999"}, {"pPage <<<#p", 10000, "Page ####"},
      {"pPage <<<#p", -1, "Page ####"},   {"@p<#<#p", 5, " 005"},
      {"@p##-##p", 704, "07-04"},
  };
  for (const auto& c : cases) EXPECT_EQ(pic(c.picture).format(c.value), c.shown) << c.picture << " " << c.value;
}

TEST_F(TodayIn2024, DeformatAcceptsWhatFitsAndRefusesTheRest) {
  struct Case {
    const char* picture;
    const char* typed;
    bool ok;
    long long number;
  } cases[] = {
      {"@n3", "", true, 0},
      {"@n3", "  7 ", true, 7},
      {"@n3", "255", true, 255},
      {"@n3", "007", true, 7},
      {"@n3", "-5", true, -5},
      {"@n3", "1000", false, 0},
      {"@n3", "-100", false, 0},
      {"@n3", "12a", false, 0},
      {"@n3", "1 2", false, 0},
      {"@n3", "-", false, 0},
      {"@n3B", "   ", true, 0},
      {"@n-14", "-1234567890123", true, -1234567890123LL},
      {"@n32", "99999999999999999999", false, 0},
      {"@d1", " 1/05/24", true, date(2024, 1, 5)},
      {"@d1", "1/5/24", true, date(2024, 1, 5)},
      {"@d1", "12/25/2024", true, date(2024, 12, 25)},
      {"@d1", "1/05/44", true, date(2044, 1, 5)},
      {"@d1", "1/05/45", true, date(1945, 1, 5)},
      {"@d1", "1/05/76", true, date(1976, 1, 5)},
      {"@d1", "", true, 0},
      {"@d1", "2/29/24", true, date(2024, 2, 29)},
      {"@d1", "2/29/23", false, 0},
      {"@d1", "2/30/24", false, 0},
      {"@d1", "13/01/24", false, 0},
      {"@d1", "0/01/24", false, 0},
      {"@d1", "1-05-24", false, 0},
      {"@d1", "1/05/024", false, 0},
      {"@d1", "1/05/24x", false, 0},
      {"@d1", "123/05/24", false, 0},
      {"@d1_", "1 05 24", true, date(2024, 1, 5)},
      {"@D8", " 5 JAN 2024", true, date(2024, 1, 5)},
      {"@D8", "5 jan 2024", true, date(2024, 1, 5)},
      {"@D8", "30 NOV 2023", true, date(2023, 11, 30)},
      {"@D8", "5 JAX 2024", false, 0},
      {"@D8", "31 FEB 2024", false, 0},
      {"@D8", "5 JA", false, 0},
      {"@t4", "14:05:09", true, time_of(14, 5, 9)},
      {"@t4", " 9:05:03", true, time_of(9, 5, 3)},
      {"@t4", "9:05", true, time_of(9, 5, 0)},
      {"@t4", "", true, 0},
      {"@t4", "0:00:00", true, 0},
      {"@t4", "23:59:59", true, time_of(23, 59, 59)},
      {"@t4", "24:00:00", false, 0},
      {"@t4", "9:60:00", false, 0},
      {"@t4", "9:05:60", false, 0},
      {"@t4", "9.05.03", false, 0},
      {"@t4", "9:05:", false, 0},
      {"@t4", "9", false, 0},
      {"@T4_", "14 05 09", true, time_of(14, 5, 9)},
      {"@T4_", " 9 05 03", true, time_of(9, 5, 3)},
      {"@T4_", "14:05:09", true, time_of(14, 5, 9)},
      {"@T4_", " 9:05", true, time_of(9, 5, 0)},
      {"@T4_", "9 : 05 : 03", true, time_of(9, 5, 3)},
      {"@T4_", "14.05.09", false, 0},
      {"@T4_", "14::05", false, 0},
      {"@T4_", "14:05:", false, 0},
      {"pPage <<<#p", "Page    2", true, 2},
      {"pPage <<<#p", "Page 1234", true, 1234},
      {"pPage <<<#p", "", true, 0},
      {"pPage <<<#p", "Page 12", false, 0},
      {"pPage <<<#p", "page    2", false, 0},
      {"pPage <<<#p", "Page  2 2", false, 0},
      {"pPage <<<#p", "Page    2 extra", false, 0},
  };
  for (const auto& c : cases) {
    TypedValue v = pic(c.picture).deformat(c.typed);
    EXPECT_EQ(v.ok, c.ok) << c.picture << " \"" << c.typed << "\": " << v.error;
    if (c.ok) {
      EXPECT_EQ(v.number, c.number) << c.picture << " \"" << c.typed << "\"";
      EXPECT_EQ(v.text, std::to_string(c.number)) << c.picture << " \"" << c.typed << "\"";
      EXPECT_TRUE(v.error.empty());
    } else {
      EXPECT_FALSE(v.error.empty()) << c.picture << " \"" << c.typed << "\"";
    }
  }
}

TEST(PictureDeformat, TwoDigitYearsNearTheEndOfACentury) {
  // Noon on 1 July 2095 (UTC): the window runs from 2016 to 2115.
  VirtualClock clock(3960360000000LL);
  ScopedClock scoped(clock);
  const Picture d1 = pic("@d1");
  EXPECT_EQ(d1.deformat("1/05/05").number, date(2105, 1, 5));
  EXPECT_EQ(d1.deformat("1/05/15").number, date(2115, 1, 5));
  EXPECT_EQ(d1.deformat("1/05/16").number, date(2016, 1, 5));
  EXPECT_EQ(d1.deformat("1/05/95").number, date(2095, 1, 5));
  EXPECT_EQ(d1.deformat("1/05/1999").number, date(1999, 1, 5));
}

TEST(PictureDeformat, TextKeepsLeadingBlanksAndRefusesWhatIsTooLong) {
  Picture p = pic("@s5");
  EXPECT_EQ(p.deformat("abc").text, "abc");
  EXPECT_EQ(p.deformat(" ab").text, " ab");
  TypedValue padded = p.deformat("abcde   ");
  EXPECT_TRUE(padded.ok);
  EXPECT_EQ(padded.text, "abcde");
  TypedValue tooLong = p.deformat("abcdef");
  EXPECT_FALSE(tooLong.ok);
  EXPECT_NE(tooLong.error.find("@s5"), std::string::npos) << tooLong.error;
  EXPECT_TRUE(p.deformat("").ok);
}

TEST_F(TodayIn2024, WhatIsShownReadsBackAsTheSameValue) {
  const Picture d1 = pic("@d1"), d1b = pic("@d1_"), d8 = pic("@D8");
  // @d1 keeps two digits of the year, so only the window's years come back.
  for (int32_t d = date(1945, 1, 1); d <= date(2044, 12, 31); d += 3) {
    ASSERT_EQ(d1.deformat(d1.format(d)).number, d) << d1.format(d);
    ASSERT_EQ(d1b.deformat(d1b.format(d)).number, d) << d1b.format(d);
  }
  for (int32_t d = kFirstStandardDate; d <= kLastStandardDate; d += 97)
    ASSERT_EQ(d8.deformat(d8.format(d)).number, d) << d8.format(d);

  const Picture t4 = pic("@t4"), t4b = pic("@T4_");
  for (int32_t t = 101; t <= kHundredthsPerDay; t += 100 * 7) {
    ASSERT_EQ(t4.deformat(t4.format(t)).number, t) << t4.format(t);
    ASSERT_EQ(t4b.deformat(t4b.format(t)).number, t) << t4b.format(t);
  }

  for (const char* text : {"@n3", "@n3B", "@n-14", "pPage <<<#p"}) {
    const Picture p = pic(text);
    for (long long v = text[0] == 'p' ? 0 : -99; v <= 999; ++v) {
      TypedValue back = p.deformat(p.format(v));
      ASSERT_TRUE(back.ok) << text << " " << p.format(v) << ": " << back.error;
      ASSERT_EQ(back.number, v) << text << " " << p.format(v);
    }
  }
}
