#include "platform/ui/list_format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace qvn::ui;

namespace {

char letter(Align a) {
  switch (a) {
    case Align::Left: return 'L';
    case Align::Right: return 'R';
    case Align::Center: return 'C';
    case Align::Decimal: return 'D';
  }
  return '?';
}

// A column in short: width, data alignment and indent, the flags, the header
// with the alignment it ended up with, the picture, and the queue fields
// the column takes ("#first+count").
std::string summary(const Column& c) {
  std::string s = std::to_string(c.width) + letter(c.align) + "(" + std::to_string(c.indent) + ")";
  if (c.right_border) s += "|";
  if (c.resizable) s += "M";
  if (c.colors) s += "*";
  if (c.icon) s += "I";
  if (c.tree) s += "T";
  if (c.has_header) s += "~" + c.header + "~" + letter(c.header_align) + "(" + std::to_string(c.header_indent) + ")";
  if (c.scroll_width) s += "S(" + std::to_string(c.scroll_width) + ")";
  s += c.picture.text() + " #" + std::to_string(c.first_field) + "+" + std::to_string(c.field_count());
  return s;
}

std::vector<std::string> summaries(std::string_view format) {
  auto lf = ListFormat::parse(format);
  EXPECT_TRUE(lf.ok()) << lf.error();
  std::vector<std::string> out;
  if (lf.ok())
    for (const auto& c : lf->columns) out.push_back(summary(c));
  return out;
}

}  // namespace

TEST(ListFormat, EveryListOfTheProgramParses) {
  struct Case {
    const char* list;
    const char* format;
    std::vector<std::string> columns;
  } cases[] = {
      {"applications",
       "10C*I@s1@11C*@n3B@E(0FFH,,0FFFFH,)71L|M~Path~L(2)S(88)@s80@200L(1)~.App~L(2)@s50@",
       {"10C(0)*I@s1 #0+6", "11C(0)*@n3B #6+5", "71L(0)|M~Path~L(2)S(88)@s80 #11+1", "200L(1)~.App~L(2)@s50 #12+1"}},
      {"projects",
       "35R(3)|M~Project ID~R(2)@n-14@200L(2)|M~Project Name~@s50@",
       {"35R(3)|M~Project ID~R(2)@n-14 #0+1", "200L(2)|M~Project Name~L(2)@s50 #1+1"}},
      {"project subset",
       "10C*I@s1@E(0800080H,,0FFFFH,)11C*@n3@E(0FFH,,0FFFFH,)70L(2)|M*~Path~@s80@200L(2)|M*~Application~@s50@",
       {"10C(0)*I@s1 #0+6", "11C(0)*@n3 #6+5", "70L(2)|M*~Path~L(2)@s80 #11+5",
        "200L(2)|M*~Application~L(2)@s50 #16+5"}},
      {"project tree", "800L*IT@s200@", {"800L(0)*IT@s200 #0+7"}},
      {"project form applications",
       "26L(1)|M~Priority~C(0)@n3@113L|M~Drive & P ath~@s80@200L(1)|M~Application~@s50@",
       {"26L(1)|M~Priority~C(0)@n3 #0+1", "113L(0)|M~Drive & P ath~L(0)@s80 #1+1",
        "200L(1)|M~Application~L(1)@s50 #2+1"}},
      {"application picker",
       "27R(2)|M~Priority~C(0)@n3@175L(2)|M~Drive & P ath~@s80@80L(2)|M~Application~@s50@",
       {"27R(2)|M~Priority~C(0)@n3 #0+1", "175L(2)|M~Drive & P ath~L(2)@s80 #1+1",
        "80L(2)|M~Application~L(2)@s50 #2+1"}},
      {"activity log",
       "90L(2)~Application~@s40@43R(3)~Date~C(2)@d1@34L(2)~Time~L(5)@t4@240L(2)~Event~@s80@",
       {"90L(2)~Application~L(2)@s40 #0+1", "43R(3)~Date~C(2)@d1 #1+1", "34L(2)~Time~L(5)@t4 #2+1",
        "240L(2)~Event~L(2)@s80 #3+1"}},
  };
  for (const auto& c : cases) EXPECT_EQ(summaries(c.format), c.columns) << c.list;
}

