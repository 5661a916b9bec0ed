#include "platform/ui/qt/list_control.h"

#include <QtGui/QWheelEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QStyledItemDelegate>

#include <algorithm>
#include <cstdlib>

#include "platform/ui/qt/pictures.h"

namespace qvn::ui::qt {

namespace {

Qt::Alignment alignment(Align a) {
  switch (a) {
    case Align::Right:
    case Align::Decimal: return Qt::AlignRight | Qt::AlignVCenter;
    case Align::Center: return Qt::AlignHCenter | Qt::AlignVCenter;
    case Align::Left: break;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}

bool same_cell(const ListCell& a, const ListCell& b) {
  return a.text == b.text && a.icon == b.icon && a.fg == b.fg && a.bg == b.bg && a.sel_fg == b.sel_fg &&
         a.sel_bg == b.sel_bg && a.level == b.level;
}

bool same_rows(const std::vector<std::vector<ListCell>>& a, const std::vector<std::vector<ListCell>>& b) {
  if (a.size() != b.size()) return false;
  for (size_t r = 0; r < a.size(); ++r) {
    if (a[r].size() != b[r].size()) return false;
    for (size_t c = 0; c < a[r].size(); ++c) {
      if (!same_cell(a[r][c], b[r][c])) return false;
    }
  }
  return true;
}

long long pick(long long cell, int32_t column_default) { return cell >= 0 ? cell : column_default; }

// Draws a selected cell in its own colours where the row gives them, and an
// icon without text in the middle of its column.
class CellDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  // Rows of a paged list are as high as the lines its page is counted in.
  int row_height = 0;

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (row_height > 0) size.setHeight(row_height);
    return size;
  }

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (option->state & QStyle::State_Selected) {
      const QVariant fg = index.data(kSelectedForegroundRole);
      const QVariant bg = index.data(kSelectedBackgroundRole);
      for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
        if (fg.isValid()) option->palette.setColor(g, QPalette::HighlightedText, fg.value<QColor>());
        if (bg.isValid()) option->palette.setColor(g, QPalette::Highlight, bg.value<QColor>());
      }
    }
    if (option->text.trimmed().isEmpty() && !option->icon.isNull()) {
      option->text.clear();
      option->features &= ~QStyleOptionViewItem::HasDisplay;
      option->decorationAlignment = Qt::AlignCenter;
      option->displayAlignment = Qt::AlignCenter;
    }
  }
};

}  // namespace

QColor bgr_color(long long bgr) {
  if (bgr < 0) return QColor();
  return QColor::fromRgb(static_cast<QRgb>(bgr_to_rgb(static_cast<uint32_t>(bgr & 0xFFFFFF))));
}

ListControl::ListControl(const ListFormat& format, const DialogUnits& units, bool tree, QWidget* parent)
    : QTreeWidget(parent), format_(format), tree_(tree), row_height_(units.y(8)) {
  setItemDelegate(new CellDelegate(this));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setExpandsOnDoubleClick(false);
  setItemsExpandable(tree);
  setRootIsDecorated(tree);
  setIconSize(QSize(14, 14));
  setTextElideMode(Qt::ElideNone);

  const int count = static_cast<int>(format_.columns.size());
  setColumnCount(count == 0 ? 1 : count);
  bool any_header = false;
  QTreeWidgetItem* head = headerItem();
  for (int c = 0; c < count; ++c) {
    const Column& col = format_.columns[static_cast<size_t>(c)];
    if (col.tree && tree_column_ < 0) tree_column_ = c;
    any_header = any_header || col.has_header;
    head->setText(c, QString::fromStdString(col.header));
    head->setTextAlignment(c, alignment(col.has_header ? col.header_align : col.align));
  }
  if (tree_ && tree_column_ > 0) setTreePosition(tree_column_);
  header()->setVisible(any_header);
  header()->setStretchLastSection(true);
  header()->setSectionsMovable(false);
  header()->setMinimumSectionSize(1);
  for (int c = 0; c < count; ++c) {
    const Column& col = format_.columns[static_cast<size_t>(c)];
    header()->setSectionResizeMode(c, col.resizable ? QHeaderView::Interactive : QHeaderView::Fixed);
    header()->resizeSection(c, units.x(col.width));
  }

  connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item, QTreeWidgetItem*) {
    if (following_ || item == nullptr) return;
    if (on_select) on_select(row_of(item));
  });
  connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) {
    if (following_ || item == nullptr) return;
    if (on_accept) on_accept(row_of(item));
  });
  connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
    if (following_ || item == nullptr) return;
    if (on_expand) on_expand(row_of(item), true);
  });
  connect(this, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
    if (following_ || item == nullptr) return;
    if (on_expand) on_expand(row_of(item), false);
  });
}

