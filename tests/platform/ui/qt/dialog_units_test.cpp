// Faces of the platform the windows were written for, matched to installed
// ones, and dialog units that grow with the window's font.

#include <QtGui/QFontInfo>

#include "platform/ui/qt/dialog_units.h"
#include "qt_test_support.h"

namespace qvn::ui::qt::test {
namespace {

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
  EXPECT_EQ(small.x(4), small.base_x());
  EXPECT_EQ(small.y(8), small.base_y());
  EXPECT_EQ(small.x(400), small.base_x() * 100);
  EXPECT_EQ(small.rect(Rect{4, 8, 8, 16}), QRect(small.base_x(), small.base_y(), 2 * small.base_x(), 2 * small.base_y()));
  EXPECT_EQ(small.x(0), 0);
}

}  // namespace
}  // namespace qvn::ui::qt::test
