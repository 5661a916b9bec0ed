#pragma once
// The browse manager: a list control of a window that shows records of one
// file, page by page, in the order of one of its sort orders.
//
// The list queue holds about one page of rows (the visible rows of the
// list, worked out from its height); scrolling reads on through the file
// by key, so a list over a large file opens as fast as one over a small
// file. The browse marks its list paged: the person's keys, wheel and
// scroll bar reach it as scroll events (a row, a page, an end, the thumb
// dragged), and after every move it sets where the thumb stands, by the
// sort order's thumb step.
//
// Each row is made by SetQueueRecord from the record buffer: the queue
// fields named with AddField, in queue order (one per column of the list
// format, then fields without a column), and per column an icon number and
// four colours (-1: not set, the format's own colours apply).
//
// The selected row's queue fields are copied back into their variables
// whenever the selection changes and whenever the list is refilled (blank
// and 0 when the list is empty); a change of selection then resets the
// window, not forced. The window's Update step reads the selected row's
// whole record again by its position.
//
// Insert, change and delete (buttons, the Insert, Delete and Ctrl+Enter
// keys, a double-click, the right-click menu) call the window manager's
// Run(ProcedureNumber, request) and then refresh the window, selecting the
// record the form stored. With the window's request select (4) the browse
// is a picker: its select control picks the row, and closing without a pick
// puts the record buffer back as it was when the window opened.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/framework/browse_view.h"
#include "platform/framework/file_manager.h"
#include "platform/framework/relation_manager.h"
#include "platform/framework/window_component.h"
#include "platform/framework/window_manager.h"
#include "platform/ui/list_format.h"
#include "platform/ui/list_model.h"
#include "platform/values/var_ref.h"

namespace qvn::framework {

// One column's look in one row.
struct BrowseCell {
  int icon = 0;  // 0: none
  int32_t fg = ui::kNoColor;
  int32_t bg = ui::kNoColor;
  int32_t selected_fg = ui::kNoColor;
  int32_t selected_bg = ui::kNoColor;
};

// One entry of the list queue: a value per queue field and a cell per field
// (used by the fields that have a column with colours or an icon).
struct BrowseEntry {
  std::vector<std::string> values;
  std::vector<BrowseCell> cells;
};

// Where the scroll bar's thumb stands, for a sort order: by the place of the
// selected record's key value between the view's first and last (its
// leading numeric key fields, or the first letters of its first text key
// field), or by its place among the records of the view.
enum class ThumbStep { ByPosition, Numeric, Alphabetic };

namespace fill {
inline constexpr int Forward = 1;
inline constexpr int Backward = 2;
}  // namespace fill

class BrowseManager : public WindowComponent {
 public:
  BrowseManager();
  ~BrowseManager() override;
  BrowseManager(const BrowseManager&) = delete;
  BrowseManager& operator=(const BrowseManager&) = delete;

  // Sets up the browse on list control `list` of the manager's window, over
  // the file of `file` (or of the primary relation manager), and joins the
  // window manager. With the window's request select the browse picks, and
  // keeps a copy of the record buffer to put back when nothing is picked.
  void Init(int list, FileManager& file, WindowManager& window_manager);
  void Init(int list, RelationManager& primary, WindowManager& window_manager);

  // Sort orders, numbered from 1 in the order they are added. AppendOrder
  // and AddRange apply to the order added last.
  size_t AddSortOrder(const storage::KeyDef& key);
  // Fields that order records of equal key values, e.g. "APPS1:Priority";
  // several are separated by commas.
  void AppendOrder(std::string_view fields);
  // Only records whose `field` equals the value of `value` when the browse
  // is reset.
  void AddRange(std::string_view field, values::VarRef value);
  // The list is refilled at the next reset after `value` changed.
  void AddResetField(values::VarRef value);
  // The thumb step of the order added last; ByPosition until set.
  void SetThumbStep(ThumbStep step);
  // The next queue field; its index in BrowseEntry.
  size_t AddField(values::VarRef field);

  // Chooses the sort order; the list is refilled at the next reset.
  void SetSort(size_t order);
  size_t SortOrder() const { return sort_; }

  // Steps a procedure may override.
  // Chooses the sort order (SetSort) before each reset and after each event;
  // the base keeps the current one.
  virtual void ResetSort(bool force);
  // Fills Q from the record buffer: each queue field from its variable, and
  // every cell without icon and colours.
  virtual void SetQueueRecord();
  // Loads up to ItemsToFill more rows: after the last row (Forward) or
  // before the first one (Backward), the queue starting at the start or the
  // end of the view when it is empty.
  virtual void Fetch(int direction);
  // Refills the list: the highlighted row stays the highlighted row (where
  // it still is in the view), loaded forward from it and then backward for
  // the rows above it. Then the selected row is copied into the buffer and
  // the update controls are enabled or disabled.
  virtual void ResetQueue();
  // Runs after rows came into the queue or left it (a load, a scroll, a
  // refill), before the list shows them. The base does nothing; a browse
  // whose rows depend on their neighbours remakes them here (RequeueRows).
  virtual void RowsChanged();

