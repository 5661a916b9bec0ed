// Windows as widgets: places in dialog units, texts, states that follow the
// window, and input that becomes the window's events.

#include <QtTest/QTest>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QTabBar>
#include <QtWidgets/QTabWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "layout_faults.h"
#include "platform/ui/qt/dialog_units.h"
#include "platform/ui/qt/list_control.h"
#include "platform/ui/qt/pictures.h"
#include "platform/ui/qt/push_button.h"
#include "platform/ui/qt/spin_box.h"
#include "qt_test_support.h"

namespace qvn::ui::qt::test {
namespace {

using values::VarRef;

class WindowWidgetTest : public QtWindowTest {};

// A form with one control of each kind that takes input.
struct Form {
  FixedString<20> name;
  long long priority = 0;
  long long tag = 0;
  FixedString<1> log;
  long long progress = 40;

  WindowDef def() {
    WindowDef d;
    d.label = "FORM";
    d.caption = "Application Information";
    d.at = {0, 0, 248, 115};
    auto& c = d.controls;
    c.push_back(control("?NAME:PROMPT", ControlKind::Prompt, {13, 11, 38, 10}, "App. &Name:"));
    ControlDef e = control("?NAME", ControlKind::Entry, {53, 9, 172, 12});
    e.picture = "@s20";
    e.upper = true;
    e.use = VarRef::of(name);
    c.push_back(e);
    ControlDef s = control("?PRIORITY", ControlKind::Spin, {53, 25, 25, 10});
    s.picture = "@n3";
    s.range_low = 1;
    s.range_high = 255;
    s.use = VarRef::of(priority);
    c.push_back(s);
    ControlDef ch = control("?TAG", ControlKind::Check, {53, 40, 40, 10}, "Tag");
    ch.use = VarRef::of(tag);
    c.push_back(ch);
    ControlDef o = control("?LOG", ControlKind::Option, {100, 36, 69, 23}, "New log");
    o.use = VarRef::of(log);
    c.push_back(o);
    ControlDef r1 = control("?LOG:NO", ControlKind::Radio, {106, 44, 25, 10}, "No", 5);
    r1.value_on = "N";
    c.push_back(r1);
    ControlDef r2 = control("?LOG:YES", ControlKind::Radio, {134, 44, 25, 10}, "Yes", 5);
    r2.value_on = "Y";
    c.push_back(r2);
    ControlDef p = control("?PROGRESS", ControlKind::Progress, {13, 65, 100, 8});
    p.use = VarRef::of(progress);
    c.push_back(p);
    ControlDef ok = control("?OK", ControlKind::Button, {154, 96, 40, 12}, "&Ok");
    ok.is_default = true;
    ok.tip = "Looks good;\nsave it.";
    c.push_back(ok);
    ControlDef cancel = control("?CANCEL", ControlKind::Button, {199, 96, 40, 12}, "&Cancel");
    cancel.std_cancel = true;
    c.push_back(cancel);
    return d;
  }
};

// A name to type and the buttons that read it: Ok is pressed only while
// the name shows text.
struct Named {
  FixedString<20> name;
  bool escape_closes = true;

