#pragma once
// The report manager: the window manager of a report procedure's progress
// window. It joins the process manager that reads the records, the report
// their bands are printed to, and the print preview.
//
// When the progress window opens, the report opens and the first record is
// read and taken like every other. When there is none, TakeNoRecords runs
// (the procedure tells the user) and the window closes with the response
// cancelled. Otherwise each timer event of the window takes one batch of
// records; at the end of the file the response becomes completed, the
// window closes, the last page ends and the preview shows the pages. A
// failure to read, which the file manager has reported, ends the report
// cancelled, as does the window's Cancel control (CancelControl); neither
// previews anything.

#include "platform/framework/process_manager.h"
#include "platform/framework/window_manager.h"
#include "platform/report/report.h"
#include "platform/ui/backend.h"

namespace qvn::framework {

class ReportManager : public WindowManager {
 public:
  explicit ReportManager(ui::Window& progress_window);

  // The process and the report outlive the manager's run.
  void Bind(ProcessManager& process, report::Report& report);

  // Each record read goes through here. The base runs the process
  // manager's TakeRecord and answers its result; a procedure's override
  // works on the record, prints its bands and answers that result.
  virtual int TakeRecord();
  // The first read found no record. The base does nothing.
  virtual int TakeNoRecords();

  int TakeWindowEvent() override;
  // Drops the report's pages, then the base Kill.
  int Kill() override;

  ui::PreviewDef Preview;
  // What the user did in the preview; nothing printed when none was shown.
  const ui::PreviewResult& PreviewAnswer() const { return answer_; }

 private:
  int OpenReport();
  int TakeTimer();
  int Finish();
  int Stop();

  ProcessManager* process_ = nullptr;
  report::Report* report_ = nullptr;
  bool reading_ = false;
  ui::PreviewResult answer_;
};

}  // namespace qvn::framework
