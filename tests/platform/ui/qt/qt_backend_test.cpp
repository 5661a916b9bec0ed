// The backend's waits, message boxes, dialogs, popup menus and pictures of
// windows.

#include <QtCore/QTimer>
#include <QtGui/QCloseEvent>
#include <QtGui/QImage>
#include <QtGui/QMouseEvent>
#include <QtTest/QTest>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPushButton>

#include <fstream>
#include <functional>

#include "platform/core/clock.h"
#include "qt_test_support.h"

namespace qvn::ui::qt::test {
namespace {

class QtBackendTest : public QtWindowTest {
 protected:
  // Runs `act` once the event loop turns, from inside whatever waits then.
  static void soon(std::function<void()> act) { QTimer::singleShot(0, qApp, std::move(act)); }

  static WindowDef small_window(const std::string& label) {
    WindowDef d;
    d.label = label;
    d.caption = label;
    d.at = {0, 0, 120, 60};
    d.controls.push_back(control("?GO", ControlKind::Button, {10, 10, 40, 14}, "&Go"));
    d.controls.push_back(control("?NAME", ControlKind::Entry, {10, 30, 60, 12}));
    return d;
  }

  // Left press and release as the window system would post them.
  static void post_click(QWidget* target) {
    const QPointF at = QRectF(target->rect()).center();
    const QPointF global = target->mapToGlobal(at);
    QCoreApplication::postEvent(
        target, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(
        target, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
  }
};

TEST_F(QtBackendTest, AWaitEndsWithTheInputThatArrives) {
  Window& w = open(small_window("WAIT"));
  soon([&w] { QTest::mouseClick(widget<QPushButton>(w, "?GO"), Qt::LeftButton); });
  ASSERT_TRUE(w.accept());
  // The click gives the button the focus first, then presses it.
  while (w.event() == Event::Selected) ASSERT_TRUE(w.accept());
  EXPECT_EQ(w.event(), Event::Accepted);
  EXPECT_EQ(w.field(), w.field("?GO"));
}

TEST_F(QtBackendTest, AWaitEndsWhenTheWindowsTimerFallsDue) {
  VirtualClock clock(0);
  ScopedClock scoped(clock);
  WindowDef def = small_window("TIMER");
  def.timer = 500;
  Window& w = open(std::move(def));
  ASSERT_EQ(w.next_timer_ms(), 5000);
  soon([&clock] { clock.advance_ms(5000); });
  ASSERT_TRUE(w.accept());
  EXPECT_EQ(w.event(), Event::Timer);
}

TEST_F(QtBackendTest, AWaitEndsWhenTheWindowCloses) {
  Window& w = open(small_window("CLOSING"));
  soon([&w] { w.close(); });
  EXPECT_FALSE(w.accept());
}

TEST_F(QtBackendTest, AWindowOpenedBeforeTheBackendShowsAtItsFirstWait) {
  install_backend(nullptr);
  std::unique_ptr<Window> w = Window::create(small_window("EARLY"), nullptr);
  ASSERT_NE(w, nullptr);
  w->open();
  install_backend(&backend());
  drain(*w);
  EXPECT_EQ(view(*w), nullptr);
  soon([&w] {
    ASSERT_NE(view(*w), nullptr);
    EXPECT_TRUE(view(*w)->isVisible());
    QTest::mouseClick(widget<QPushButton>(*w, "?GO"), Qt::LeftButton);
  });
  ASSERT_TRUE(w->accept());
  while (w->event() == Event::Selected) ASSERT_TRUE(w->accept());
  EXPECT_EQ(w->accepted(), w->field("?GO"));
}

TEST_F(QtBackendTest, RepaintingDuringALongCallDropsTheInputThatArrives) {
  Window& w = open(small_window("BUSY"));
  auto* go = widget<QPushButton>(w, "?GO");
  go->update();
  post_click(go);
  backend().repaint_only();
  EXPECT_TRUE(drain(w).empty());
  // The click was dropped, not kept for later; input afterwards acts again.
  QCoreApplication::processEvents();
  EXPECT_TRUE(drain(w).empty());
  post_click(go);
  QCoreApplication::processEvents();
  EXPECT_TRUE(has_event(drain(w), Event::Accepted, w.field("?GO")));

  // Keys typed meanwhile do not reach the entry either.
  auto* name = widget<QLineEdit>(w, "?NAME");
  name->setFocus();
  QCoreApplication::postEvent(name, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a"));
  backend().repaint_only();
  EXPECT_EQ(name->text(), QString());

  // A close asked for meanwhile is dropped too, and leaves what was typed
  // before it in the entry, to be taken when the entry is left.
  QTest::keyClicks(name, "ledger");
  QCoreApplication::postEvent(view(w), new QCloseEvent());
  backend().repaint_only();
  std::vector<Seen> seen = drain(w);
  EXPECT_FALSE(has_event(seen, Event::CloseWindow, 0)) << describe(seen);
  EXPECT_FALSE(has_event(seen, Event::Accepted, w.field("?NAME"))) << describe(seen);
  QTest::keyClick(name, Qt::Key_Tab);
  EXPECT_TRUE(has_event(drain(w), Event::Accepted, w.field("?NAME")));
  EXPECT_EQ(w.state(w.field("?NAME")).shown.substr(0, 6), "ledger");
}

TEST_F(QtBackendTest, MessageBoxesShowTheTextButtonsAndIconAndReturnThePressedButton) {
  QString text;
  QString title;
  QMessageBox::Icon shown_icon = QMessageBox::NoIcon;
  QStringList buttons;
  QString default_button;
  soon([&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    text = box->text();
    title = box->windowTitle();
    shown_icon = box->icon();
    for (QAbstractButton* b : box->buttons()) buttons << b->text();
    default_button = box->defaultButton() != nullptr ? box->defaultButton()->text() : QString();
    box->findChild<QPushButton*>("No")->click();
  });
  const int pressed = message("Clarion is not currently running.||Press \"Start Clarion\" now.", "Best be sure",
                              MessageIcon::Question, button::Yes + button::No, button::Yes);
  EXPECT_EQ(pressed, button::No);
  EXPECT_EQ(text, QString("Clarion is not currently running.\n\nPress \"Start Clarion\" now."));
  EXPECT_EQ(title, QString("Best be sure"));
  EXPECT_EQ(shown_icon, QMessageBox::Question);
  buttons.sort();
  EXPECT_EQ(buttons, QStringList({"&No", "&Yes"}));
  EXPECT_EQ(default_button, QString("&Yes"));
}

TEST_F(QtBackendTest, AMessageBoxClosedWithoutAChoiceAnswersAsTheWindowLayerSays) {
  QMessageBox::Icon shown_icon = QMessageBox::NoIcon;
  soon([&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    shown_icon = box->icon();
    QTest::keyClick(box, Qt::Key_Escape);
  });
  EXPECT_EQ(message("Are you entirely sure?", "Best be sure, chaver", MessageIcon::Stop, button::Yes + button::No),
            button::No);
  EXPECT_EQ(shown_icon, QMessageBox::Critical);

  soon([] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->buttons().size(), 1);
    box->buttons().front()->click();
  });
  EXPECT_EQ(message("Processing Complete"), button::Ok);
}

// Qt shows the program's name in place of an empty title: a box or window
// whose caption is empty shows a blank title instead.
TEST_F(QtBackendTest, AnEmptyCaptionShowsABlankTitle) {
  QString title = QStringLiteral("not shown");
  soon([&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    title = box->windowTitle();
    box->buttons().front()->click();
  });
  EXPECT_EQ(message("Processing Complete"), button::Ok);
  EXPECT_TRUE(title.trimmed().isEmpty()) << title.toStdString();
  EXPECT_FALSE(title.isEmpty()) << "an empty title shows the program's name";

  Window& w = open(small_window(""));
  const QString window_title = view(w)->windowTitle();
  EXPECT_TRUE(window_title.trimmed().isEmpty()) << window_title.toStdString();
  EXPECT_FALSE(window_title.isEmpty());
  w.set_caption("Go");
  EXPECT_EQ(view(w)->windowTitle(), QString("Go"));
}

// Enter presses a box's default button; a box whose default button is 0 has
// none, so Enter presses no button at all ("Are you entirely sure?" must not
// empty the log on Enter) and the box waits for another answer.
TEST_F(QtBackendTest, EnterPressesOnlyADefaultButtonThatWasNamed) {
  struct Case {
    int default_button;
    bool enter_answers;
    int answer;
  } cases[] = {
      {0, false, button::No},
      {button::Yes, true, button::Yes},
      {button::No, true, button::No},
  };
  for (const Case& c : cases) {
    bool open_after_enter = false;
    bool any_default = true;
    soon([&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      EXPECT_TRUE(QTest::qWaitForWindowActive(box, 5000));
      any_default = false;
      for (QAbstractButton* b : box->buttons()) {
        auto* pb = qobject_cast<QPushButton*>(b);
        any_default = any_default || (pb != nullptr && (pb->isDefault() || pb->autoDefault()));
      }
      // As the keyboard sends it: to the widget with the focus, a button of the box.
      QWidget* target = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : box;
      QTest::keyClick(target, Qt::Key_Return);
      QCoreApplication::processEvents();
      open_after_enter = box->isVisible();
      if (open_after_enter) {
        QTest::keyClick(target, Qt::Key_Enter);
        QCoreApplication::processEvents();
        open_after_enter = box->isVisible();
      }
      if (open_after_enter) box->findChild<QPushButton*>("No")->click();
    });
    const int pressed = message("Are you entirely sure?", "Best be sure, chaver", MessageIcon::Question,
                                button::Yes + button::No, c.default_button);
    EXPECT_EQ(open_after_enter, !c.enter_answers) << c.default_button;
    EXPECT_EQ(pressed, c.answer) << c.default_button;
    EXPECT_EQ(any_default, c.default_button != 0) << c.default_button;
  }
}

TEST_F(QtBackendTest, EnterAnswersABoxThatOffersOnlyOneButton) {
  bool open_after_enter = true;
  soon([&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(QTest::qWaitForWindowActive(box, 5000));
    QWidget* target = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : box;
    QTest::keyClick(target, Qt::Key_Return);
    QCoreApplication::processEvents();
    open_after_enter = box->isVisible();
    if (open_after_enter) box->findChild<QPushButton*>("OK")->click();
  });
  EXPECT_EQ(message("Clarion did not answer within 30 seconds.", "Warning", MessageIcon::Stop), button::Ok);
  EXPECT_FALSE(open_after_enter);
}

TEST_F(QtBackendTest, TheOpenFileDialogOffersTheFiltersAndGivesTheChosenFile) {
  const std::filesystem::path app = dir() / "ACCT.APP";
  std::ofstream(app) << "app";
  QString title;
  QStringList filters;
  soon([&] {
    auto* fd = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(fd, nullptr);
    title = fd->windowTitle();
    filters = fd->nameFilters();
    fd->selectFile(QString::fromStdString(app.string()));
    static_cast<QDialog*>(fd)->accept();
  });
  FileDialogDef def;
  def.title = "Choose a File";
  def.filters = {{"Application files", "*.app"}, {"Dictionary Files", "*.dct"}, {"Projects", "*.prj;*.PRJ"}};
  def.start_folder = dir().string();
  EXPECT_EQ(backend().open_file(def), app.string());
  EXPECT_EQ(title, QString("Choose a File"));
  EXPECT_EQ(filters, QStringList({"Application files (*.app)", "Dictionary Files (*.dct)", "Projects (*.prj *.PRJ)"}));

  soon([] {
    auto* fd = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(fd, nullptr);
    fd->reject();
  });
  EXPECT_EQ(backend().open_file(def), "");
}

TEST_F(QtBackendTest, TheFolderDialogGivesTheChosenFolder) {
  const std::filesystem::path data = dir() / "DATA";
  std::filesystem::create_directory(data);
  soon([&] {
    auto* fd = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(fd, nullptr);
    EXPECT_EQ(fd->windowTitle(), QString("Select FPT Directory"));
    EXPECT_EQ(fd->fileMode(), QFileDialog::Directory);
    fd->selectFile(QString::fromStdString(data.string()));
    static_cast<QDialog*>(fd)->accept();
  });
  EXPECT_EQ(backend().choose_folder({"Select FPT Directory", dir().string()}), data.string());
}

TEST_F(QtBackendTest, PopupMenusNumberTheirItemsWithoutSeparators) {
  Window& w = open(small_window("MENU"));
  QStringList shown;
  bool third_enabled = true;
  soon([&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    QList<QAction*> actions;
    for (QAction* a : menu->actions()) {
      shown << (a->isSeparator() ? QString("-") : a->text());
      if (!a->isSeparator()) actions << a;
    }
    third_enabled = actions.at(2)->isEnabled();
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(actions.at(1)).center());
  });
  EXPECT_EQ(w.popup("&Insert|-|&Change|~&Delete"), 2);
  EXPECT_EQ(shown, QStringList({"&Insert", "-", "&Change", "&Delete"}));
  EXPECT_FALSE(third_enabled);