  WindowDef def() {
    WindowDef d;
    d.label = "NAMED";
    d.caption = "Named";
    d.at = {0, 0, 150, 60};
    d.escape_closes = escape_closes;
    ControlDef e = control("?NAME", ControlKind::Entry, {5, 5, 100, 12});
    e.picture = "@s20";
    e.required = true;
    e.use = VarRef::of(name);
    ControlDef ok = control("?OK", ControlKind::Button, {5, 25, 40, 14}, "&Ok");
    ok.req = true;
    d.controls = {e, ok, control("?CANCEL", ControlKind::Button, {50, 25, 40, 14}, "&Cancel")};
    return d;
  }
};

int count(const std::vector<Seen>& seen, Event e) {
  int n = 0;
  for (const Seen& s : seen) n += s.event == e ? 1 : 0;
  return n;
}

size_t place_of(const std::vector<Seen>& seen, Event e, int field) {
  for (size_t i = 0; i < seen.size(); ++i) {
    if (seen[i].event == e && seen[i].field == field) return i;
  }
  return seen.size();
}

TEST_F(WindowWidgetTest, ControlsStandWhereTheirDialogUnitsPutThem) {
  MainSample sample;
  Window& w = open(sample.def());
  WindowWidget* v = view(w);
  ASSERT_NE(v, nullptr);
  const DialogUnits& du = v->units();
  // MS Sans Serif 8 stands in with a sans face whose base units are near the original 6 by 13 pixels.
  EXPECT_GE(du.base_x(), 5);
  EXPECT_LE(du.base_x(), 8);
  EXPECT_GE(du.base_y(), 11);
  EXPECT_LE(du.base_y(), 16);

  EXPECT_EQ(v->size(), QSize(du.x(291), du.y(200)));
  for (const char* equate : {"?EXECUTEAPP", "?GROUP1", "?SHEET1", "?BUTTON7", "?STATUSMSG", "?TIMEOUT"}) {
    const ControlDef& c = w.control(w.field(equate));
    QWidget* widget = v->control_widget(w.field(equate));
    ASSERT_NE(widget, nullptr) << equate;
    EXPECT_EQ(widget->geometry(),
              QRect(QPoint(du.x(c.at.x), du.y(c.at.y)), QPoint(du.x(c.at.x + c.at.w) - 1, du.y(c.at.y + c.at.h) - 1)))
        << equate;
  }
  // The list lies in its tab but keeps its window position.
  QWidget* list = v->control_widget(w.field("?LIST"));
  EXPECT_EQ(list->pos(), QPoint(du.x(123), du.y(18)));
  // Containers are drawn behind the controls they hold.
  QWidget* sheet = v->control_widget(w.field("?SHEET1"));
  const QObjectList& order = v->children();
  EXPECT_LT(order.indexOf(sheet), order.indexOf(list));
  EXPECT_LT(order.indexOf(v->control_widget(w.field("?GROUP1"))),
            order.indexOf(v->control_widget(w.field("?EXECUTEAPP"))));
}

// A prompt or a string placed without a size is as wide as its text.
TEST_F(WindowWidgetTest, ATextWithoutASizeTakesTheSizeOfItsText) {
  WindowDef d;
  d.caption = "Natural sizes";
  d.at = {0, 0, 248, 60};
  // clang-format off
  d.controls = {control("?PROMPT", ControlKind::Prompt, {7, 10}, "Drive N Path:"),
                control("?STRING", ControlKind::String, {7, 30},
                        "\"Target\" must include path, file name and extension")};
  // clang-format on
  Window& w = open(d);
  for (const char* equate : {"?PROMPT", "?STRING"}) {
    auto* label = widget<QLabel>(w, equate);
    ASSERT_NE(label, nullptr) << equate;
    const QString text = QString::fromStdString(w.control(w.field(equate)).text);
    EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(text)) << equate;
    EXPECT_GE(label->height(), label->fontMetrics().height()) << equate;
  }
}

// A centred string's text stands in the middle of its box, whatever it
// becomes; another one's starts at the left.
TEST_F(WindowWidgetTest, ACentredStringKeepsItsTextInTheMiddleOfItsBox) {
  WindowDef d;
  d.caption = "Progress";
  d.at = {0, 0, 142, 40};
  d.controls = {control("?PCT", ControlKind::String, {0, 5, 141, 10}),
                control("?LEFT", ControlKind::String, {0, 20, 141, 10}, "left")};
  d.controls[0].centered = true;
  Window& w = open(d);
  w.set_text(w.field("?PCT"), "40% Complete");
  auto* centred = widget<QLabel>(w, "?PCT");
  ASSERT_NE(centred, nullptr);
  EXPECT_EQ(centred->text(), QString("40% Complete"));
  EXPECT_TRUE(centred->alignment().testFlag(Qt::AlignHCenter));
  EXPECT_TRUE(widget<QLabel>(w, "?LEFT")->alignment().testFlag(Qt::AlignLeft));
}

// An entry without a width is as wide as its picture shows, up to the
// window's right edge.
TEST_F(WindowWidgetTest, AnEntryWithoutAWidthTakesTheWidthOfItsPicture) {
  FixedString<40> name{"ACCOUNTING.APP"};
  long long clock = 0;
  WindowDef d;
  d.caption = "Entries";
  d.at = {0, 0, 184, 60};
  ControlDef wide = control("?NAME", ControlKind::Entry, {32, 4});
  wide.picture = "@s40";
  wide.use = VarRef::of(name);
  ControlDef time = control("?CLOCK", ControlKind::Entry, {32, 36});
  time.picture = "@T4_";
  time.use = VarRef::of(clock);
  d.controls = {wide, time};
  Window& w = open(d);
  const DialogUnits& du = view(w)->units();
  auto* name_entry = widget<QLineEdit>(w, "?NAME");
  auto* time_entry = widget<QLineEdit>(w, "?CLOCK");
  ASSERT_NE(name_entry, nullptr);
  ASSERT_NE(time_entry, nullptr);
  EXPECT_LT(name_entry->geometry().right(), du.x(184)) << "stops short of the window's edge";
  EXPECT_GE(name_entry->geometry().right(), du.x(184 - 8));
  EXPECT_GE(name_entry->width(), name_entry->fontMetrics().horizontalAdvance("ACCOUNTING.APP"));
  EXPECT_EQ(time_entry->width(), du.x(4 * 9));
  EXPECT_GE(time_entry->width(), time_entry->fontMetrics().horizontalAdvance("14 05 09"));
}

TEST_F(WindowWidgetTest, TextsMnemonicsTipsIconsAndFontsShowAsDeclared) {
  MainSample sample;
  Window& w = open(sample.def());
  WindowWidget* v = view(w);
  EXPECT_EQ(v->windowTitle(), QString("Lorvane --  QVN v.6.1"));
  EXPECT_FALSE(v->windowIcon().isNull());

  auto* make = widget<QPushButton>(w, "?EXECUTEAPP");
  ASSERT_NE(make, nullptr);
  // Qt reads "&" and "&&" as the window structure means them.
  EXPECT_EQ(make->text(), QString("&Gen && Make    (.APP)"));
  EXPECT_EQ(make->toolTip(), QString("Generate, compile \n and link an .EXE."));
  EXPECT_TRUE(make->icon().isNull());
  EXPECT_FALSE(widget<QPushButton>(w, "?EVENT")->icon().isNull());
  EXPECT_FALSE(widget<QPushButton>(w, "?BUTTON7")->icon().isNull());

  auto* prompt = widget<QLabel>(w, "?TIMEOUT:PROMPT");
  EXPECT_EQ(prompt->buddy(), v->control_widget(w.field("?TIMEOUT")));
  EXPECT_EQ(widget<QGroupBox>(w, "?GROUP1")->title(), QString(" Applications "));
  auto* sheet = widget<QTabWidget>(w, "?SHEET1");
  ASSERT_EQ(sheet->count(), 4);
  EXPECT_EQ(sheet->tabText(0), QString("&Applications"));
  EXPECT_EQ(sheet->tabText(3), QString("Project &Subsets"));

  EXPECT_EQ(widget<QLabel>(w, "?STATUSMSG:2")->text(), QString(""));
  EXPECT_EQ(widget<QLabel>(w, "?STRING4")->font().weight(), QFont::Black);
  EXPECT_EQ(widget<QLabel>(w, "?STRING4")->font().pointSize(), 10);
  EXPECT_EQ(v->control_widget(w.field("?LIST"))->font().pointSize(), 9);
  EXPECT_FALSE(widget<QLabel>(w, "?IMAGE1")->pixmap().isNull());
}

// The main window's left-hand run buttons as its structure places them, in
// its font: the subset tab's button stands 7 units under the top of the
// group whose caption it shares, and its text is wider than the button.
WindowDef run_buttons() {
  WindowDef d;
  d.label = "RUN";
  d.caption = "Run";
  d.at = {0, 0, 120, 75};
  d.font = {"MS Sans Serif", 8, false};
  d.controls.push_back(control("?GROUP1", ControlKind::Group, {2, 16, 115, 57}, " Applications "));
  ControlDef subset = control("?SUBSET", ControlKind::Button, {26, 23, 71, 14}, "Gen && &Make  (Project Subset)");
  subset.icon = "COMPUTER.ICO";
  d.controls.push_back(subset);
  ControlDef tag = control("?TAG", ControlKind::Button, {8, 40, 30, 13}, "&Tag");
  tag.icon = "Check1.ico";
  d.controls.push_back(tag);
  d.controls.push_back(control("?CONFIGURE", ControlKind::Button, {40, 40, 50, 14}, "Configure QVN"));
  ControlDef word = control("?WORD", ControlKind::Button, {8, 56, 30, 13}, "Supercalifragilistic");
  word.icon = "Check1.ico";
  d.controls.push_back(word);
  return d;
}

TEST_F(WindowWidgetTest, AButtonsTextFitsItAndNoButtonCoversAGroupsCaption) {
  Window& w = open(run_buttons());
  w.hide(w.field("?WORD"));
  EXPECT_EQ(layout_faults(view(w)), std::vector<std::string>{});
}

// A text too wide for its button gets a smaller size, then two lines while
// the button is tall enough, and only then loses the icon and is cut at its
// end; what shows is the whole text in every case but the last.
TEST_F(WindowWidgetTest, AWideTextGetsASmallerSizeThenTwoLinesThenLosesTheIcon) {
  struct Case {
    const char* equate;
    const char* lines;  // as they show, "|" between two
    bool icon;
    bool cut;
  } cases[] = {
      {"?TAG", "&Tag", true, false},
      {"?CONFIGURE", "Configure QVN", false, false},
      {"?SUBSET", "Gen && &Make|(Project Subset)", true, false},
      {"?WORD", "Supercalifragilistic", false, true},
  };
  Window& w = open(run_buttons());
  for (const Case& c : cases) {
    auto* b = widget<PushButton>(w, c.equate);
    ASSERT_NE(b, nullptr) << c.equate;
    EXPECT_EQ(b->lines().join(QLatin1Char('|')).toStdString(), c.lines) << c.equate;
    EXPECT_EQ(!b->icon().isNull(), c.icon) << c.equate;
    EXPECT_EQ(!b->styleSheet().isEmpty(), c.cut) << c.equate;
    EXPECT_GE(b->font().pointSizeF(), 7.0) << c.equate;
    EXPECT_EQ(b->text(), QString::fromStdString(w.control(w.field(c.equate)).text)) << "the text itself is kept";
  }
  EXPECT_EQ(widget<PushButton>(w, "?TAG")->font().pointSizeF(), 8.0) << "a text that fits keeps the window's size";

  // A new text is fitted afresh from the control's own font and icon.
  w.set_text(w.field("?WORD"), "&Go");
  auto* word = widget<PushButton>(w, "?WORD");
  EXPECT_EQ(word->lines().join(QLatin1Char('|')).toStdString(), "&Go");
  EXPECT_FALSE(word->icon().isNull());
  EXPECT_TRUE(word->styleSheet().isEmpty());
  EXPECT_EQ(word->font().pointSizeF(), 8.0);
  w.set_text(w.field("?SUBSET"), "&Gen && Make");
  EXPECT_EQ(widget<PushButton>(w, "?SUBSET")->lines().join(QLatin1Char('|')).toStdString(), "&Gen && Make");
}

TEST_F(WindowWidgetTest, AWindowWithoutAnIconOfItsOwnTakesTheProgramsIcon) {
  WindowDef plain;
  plain.caption = "Plain";
  plain.at = {0, 0, 100, 40};
  set_program_icon("");
  EXPECT_FALSE(view(open(plain))->testAttribute(Qt::WA_SetWindowIcon));
  set_program_icon("~clock.ico");
  WindowWidget* v = view(open(plain));
  EXPECT_TRUE(v->testAttribute(Qt::WA_SetWindowIcon));
  EXPECT_FALSE(v->windowIcon().isNull());
  set_program_icon("");
}

TEST_F(WindowWidgetTest, StatesFollowTheWindowAfterEachChange) {
  MainSample sample;
  Window& w = open(sample.def());
  sample.fill_lists();
  sample.attach(w);
  WindowWidget* v = view(w);
  ASSERT_TRUE(v->isVisible());

  auto* generate = widget<QPushButton>(w, "?GENERATE");
  auto* tag = widget<QPushButton>(w, "?BUTTON13");
  auto* expand = widget<QPushButton>(w, "?EXPAND");
  // Declared states: disabled at start; the first tab's controls show, the others' do not.
  EXPECT_FALSE(generate->isEnabled());
  EXPECT_TRUE(tag->isVisible());
  EXPECT_FALSE(expand->isVisible());

  w.enable(w.field("?GENERATE"));
  w.hide(w.field("?BUTTON13"));
  EXPECT_TRUE(generate->isEnabled());
  EXPECT_FALSE(tag->isVisible());
  w.unhide(w.field("?BUTTON13"));
  EXPECT_TRUE(tag->isVisible());

  // A disabled group disables what it holds; a hidden one hides it.
  w.disable(w.field("?GROUP1"));
  EXPECT_FALSE(widget<QPushButton>(w, "?EXPORTAPP")->isEnabled());
  w.enable(w.field("?GROUP1"));
  EXPECT_TRUE(widget<QPushButton>(w, "?EXPORTAPP")->isEnabled());
  w.hide(w.field("?GROUP4"));
  EXPECT_FALSE(widget<QPushButton>(w, "?BUTTON16")->isVisible());

  // The program chooses a tab: its controls show, even those below the sheet.
  w.select(w.field("?TAB2"));
  EXPECT_EQ(widget<QTabWidget>(w, "?SHEET1")->currentIndex(), 1);
  EXPECT_TRUE(expand->isVisible());
  EXPECT_FALSE(tag->isVisible());

  // Texts and variables show after the program changed them.
  w.set_text(w.field("?BUTTON7"), "&Quit");
  EXPECT_EQ(widget<QPushButton>(w, "?BUTTON7")->text(), QString("&Quit"));
  sample.status = "Clarion disconnected";
  w.display();
  EXPECT_EQ(widget<QLabel>(w, "?STATUSMSG:2")->text(), QString("Clarion disconnected"));
  EXPECT_EQ(widget<QLineEdit>(w, "?STATUSMSG")->text(), QString("Clarion disconnected"));
  w.set_caption("Busy");
  EXPECT_EQ(v->windowTitle(), QString("Busy"));
  w.set_hidden(true);
  EXPECT_FALSE(v->isVisible());
  w.set_hidden(false);
  EXPECT_TRUE(v->isVisible());
}

TEST_F(WindowWidgetTest, AWindowBuiltHiddenShowsOnlyWhenTheProgramShowsIt) {
  MainSample sample;
  WindowDef def = sample.def();
  def.hidden_at_start = true;
  Window& w = open(std::move(def));
  EXPECT_FALSE(view(w)->isVisible());
  w.select(w.field("?STATUSMSG"));
  w.set_hidden(false);
  EXPECT_TRUE(view(w)->isVisible());
  view(w)->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(view(w), 1000));
  EXPECT_TRUE(widget<QLineEdit>(w, "?STATUSMSG")->hasFocus());
}