  // Makes every row again through SetQueueRecord, from the top down, each
  // from its record as it was read; the record buffer is put back afterwards.
  void RequeueRows();

  // Copies the selected row's queue fields into their variables; blank and
  // 0 when the list is empty.
  void UpdateBuffer();
  // Reads the selected row's whole record again into the record buffer.
  void UpdateViewRecord();
  // The next refill positions the list at the record buffer's values
  // (nearest key position) instead of the highlighted row.
  void ResetFromBuffer();

  // An update request through the window manager's Run(ProcedureNumber,
  // request), then a refresh of the window.
  void AskRecord(int request);
  // Picks the selected row (select mode only).
  void TakeSelect();
  // The step locator: moves the list to the first record whose first key
  // field starts with `c` or comes after it, without regard to case.
  void Locate(char c);
  // The right-click menu mirroring the update and select controls: an item
  // for each control the browse has, disabled while its control is. By
  // default the select item ("&Select") comes first and the others show
  // their buttons' texts; with PopupStandardTexts they read "&Insert",
  // "&Change", "&Delete" and "&Select", in that order.
  void Popup();

  // WindowComponent steps.
  void Open() override;
  void Kill() override;
  void Reset(bool force) override;
  bool ResetRequired() override;
  int TakeEvent() override;
  void Update() override;

  // The queue as it stands.
  size_t Records() const { return rows_.size(); }
  const BrowseEntry& Entry(size_t row) const { return rows_.at(row - 1).entry; }  // row from 1
  int Selected() const { return selected_; }
  // Rows the list shows at once, from the list control's height.
  size_t PageRows() const;
  bool SelectMode() const { return select_mode_; }

  int ListControl = 0;
  // The update and select controls; 0 where the window has none.
  int InsertControl = 0;
  int ChangeControl = 0;
  int DeleteControl = 0;
  int SelectControl = 0;
  // Passed to the window manager's Run(number, request).
  int ProcedureNumber = 0;
  // The right-click menu.
  bool PopupMenu = true;
  // The right-click menu's items in the standard texts and order (Popup).
  bool PopupStandardTexts = false;
  // Rows the next Fetch loads; 0 a page.
  size_t ItemsToFill = 0;
  // The entry SetQueueRecord fills.
  BrowseEntry Q;

 private:
  struct Row {
    ViewRecord record;
    BrowseEntry entry;
  };
  struct Sort {
    const storage::KeyDef* key = nullptr;
    ThumbStep step = ThumbStep::ByPosition;
    std::vector<size_t> appended;
    int range_field = -1;
    values::VarRef range_value;
  };
  class Queue;

  ui::Window& window() { return manager_->window(); }
  const storage::FileDef& def() const { return file_->FILE->def(); }
  Sort* CurrentSort();
  int FieldIndex(std::string_view name) const;
  void ApplyOrder();
  std::vector<std::string> Watched() const;
  void Load(std::vector<ViewRecord> records, bool at_top);
  void Trim(bool at_top);
  void Show(int selected);
  void UpdateWindow();
  void AfterSelectionChange();
  void Scroll(ui::Event event);
  // The thumb dragged to `position` (0 to 100): the list moves to the record
  // that stands there by the sort order's thumb step.
  void Drag(int position);
  // Where the thumb stands for the selected row, 0 to 100.
  int ThumbPosition();
  // A record's place in the order by the thumb step: a number that grows
  // with the key; and the key image that stands at a number.
  double StepValue(const Sort& sort, const void* image) const;
  std::vector<char> StepImage(const Sort& sort, double value) const;
  int TakeListEvent();
  bool Enabled(int control);

  WindowManager* manager_ = nullptr;
  FileManager* file_ = nullptr;
  std::unique_ptr<BrowseView> view_;
  std::unique_ptr<Queue> queue_;
  ui::ListFormat format_;
  std::vector<Sort> sorts_;
  size_t sort_ = 0;
  bool sort_changed_ = false;
  std::vector<values::VarRef> fields_;
  std::vector<values::VarRef> reset_fields_;
  std::vector<std::string> watched_;
  std::vector<Row> rows_;
  int selected_ = 0;
  bool filled_ = false;
  // Rows came or went since the list last showed them.
  bool rows_changed_ = false;
  // Where the next refill starts (from_buffer_), and where Fetch starts
  // while the queue is empty during a refill (fetch_from_).
  bool from_buffer_ = false;
  std::vector<char> anchor_;
  int64_t anchor_pointer_ = 0;
  bool fetch_from_ = false;
  bool select_mode_ = false;
  std::vector<char> saved_buffer_;
};

}  // namespace qvn::framework
