#include "windows/print_log.h"

#include <cstdint>
#include <memory>
#include <string>

#include "data/dictionary.h"
#include "data/files.h"
#include "platform/core/fixed_string.h"
#include "platform/framework/procedure.h"
#include "platform/framework/process_manager.h"
#include "platform/framework/report_manager.h"
#include "platform/framework/request.h"
#include "platform/report/report.h"
#include "platform/report/report_def.h"
#include "platform/ui/backend.h"
#include "platform/ui/window.h"

namespace qvn::windows {

namespace {

using namespace print_log;
using ui::ControlKind;
using values::VarRef;
namespace level = framework::level;

// The procedure's own state, for one call.
struct Locals {
  FixedString<40> AppName;      // the name printed on the current line, or blank
  FixedString<40> LastAppName;  // the name of the entry printed just before
  uint8_t Progress = 0;         // the progress bar's value, 0 to 100
};

ui::WindowDef P11_PROGRESSWINDOW(Locals& Loc) {
  using K = ControlKind;
  // clang-format off
  return ui::WindowDef{
      .label = "P11$PROGRESSWINDOW",
      .caption = "Report Progress...",
      .at = {0, 0, 142, 59},
      .controls = {
          {.id = PROGRESS_THERMOMETER, .kind = K::Progress, .at = {15, 15, 111, 12},
           .use = VarRef::of(Loc.Progress), .range_low = 0, .range_high = 100},
          {.id = PROGRESS_USERSTRING, .kind = K::String, .at = {0, 3, 141, 10}, .centered = true},
          {.id = PROGRESS_PCTTEXT, .kind = K::String, .at = {0, 30, 141, 10}, .centered = true},
          {.id = PROGRESS_CANCEL, .kind = K::Button, .at = {45, 42, 50, 15}, .text = "Cancel"},
      },
  };
  // clang-format on
}

// The report, in thousandths of an inch; band contents lie relative to
// their band.
report::ReportDef P11_REPORT(Locals& Loc) {
  using report::Align;
  using report::fill;
  using report::line;
  using report::page_number;
  using report::text;
  using report::value;
  const values::Font bold{"", 0, true};
  report::ReportDef def;
  def.label = "P11$REPORT";
  def.font = {"Arial", 10, false};
  def.header = {"",
                {500, 1000, 7000, 542},
                {text({0, 21, 7100, 219}, "QVN5.5 Activity Log", bold, Align::Center),
                 fill({0, 260, 7100, 281}, 0xC0C0C0), line({1500, 260, 0, 281}), line({2458, 260, 0, 281}),
                 line({3229, 260, 0, 281}), text({63, 313, 1396, 167}, "App Name"), text({1563, 313, 417, 167}, "Date"),
                 text({2667, 313, 417, 167}, "Time"), text({3563, 313, 1396, 167}, "Action")}};
  def.detail_area = {500, 1542, 7000, 7458};
  def.details = {
      {"?DETAIL",
       {0, 0, 7000, 281},
       {line({1500, 0, 0, 281}), line({2458, 0, 0, 281}), line({3240, 0, 0, 281}),
        value("?LOC:APPNAME", {63, 52, 1396, 167}, VarRef::of(Loc.AppName), "@s40", bold),
        value("?TMP:DATE", {1552, 52, 833, 167}, VarRef::of(data::TMP.DATE), "@D8"),
        value("?TMP:CLOCK", {2594, 52, 646, 167}, VarRef::of(data::TMP.CLOCK), "@t4"),
        value("?TMP:EVENT", {3292, 52, 3625, 167}, VarRef::of(data::TMP.EVENT), "@s80"), line({0, 281, 7100, 0})}}};
  def.footer = {"",
                {1000, 9000, 6000, 219},
                {page_number("?PAGECOUNT", {5250, 31, 698, 135}, "pPage <<<#p", {"Arial", 8, false})}};
  return def;
}

class ReportWindow final : public framework::ReportManager {
 public:
  ReportWindow(ui::Window& window, report::Report& report, Locals& locals)
      : ReportManager(window), report_(report), Loc(locals) {
    AddRelation(*data::tempfile_relation_manager);
  }

  int Init() override {
    if (const int answer = ReportManager::Init(); answer != level::Benign) return answer;
    FirstField = PROGRESS_THERMOMETER;
    Open();
    window().set_timer(10);
    // No count of entries is given: the log's size when reading starts is
    // the 100 %. The log is read in storage order, a page of records ahead.
    process_.Init(*data::tempfile_file_manager, window(), PROGRESS_THERMOMETER, PROGRESS_PCTTEXT);
    CancelControl = PROGRESS_CANCEL;
    Bind(process_, report_);
    window().set_text(PROGRESS_USERSTRING, "");
    Preview = ui::PreviewDef{.title = "Report Preview", .maximized = true};
    return level::Benign;
  }

  // A line repeats no name: the entry's application is left blank when it
  // is the one of the line printed before, on this page or the one before.
  int TakeRecord() override {
    Loc.AppName = data::TMP.APPS == Loc.LastAppName ? FixedString<40>{} : data::TMP.APPS;
    Loc.LastAppName = data::TMP.APPS;
    const int answer = ReportManager::TakeRecord();
    report_.print("?DETAIL");
    return answer;
  }

  int TakeNoRecords() override {
    ui::message("If there was something to print, I'd print it.||There isn't.", "Go Away", ui::MessageIcon::Stop);
    return level::Benign;
  }

 private:
  report::Report& report_;
  Locals& Loc;
  framework::ProcessManager process_;
};

}  // namespace

void PrintLog() {
  Locals Loc;
  std::string error;
  std::unique_ptr<ui::Window> window = ui::Window::create(P11_PROGRESSWINDOW(Loc), &error);
  std::unique_ptr<report::Report> report = window ? report::Report::create(P11_REPORT(Loc), &error) : nullptr;
  if (!window || !report) {
    framework::report_unbuilt_window("PrintLog", "The activity-log report", error);
    return;
  }
  ReportWindow procedure(*window, *report, Loc);
  framework::run_procedure("PrintLog", procedure);
}

}  // namespace qvn::windows