TEST_F(WindowWidgetTest, ClicksOnButtonsChecksRadiosAndTabsBecomeEvents) {
  Form form;
  form.log = "Y";
  Window& w = open(form.def());
  auto* yes = widget<QRadioButton>(w, "?LOG:YES");
  auto* no = widget<QRadioButton>(w, "?LOG:NO");
  EXPECT_TRUE(yes->isChecked());
  EXPECT_FALSE(no->isChecked());
  EXPECT_EQ(widget<QProgressBar>(w, "?PROGRESS")->value(), 40);

  QTest::mouseClick(widget<QPushButton>(w, "?OK"), Qt::LeftButton);
  std::vector<Seen> seen = drain(w);
  EXPECT_TRUE(has_event(seen, Event::Accepted, w.field("?OK"))) << describe(seen);

  QTest::mouseClick(widget<QCheckBox>(w, "?TAG"), Qt::LeftButton);
  seen = drain(w);
  EXPECT_TRUE(has_event(seen, Event::Accepted, w.field("?TAG"))) << describe(seen);
  EXPECT_EQ(form.tag, 1);
  EXPECT_TRUE(widget<QCheckBox>(w, "?TAG")->isChecked());

  QTest::mouseClick(no, Qt::LeftButton);
  seen = drain(w);
  EXPECT_TRUE(has_event(seen, Event::Accepted, w.field("?LOG"))) << describe(seen);
  EXPECT_EQ(std::string(form.log.raw()), "N");
  EXPECT_TRUE(no->isChecked());
  EXPECT_FALSE(yes->isChecked());
  // Clicking the chosen radio again leaves it chosen.
  QTest::mouseClick(no, Qt::LeftButton);
  drain(w);
  EXPECT_TRUE(no->isChecked());

  MainSample sample;
  Window& main = open(sample.def());
  auto* sheet = widget<QTabWidget>(main, "?SHEET1");
  QTest::mouseClick(sheet->tabBar(), Qt::LeftButton, {}, sheet->tabBar()->tabRect(2).center());
  seen = drain(main);
  EXPECT_TRUE(has_event(seen, Event::NewSelection, main.field("?SHEET1"))) << describe(seen);
  EXPECT_EQ(main.choice(main.field("?SHEET1")), 3);
  EXPECT_TRUE(widget<QPushButton>(main, "?BUTTON23")->isVisible());
}

