// The settings window on the Qt rendering (Qt's offscreen platform): it
// opens over a settings file, shows its values, and a picture of it is
// written as a PNG file; its layout is looked at as the main window's is.
// With QVN_WINDOW_PICTURES naming a folder, the picture (get_config.png) is
// also written there.

#ifdef QVN_TEST_WITH_QT

#include <QtWidgets/QApplication>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "data/settings_file.h"
#include "layout_faults.h"
#include "platform/ui/qt/qt_backend.h"
#include "platform/ui/qt/window_widget.h"
#include "windows/get_config.h"
#include "windows_fixture.h"

namespace qvn::windows::testing {
namespace {

// The Qt rendering, with a person who looks at the window once: notes what
// it shows, takes its picture into every folder given, and cancels.
class Photographer final : public ui::Backend {
 public:
  Photographer(ui::qt::QtBackend& qt, std::vector<fs::path> folders) : qt_(qt), folders_(std::move(folders)) {}

  void window_opened(ui::Window& w) override { qt_.window_opened(w); }
  void window_closed(ui::Window& w) override { qt_.window_closed(w); }
  void wait_for_event(ui::Window& w) override {
    if (++waits_ > 1) {
      w.close();
      return;
    }
    caption = w.caption();
    yes = w.state(w.field("?GLO:USENEWLOG:RADIO2")).checked;
    ticked = w.state(w.field("?GLO:RETAINTAGS")).checked;
    command = std::string(clip(w.state(w.field("?GLO:RUNSTRING")).shown));
    for (QWidget* top : QApplication::topLevelWidgets()) {
      auto* v = dynamic_cast<ui::qt::WindowWidget*>(top);
      if (v == nullptr || v->window() != &w) continue;
      faults = ui::qt::test::layout_faults(v);
    }
    for (const fs::path& folder : folders_) saved.push_back(qt_.save_picture(w, (folder / "get_config.png").string()));
    pressed = w.user_press(w.field("?CANCELBUTTON"));
  }
  void refresh(ui::Window& w, int field) override { qt_.refresh(w, field); }
  void repaint_only() override { qt_.repaint_only(); }
  void to_front(ui::Window& w) override { qt_.to_front(w); }
  int message(const ui::MessageBoxDef& box) override {
    messages.push_back(box.text);
    return ui::answer_without_choice(box);
  }
  std::string open_file(const ui::FileDialogDef&) override { return {}; }
  std::string choose_folder(const ui::FolderDialogDef&) override { return {}; }
  int popup(ui::Window&, const std::string&) override { return 0; }
  void beep() override {}

  std::string caption;
  bool yes = false;
  bool ticked = false;
  std::string command;
  bool pressed = false;
  std::vector<std::string> faults;
  std::vector<std::string> messages;
  std::vector<bool> saved;

 private:
  ui::qt::QtBackend& qt_;
  std::vector<fs::path> folders_;
  int waits_ = 0;
};

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

using GetConfigQtTest = WindowsTest;

TEST_F(GetConfigQtTest, TheRealWindowShowsTheSettingsFile) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  data::anchor_settings_file(dir.string());
  std::ofstream(dir / "QVN.INI") << "[Preserved]\nNewLog=Y\nCL_Command=C:\\CLARION6\\BIN\\C60EE.EXE\n"
                                    "FilePath=C:\\QVN\\DATA\\\nRetainTags=1\n";
  std::unique_ptr<ui::qt::QtBackend> qt = ui::qt::QtBackend::create();
  ASSERT_NE(qt, nullptr);
  std::vector<fs::path> folders = {dir};
  if (const char* wanted = std::getenv("QVN_WINDOW_PICTURES"); wanted && *wanted) folders.push_back(wanted);
  Photographer person(*qt, folders);
  ui::install_backend(&person);
  GetConfig();
  ui::install_backend(nullptr);

  EXPECT_EQ(person.caption, "QVN \"Menu\"");
  EXPECT_TRUE(person.yes);
  EXPECT_TRUE(person.ticked);
  EXPECT_EQ(person.command, "C:\\CLARION6\\BIN\\C60EE.EXE");
  EXPECT_TRUE(person.pressed);
  EXPECT_EQ(framework::GlobalResponse, framework::response::Cancelled);
  EXPECT_TRUE(person.messages.empty());
  EXPECT_EQ(person.faults, std::vector<std::string>{});
  ASSERT_EQ(person.saved, std::vector<bool>(folders.size(), true));
  const std::string png = slurp(dir / "get_config.png");
  ASSERT_GT(png.size(), 1000u);
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
}

}  // namespace
}  // namespace qvn::windows::testing

#endif  // QVN_TEST_WITH_QT
