// The program's pictures found by the names its windows give them.

#include "platform/ui/qt/pictures.h"

#include <gtest/gtest.h>

#include <string>

#include "qt_test_support.h"

namespace qvn::ui::qt::test {
namespace {

TEST(PictureKey, IsTheBaseNameWithoutCaseFolderOrExtension) {
  const struct {
    const char* name;
    const char* key;
  } cases[] = {
      {"CLOCK.ICO", "clock"},
      {"~clock.ico", "clock"},
      {"C:\\ICONS\\INVOICE.ICO", "invoice"},
      {"~c:\\Clarion6\\Images\\CHECK.ICO", "check"},
      {"Check1.ico", "check1"},
      {"softvelocity.gif", "softvelocity"},
      {"C:\\ICONS\\DELETE_ICO", "delete"},
      {"QUILL_ICO", "quill"},
      {"ICON:Paste", "paste"},
      {"pictures/open.png", "open"},
      {"noextension", "noextension"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(picture_key(c.name), c.key) << c.name;
}

class PicturesTest : public QtWindowTest {};

TEST_F(PicturesTest, EveryPictureTheWindowsNameIsCarried) {
  for (const char* name : {"CLOCK.ICO",
                           "~clock.ico",
                           "Check1.ico",
                           "Quill.ico",
                           "COMPUTER.ICO",
                           "C:\\ICONS\\INVOICE.ICO",
                           "clarion.ico",
                           "EXIT4.ICO",
                           "~c:\\Clarion6\\Images\\CHECK.ICO",
                           "~open.ico",
                           "~pick.ico",
                           "~shutfold.ico",
                           "softvelocity.gif",
                           "C:\\ICONS\\INSERT.ICO",
                           "C:\\ICONS\\DELETE.ICO",
                           "Exit3.ico",
                           "C:\\ICONS\\INSERT_ICO",
                           "QUILL_ICO",
                           "C:\\ICONS\\DELETE_ICO",
                           "EXIT3_ICO",
                           "ICON:Paste"}) {
    EXPECT_TRUE(has_picture(name)) << name;
    EXPECT_FALSE(picture(name).isNull()) << name;
  }
}

TEST_F(PicturesTest, AnUnknownNameShowsAStandInAndNoNameShowsNothing) {
  EXPECT_FALSE(has_picture("C:\\ICONS\\NOSUCH.ICO"));
  const QImage stand_in = picture("C:\\ICONS\\NOSUCH.ICO").toImage();
  ASSERT_FALSE(stand_in.isNull());
  EXPECT_NE(stand_in, picture("CLOCK.ICO").toImage());
  EXPECT_EQ(stand_in, picture("another-unknown.ico").toImage());
  EXPECT_TRUE(picture("").isNull());
  EXPECT_TRUE(icon("").isNull());
}

}  // namespace
}  // namespace qvn::ui::qt::test