TEST_F(WindowWidgetTest, ClicksOnADisabledControlGiveNoEvent) {
  MainSample sample;
  Window& w = open(sample.def());
  QTest::mouseClick(widget<QPushButton>(w, "?GENERATE"), Qt::LeftButton);
  const std::vector<Seen> seen = drain(w);
  EXPECT_FALSE(has_event(seen, Event::Accepted, w.field("?GENERATE"))) << describe(seen);
}

TEST_F(WindowWidgetTest, TypedTextReachesTheVariableWhenTheEntryIsLeft) {
  Form form;
  Window& w = open(form.def());
  auto* name = widget<QLineEdit>(w, "?NAME");
  name->setFocus();
  QTest::keyClicks(name, "c:\\dev\\acct.app");
  // Typing turns to upper case at once, as the entry asks.
  EXPECT_EQ(name->text(), QString("C:\\DEV\\ACCT.APP"));
  EXPECT_EQ(form.name, "");
  QTest::keyClick(name, Qt::Key_Tab);
  const std::vector<Seen> seen = drain(w);
  EXPECT_TRUE(has_event(seen, Event::Accepted, w.field("?NAME"))) << describe(seen);
  EXPECT_EQ(form.name, "C:\\DEV\\ACCT.APP");
  // The focus moved on with Tab, and the window knows.
  EXPECT_EQ(w.focus(), w.field("?PRIORITY"));
  EXPECT_TRUE(view(w)->control_widget(w.field("?PRIORITY"))->hasFocus());

  // Leaving an entry that was not changed reports nothing.
  name->setFocus();
  QTest::keyClick(name, Qt::Key_Tab);
  EXPECT_FALSE(has_event(drain(w), Event::Accepted, w.field("?NAME")));
}

