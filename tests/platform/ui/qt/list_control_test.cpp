// Lists and trees drawn from their list formats, and what a person does
// with their rows.

#include <QtTest/QTest>
#include <QtWidgets/QHeaderView>

#include "list_moves.h"
#include "platform/ui/qt/list_control.h"
#include "platform/ui/qt/pictures.h"
#include "qt_test_support.h"

namespace qvn::ui::qt::test {
namespace {

class ListControlTest : public QtWindowTest {
 protected:
  Window& open_main() {
    Window& w = open(sample_.def());
    sample_.fill_lists();
    sample_.attach(w);
    return w;
  }
  MainSample sample_;
};

const QColor kRed(255, 0, 0);
const QColor kYellow(255, 255, 0);
const QColor kPurple(128, 0, 128);

TEST(BgrColor, ReadsTheWindowStructuresByteOrder) {
  EXPECT_EQ(bgr_color(0x0000FF), kRed);
  EXPECT_EQ(bgr_color(0x00FFFF), kYellow);
  EXPECT_EQ(bgr_color(0x800080), kPurple);
  EXPECT_EQ(bgr_color(0xFF0000), QColor(0, 0, 255));
  EXPECT_FALSE(bgr_color(-1).isValid());
}

TEST_F(ListControlTest, ColumnsTakeWidthAlignmentAndHeaderFromTheFormat) {
  Window& w = open_main();
  auto* list = widget<ListControl>(w, "?LIST");
  ASSERT_NE(list, nullptr);
  const DialogUnits& du = view(w)->units();
  ASSERT_EQ(list->columnCount(), 4);
  EXPECT_TRUE(list->header()->isVisible());
  const int widths[] = {10, 11, 71};
  for (int c = 0; c < 3; ++c) EXPECT_EQ(list->header()->sectionSize(c), du.x(widths[c])) << c;
  EXPECT_EQ(list->headerItem()->text(2), QString("Path"));
  EXPECT_EQ(list->headerItem()->text(3), QString(".App"));
  EXPECT_EQ(list->header()->sectionResizeMode(2), QHeaderView::Interactive);
  EXPECT_EQ(list->header()->sectionResizeMode(0), QHeaderView::Fixed);

  ASSERT_EQ(list->rows_shown(), 3);
  QTreeWidgetItem* acct = list->item_of(1);
  EXPECT_EQ(acct->textAlignment(1) & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
  EXPECT_EQ(acct->textAlignment(2) & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
  EXPECT_EQ(acct->text(2), QString("C:\\DEV\\ACCT\\"));
  EXPECT_EQ(acct->text(3), QString("ACCT.APP"));
  EXPECT_EQ(acct->text(1), QString("1"));
  // @n3B shows a priority of 0 blank.
  EXPECT_EQ(list->item_of(3)->text(1), QString(""));

  QTreeWidget* projects = widget<ListControl>(w, "?LIST:2");
  EXPECT_EQ(projects->headerItem()->text(0), QString("Project ID"));
  EXPECT_EQ(projects->topLevelItem(0)->textAlignment(0) & Qt::AlignHorizontal_Mask, Qt::AlignRight);
}

TEST_F(ListControlTest, IconColumnsShowTheListsIconsByNumber) {
  Window& w = open_main();
  auto* list = widget<ListControl>(w, "?LIST");
  const QImage check = picture("~c:\\Clarion6\\Images\\CHECK.ICO").toImage();
  // Row 1 is tagged (icon 1), row 2 is not (icon 0).
  EXPECT_FALSE(list->item_of(1)->icon(0).isNull());
  EXPECT_TRUE(list->item_of(2)->icon(0).isNull());
  EXPECT_EQ(list->item_of(1)->icon(0).pixmap(32, 32).toImage().convertToFormat(check.format()), check);

  // Changing the icon list or a row's icon number redraws the rows.
  sample_.apps.data()[1][5] = "1";
  w.list_changed(w.field("?LIST"));
  EXPECT_FALSE(list->item_of(2)->icon(0).isNull());
}

TEST_F(ListControlTest, ColoursComeFromTheRowOrTheFormatsDefaults) {
  Window& w = open_main();
  auto* list = widget<ListControl>(w, "?LIST");
  QTreeWidgetItem* acct = list->item_of(1);
  // The priority column: red text, yellow when selected, from E(0FFH,,0FFFFH,).
  EXPECT_EQ(acct->foreground(1).color(), kRed);
  EXPECT_EQ(acct->data(1, kSelectedForegroundRole).value<QColor>(), kYellow);
  EXPECT_FALSE(acct->data(1, kSelectedBackgroundRole).isValid());
  EXPECT_EQ(acct->foreground(2).style(), Qt::NoBrush);

  // Colours the queue gives win over the defaults.
  sample_.apps.data()[0][7] = std::to_string(0xFF0000);  // blue text
  sample_.apps.data()[0][8] = std::to_string(0x00FF00);  // green background
  w.list_changed(w.field("?LIST"));
  acct = list->item_of(1);
  EXPECT_EQ(acct->foreground(1).color(), QColor(0, 0, 255));
  EXPECT_EQ(acct->background(1).color(), QColor(0, 255, 0));

  auto* subset = widget<ListControl>(w, "?LIST:3");
  EXPECT_EQ(subset->item_of(1)->foreground(0).color(), kPurple);
  EXPECT_EQ(subset->item_of(1)->foreground(1).color(), kRed);
}

TEST_F(ListControlTest, SelectingAndDoubleClickingRowsBecomeEvents) {
  Window& w = open_main();
  const int field = w.field("?LIST");
  auto* list = widget<ListControl>(w, "?LIST");
  EXPECT_EQ(list->current_row(), 1);

  QRect second = list->visualItemRect(list->item_of(2));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
  std::vector<Seen> seen = drain(w);
  EXPECT_TRUE(has_event(seen, Event::NewSelection, field)) << describe(seen);
  EXPECT_EQ(w.choice(field), 2);

  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second.center());
  seen = drain(w);
  EXPECT_TRUE(has_event(seen, Event::Accepted, field)) << describe(seen);

  // The program moves the selection: the list follows without reporting it.
  w.post(Event::ScrollDown, field);
  seen = drain(w);
  EXPECT_EQ(list->current_row(), 3);
  EXPECT_FALSE(has_event(seen, Event::NewSelection, field)) << describe(seen);

  // Up and Down move the selection through the window.
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Up);
  seen = drain(w);
  EXPECT_TRUE(has_event(seen, Event::NewSelection, field)) << describe(seen);
  EXPECT_EQ(w.choice(field), 2);
  EXPECT_EQ(list->current_row(), 2);
}

// A list a browse pages hides the view's own scroll bar and shows one of
// its own; its keys past the rows, the wheel and that bar reach the window
// as the browse's scroll events. Unmarked, it is an ordinary list again.
TEST_F(ListControlTest, APagedListsKeysWheelAndScrollBarBecomeScrollEvents) {
  Window& w = open_main();
  const int field = w.field("?LIST");
  auto* list = widget<ListControl>(w, "?LIST");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->pager(), nullptr);
  w.state(field).paged = true;
  w.state(field).thumb = 40;
  w.list_changed(field);
  ASSERT_NE(list->pager(), nullptr);
  EXPECT_EQ(list->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(list->pager()->value(), 40);
  EXPECT_TRUE(list->pager()->isVisibleTo(list));
  drain(w);

  struct Case {
    const char* what;
    std::function<void()> act;
    Event event;
    size_t count;
  };
  const std::vector<Case> cases = {
      {"End", [&] { QTest::keyClick(list, Qt::Key_End); }, Event::ScrollBottom, 1},
      {"Ctrl+Home", [&] { QTest::keyClick(list, Qt::Key_Home, Qt::ControlModifier); }, Event::ScrollTop, 1},
      {"PageDown", [&] { QTest::keyClick(list, Qt::Key_PageDown); }, Event::PageDown, 1},
      {"the wheel a notch down", [&] { turn_wheel(*list, -1); }, Event::ScrollDown, 3},
      {"the wheel a notch up", [&] { turn_wheel(*list, 1); }, Event::ScrollUp, 3},
      {"the bar's trough", [&] { bar_action(*list, QAbstractSlider::SliderPageStepSub); }, Event::PageUp, 1},
      {"the bar's arrow", [&] { bar_action(*list, QAbstractSlider::SliderSingleStepAdd); }, Event::ScrollDown, 1},
      {"the thumb dragged", [&] { drag_thumb(*list, 70); }, Event::ScrollDrag, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.act();
    const std::vector<Seen> seen = drain(w);
    size_t count = 0;
    for (const Seen& s : seen) count += s.event == c.event && s.field == field ? 1 : 0;
    EXPECT_EQ(count, c.count) << describe(seen);
    EXPECT_EQ(list->verticalScrollBar()->value(), 0);
  }
  EXPECT_EQ(w.state(field).dragged_to, 70);
  EXPECT_EQ(list->pager()->value(), 40) << "the bar stands where the window puts it";

  w.state(field).paged = false;
  w.list_changed(field);
  EXPECT_EQ(list->pager(), nullptr);
  EXPECT_EQ(list->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
  QTest::keyClick(list, Qt::Key_End);
  const std::vector<Seen> seen = drain(w);
  EXPECT_FALSE(has_event(seen, Event::ScrollBottom, field)) << describe(seen);
}

TEST_F(ListControlTest, TreeRowsNestByLevelAndNegativeLevelsShowCollapsed) {
  Window& w = open_main();
  w.select(w.field("?TAB2"));
  auto* tree = widget<ListControl>(w, "?RELTREE");
  ASSERT_EQ(tree->rows_shown(), 6);
  ASSERT_EQ(tree->topLevelItemCount(), 1);
  QTreeWidgetItem* root = tree->topLevelItem(0);
  EXPECT_EQ(root->text(0), QString("PROJECTS"));
  EXPECT_TRUE(root->isSelected());
  EXPECT_TRUE(root->isExpanded());
  ASSERT_EQ(root->childCount(), 3);
  QTreeWidgetItem* accounting = root->child(0);
  EXPECT_TRUE(accounting->isExpanded());
  EXPECT_EQ(accounting->childCount(), 2);
  QTreeWidgetItem* payroll = root->child(1);
  EXPECT_FALSE(payroll->isExpanded());
  EXPECT_EQ(payroll->childCount(), 0);
  EXPECT_EQ(payroll->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
  QTreeWidgetItem* warehouse = root->child(2);
  EXPECT_EQ(warehouse->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);
  EXPECT_FALSE(root->icon(0).isNull());
  EXPECT_FALSE(accounting->child(0)->icon(0).isNull());
}

TEST_F(ListControlTest, ExpandersBecomeExpandedAndContractedEvents) {
  Window& w = open_main();
  const int field = w.field("?RELTREE");
  w.select(w.field("?TAB2"));
  drain(w);
  auto* tree = widget<ListControl>(w, "?RELTREE");
  tree->expandItem(tree->item_of(5));  // Payroll, collapsed
  std::vector<Seen> seen = drain(w);
  EXPECT_TRUE(has_event(seen, Event::Expanded, field)) << describe(seen);
  EXPECT_EQ(w.state(field).mouse_row, 5);

  // The program loads the level: the rows follow.
  sample_.tree.data()[4][6] = "1";
  sample_.tree.data().insert(sample_.tree.data().begin() + 5, {"PAY.APP", "-1", "-1", "-1", "-1", "3", "2"});
  w.list_changed(field);
  ASSERT_EQ(tree->rows_shown(), 7);
  EXPECT_TRUE(tree->item_of(5)->isExpanded());
  EXPECT_EQ(tree->item_of(5)->childCount(), 1);

  tree->collapseItem(tree->item_of(2));  // Accounting
  seen = drain(w);
  EXPECT_TRUE(has_event(seen, Event::Contracted, field)) << describe(seen);
  EXPECT_EQ(w.state(field).mouse_row, 2);
  // Nothing changed in the queue: the row shows expanded again, as its level says.
  EXPECT_TRUE(tree->item_of(2)->isExpanded());
}

TEST_F(ListControlTest, ARightClickSelectsTheRowUnderTheMouseAndReportsTheKey) {
  Window& w = open_main();
  const int field = w.field("?RELTREE");
  w.select(w.field("?TAB2"));
  drain(w);
  auto* tree = widget<ListControl>(w, "?RELTREE");
  const QPoint at = tree->visualItemRect(tree->item_of(2)).center();
  QContextMenuEvent menu(QContextMenuEvent::Mouse, at, tree->viewport()->mapToGlobal(at));
  QCoreApplication::sendEvent(tree->viewport(), &menu);
  const std::vector<Seen> seen = drain(w);
  ASSERT_TRUE(has_event(seen, Event::AlertKey, field)) << describe(seen);
  EXPECT_EQ(seen.back().key, key::MouseRight);
  EXPECT_EQ(w.choice(field), 2);
}

}  // namespace
}  // namespace qvn::ui::qt::test
