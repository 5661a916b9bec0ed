#include "platform/core/fixed_string.h"

#include <gtest/gtest.h>

using qvn::CString;
using qvn::FixedString;

TEST(FixedString, PadsAndClipsOnAssignment) {
  FixedString<5> s = "ab";
  EXPECT_EQ(s.raw(), "ab   ");
  EXPECT_EQ(s.clipped(), "ab");
  s = "abcdefgh";
  EXPECT_EQ(s.raw(), "abcde");
  s = "";
  EXPECT_TRUE(s.blank());
  EXPECT_EQ(s.raw(), "     ");
}

TEST(FixedString, TrailingBlanksDoNotCountInComparisons) {
  FixedString<8> a = "abc";
  FixedString<8> b = "abc  ";
  EXPECT_TRUE(a == b);
  EXPECT_TRUE(a == "abc ");
  EXPECT_FALSE(a == " abc");
}

TEST(FixedString, IsExactlyItsWidth) {
  static_assert(sizeof(FixedString<80>) == 80);
  static_assert(std::is_standard_layout_v<FixedString<80>>);
}

TEST(CString, KeepsAtMostWidthLessOne) {
  CString<5> c = "abcdefg";
  EXPECT_EQ(c.view(), "abcd");
  c = std::string_view("x\0y", 3);
  EXPECT_EQ(c.view(), "x");
  c = "";
  EXPECT_TRUE(c.empty());
}
