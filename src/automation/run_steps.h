#pragma once
// What the generate-and-make runs and the import and export runs share,
// written once: a run's start (the activity log and the connect step), its
// reading of the tagged applications, the names it refuses before it
// removes or sends anything, the removal of an old output, the file tests,
// the error path and the run's end.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "automation/conversation.h"
#include "automation/run_host.h"
#include "data/activity_log.h"
#include "platform/files/file_tests.h"

namespace qvn::automation {

// How the handling of one application ended.
enum class Outcome {
  Next,    // the run goes on with its next application
  EndRun,  // the error path was taken: the run goes to its end
  Stop,    // the window is closing: the run stops at once
};

// The end of a run, as each run has it.
struct RunEnd {
  bool make = false;            // a make run: its conversation closed only when still marked open
  bool select_subsets = false;  // "Project &Subsets" chosen between the two beeps
  bool focus_list = false;      // ?LIST gets the focus last
};

// What a run is made of, besides what every run does.
struct RunPlan {
  // Called once the run has started: gathers the run's applications and
  // gives the reading of them, which puts the next one in its buffer and
  // is false after the last.
  std::function<std::function<bool()>()> applications;
  // One application, from its file test to the end of its wait.
  std::function<Outcome()> step;
  RunEnd end;
};

class RunSteps {
 public:
  RunSteps(RunHost& host, Conversation& conversation, data::ActivityLog& log);

  RunHost& host() { return host_; }
  Conversation& conversation() { return conversation_; }

  // A run: the record buffers kept, its start, then each application and
  // its step until the last one, the error path or a request to close the
  // window; then its end, or its stop.
  void Go(const RunPlan& plan);

  // An application of this run has no target; the end warns of them.
  void CountMissingTarget() { ++missing_targets_; }

  // The start of every run: the activity log is opened and the connect step
  // runs. When the environment does not answer, the user is told once, the
  // run processes nothing and does not report itself complete: false.
  bool Begin();

  void Log(std::string_view app, std::string_view text);

  // The names of the application's command, checked before anything is
  // removed or sent. False after the entry "Error 45 Invalid Filename" for
  // the application when the output's full name would not fit DosFileName,
  // or the command for `name` would not fit its 255 characters or would
  // change its meaning. Otherwise DosFileName holds the output (when one is
  // given) and Loc:DDECommand the command.
  bool Prepare(std::string_view app, std::string_view output, Command command, std::string_view name);

  // Removes the old output DosFileName names: the file of that name in any
  // letter case (the environment does not tell them apart). A folder of the
  // name, a file the owner may not write and one the removal refuses (a
  // data file this program has open, or one another program holds) stay,
  // and so does the entry "Error <code> <text>" of that refusal for the
  // application: false, and nothing is to be sent for it.
  bool RemoveOldOutput(std::string_view app);

  // The kind's finish test for its output, made on each look of a
  // completion wait. `before` is the output's stamp from before the command,
  // for a kind that keeps the old output. A size that settles is noted in
  // Loc:LastSize; the first look only notes it.
  std::function<bool()> Finished(const CommandKind& kind, const std::string& output,
                                 std::optional<files::FileStamp> before);

  // The error path after a command, the last error not 0: for a code below
  // 600 the box error_text & code & " " & text, "Processing Terminated";
  // then the entry "Error <code> <text>" for the application.
  void ErrorPath(std::string_view app, std::string_view error_text);

  // The window is closing during a wait: the run's conversation is closed
  // and the close request passed on; no beep, no box, nothing sent.
  void Stop(bool make);

  // The run's end: the log record cleared, a beep, the window to the front,
  // a beep, "Processing Complete", the warning when applications had no
  // target, the conversation closed, the focus as the run has it.
  void End(const RunEnd& end);

 private:
  RunHost& host_;
  Conversation& conversation_;
  data::ActivityLog& log_;
  int32_t missing_targets_ = 0;  // applications of this run that had no target
};

// The tagged applications in APP:PriorityKey order (priority, then name
// without regard to case) from the very first record, read one by one into
// the Apps buffer. The reading keeps its place by the position of the
// record it read last, so that nothing that reads Apps while an
// application is made makes it skip or repeat one.
class TaggedApps {
 public:
  TaggedApps();
  // The next tagged application; false at the end of the file or when a
  // read fails (the file manager has reported it).
  bool Next();

 private:
  std::string position_;
  uint8_t priority_ = 0;
  std::string application_;
};

// The reading of a fresh TaggedApps, for a run's plan.
std::function<bool()> tagged_apps();

// The regular file of that name exists, its name matched without regard to
// case; a folder does not count.
bool regular_file_found(std::string_view name);
// The stamp of that regular file, its name matched without regard to case.
std::optional<files::FileStamp> stamp_of(std::string_view name);
// The folder part of a file name, "\" or "/" included; empty for a bare name.
std::string folder_part(std::string_view name);
// Orders build entries of equal priority by name, without regard to case.
std::string name_order(const BuildEntry& entry);

}  // namespace qvn::automation