  soon([] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    menu->close();
  });
  EXPECT_EQ(w.popup("&Insert|&Change"), 0);
}

TEST_F(QtBackendTest, APictureOfTheMainWindowIsWrittenAsPng) {
  MainSample sample;
  Window& w = open(sample.def());
  sample.fill_lists();
  sample.attach(w);
  const std::filesystem::path shot = dir() / "main.png";
  ASSERT_TRUE(backend().save_picture(w, shot.string()));
  QImage image(QString::fromStdString(shot.string()));
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), view(w)->size());
  // The picture shows something: more than a handful of colours.
  QSet<QRgb> colours;
  for (int y = 0; y < image.height(); y += 3) {
    for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
  }
  EXPECT_GT(colours.size(), 20);

  // QVN_UI_SHOT_DIR asks for pictures of every tab for a person to look at.
  if (const char* out = std::getenv("QVN_UI_SHOT_DIR")) {
    const char* tabs[] = {"?TAB1", "?TAB2", "?TAB3", "?TAB4"};
    const char* run_buttons[] = {"?EXECUTEAPP", "?GENERATE", "?EXPORTAPP", "?EXPORTDCT"};
    for (int i = 0; i < 4; ++i) {
      w.select(w.field(tabs[i]));
      // As the program does: the subset tab's own run button takes the run buttons' place.
      for (const char* b : run_buttons) {
        if (i == 3) {
          w.hide(w.field(b));
        } else {
          w.unhide(w.field(b));
        }
      }
      QCoreApplication::processEvents();
      const std::string name = (std::filesystem::path(out) / ("main-tab" + std::to_string(i + 1) + ".png")).string();
      EXPECT_TRUE(backend().save_picture(w, name)) << name;
    }
  }
  std::unique_ptr<Window> not_open = Window::create(small_window("NOT-OPEN"), nullptr);
  ASSERT_NE(not_open, nullptr);
  EXPECT_FALSE(backend().save_picture(*not_open, (dir() / "none.png").string()));
}

}  // namespace
}  // namespace qvn::ui::qt::test