TEST(ListFormat, DefaultColoursAndTheirFieldsInTheQueue) {
  auto apps = ListFormat::parse("10C*I@s1@11C*@n3B@E(0FFH,,0FFFFH,)71L|M~Path~L(2)S(88)@s80@200L(1)~.App~L(2)@s50@");
  ASSERT_TRUE(apps.ok()) << apps.error();
  const auto& cols = apps->columns;
  EXPECT_EQ(cols[0].default_colors, ColumnColors{});
  EXPECT_EQ(cols[1].default_colors, (ColumnColors{0xFF, kNoColor, 0xFFFF, kNoColor}));
  EXPECT_TRUE(cols[1].picture.blank_when_zero());
  EXPECT_EQ(apps->field_count(), 13);
  // The tag column: value, four colours, then the icon number.
  EXPECT_EQ(cols[0].color_field(), 1);
  EXPECT_EQ(cols[0].icon_field(), 5);
  EXPECT_EQ(cols[1].value_field(), 6);
  EXPECT_EQ(cols[1].color_field(), 7);

  auto subset = ListFormat::parse(
      "10C*I@s1@E(0800080H,,0FFFFH,)11C*@n3@E(0FFH,,0FFFFH,)70L(2)|M*~Path~@s80@200L(2)|M*~Application~@s50@");
  ASSERT_TRUE(subset.ok()) << subset.error();
  EXPECT_EQ(subset->columns[0].default_colors, (ColumnColors{0x800080, kNoColor, 0xFFFF, kNoColor}));
  EXPECT_EQ(subset->columns[1].default_colors.fg, 0xFF);
  EXPECT_EQ(subset->columns[2].default_colors, ColumnColors{});
  EXPECT_EQ(subset->field_count(), 21);

  // The tree queue: text, four colours, icon, level.
  auto tree = ListFormat::parse("800L*IT@s200@");
  ASSERT_TRUE(tree.ok()) << tree.error();
  EXPECT_EQ(tree->columns[0].icon_field(), 5);
  EXPECT_EQ(tree->columns[0].level_field(), 6);
}

TEST(ListFormat, ColourTextsOfTheDefaultColours) {
  struct Case {
    const char* format;
    ColumnColors colors;
  } cases[] = {
      {"10LE(0FFH)@s1@", {0xFF, kNoColor, kNoColor, kNoColor}},
      {"10LE(,0ffh)@s1@", {kNoColor, 0xFF, kNoColor, kNoColor}},
      {"10LE(255,0,-1,16777215)@s1@", {255, 0, kNoColor, 0xFFFFFF}},
      {"10LE(0FFFFFFFFH, , ,)@s1@", {-1, kNoColor, kNoColor, kNoColor}},
      {"10LE()@s1@", {}},
  };
  for (const auto& c : cases) {
    auto lf = ListFormat::parse(c.format);
    ASSERT_TRUE(lf.ok()) << c.format << ": " << lf.error();
    EXPECT_EQ(lf->columns[0].default_colors, c.colors) << c.format;
  }
}

TEST(ListFormat, MalformedFormatsNameThePositionAndTheText) {
  struct Case {
    const char* format;
    size_t position;
    const char* says;
  } cases[] = {
      {"", 1, "Empty list format"},
      {"L@s1@", 1, "Column width"},
      {"10@s1@", 3, "alignment"},
      {"10Q@s1@", 3, "alignment"},
      {"10LQ@s1@", 4, "Unknown modifier at position 4 of list format: \"Q@s1@\""},
      {"10L~abc@s1@", 4, "Header not closed"},
      {"10L~a~~b~@s1@", 7, "Second header"},
      {"10L@s1", 4, "Picture not closed"},
      {"10L@x1@", 5, "Unknown picture type"},
      {"10L@n3X@", 7, "Unexpected text after the picture"},
      {"10L@s1@@s2@", 8, "Second picture"},
      {"10L|M", 1, "Column 1 has no picture"},
      {"10L@s1@20L|", 8, "Column 2 has no picture"},
      {"10L(2@s1@", 4, "parentheses"},
      {"10L()@s1@", 4, "parentheses"},
      {"10LS@s1@", 4, "Scroll width"},
      {"10LE0FFH@s1@", 4, "Colours"},
      {"10LE(0FFH@s1@", 4, "not closed"},
      {"10LE(0FFH,,,,)@s1@", 14, "More than four colours"},
      {"10LE(0FGH)@s1@", 6, "Not a colour"},
      {"10LE(FFH)@s1@", 6, "Not a colour"},
      {"10LE(99999999999)@s1@", 6, "Not a colour"},
      {"10L@s1@L", 8, "Alignment out of place"},
      {"10L@s1@20L@n3@5", 16, "alignment"},
      {"999999L@s1@", 1, "Column width"},
  };
  for (const auto& c : cases) {
    auto lf = ListFormat::parse(c.format);
    ASSERT_FALSE(lf.ok()) << c.format;
    EXPECT_EQ(lf.position(), c.position) << c.format << ": " << lf.error();
    EXPECT_NE(lf.error().find(c.says), std::string::npos) << c.format << ": " << lf.error();
    EXPECT_NE(lf.error().find("position " + std::to_string(c.position)), std::string::npos) << lf.error();
  }
}

TEST(ListFormat, LongTextIsQuotedInPart) {
  auto lf = ListFormat::parse("10L@s1@20LQ~a long header text that goes on~@s5@");
  ASSERT_FALSE(lf.ok());
  EXPECT_NE(lf.error().find("\"Q~a long header text tha...\""), std::string::npos) << lf.error();
}

TEST(ListFormat, BgrColoursTurnIntoRgb) {
  EXPECT_EQ(bgr_to_rgb(0x0000FF), 0xFF0000u);  // red
  EXPECT_EQ(bgr_to_rgb(0x00FFFF), 0xFFFF00u);  // yellow
  EXPECT_EQ(bgr_to_rgb(0x800080), 0x800080u);  // purple
  EXPECT_EQ(bgr_to_rgb(0x123456), 0x563412u);
  EXPECT_EQ(bgr_to_rgb(0xFF123456), 0x563412u);  // no alpha is carried
}
