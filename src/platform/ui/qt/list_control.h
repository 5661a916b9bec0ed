#pragma once
// A list or tree list drawn from its list format: one column per format
// column with its width, alignment and header, icons and colours from the
// row's cells, and for a tree the rows nested by their levels (a negative
// level shows its row collapsed, with an expander, although its children
// are not in the list yet).

#include <QtWidgets/QTreeWidget>

class QScrollBar;

#include <functional>
#include <string>
#include <vector>

#include "platform/ui/list_format.h"
#include "platform/ui/qt/dialog_units.h"
#include "platform/ui/window.h"

namespace qvn::ui::qt {

// Item roles for the colours of a selected cell.
inline constexpr int kSelectedForegroundRole = Qt::UserRole + 1;
inline constexpr int kSelectedBackgroundRole = Qt::UserRole + 2;
inline constexpr int kRowRole = Qt::UserRole + 3;

// A BGR colour of a window structure, or an invalid colour for -1.
QColor bgr_color(long long bgr);

class ListControl final : public QTreeWidget {
 public:
  ListControl(const ListFormat& format, const DialogUnits& units, bool tree, QWidget* parent);

  // Shows the rows (their cells as the window works them out) with the
  // list's icons; leaves the items alone when nothing changed. Expanders
  // always follow the levels again.
  void show_rows(const std::vector<std::vector<ListCell>>& rows, const std::vector<std::string>& icons);
  // Highlights a row (1-based; 0 clears the highlight).
  void show_selected(int row);
  // A paged list shows a page of rows, each a line of the dialog units'
  // height, and a scroll bar of its own (0 to 100) whose moves, like the
  // wheel's, go to on_scroll: the view itself never scrolls.
  void show_paged(bool paged, int thumb);
  QScrollBar* pager() const { return pager_; }

  int row_of(const QTreeWidgetItem* item) const;  // 1-based, 0 for none
  QTreeWidgetItem* item_of(int row) const;        // nullptr when out of range
  int rows_shown() const { return static_cast<int>(items_.size()); }
  int current_row() const { return row_of(currentItem()); }

  // What the person did, by 1-based row. None is reported while the list
  // follows the window.
  std::function<void(int)> on_select;
  std::function<void(int)> on_accept;
  std::function<void(int, bool)> on_expand;
  std::function<void(ScrollMove, int)> on_scroll;  // the move, the thumb's position for Thumb
  std::function<void(int)> on_wheel;               // rows down, up when negative

 protected:
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  void rebuild();
  void apply_levels();
  void place_pager();
  void fit_rows();
  void pager_action(int action);

  ListFormat format_;
  bool tree_;
  int tree_column_ = -1;
  std::vector<std::vector<ListCell>> rows_;
  std::vector<std::string> icons_;
  std::vector<QTreeWidgetItem*> items_;
  bool following_ = false;
  int row_height_;
  QScrollBar* pager_ = nullptr;
  int thumb_ = 0;       // where the window puts the thumb
  int wheel_rest_ = 0;  // wheel turns short of a notch, in eighths of a degree
};

}  // namespace qvn::ui::qt
