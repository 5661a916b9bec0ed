#include "automation/make_runs.h"

#include <cstdlib>
#include <functional>

#include "automation/project_tree.h"
#include "automation/split_step.h"
#include "data/dictionary.h"
#include "data/files.h"
#include "platform/core/error_state.h"
#include "platform/framework/file_manager.h"
#include "platform/ui/folder_watch.h"

namespace qvn::automation {

MakeRuns::MakeRuns(RunHost& host, Conversation& conversation, data::ActivityLog& log)
    : steps_(host, conversation, log) {}

namespace {

// Each entry of the queue in turn, in its buffer.
std::function<bool()> each_entry(ui::Queue<BuildEntry>& queue) {
  return [&queue, i = size_t{0}]() mutable { return ++i <= queue.records() && queue.get(i); };
}

}  // namespace

void MakeRuns::ExecuteApp() {
  steps_.Go({.applications = tagged_apps,
             .step = [this] { return Make(FromRecord()); },
             .end = {.make = true, .focus_list = true}});
}

void MakeRuns::Generate() {
  MakeEntries(steps_.host().project_entries(), &MakeRuns::GatherProject, true, {.make = true});
}

void MakeRuns::GatherProject() {
  auto& PQ = steps_.host().project_entries();
  PQ.free();
  // Only a project line names a project; the root, an application line or
  // no line at all names none, whatever text the line shows.
  const TreeLine* line = steps_.host().selected_tree_line();
  if (!line || std::abs(line->LEVEL) != 1) return;
  data::PRO.PROJECTNAME = line->DISPLAY.clipped();
  if (data::projects_file_manager->Fetch(data::PRO_ProjectNameKey) != err::NoError) return;
  data::APP.P_REF = data::PRO.P_REF;
  data::apps_file_manager->UseFile(framework::use::Returns);
  data::Apps.set_order_from_buffer(data::APP_P_RefKey);
  while (data::apps_file_manager->Next() == framework::level::Benign && data::APP.P_REF == data::PRO.P_REF) {
    PQ->APPNAME = data::APP.APPLICATION.raw();
    PQ->DRIVEPATH = data::APP.DRIVENPATH.raw();
    PQ->PRIORITY = data::APP.Priority;
    PQ->TARGET = data::APP.TARGET.raw();
    PQ.add_in_order(&BuildEntry::PRIORITY, name_order);
  }
}

void MakeRuns::GenerateSubset() {
  MakeEntries(steps_.host().subset_entries(), &MakeRuns::RefreshSubset, false, {.make = true, .select_subsets = true});
}

void MakeRuns::MakeEntries(ui::Queue<BuildEntry>& queue, void (MakeRuns::*gather)(), bool show_priority,
                           const RunEnd& end) {
  steps_.Go({.applications =
                 [this, &queue, gather] {
                   (this->*gather)();
                   return each_entry(queue);
                 },
             .step = [this, &queue, show_priority] { return Make(FromEntry(queue.buffer(), show_priority)); },
             .end = end});
}

void MakeRuns::RefreshSubset() {
  auto& SQ = steps_.host().subset_entries();
  // An entry is a copy of its application from when it was picked, perhaps
  // long ago: the application's current target and priority count. An
  // application no longer on file is made as the entry has it, its file
  // test guarding it.
  for (size_t i = 1; i <= SQ.records(); ++i) {
    if (!SQ.get(i)) break;
    data::APP.APPLICATION = SQ->APPNAME.raw();
    data::APP.DRIVENPATH = SQ->DRIVEPATH.raw();
    if (data::apps_file_manager->Fetch(data::APP_DriveKey) == err::NoError) {
      SQ->TARGET = data::APP.TARGET.raw();
      SQ->PRIORITY = data::APP.Priority;
      SQ.put();
    }
  }
  SQ.sort(&BuildEntry::PRIORITY, name_order);
}

MakeRuns::Application MakeRuns::FromRecord() {
  RunValues& Loc = steps_.host().values();
  split_step(Loc);
  Application app;
  app.name = data::APP.APPLICATION.str();
  app.folder = data::APP.DRIVENPATH.str();
  app.priority = data::APP.Priority;
  app.has_target = !data::APP.TARGET.blank() && !Loc.TargetExt.blank();
  app.target = data::APP.TARGET.str();
  return app;
}

MakeRuns::Application MakeRuns::FromEntry(const BuildEntry& entry, bool show_priority) {
  Application app;
  app.name = entry.APPNAME.str();
  app.folder = entry.DRIVEPATH.str();
  app.priority = entry.PRIORITY;
  app.has_target = !entry.TARGET.blank();
  app.target = with_folder(app.folder, entry.TARGET.clipped());
  app.show_priority = show_priority;
  return app;
}

Outcome MakeRuns::Make(const Application& app) {
  Conversation& conversation = steps_.conversation();
  RunValues& Loc = steps_.host().values();
  const CommandKind& kind = command_kind(Command::GenerateAndMake);
  const std::string priority = app.show_priority ? std::to_string(app.priority) : std::string();

  conversation.Reopen();
  const std::string path = app.folder + app.name;
  if (!regular_file_found(path)) {
    steps_.Log(app.name, kind.not_found);
    return Outcome::Next;
  }
  conversation.SetTimeOut();
  steps_.Log(app.name, kind.begin);
  if (!app.has_target) {
    steps_.CountMissingTarget();
    steps_.Log(app.name, "Make Aborted: Target name or type not specified");
    return Outcome::Next;
  }
  if (!steps_.Prepare(app.name, app.target, kind.command, path)) return Outcome::Next;
  Loc.FullName = path;
  if (!steps_.RemoveOldOutput(app.name)) return Outcome::Next;

  // The target's folder is watched from before the command, so the target
  // is seen the moment it appears, however soon that is.
  const ui::FolderWatch watch(steps_.host().window(), folder_part(data::DosFileName.clipped()));
  conversation.Send(kind.repaint_first);
  conversation.ErrorCheck();
  if (error_code() != 0) {
    steps_.ErrorPath(app.name, kind.error_text);
    return Outcome::EndRun;
  }
  conversation.ShowStatus(fill(kind.acknowledged, app.name, priority));
  const WaitEnd end = conversation.CompletionWait(
      app.name, kind.wait_on, steps_.Finished(kind, std::string(data::DosFileName.clipped()), std::nullopt), [&] {
        conversation.ShowStatus(fill(kind.made, app.name, priority));
        steps_.Log(app.name, kind.finished);
      });
  if (end == WaitEnd::CloseRequested || end == WaitEnd::WindowClosed) return Outcome::Stop;
  conversation.CloseWhenConnected();
  return Outcome::Next;
}

}  // namespace qvn::automation