TEST_F(WindowWidgetTest, AMultiLineTextIsTakenWhenItLosesTheFocus) {
  std::string note;
  WindowDef d;
  d.label = "NOTE";
  d.at = {0, 0, 150, 80};
  ControlDef text = control("?NOTE", ControlKind::Text, {5, 5, 140, 40});
  text.use = VarRef::of(note);
  d.controls.push_back(text);
  d.controls.push_back(control("?OK", ControlKind::Button, {5, 50, 40, 14}, "&Ok"));
  Window& w = open(std::move(d));
  auto* edit = widget<QPlainTextEdit>(w, "?NOTE");
  ASSERT_NE(edit, nullptr);
  edit->setFocus();
  QTest::keyClicks(edit, "first");
  // Enter breaks the line in a text; it presses nothing.
  QTest::keyClick(edit, Qt::Key_Return);
  QTest::keyClicks(edit, "second");
  EXPECT_TRUE(drain(w).empty());
  widget<QPushButton>(w, "?OK")->setFocus(Qt::TabFocusReason);
  EXPECT_TRUE(has_event(drain(w), Event::Accepted, w.field("?NOTE")));
  EXPECT_EQ(note, "first\nsecond");
}

TEST_F(WindowWidgetTest, EnterTakesTheEntryThenPressesTheDefaultButtonAndEscapeTheCancelButton) {
  Form form;
  Window& w = open(form.def());
  EXPECT_TRUE(widget<QPushButton>(w, "?OK")->isDefault());
  auto* name = widget<QLineEdit>(w, "?NAME");
  name->setFocus();
  QTest::keyClicks(name, "x.app");
  QTest::keyClick(name, Qt::Key_Return);
  std::vector<Seen> seen = drain(w);
  ASSERT_TRUE(has_event(seen, Event::Accepted, w.field("?NAME"))) << describe(seen);
  ASSERT_TRUE(has_event(seen, Event::Accepted, w.field("?OK"))) << describe(seen);
  EXPECT_EQ(form.name, "X.APP");

  QTest::keyClick(view(w)->focusWidget(), Qt::Key_Escape);
  seen = drain(w);
  EXPECT_TRUE(has_event(seen, Event::Accepted, w.field("?CANCEL"))) << describe(seen);
}

