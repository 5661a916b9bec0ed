#pragma once
// A person in front of the Qt rendering who moves one paged list of a
// window by real input, one move at each wait of the window: keys pressed
// on the list widget, the wheel turned over its rows, its scroll bar's
// actions. After each move the person notes what the widgets show: the
// rows' texts in one column, the selected row, the scroll bar's thumb, and
// whether the view scrolled itself. The moves of every paged list are
// listed once here (standard_moves), with where each leaves the list, by
// the records' place in the list's order.

#include <QtGui/QWheelEvent>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QScrollBar>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "picture_backend.h"
#include "platform/ui/qt/list_control.h"
#include "window_view.h"

namespace qvn::ui::qt::test {

struct ListMove {
  std::string what;
  std::function<void(ListControl&)> act;
  int first;     // the first row shown afterwards, by its record's place (0-based)
  int selected;  // the selected row's record
};

// What the list showed after a move.
struct ListSight {
  std::vector<std::string> texts;               // the rows, in the column looked at
  int selected = 0;                             // 1-based row of the widget's current item, 0 none
  int thumb = -1;                               // the list's own scroll bar, -1 when it has none
  int view_scroll = 0;                          // the view's own scroll position: stays 0
  std::vector<std::vector<std::string>> cells;  // per row, the text of each column
  std::vector<std::vector<QColor>> colours;     // per row, the foreground of each column
};

inline void press(ListControl& l, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QTest::keyClick(&l, key, mods);
}

// Turns the wheel by `notches` over the rows (negative: towards the person, down).
inline void turn_wheel(ListControl& l, int notches) {
  QWidget* port = l.viewport();
  const QPoint at(port->width() / 2, port->height() / 2);
  QWheelEvent event(QPointF(at), QPointF(port->mapToGlobal(at)), QPoint(), QPoint(0, notches * 120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(port, &event);
}

inline void bar_action(ListControl& l, QAbstractSlider::SliderAction action) {
  if (l.pager() != nullptr) l.pager()->triggerAction(action);
}

// Drags the thumb to `position` (0 to 100) and lets it go.
inline void drag_thumb(ListControl& l, int position) {
  QScrollBar* bar = l.pager();
  if (bar == nullptr) return;
  bar->setSliderDown(true);
  bar->setSliderPosition(position);
  bar->setSliderDown(false);
}

inline void click_row(ListControl& l, int row) {
  QTreeWidgetItem* item = l.item_of(row);
  if (item == nullptr) return;
  const QRect r = l.visualItemRect(item);
  QTest::mouseClick(l.viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
}

// The moves every paged list takes, over `records` records of which a page
// of `page` rows shows (more than twice a page; a page of more than 5).
inline std::vector<ListMove> standard_moves(int records, int page) {
  const int last = records - 1;
  const int bottom = records - page;
  using A = QAbstractSlider;
  return {
      {"End", [](ListControl& l) { press(l, Qt::Key_End); }, bottom, last},
      {"Down at the last record", [](ListControl& l) { press(l, Qt::Key_Down); }, bottom, last},
      {"Home", [](ListControl& l) { press(l, Qt::Key_Home); }, 0, 0},
      {"a click on the last row", [page](ListControl& l) { click_row(l, page); }, 0, page - 1},
      {"Down at the last row", [](ListControl& l) { press(l, Qt::Key_Down); }, 1, page},
      {"a click on the first row", [](ListControl& l) { click_row(l, 1); }, 1, 1},
      {"Up at the first row", [](ListControl& l) { press(l, Qt::Key_Up); }, 0, 0},
      {"PageDown", [](ListControl& l) { press(l, Qt::Key_PageDown); }, page, page},
      {"PageUp", [](ListControl& l) { press(l, Qt::Key_PageUp); }, 0, 0},
      {"Ctrl+End", [](ListControl& l) { press(l, Qt::Key_End, Qt::ControlModifier); }, bottom, last},
      {"Up from the last record", [](ListControl& l) { press(l, Qt::Key_Up); }, bottom, last - 1},
      {"Ctrl+Home", [](ListControl& l) { press(l, Qt::Key_Home, Qt::ControlModifier); }, 0, 0},
      {"the wheel a notch down", [](ListControl& l) { turn_wheel(l, -1); }, 0, 3},
      {"the wheel two notches down", [](ListControl& l) { turn_wheel(l, -2); }, std::max(0, 9 - page + 1), 9},
      {"the wheel four notches up", [](ListControl& l) { turn_wheel(l, 4); }, 0, 0},
      {"the scroll bar's down arrow", [](ListControl& l) { bar_action(l, A::SliderSingleStepAdd); }, 0, 1},
      {"a click in the trough below the thumb", [](ListControl& l) { bar_action(l, A::SliderPageStepAdd); }, page,
       page + 1},
      {"a click in the trough above the thumb", [](ListControl& l) { bar_action(l, A::SliderPageStepSub); }, 0, 1},
      {"the scroll bar's up arrow", [](ListControl& l) { bar_action(l, A::SliderSingleStepSub); }, 0, 0},
      {"the thumb dragged to the bottom", [](ListControl& l) { drag_thumb(l, 100); }, bottom, last},
      {"the thumb dragged to the top", [](ListControl& l) { drag_thumb(l, 0); }, 0, 0},
  };
}

// Looks at the window when it first waits (`before`, then the first move),
// makes one move at each wait after that and notes what the list shows,
// and closes the window once every move was made.
class ListMover : public PictureBackend {
 public:
  // `list` is the list's field number.
  ListMover(QtBackend& qt, std::vector<std::filesystem::path> folders, int list, int column)
      : PictureBackend(qt, std::move(folders)), list_(list), column_(column) {}

  std::vector<ListMove> moves;
  std::vector<ListSight> sights;  // the first before any move, then one a move
  // Runs when the window first waits, before any move (a tab chosen, say).
  std::function<void(Window&)> before;
  // The window's picture after the last move, when named.
  std::string picture_name;

  void wait_for_event(Window& w) override {
    if (before) {
      auto first = std::move(before);
      before = nullptr;
      first(w);
      return;
    }
    ListControl* l = list_widget(w);
    if (l == nullptr) {
      ADD_FAILURE() << "no list at field " << list_;
      w.close();
      return;
    }
    sights.push_back(look(*l));
    if (next_ < moves.size()) {
      moves[next_++].act(*l);
      return;
    }
    if (!picture_name.empty()) picture(w, picture_name, "list " + std::to_string(list_) + ": ");
    w.close();
  }

 private:
  ListControl* list_widget(Window& w) const {
    WindowWidget* v = view_of(w);
    return v == nullptr ? nullptr : dynamic_cast<ListControl*>(v->control_widget(list_));
  }

  ListSight look(ListControl& l) const {
    ListSight s;
    for (int row = 1; row <= l.rows_shown(); ++row) {
      QTreeWidgetItem* item = l.item_of(row);
      s.texts.push_back(item->text(column_).trimmed().toStdString());
      std::vector<std::string> cells;
      std::vector<QColor> colours;
      for (int c = 0; c < l.columnCount(); ++c) {
        cells.push_back(item->text(c).trimmed().toStdString());
        colours.push_back(item->foreground(c).color());
      }
      s.cells.push_back(cells);
      s.colours.push_back(colours);
    }
    s.selected = l.current_row();
    s.thumb = l.pager() != nullptr ? l.pager()->value() : -1;
    s.view_scroll = l.verticalScrollBar()->value();
    return s;
  }

  int list_;
  int column_;
  size_t next_ = 0;
};

// The thumb by the selected record's place among `records`.
inline int thumb_by_place(int place, int records) {
  return static_cast<int>(std::lround(100.0 * place / (records - 1)));
}

// Each sight after a move shows the page its move leaves, in order, with
// its selected row, and the thumb that `thumb_of` gives for the selected
// record (without it: 0 at the first record, 100 at the last); the view
// itself never scrolled.
inline void expect_moves(const ListMover& m, const std::vector<std::string>& all, int page,
                         const std::function<int(int)>& thumb_of = {}) {
  ASSERT_EQ(m.sights.size(), m.moves.size() + 1);
  for (size_t i = 0; i < m.moves.size(); ++i) {
    const ListMove& move = m.moves[i];
    const ListSight& s = m.sights[i + 1];
    SCOPED_TRACE(move.what);
    const std::vector<std::string> shown(all.begin() + move.first, all.begin() + move.first + page);
    EXPECT_EQ(s.texts, shown);
    EXPECT_EQ(s.selected, move.selected - move.first + 1);
    EXPECT_EQ(s.view_scroll, 0);
    if (thumb_of) {
      EXPECT_EQ(s.thumb, thumb_of(move.selected));
    } else if (move.selected == 0 || move.selected == static_cast<int>(all.size()) - 1) {
      EXPECT_EQ(s.thumb, move.selected == 0 ? 0 : 100);
    } else {
      EXPECT_GT(s.thumb, 0);
      EXPECT_LT(s.thumb, 100);
    }
  }
}

}  // namespace qvn::ui::qt::test
