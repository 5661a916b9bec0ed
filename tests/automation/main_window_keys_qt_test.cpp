// The real main window on the Qt rendering (Qt's offscreen platform) at
// the keyboard and the desktop: a stray Escape leaves it open, and brought
// back from another program it rebuilds its project tree from the files.

#ifdef QVN_TEST_WITH_QT

#include <gtest/gtest.h>
#include <QtTest/QTest>
#include <QtWidgets/QWidget>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "keyboard_person.h"
#include "main_window_fixture.h"
#include "other_program.h"

namespace qvn::automation::testing {

namespace {

using ui::qt::test::KeyboardPerson;

// The texts of the tree's lines.
std::vector<std::string> tree_lines(ui::Window& w) {
  std::vector<std::string> out;
  const int tree = RELTREE;
  const ui::ListModel* rows = w.state(tree).list;
  for (size_t r = 0; rows != nullptr && r < rows->rows(); ++r) {
    out.push_back(std::string(clip(w.cells(tree, r)[0].text)));
  }
  return out;
}

bool shows(const std::vector<std::string>& lines, const std::string& text) {
  return std::find(lines.begin(), lines.end(), text) != lines.end();
}

TEST_F(MainWindowTest, EscapeLeavesTheWindowOpenAndAnActivationRebuildsTheTree) {
  seed({{.application = "LEDGER.APP", .priority = 1, .project = 1}}, {{1, "Accounting"}, {2, "Warehouse"}});
  std::unique_ptr<ui::qt::QtBackend> qt = ui::qt::test::offscreen_backend();
  ASSERT_NE(qt, nullptr);
  OtherProgram other;
  std::vector<std::string> before;
  std::vector<std::string> after;
  KeyboardPerson person(*qt);
  person.on_window(kCaption, [&](ui::Window& w) {
    before = tree_lines(w);
    KeyboardPerson::key(Qt::Key_Escape);
  });
  // Another program renames a project while the person works in another
  // window; back in the main window, the tree is built again.
  person.on_window(kCaption, [&](ui::Window& w) {
    other.rename_project(1, "Sales");
    QWidget elsewhere;
    elsewhere.resize(200, 100);
    elsewhere.show();
    elsewhere.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere, 5000));
    KeyboardPerson::view(w)->activateWindow();
    EXPECT_TRUE(QTest::qWaitFor([&w] { return w.has_queued(ui::Event::GainFocus); }, 10000));
  });
  person.on_window(kCaption, [&](ui::Window& w) {
    after = tree_lines(w);
    KeyboardPerson::view(w)->close();
  });
  Main();

  EXPECT_TRUE(person.all_done()) << "Escape closed the main window";
  EXPECT_TRUE(shows(before, "Accounting")) << ::testing::PrintToString(before);
  EXPECT_TRUE(shows(after, "Sales")) << ::testing::PrintToString(after);
  EXPECT_FALSE(shows(after, "Accounting")) << ::testing::PrintToString(after);
  EXPECT_TRUE(person.messages.empty());
  EXPECT_TRUE(halts.empty());
}

}  // namespace

}  // namespace qvn::automation::testing

#endif  // QVN_TEST_WITH_QT