// However the button is pressed, the entry being edited hands over its
// text first, with its own Accepted, then the button is pressed: also by
// its key letter, which leaves the focus in the entry.
TEST_F(WindowWidgetTest, AButtonPressedByItsKeyLetterSpaceOrReturnTakesTheTypedTextFirst) {
  struct Press {
    const char* how;
    std::function<void(QLineEdit* entry, QPushButton* ok)> press;
  };
  const std::vector<Press> presses = {
      {"by its key letter", [](QLineEdit* entry, QPushButton*) { QTest::keyClick(entry, Qt::Key_O, Qt::AltModifier); }},
      {"by Space",
       [](QLineEdit* entry, QPushButton* ok) {
         QTest::keyClick(entry, Qt::Key_Tab);
         QTest::keyClick(ok, Qt::Key_Space);
       }},
      {"by Return",
       [](QLineEdit* entry, QPushButton* ok) {
         QTest::keyClick(entry, Qt::Key_Tab);
         QTest::keyClick(ok, Qt::Key_Return);
       }},
      {"by the mouse", [](QLineEdit*, QPushButton* ok) { QTest::mouseClick(ok, Qt::LeftButton); }},
  };
  for (const Press& p : presses) {
    SCOPED_TRACE(p.how);
    Named named;
    Window& w = open(named.def());
    auto* entry = widget<QLineEdit>(w, "?NAME");
    ASSERT_NE(entry, nullptr);
    QTest::mouseClick(entry, Qt::LeftButton);
    QTest::keyClicks(entry, "acct.app");
    p.press(entry, widget<QPushButton>(w, "?OK"));
    // A key letter clicks a moment later, once the button has shown itself pressed.
    std::vector<Seen> seen;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
          for (const Seen& s : drain(w)) seen.push_back(s);
          return has_event(seen, Event::Accepted, w.field("?OK"));
        },
        10000))
        << describe(seen);
    EXPECT_LT(place_of(seen, Event::Accepted, w.field("?NAME")), place_of(seen, Event::Accepted, w.field("?OK")))
        << describe(seen);
    EXPECT_EQ(named.name, "acct.app");
    EXPECT_EQ(entry->text(), QString("acct.app"));
    w.close();
  }
}

