#include "automation/tree_editing.h"

#include <cstdlib>

#include "automation/main_window.h"
#include "automation/record_buffers.h"
#include "data/dictionary.h"
#include "data/files.h"
#include "platform/framework/file_manager.h"
#include "platform/framework/procedure.h"
#include "platform/framework/request.h"
#include "platform/ui/event.h"

namespace qvn::automation {

namespace {

namespace level = framework::level;
namespace request = framework::request;
namespace response = framework::response;

constexpr const char* kTreeMenu = "&Insert|Chan&ge|&Delete|-|&Expand All|Co&ntract All";

int run_form(const framework::Procedure& form, int request) { return framework::call_procedure(form, request); }

}  // namespace

TreeEditing::TreeEditing(ui::Window& window, ProjectTree& tree, ui::Queue<TreeLine>& lines)
    : window_(window), tree_(tree), REL6(lines) {}

void TreeEditing::SetUp() {
  window_.alert(RELTREE, ui::key::Right);
  window_.alert(RELTREE, ui::key::Left);
  window_.alert(RELTREE, ui::key::MouseLeft2);
}

void TreeEditing::reltree_add_entry() {
  pending_action_ = tree_action::Insert;
  reltree_update_loop();
}

void TreeEditing::reltree_edit_entry() {
  pending_action_ = tree_action::Change;
  reltree_update_loop();
}

void TreeEditing::reltree_remove_entry() {
  pending_action_ = tree_action::Delete;
  reltree_update_loop();
}

void TreeEditing::reltree_update_loop() {
  tree_.set_action_row(window_.choice(RELTREE));
  KeepBuffers keep;
  switch (pending_action_) {
    case tree_action::Insert: reltree_add_entry_server(); break;
    case tree_action::Change: reltree_edit_entry_server(); break;
    case tree_action::Delete: reltree_remove_entry_server(); break;
    default: break;
  }
}

// On the root a new project; on a project or one of its applications a new
// application of that project.
void TreeEditing::reltree_add_entry_server() {
  if (window_.is_disabled(INSERT_2)) return;
  int row = tree_.action_row();
  if (row < 1 || !REL6.get(static_cast<size_t>(row))) return;
  if (REL6->LEVEL == 0) {
    // A number is reserved only for a form that will take it.
    if (!main_calls().UpdateProjects) return;
    if (data::projects_file_manager->PrimeRecord() != level::Benign) return;
    if (run_form(main_calls().UpdateProjects, request::Insert) != response::Completed) return;
    tree_.remember(1, data::Projects.position(data::PRO_ProjectNameKey));
    tree_.reltree_refresh();
    return;
  }
  while (std::abs(REL6->LEVEL) == 2) {
    if (!REL6.get(static_cast<size_t>(--row))) break;
  }
  if (std::abs(REL6->LEVEL) != 1 || !ReadLine(false)) return;
  if (data::apps_file_manager->UseFile(framework::use::Returns) != level::Benign) return;
  data::Apps.get_pointer(0);
  data::Apps.clear_buffer();
  data::APP.P_REF = data::PRO.P_REF;
  if (data::apps_file_manager->PrimeRecord(true) != level::Benign) return;
  if (run_form(main_calls().UpdateApps, request::Insert) != response::Completed) return;
  tree_.remember(2, data::Apps.position());
  tree_.reltree_refresh();
}

int32_t TreeEditing::ActedDepth(int button) {
  if (window_.is_disabled(button)) return 0;
  const int row = tree_.action_row();
  if (row < 1 || !REL6.get(static_cast<size_t>(row))) return 0;
  return std::abs(REL6->LEVEL);
}

void TreeEditing::reltree_edit_entry_server() {
  const int32_t depth = ActedDepth(CHANGE_2);
  if (depth == 0 || !ReadLine(true)) return;
  if (depth == 1) {
    if (run_form(main_calls().UpdateProjects, request::Change) != response::Completed) return;
    tree_.remember(1, data::Projects.position(data::PRO_ProjectNameKey));
  } else {
    if (run_form(main_calls().UpdateApps, request::Change) != response::Completed) return;
    tree_.remember(2, data::Apps.position());
  }
  tree_.reltree_refresh();
}

// The forms ask "Confirm Delete" and delete without opening their window;
// a project takes its applications with it. The remembered line stays.
void TreeEditing::reltree_remove_entry_server() {
  const int32_t depth = ActedDepth(DELETE_2);
  if (depth == 0 || !ReadLine(false)) return;
  const framework::Procedure& form = depth == 1 ? main_calls().UpdateProjects : main_calls().UpdateApps;
  if (run_form(form, request::Delete) != response::Completed) return;
  tree_.reltree_refresh();
}

bool TreeEditing::ReadLine(bool watch) {
  if (tree_.ReadLineAgain(watch)) return true;
  tree_.reltree_refresh();
  return false;
}

bool TreeEditing::TakeAccepted(int control) {
  switch (control) {
    case INSERT_2:
      tree_.set_action_row(window_.choice(RELTREE));
      reltree_add_entry();
      break;
    case CHANGE_2:
      tree_.set_action_row(window_.choice(RELTREE));
      reltree_edit_entry();
      break;
    case DELETE_2:
      tree_.set_action_row(window_.choice(RELTREE));
      reltree_remove_entry();
      break;
    default: return false;
  }
  window_.select(RELTREE);
  return true;
}

void TreeEditing::TakeAlertKey(int keycode) {
  switch (keycode) {
    case ui::key::Right:
      tree_.set_action_row(window_.choice(RELTREE));
      window_.post(ui::Event::Expanded, RELTREE);
      break;
    case ui::key::Left:
      tree_.set_action_row(window_.choice(RELTREE));
      window_.post(ui::Event::Contracted, RELTREE);
      break;
    case ui::key::MouseLeft2: reltree_edit_entry(); break;
    default: break;
  }
}

void TreeEditing::TakePopup() {
  switch (window_.popup(kTreeMenu)) {
    case 1: reltree_add_entry(); break;
    case 2: reltree_edit_entry(); break;
    case 3: reltree_remove_entry(); break;
    case 4: tree_.reltree_expand_all(); break;
    case 5: tree_.reltree_contract_all(); break;
    default: break;
  }
}

}  // namespace qvn::automation
