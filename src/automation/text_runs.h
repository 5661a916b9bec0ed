#pragma once
// The import and export runs of the main window: every tagged application
// in turn is converted between its application or dictionary file and the
// text form of that file, in the application's folder, by the running
// environment. An application is done when its output is there: an
// import's output changed since before the command (or appeared), an
// export's output of a size unchanged between two timer events. The runs
// look on the window's timer events only; one conversation serves a whole
// run. The imports ask first, and never remove the file they replace.
//
//   "Import DCT"   base.TXD -> base.DCT
//   "Import APP"   base.TXA -> base.APP
//   "Export APP"   base.APP -> base.TXA
//   "Export DCT"   base.DCT -> base.TXD

#include "automation/run_steps.h"

namespace qvn::automation {

class TextRuns {
 public:
  TextRuns(RunHost& host, Conversation& conversation, data::ActivityLog& log);

  void ImportDct();  // ?IMPORTDCT
  void ImportApp();  // ?IMPORTAPP
  void ExportApp();  // ?EXPORTAPP
  void ExportDct();  // ?EXPORTDCT

 private:
  void Run(const CommandKind& kind);
  // From the source look-up to the end of the wait.
  Outcome Convert(const CommandKind& kind);

  RunSteps steps_;
};

}  // namespace qvn::automation
