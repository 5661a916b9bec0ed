#pragma once
// The main window as the runs see it: the window whose events a step's
// wait takes, the runs' own variables, the queues the project and subset
// runs read, the line selected in the project tree, and where a run's end
// leaves the user. The status line is the conversation's to show.

#include <cstdint>

#include "platform/core/fixed_string.h"
#include "platform/ui/queue.h"
#include "platform/ui/window.h"

namespace qvn::automation {

struct TreeLine;

// One application of a project run (PQ) or of the hand-picked subset (SQ).
struct BuildEntry {
  FixedString<50> APPNAME;
  FixedString<80> DRIVEPATH;
  uint8_t PRIORITY = 0;
  FixedString<250> TARGET;
};

// The main window's variables the runs work on.
struct RunValues {
  FixedString<50> BaseName;  // application file name up to its first "."
  FixedString<3> TargetExt;
  FixedString<130> FullName;  // folder and base name
  FixedString<100> DirSpec;
  int32_t LastSize = 0;
};

class RunHost {
 public:
  virtual ~RunHost() = default;

  // The main window: a step's wait takes its events, a watched folder
  // tells it of a change, and a run's end brings it to the front.
  virtual ui::Window& window() = 0;
  virtual RunValues& values() = 0;
  // PQ, which the project run gathers the project's applications into.
  virtual ui::Queue<BuildEntry>& project_entries() = 0;
  // SQ, the hand-picked subset.
  virtual ui::Queue<BuildEntry>& subset_entries() = 0;
  // The line selected in the project tree; none without one.
  virtual const TreeLine* selected_tree_line() const = 0;
  // The tab "Project &Subsets" is chosen.
  virtual void SelectSubsetsTab() = 0;
  // ?LIST, the applications, gets the focus.
  virtual void FocusApplications() = 0;
};

}  // namespace qvn::automation
