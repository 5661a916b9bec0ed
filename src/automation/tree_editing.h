#pragma once
// Editing through the project tree: the Projects tab's Insert, Change and
// Delete buttons, the tree's keys and its right-click menu. The tree edits
// no record itself: it reads the record behind the line at the action row
// again, hands it to the project form or the application form with the
// request, and when the form answers completed rebuilds itself, selecting
// the line of the record just added or changed.
//
// A line whose record another program renamed or deleted since the tree
// was loaded opens no form and deletes nothing: the tree is rebuilt from
// the files as they are. The Projects and Apps record buffers are put back
// as they were after each edit, so the lists ranged by them keep what they
// show.

#include <cstdint>

#include "automation/project_tree.h"
#include "platform/ui/queue.h"
#include "platform/ui/window.h"

namespace qvn::automation {

// The pending tree action.
namespace tree_action {
inline constexpr int32_t Insert = 1;
inline constexpr int32_t Change = 2;
inline constexpr int32_t Delete = 3;
}  // namespace tree_action

class TreeEditing {
 public:
  TreeEditing(ui::Window& window, ProjectTree& tree, ui::Queue<TreeLine>& lines);

  // Window set-up: the tree's right arrow, left arrow and double-click give
  // alert keys.
  void SetUp();

  // The entry routines: each sets the pending action and runs the update loop.
  void reltree_add_entry();
  void reltree_edit_entry();
  void reltree_remove_entry();

  // Window steps that act on the tree.
  // ?INSERT:2, ?CHANGE:2 and ?DELETE:2, after the window's Update step: the
  // action row becomes the selected row, the entry routine runs, and the
  // tree gets the focus. False for any other control.
  bool TakeAccepted(int control);
  // An alerted key on the tree, before the window's default handling.
  void TakeAlertKey(int keycode);
  // A new selection on the tree made with the right mouse button: the menu.
  void TakePopup();

  int32_t pending_action() const { return pending_action_; }

 private:
  void reltree_update_loop();
  void reltree_add_entry_server();
  void reltree_edit_entry_server();
  void reltree_remove_entry_server();
  // The level of the line at the action row, read into the queue buffer,
  // while `button` is enabled; 0 when it is disabled or there is no line.
  int32_t ActedDepth(int button);
  // Reads the record of the queue buffer's line again into its buffer;
  // false, with the tree rebuilt, when the line names no record any more.
  bool ReadLine(bool watch);

  ui::Window& window_;
  ProjectTree& tree_;
  ui::Queue<TreeLine>& REL6;
  int32_t pending_action_ = 0;
};

}  // namespace qvn::automation