// Escape takes what was typed, then asks the window to close as its close
// box does; a window that keeps Escape from closing it only takes the typing.
TEST_F(WindowWidgetTest, EscapeAsksTheWindowToCloseAsItsCloseBoxDoes) {
  for (bool closes : {true, false}) {
    SCOPED_TRACE(closes ? "a window Escape closes" : "a window that keeps Escape");
    Named named;
    named.escape_closes = closes;
    Window& w = open(named.def());
    auto* entry = widget<QLineEdit>(w, "?NAME");
    ASSERT_NE(entry, nullptr);
    QTest::mouseClick(entry, Qt::LeftButton);
    QTest::keyClicks(entry, "acct.app");
    QTest::keyClick(entry, Qt::Key_Escape);
    std::vector<Seen> seen = drain(w);
    EXPECT_TRUE(has_event(seen, Event::Accepted, w.field("?NAME"))) << describe(seen);
    EXPECT_EQ(has_event(seen, Event::CloseWindow, 0), closes) << describe(seen);
    EXPECT_EQ(named.name, "acct.app");

    // The close box takes the typing the same way.
    QTest::mouseClick(entry, Qt::LeftButton);
    QTest::keyClick(entry, Qt::Key_End);
    QTest::keyClicks(entry, "x");
    EXPECT_FALSE(view(w)->close());
    seen = drain(w);
    EXPECT_LT(place_of(seen, Event::Accepted, w.field("?NAME")), place_of(seen, Event::CloseWindow, 0))
        << describe(seen);
    EXPECT_EQ(named.name, "acct.appx");
    w.close();
  }
}

// The desktop's activation of the window reaches it as GainFocus, once for
// each activation: not a second time for the activation that follows its
// opening, and not for focus moves inside it.
TEST_F(WindowWidgetTest, TheDesktopsActivationGivesGainFocusOnceEachTime) {
  Named named;
  std::string error;
  std::unique_ptr<Window> w = Window::create(named.def(), &error);
  ASSERT_NE(w, nullptr) << error;
  w->open();
  WindowWidget* v = view(*w);
  ASSERT_NE(v, nullptr);
  v->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(v, 5000));
  std::vector<Seen> seen = drain(*w);
  EXPECT_EQ(count(seen, Event::GainFocus), 1) << describe(seen);

  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  seen = drain(*w);
  EXPECT_EQ(count(seen, Event::GainFocus), 0) << describe(seen);

  QWidget other;
  other.resize(100, 50);
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other, 5000));
    EXPECT_EQ(count(drain(*w), Event::GainFocus), 0) << "the window lost the focus";
    v->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(v, 5000));
    seen = drain(*w);
    EXPECT_EQ(count(seen, Event::GainFocus), 1) << describe(seen);
  }
}

