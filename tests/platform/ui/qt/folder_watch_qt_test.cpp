// The Qt backend wakes its wait for a change in a folder the window
// watches, made by another process, with no timer to wake it otherwise.

#include <QtCore/QTimer>

#include <fstream>
#include <sstream>

#include "../child_writer.h"
#include "platform/ui/folder_watch.h"
#include "qt_test_support.h"

namespace qvn::ui::qt::test {
namespace {

class QtFolderWatchTest : public QtWindowTest {
 protected:
  static WindowDef runs_window() {
    WindowDef d;
    d.label = "RUNS";
    d.caption = "Runs";
    d.at = {0, 0, 120, 60};
    d.controls.push_back(control("?GO", ControlKind::Button, {10, 10, 40, 14}, "&Go"));
    return d;
  }

  std::string target_content() const {
    std::ifstream in(dir() / "T.DLL", std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
};

TEST_F(QtFolderWatchTest, AFileRenamedIntoPlaceByAnotherProcessEndsTheNestedLoop) {
  Window& w = open(runs_window());
  ASSERT_EQ(w.timer(), 0);
  FolderWatch watch(w, dir().string());
  ASSERT_TRUE(watch.active());
  // Should the change never wake the wait, the window is closed as a person
  // would close it, so the test fails instead of hanging.
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [&w] {
    if (WindowWidget* v = view(w)) v->close();
  });
  guard.start(30000);
  ui::testing::ChildWriter child(ui::testing::kWriteAndRename, dir().string());
  ASSERT_TRUE(child.started());
  bool made = false;
  bool closed = false;
  w.nested_loop([&] {
    if (w.event() == Event::CloseWindow) closed = true;
    if (w.event() == Event::FolderChanged) made = target_content() == "built";
    return !made && !closed;
  });
  EXPECT_TRUE(made);
  EXPECT_FALSE(closed);
  EXPECT_EQ(child.wait(), 0);
}

}  // namespace
}  // namespace qvn::ui::qt::test
