#pragma once
// The generate-and-make runs of the main window: the environment generates
// and makes a set of applications one after another, each with the command
// ExecuteProject. For each application the run checks that its file
// exists, removes the old target, sends the command and waits until the
// target is there again, with every step in the activity log.
//
//   "&Gen && Make    (.APP)"           the tagged applications, by priority
//   "Gen && &Make  (Project)"          the applications of the project
//                                      selected in the project tree
//   "Gen && &Make  (Project Subset)"   the hand-picked subset SQ
//
// Applications of equal priority are made in name order, without regard to
// case. A target that names no folder lies in the application's folder,
// where the environment writes it; the stored records keep their targets
// as they are.

#include <cstdint>
#include <string>
#include <string_view>

#include "automation/run_steps.h"
#include "platform/ui/queue.h"

namespace qvn::automation {

class MakeRuns {
 public:
  MakeRuns(RunHost& host, Conversation& conversation, data::ActivityLog& log);

  // ?EXECUTEAPP: every application with APP:TAG 1.
  void ExecuteApp();
  // ?GENERATE: every application of the project on the selected line of
  // the project tree, tagged or not; no project without a project line.
  void Generate();
  // ?GENERATESUBSET: the subset, each entry with its application's current
  // target and priority when the application is still on file.
  void GenerateSubset();

 private:
  // One application as a make run takes it.
  struct Application {
    std::string name;    // file name with extension
    std::string folder;  // its folder
    uint8_t priority = 0;
    bool has_target = false;  // a target is given (and, for the tagged run, its type)
    std::string target;       // the target, with the folder in front when it names none
    bool show_priority = true;
  };

  // A run over the entries of PQ or SQ, gathered first.
  void MakeEntries(ui::Queue<BuildEntry>& queue, void (MakeRuns::*gather)(), bool show_priority, const RunEnd& end);
  // The applications of the project on the selected project line into PQ,
  // by priority, then name.
  void GatherProject();
  // The subset's entries with their applications' current targets and
  // priorities, by priority, then name.
  void RefreshSubset();
  // From the reopen step to the close after the wait.
  Outcome Make(const Application& app);
  // The tagged application in the Apps buffer, its target's type found by
  // the split step.
  Application FromRecord();
  // The project or subset entry in the BuildEntry queue's buffer.
  static Application FromEntry(const BuildEntry& entry, bool show_priority);

  RunSteps steps_;
};

}  // namespace qvn::automation
