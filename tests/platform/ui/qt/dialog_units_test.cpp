// Faces of the platform the windows were written for, matched to installed
// ones, and dialog units that grow with the window's font.

#include <QtGui/QFontInfo>
#include <QtGui/QFontMetricsF>

#include <cmath>

#include "platform/ui/qt/dialog_units.h"
#include "qt_test_support.h"

namespace qvn::ui::qt::test {
namespace {

using values::Font;

class DialogUnitsTest : public QtWindowTest {};

TEST_F(DialogUnitsTest, TheWindowsFacesFindInstalledFamiliesOfTheirKind) {
  const QString sans = installed_family("MS Sans Serif");
  EXPECT_EQ(installed_family("Arial"), sans);
  EXPECT_EQ(installed_family(""), sans);
  EXPECT_EQ(installed_family("No Such Face"), sans);
  EXPECT_TRUE(QFontInfo(QFont(installed_family("Courier New"))).fixedPitch());
  EXPECT_FALSE(QFontInfo(QFont(sans)).fixedPitch());

  const QFont f = window_font(Font{});
  EXPECT_EQ(f.pointSize(), 8);
  EXPECT_EQ(f.family(), sans);
  EXPECT_EQ(window_font(Font{"Arial Black", 10, false}).weight(), QFont::Black);
  EXPECT_EQ(control_font(f, Font{"", 0, true}).weight(), QFont::Bold);
  EXPECT_EQ(control_font(f, Font{"", 0, true}).pointSize(), 8);
}

TEST_F(DialogUnitsTest, UnitsFollowTheFontAndRoundToTheNearestPixel) {
  const DialogUnits small(window_font(Font{"MS Sans Serif", 8, false}));
  const DialogUnits large(window_font(Font{"MS Sans Serif", 16, false}));
  EXPECT_GT(large.base_x(), small.base_x());
  EXPECT_GT(large.base_y(), small.base_y());
  // x in quarters of the average character, y in eighths of its height.
  EXPECT_EQ(small.x(4), std::lround(small.base_x()));
  EXPECT_EQ(small.y(8), std::lround(small.base_y()));
  EXPECT_EQ(small.x(400), std::lround(small.base_x() * 100));
  EXPECT_EQ(small.x(0), 0);
}

// Texts written for the platform's face fit their controls in ours when a
// control as wide as a text's average characters holds the text: the base
// unit is the face's average width itself, not that width rounded to whole
// pixels (Nimbus Sans at 8 points averages 6.4 pixels; rounded to 6, every
// control was 6 per cent narrower than its text).
TEST_F(DialogUnitsTest, AControlAsWideAsATextsAverageCharactersHoldsIt) {
  const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  const Font faces[] = {{"MS Sans Serif", 8, false}, {"MS Sans Serif", 9, false}, {"MS Sans Serif", 10, false},
                        {"MS Sans Serif", 12, true}, {"Courier New", 8, false},   {"Times New Roman", 11, false},
                        {"Arial", 9, false},         {"Arial Black", 10, false}};
  for (const Font& face : faces) {
    const QFont font = window_font(face);
    const DialogUnits du(font);
    const double width = QFontMetricsF(font).horizontalAdvance(letters);
    EXPECT_NEAR(du.x(4 * 52), width, 1.0) << face.face << " " << face.points;
  }
}

// Controls that meet in dialog units meet in pixels: a control's right and
// bottom edges are rounded where they lie, not its width and height apart
// from its left and top.
TEST_F(DialogUnitsTest, ControlsThatMeetInUnitsMeetInPixels) {
  const DialogUnits du(window_font(Font{"MS Sans Serif", 8, false}));
  for (int at = 0; at < 60; ++at) {
    for (int size = 1; size <= 6; ++size) {
      const QRect first = du.rect(Rect{at, at, size, size});
      const QRect next = du.rect(Rect{at + size, at + size, 3, 3});
      ASSERT_EQ(first.right() + 1, next.left()) << at << "+" << size;
      ASSERT_EQ(first.bottom() + 1, next.top()) << at << "+" << size;
    }
  }
}

}  // namespace
}  // namespace qvn::ui::qt::test
