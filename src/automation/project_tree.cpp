#include "automation/project_tree.h"

#include <algorithm>
#include <cstdlib>

#include "automation/record_buffers.h"
#include "data/dictionary.h"
#include "data/files.h"
#include "platform/core/error_state.h"
#include "platform/framework/file_manager.h"

namespace qvn::automation {

namespace {

using framework::FileManager;
namespace level = framework::level;

enum class Read { Record, End, Failed };

// The next record in the file's current order, through its file manager.
Read read_next(FileManager& file) {
  const int rc = file.Next();
  if (rc == level::Benign) return Read::Record;
  if (rc == level::Notify && error_code() == err::RecordNotAvailable) return Read::End;
  return Read::Failed;
}

// Starts the Apps file at the first application of the project in the
// Projects buffer, in APP:P_RefKey order. False when the file cannot be used.
bool start_at_project_apps() {
  data::APP.P_REF = data::PRO.P_REF;
  if (data::apps_file_manager->UseFile(framework::use::Returns) != level::Benign) return false;
  data::Apps.set_order_from_buffer(data::APP_P_RefKey);
  return true;
}

}  // namespace

std::vector<std::string> TreeList::fields(size_t row) const {
  const TreeLine* line = lines_.entry(row + 1);
  if (!line) return {};
  return {std::string(line->DISPLAY.raw()), std::to_string(line->NORMALFG),   std::to_string(line->NORMALBG),
          std::to_string(line->SELECTEDFG), std::to_string(line->SELECTEDBG), std::to_string(line->ICON),
          std::to_string(line->LEVEL),      std::to_string(line->LOADED),     std::string(line->POSITION.raw())};
}

ProjectTree::ProjectTree(ui::Window& window, int list, ui::Queue<TreeLine>& lines)
    : window_(window), field_(list), REL6(lines), list_(lines) {}

void ProjectTree::reltree_load() {
  KeepBuffers keep;
  Load();
  Changed();
}

void ProjectTree::reltree_contract_all() {
  REL6.free();
  loaded_.free();
  reltree_load();
  started_ = true;
}

void ProjectTree::reltree_expand_all() {
  REL6.free();
  loaded_.free();
  load_all_ = 1;
  reltree_load();
  load_all_ = 0;
}

void ProjectTree::reltree_refresh() {
  REL6.free();
  reltree_load();
  Reselect();
}

bool ProjectTree::Load() {
  REL6->DISPLAY = "PROJECTS";
  REL6->NORMALFG = REL6->NORMALBG = REL6->SELECTEDFG = REL6->SELECTEDBG = -1;
  REL6->ICON = tree_icon::Closed;
  REL6->LEVEL = 0;
  REL6->LOADED = 0;
  REL6->POSITION = "";
  REL6.add();

  FileManager& projects = *data::projects_file_manager;
  if (projects.UseFile(framework::use::Returns) != level::Benign) {
    Fail();
    return false;
  }
  data::Projects.set_order(data::PRO_ProjectNameKey);
  for (;;) {
    const Read read = read_next(projects);
    if (read == Read::End) return true;
    if (read == Read::Failed) {
      Fail();
      return false;
    }
    REL6->LOADED = 0;
    REL6->POSITION = data::Projects.position(data::PRO_ProjectNameKey);
    REL6->LEVEL = 1;
    loaded_->LOADEDLEVEL = 1;
    loaded_->LOADEDPOSITION = REL6->POSITION.raw();
    if (load_all_ || loaded_.get_by(&LoadedLine::LOADEDLEVEL, &LoadedLine::LOADEDPOSITION)) {
      if (load_all_) loaded_.add_in_order(&LoadedLine::LOADEDLEVEL, &LoadedLine::LOADEDPOSITION);
      REL6->LOADED = 1;
      reltree_format_project_line();
      REL6.add_at(REL6.pointer() + 1);
      if (!reltree_add_children()) return false;
      continue;
    }
    // Probe: one application of the project makes its line expandable.
    if (!start_at_project_apps()) {
      Fail();
      return false;
    }
    const Read probe = read_next(*data::apps_file_manager);
    if (probe == Read::Failed) {
      Fail();
      return false;
    }
    if (probe == Read::Record && data::APP.P_REF == data::PRO.P_REF) REL6->LEVEL = -1;
    reltree_format_project_line();
    REL6.add_at(REL6.pointer() + 1);
  }
}

bool ProjectTree::reltree_add_children() {
  if (!start_at_project_apps()) {
    Fail();
    return false;
  }
  for (;;) {
    const Read read = read_next(*data::apps_file_manager);
    if (read == Read::End) return true;
    if (read == Read::Failed) {
      Fail();
      return false;
    }
    if (data::APP.P_REF != data::PRO.P_REF) return true;
    REL6->LOADED = 0;
    REL6->POSITION = data::Apps.position();
    REL6->LEVEL = 2;
    reltree_format_app_line();
    REL6.add_at(REL6.pointer() + 1);
  }
}

void ProjectTree::reltree_load_level() {
  KeepBuffers keep;
  if (!REL6.get(static_cast<size_t>(std::max(action_row(), 0)))) return;
  if (REL6->LOADED != 0) return;
  if (!ReadLineAgain()) {
    Rebuild();
    return;
  }
  REL6->LEVEL = std::abs(REL6->LEVEL);
  REL6->LOADED = 1;
  loaded_->LOADEDLEVEL = REL6->LEVEL;
  loaded_->LOADEDPOSITION = REL6->POSITION.raw();
  if (!loaded_.get_by(&LoadedLine::LOADEDLEVEL, &LoadedLine::LOADEDPOSITION)) {
    loaded_.add_in_order(&LoadedLine::LOADEDLEVEL, &LoadedLine::LOADEDPOSITION);
  }
  FormatLine();
  REL6.put();
  if (REL6->LEVEL == 1) reltree_add_children();
  Changed();
}

void ProjectTree::reltree_unload_level() {
  KeepBuffers keep;
  if (!REL6.get(static_cast<size_t>(std::max(action_row(), 0)))) return;
  if (REL6->LOADED == 0) return;
  if (!ReadLineAgain()) {
    Rebuild();
    return;
  }
  const int32_t depth = std::abs(REL6->LEVEL);
  REL6->LEVEL = -depth;
  REL6->LOADED = 0;
  loaded_->LOADEDLEVEL = depth;
  loaded_->LOADEDPOSITION = REL6->POSITION.raw();
  if (loaded_.get_by(&LoadedLine::LOADEDLEVEL, &LoadedLine::LOADEDPOSITION)) loaded_.erase();
  FormatLine();
  REL6.put();
  const size_t row = REL6.pointer();
  while (const TreeLine* next = REL6.entry(row + 1)) {
    if (std::abs(next->LEVEL) <= depth) break;
    REL6.get(row + 1);
    REL6.erase();
  }
  Changed();
}

bool ProjectTree::ReadLineAgain(bool watch) {
  const int32_t depth = std::abs(REL6->LEVEL);
  if (depth == 0) return true;
  FileManager& file = depth == 1 ? *data::projects_file_manager : *data::apps_file_manager;
  if (file.UseFile(framework::use::Returns) != level::Benign) return false;
  if (watch) file.FILE->watch();
  const std::string_view position = REL6->POSITION.clipped();
  const int rc = depth == 1 ? data::Projects.reget(data::PRO_ProjectNameKey, position) : data::Apps.reget(position);
  return rc == err::NoError;
}

void ProjectTree::FormatLine() {
  const int32_t depth = std::abs(REL6->LEVEL);
  if (depth == 1) reltree_format_project_line();
  if (depth == 2) reltree_format_app_line();
}

void ProjectTree::reltree_format_project_line() {
  REL6->DISPLAY = data::PRO.PROJECTNAME.raw();
  REL6->NORMALFG = REL6->NORMALBG = REL6->SELECTEDFG = REL6->SELECTEDBG = -1;
  REL6->ICON = REL6->LOADED != 0 ? tree_icon::Open : tree_icon::Closed;
}

void ProjectTree::reltree_format_app_line() {
  REL6->DISPLAY = data::APP.APPLICATION.raw();
  REL6->NORMALFG = REL6->NORMALBG = REL6->SELECTEDFG = REL6->SELECTEDBG = -1;
  REL6->ICON = tree_icon::Application;
}

void ProjectTree::Reselect() {
  if (remembered_level_ == 0) return;
  for (size_t row = 1; const TreeLine* line = REL6.entry(row); ++row) {
    if (std::abs(line->LEVEL) == std::abs(remembered_level_) && line->POSITION == remembered_position_) {
      if (window_.is_hidden(field_) || window_.is_disabled(field_)) {
        // A list on a tab that is not shown takes no focus; its row is set all the same.
        window_.state(field_).selected = static_cast<int>(row);
        window_.list_changed(field_);
      } else {
        window_.select(field_, static_cast<int>(row));
      }
      return;
    }
  }
}

void ProjectTree::ExpandAll() {
  set_action_row(window_.choice(field_));
  reltree_expand_all();
  window_.select(field_);
}

void ProjectTree::ContractAll() {
  set_action_row(window_.choice(field_));
  reltree_contract_all();
  window_.select(field_);
}

void ProjectTree::TakeFieldEvent(ui::Event event) {
  if (event == ui::Event::Expanded) reltree_load_level();
  if (event == ui::Event::Contracted) reltree_unload_level();
}

void ProjectTree::GainFocus() {
  if (!started_) return;
  Rebuild();
}

void ProjectTree::Rebuild() {
  RememberSelectedLine();
  reltree_refresh();
}

void ProjectTree::RememberSelectedLine() {
  if (!REL6.get(static_cast<size_t>(window_.choice(field_)))) return;
  remember(REL6->LEVEL, REL6->POSITION.raw());
}

void ProjectTree::remember(int32_t level, std::string_view position) {
  remembered_level_ = level;
  remembered_position_ = position;
}

int ProjectTree::action_row() const { return window_.state(field_).mouse_row; }

void ProjectTree::set_action_row(int row) { window_.state(field_).mouse_row = row; }

const TreeLine* ProjectTree::selected_line() const {
  return REL6.entry(static_cast<size_t>(std::max(window_.choice(field_), 0)));
}

void ProjectTree::Fail() { window_.post(ui::Event::CloseWindow); }

void ProjectTree::Changed() { window_.list_changed(field_); }

}  // namespace qvn::automation