void ListControl::show_rows(const std::vector<std::vector<ListCell>>& rows, const std::vector<std::string>& icons) {
  following_ = true;
  if (!same_rows(rows, rows_) || icons != icons_) {
    rows_ = rows;
    icons_ = icons;
    rebuild();
  }
  apply_levels();
  following_ = false;
}

void ListControl::rebuild() {
  const int scroll = verticalScrollBar()->value();
  const int current = current_row();
  clear();
  items_.clear();
  items_.reserve(rows_.size());

  // Each row hangs under the nearest row before it with a smaller level.
  struct Open {
    int level;
    QTreeWidgetItem* item;
  };
  std::vector<Open> parents;
  QList<QTreeWidgetItem*> top;
  const int columns = columnCount();
  for (size_t r = 0; r < rows_.size(); ++r) {
    const std::vector<ListCell>& cells = rows_[r];
    auto* item = new QTreeWidgetItem();
    item->setData(0, kRowRole, static_cast<int>(r) + 1);
    for (int c = 0; c < columns && c < static_cast<int>(cells.size()); ++c) {
      const ListCell& cell = cells[static_cast<size_t>(c)];
      const Column* col =
          c < static_cast<int>(format_.columns.size()) ? &format_.columns[static_cast<size_t>(c)] : nullptr;
      // A picture pads its value to its width; the column's alignment places it.
      QString text = QString::fromStdString(cell.text);
      if (col != nullptr && col->picture.kind() != values::PictureKind::Text) text = text.trimmed();
      item->setText(c, text);
      if (col != nullptr) item->setTextAlignment(c, alignment(col->align));
      if (cell.icon > 0 && static_cast<size_t>(cell.icon) <= icons_.size()) {
        item->setIcon(c, icon(icons_[static_cast<size_t>(cell.icon) - 1]));
      }
      const ColumnColors none;
      const ColumnColors& d = col != nullptr ? col->default_colors : none;
      const QColor fg = bgr_color(pick(cell.fg, d.fg));
      const QColor bg = bgr_color(pick(cell.bg, d.bg));
      const QColor sfg = bgr_color(pick(cell.sel_fg, d.selected_fg));
      const QColor sbg = bgr_color(pick(cell.sel_bg, d.selected_bg));
      if (fg.isValid()) item->setForeground(c, fg);
      if (bg.isValid()) item->setBackground(c, bg);
      if (sfg.isValid()) item->setData(c, kSelectedForegroundRole, sfg);
      if (sbg.isValid()) item->setData(c, kSelectedBackgroundRole, sbg);
    }
    items_.push_back(item);
    if (!tree_) {
      top.append(item);
      continue;
    }
    const int level = tree_column_ >= 0 && static_cast<size_t>(tree_column_) < cells.size()
                          ? std::abs(cells[static_cast<size_t>(tree_column_)].level)
                          : 0;
    while (!parents.empty() && parents.back().level >= level) parents.pop_back();
    if (parents.empty()) {
      top.append(item);
    } else {
      parents.back().item->addChild(item);
    }
    parents.push_back({level, item});
  }
  addTopLevelItems(top);
  if (current > 0 && static_cast<size_t>(current) <= items_.size())
    setCurrentItem(items_[static_cast<size_t>(current) - 1]);
  verticalScrollBar()->setValue(scroll);
}

void ListControl::apply_levels() {
  if (!tree_ || tree_column_ < 0) return;
  for (size_t r = 0; r < items_.size() && r < rows_.size(); ++r) {
    const std::vector<ListCell>& cells = rows_[r];
    if (static_cast<size_t>(tree_column_) >= cells.size()) continue;
    const int level = cells[static_cast<size_t>(tree_column_)].level;
    QTreeWidgetItem* item = items_[r];
    item->setChildIndicatorPolicy(level < 0 ? QTreeWidgetItem::ShowIndicator
                                            : QTreeWidgetItem::DontShowIndicatorWhenChildless);
    item->setExpanded(level >= 0 && item->childCount() > 0);
  }
}

void ListControl::show_selected(int row) {
  following_ = true;
  QTreeWidgetItem* item = item_of(row);
  if (item == nullptr) {
    setCurrentItem(nullptr);
    clearSelection();
  } else if (currentItem() != item || !item->isSelected()) {
    setCurrentItem(item);
    scrollToItem(item);
  }
  following_ = false;
}

