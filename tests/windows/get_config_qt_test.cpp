// The settings window on the Qt rendering (Qt's offscreen platform): it
// opens over a settings file, shows its values, and a picture of it is
// written as a PNG file; its layout is looked at as the main window's is.
// With QVN_WINDOW_PICTURES naming a folder, the picture (get_config.png) is
// also written there.

#ifdef QVN_TEST_WITH_QT

#include <gtest/gtest.h>

#include <fstream>

#include "data/settings_file.h"
#include "picture_backend.h"
#include "windows/get_config.h"
#include "windows_fixture.h"

namespace qvn::windows::testing {
namespace {

// A person who looks at the window once: notes what it shows, takes its
// picture, and cancels.
class Photographer final : public ui::qt::test::LookOnce {
 public:
  using LookOnce::LookOnce;

  std::string caption;
  bool yes = false;
  bool ticked = false;
  std::string command;
  bool pressed = false;

 private:
  void first_wait(ui::Window& w) override {
    caption = w.caption();
    yes = w.state(get_config::GLO_USENEWLOG_RADIO2).checked;
    ticked = w.state(get_config::GLO_RETAINTAGS).checked;
    command = std::string(clip(w.state(get_config::GLO_RUNSTRING).shown));
    picture(w, "get_config.png");
    pressed = w.user_press(get_config::CANCELBUTTON);
  }
};

using GetConfigQtTest = WindowsTest;

TEST_F(GetConfigQtTest, TheRealWindowShowsTheSettingsFile) {
  data::anchor_settings_file(dir.string());
  std::ofstream(dir / "QVN.INI") << "[Preserved]\nNewLog=Y\nCL_Command=C:\\CLARION6\\BIN\\C60EE.EXE\n"
                                    "FilePath=C:\\QVN\\DATA\\\nRetainTags=1\n";
  std::unique_ptr<ui::qt::QtBackend> qt = ui::qt::test::offscreen_backend();
  ASSERT_NE(qt, nullptr);
  Photographer person(*qt, ui::qt::test::picture_folders(dir, "QVN_WINDOW_PICTURES"));
  GetConfig();

  EXPECT_EQ(person.caption, "QVN \"Menu\"");
  EXPECT_TRUE(person.yes);
  EXPECT_TRUE(person.ticked);
  EXPECT_EQ(person.command, "C:\\CLARION6\\BIN\\C60EE.EXE");
  EXPECT_TRUE(person.pressed);
  EXPECT_EQ(framework::GlobalResponse, framework::response::Cancelled);
  EXPECT_TRUE(person.messages.empty());
  EXPECT_EQ(person.faults, std::vector<std::string>{});
  ASSERT_EQ(person.saved, std::vector<bool>(person.folders().size(), true));
  EXPECT_TRUE(ui::qt::test::is_png(dir / "get_config.png"));
}

}  // namespace
}  // namespace qvn::windows::testing

#endif  // QVN_TEST_WITH_QT
