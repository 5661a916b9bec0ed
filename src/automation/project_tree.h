#pragma once
// The project tree of the main window's "Projects" tab: a root line
// "PROJECTS", a line per project in name order, and under each expanded
// project a line per application of it. The lines live in the tree queue,
// which the tree list control shows in queue order; a project's
// applications are read when it is expanded and dropped when it is
// contracted. The loaded-lines list remembers which lines were expanded, so
// that a rebuild brings them back expanded.
//
// Every routine leaves the Projects and Apps record buffers as it found
// them, so the lists ranged or reset by those buffers keep what they show.
// A read that fails (other than at the end of a file) has been reported by
// the file manager; the tree then asks the window to close.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/fixed_string.h"
#include "platform/ui/event.h"
#include "platform/ui/list_model.h"
#include "platform/ui/queue.h"
#include "platform/ui/window.h"

namespace qvn::automation {

// One line of the project tree.
struct TreeLine {
  FixedString<200> DISPLAY;
  int32_t NORMALFG = -1;
  int32_t NORMALBG = -1;
  int32_t SELECTEDFG = -1;
  int32_t SELECTEDBG = -1;
  int16_t ICON = 0;
  int32_t LEVEL = 0;           // |LEVEL|: 0 root, 1 project, 2 application; negative: drawn collapsed
  int16_t LOADED = 0;          // 1: the line's level is loaded (a project's applications follow it)
  FixedString<1024> POSITION;  // the line's record: a project's in name order, an application's in the file
};

// One line whose level was loaded.
struct LoadedLine {
  int32_t LOADEDLEVEL = 0;  // |LEVEL| of the line
  FixedString<1024> LOADEDPOSITION;
};

// The tree queue as the tree list control reads it.
class TreeList final : public ui::ListModel {
 public:
  explicit TreeList(const ui::Queue<TreeLine>& lines) : lines_(lines) {}
  size_t rows() const override { return lines_.records(); }
  std::vector<std::string> fields(size_t row) const override;

 private:
  const ui::Queue<TreeLine>& lines_;
};

// Line icons: numbers in the tree's icon list.
namespace tree_icon {
inline constexpr int16_t Open = 1;    // an expanded project
inline constexpr int16_t Closed = 2;  // the root and a project not expanded
inline constexpr int16_t Application = 3;
}  // namespace tree_icon

class ProjectTree {
 public:
  // `list` is the tree list control of `window`; `lines` the tree queue.
  ProjectTree(ui::Window& window, int list, ui::Queue<TreeLine>& lines);

  // The queue as the list control shows it.
  ui::ListModel& list() { return list_; }

  // The routines of the tree. Each works on the tree's state and tells the
  // list control that its rows changed.
  // Appends the root line and the project lines, with the applications of
  // the loaded projects below them.
  void reltree_load();
  // Empties the tree queue and the loaded-lines list, then loads.
  void reltree_contract_all();
  // Empties both, then loads with every project expanded.
  void reltree_expand_all();
  // Empties the tree queue only, loads, and selects the remembered line.
  void reltree_refresh();
  // Expands (contracts) the line at the action row; a line whose record can
  // no longer be read by its position changes nothing, and the tree is
  // rebuilt instead.
  void reltree_load_level();
  void reltree_unload_level();
  // Inserts the applications of the project in the Projects buffer below
  // the queue's current entry. False when a read failed.
  bool reltree_add_children();
  // Fill the queue buffer's text, colours and icon from the Projects or
  // Apps record buffer.
  void reltree_format_project_line();
  void reltree_format_app_line();

  // Window steps that act on the tree.
  // "Expand All" and "Contract All": the action row becomes the selected row,
  // every project is expanded (contracted), and the tree gets the focus.
  void ExpandAll();
  void ContractAll();
  // The expanded and contracted events of the list control.
  void TakeFieldEvent(ui::Event event);
  // The window gained the focus: the selected line is remembered and the
  // tree rebuilt. Nothing before the tree's first load.
  void GainFocus();

  // The row a load, unload or edit acts on: the row of the last mouse press
  // in the list, or the row the program set.
  int action_row() const;
  void set_action_row(int row);
  // The selected line, nullptr when no line is selected.
  const TreeLine* selected_line() const;

  ui::Queue<LoadedLine>& loaded_lines() { return loaded_; }
  // The line the next refresh reselects: a signed level and a position.
  void remember(int32_t level, std::string_view position);
  // Reads the record of the queue buffer's line again by its position into
  // the Projects or Apps buffer, making it the file's current record; the
  // root has none. With `watch` a later write of it fails when another
  // program changed it meanwhile. False when it is gone or its key has
  // changed.
  bool ReadLineAgain(bool watch = false);
  int32_t remembered_level() const { return remembered_level_; }
  const FixedString<1024>& remembered_position() const { return remembered_position_; }

 private:
  // The work of the routines above, without keeping the buffers. False
  // when a read failed and the window was asked to close.
  bool Load();
  void Reselect();
  void FormatLine();
  void RememberSelectedLine();
  void Rebuild();
  void Fail();
  void Changed();

  ui::Window& window_;
  int field_;
  ui::Queue<TreeLine>& REL6;
  ui::Queue<LoadedLine> loaded_;
  TreeList list_;
  int32_t load_all_ = 0;
  int32_t remembered_level_ = 0;
  FixedString<1024> remembered_position_;
  bool started_ = false;
};

}  // namespace qvn::automation