TEST_F(WindowWidgetTest, SpinArrowsStepWithinTheRangeAndTypedValuesAreTaken) {
  Form form;  // priority 0, below the range: either arrow gives 1
  Window& w = open(form.def());
  auto* spin = widget<SpinBox>(w, "?PRIORITY");
  ASSERT_NE(spin, nullptr);
  EXPECT_EQ(spin->text_shown(), QString("0"));
  spin->stepBy(-1);
  std::vector<Seen> seen = drain(w);
  EXPECT_TRUE(has_event(seen, Event::NewSelection, w.field("?PRIORITY"))) << describe(seen);
  EXPECT_EQ(form.priority, 1);
  EXPECT_EQ(spin->text_shown(), QString("1"));
  spin->stepBy(2);
  drain(w);
  EXPECT_EQ(form.priority, 3);

  spin->setFocus();
  spin->selectAll();
  QTest::keyClicks(spin, "42");
  QTest::keyClick(spin, Qt::Key_Tab);
  seen = drain(w);
  EXPECT_TRUE(has_event(seen, Event::Accepted, w.field("?PRIORITY"))) << describe(seen);
  EXPECT_EQ(form.priority, 42);
}

TEST_F(WindowWidgetTest, AlertedAndHotKeysGoToTheWindow) {
  MainSample sample;
  WindowDef def = sample.def();
  def.alert_keys = {0x270};  // Ctrl+F1 on the window
  for (ControlDef& c : def.controls) {
    if (c.equate == "?LIST") c.alert_keys = {key::Delete};
    if (c.equate == "?INSERT") c.hot_key = key::Insert;
  }
  Window& w = open(std::move(def));
  sample.fill_lists();
  sample.attach(w);
  auto* list = widget<ListControl>(w, "?LIST");
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Delete);
  std::vector<Seen> seen = drain(w);
  ASSERT_TRUE(has_event(seen, Event::AlertKey, w.field("?LIST"))) << describe(seen);
  QTest::keyClick(list, Qt::Key_F1, Qt::ControlModifier);
  seen = drain(w);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back().event, Event::AlertKey);
  EXPECT_EQ(seen.back().key, 0x270);
  QTest::keyClick(list, Qt::Key_Insert);
  seen = drain(w);
  EXPECT_TRUE(has_event(seen, Event::Accepted, w.field("?INSERT"))) << describe(seen);
}

TEST_F(WindowWidgetTest, TheCloseButtonAsksTheWindowAndLeavesTheWidgets) {
  Form form;
  Window& w = open(form.def());
  QPointer<WindowWidget> v = view(w);
  EXPECT_FALSE(v->close());
  const std::vector<Seen> seen = drain(w);
  EXPECT_TRUE(has_event(seen, Event::CloseWindow, 0)) << describe(seen);
  EXPECT_TRUE(w.is_open());
  ASSERT_NE(v, nullptr);
  EXPECT_TRUE(v->isVisible());

  // Once the program closes the window, its widgets go.
  w.close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(v, nullptr);
}

TEST_F(WindowWidgetTest, AWindowUnderAnotherTakesNoInput) {
  MainSample sample;
  Window& main = open(sample.def());
  Form form;
  Window& top = open(form.def());
  EXPECT_EQ(QApplication::activeModalWidget(), view(top));
  QTest::mouseClick(widget<QPushButton>(main, "?BUTTON7"), Qt::LeftButton);
  EXPECT_FALSE(has_event(drain(main), Event::Accepted, main.field("?BUTTON7")));
  top.close();
  QTest::mouseClick(widget<QPushButton>(main, "?BUTTON7"), Qt::LeftButton);
  EXPECT_TRUE(has_event(drain(main), Event::Accepted, main.field("?BUTTON7")));
}

}  // namespace
}  // namespace qvn::ui::qt::test