void ListControl::show_paged(bool paged, int thumb) {
  if (paged != (pager_ != nullptr)) {
    setAutoScroll(!paged);
    if (paged) {
      pager_ = new QScrollBar(Qt::Vertical, this);
      pager_->setRange(0, 100);
      pager_->setPageStep(10);
      pager_->setFocusPolicy(Qt::NoFocus);
      connect(pager_, &QScrollBar::actionTriggered, this, [this](int action) { pager_action(action); });
      // Let go, the thumb stands where the window last put it.
      connect(pager_, &QScrollBar::sliderReleased, this, [this] { pager_->setValue(thumb_); });
      setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      pager_->show();
      place_pager();
    } else {
      delete pager_;
      pager_ = nullptr;
      setViewportMargins(0, 0, 0, 0);
      setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    }
    scheduleDelayedItemsLayout();
  }
  thumb_ = thumb;
  if (pager_ != nullptr && !pager_->isSliderDown() && pager_->value() != thumb) pager_->setValue(thumb);
  fit_rows();
}

// A page's rows are as high as a line of dialog units, less where the
// header and frame leave too little room for them all: the whole page
// shows without the view scrolling.
void ListControl::fit_rows() {
  auto* delegate = static_cast<CellDelegate*>(itemDelegate());
  if (pager_ == nullptr) {
    delegate->row_height = 0;
    return;
  }
  const int rows = std::max(rows_shown(), 1);
  const int height = std::max(1, std::min(row_height_, viewport()->height() / rows));
  if (delegate->row_height == height) return;
  delegate->row_height = height;
  scheduleDelayedItemsLayout();
}

void ListControl::pager_action(int action) {
  if (following_ || !on_scroll) return;
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub: on_scroll(ScrollMove::LineUp, 0); break;
    case QAbstractSlider::SliderSingleStepAdd: on_scroll(ScrollMove::LineDown, 0); break;
    case QAbstractSlider::SliderPageStepSub: on_scroll(ScrollMove::PageUp, 0); break;
    case QAbstractSlider::SliderPageStepAdd: on_scroll(ScrollMove::PageDown, 0); break;
    case QAbstractSlider::SliderToMinimum: on_scroll(ScrollMove::Top, 0); break;
    case QAbstractSlider::SliderToMaximum: on_scroll(ScrollMove::Bottom, 0); break;
    case QAbstractSlider::SliderMove: on_scroll(ScrollMove::Thumb, pager_->sliderPosition()); break;
    default: break;
  }
}

// The scroll bar stands where the view's own would, beside the rows.
void ListControl::place_pager() {
  if (pager_ == nullptr) return;
  const int width = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, pager_);
  setViewportMargins(0, 0, width, 0);
  // From the header's top down to the rows' bottom, above a horizontal bar.
  const QRect inside = contentsRect();
  const int bottom = viewport()->geometry().bottom();
  pager_->setGeometry(inside.right() - width + 1, inside.top(), width, std::max(bottom - inside.top() + 1, 1));
}

void ListControl::resizeEvent(QResizeEvent* event) {
  QTreeWidget::resizeEvent(event);
  place_pager();
  fit_rows();
}

// The rows' area changes too when the horizontal bar comes or goes.
bool ListControl::viewportEvent(QEvent* event) {
  const bool taken = QTreeWidget::viewportEvent(event);
  if (event->type() == QEvent::Resize) {
    place_pager();
    fit_rows();
  }
  return taken;
}

// A paged list turns the wheel into rows, as many a notch as the desktop
// asks, and leaves its view where it is.
void ListControl::wheelEvent(QWheelEvent* event) {
  if (pager_ == nullptr) {
    QTreeWidget::wheelEvent(event);
    return;
  }
  event->accept();
  wheel_rest_ += event->angleDelta().y();
  const int notches = wheel_rest_ / QWheelEvent::DefaultDeltasPerStep;
  wheel_rest_ -= notches * QWheelEvent::DefaultDeltasPerStep;
  if (notches != 0 && on_wheel) on_wheel(-notches * QApplication::wheelScrollLines());
}

int ListControl::row_of(const QTreeWidgetItem* item) const {
  return item == nullptr ? 0 : item->data(0, kRowRole).toInt();
}

QTreeWidgetItem* ListControl::item_of(int row) const {
  if (row < 1 || static_cast<size_t>(row) > items_.size()) return nullptr;
  return items_[static_cast<size_t>(row) - 1];
}

}  // namespace qvn::ui::qt
