// Runs a report over a file of 100,000 entries the way a report procedure
// does, from the first read to the last page laid out (the moment the
// preview would open), and reads the same entries in storage order straight
// through the storage layer in the same run. The report is the four-column
// listing of the tests: a detail band of four values and four lines per
// entry, 26 to a page.
//
// The progress window's timer fires every 100 ms. A person would see the
// window idle between timer events; the benchmark does not wait them out:
// its clock jumps to the next timer event whenever the window waits, so
// the time measured is the work done, batches timed as they really take.
// The idle time skipped is printed too.
//
// Prints the median of each and, as the last line, "report-ratio: R", the
// report's time over the plain read's.

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/core/clock.h"
#include "platform/core/fixed_string.h"
#include "platform/framework/file_manager.h"
#include "platform/framework/process_manager.h"
#include "platform/framework/report_manager.h"
#include "platform/report/report.h"
#include "platform/storage/record_file.h"
#include "platform/ui/backend.h"
#include "platform/ui/window.h"
#include "sample_report.h"

using namespace qvn;
using report::sample::Entry;

namespace {

constexpr int kEntries = 100000;
constexpr int kRuns = 5;

using Steady = std::chrono::steady_clock;

double ms_between(Steady::time_point a, Steady::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

// The system clock, moved on by the idle time skipped.
class SkippingClock final : public Clock {
 public:
  int64_t now_ms() const override { return system_.now_ms() + skipped_; }
  int64_t steady_ms() const override { return system_.steady_ms() + skipped_; }
  void skip_to(int64_t steady) { skipped_ += std::max<int64_t>(0, steady - steady_ms()); }
  int64_t skipped() const { return skipped_; }

 private:
  SystemClock system_;
  int64_t skipped_ = 0;
};

// Nobody at the screen: a waiting window gets its next timer event at
// once, and the preview notes when the pages were ready.
class TimerBackend final : public ui::Backend {
 public:
  explicit TimerBackend(SkippingClock& clock) : clock_(clock) {}

  void window_opened(ui::Window&) override {}
  void window_closed(ui::Window&) override {}
  void wait_for_event(ui::Window& w) override {
    const long long due = w.next_timer_ms();
    if (due < 0) {
      w.close();
      return;
    }
    clock_.skip_to(due);
    ++waits;
  }
  void refresh(ui::Window&, int) override {}
  void repaint_only() override {}
  void to_front(ui::Window&) override {}
  int message(const ui::MessageBoxDef& box) override {
    std::fprintf(stderr, "message: %s\n", box.text.c_str());
    return ui::answer_without_choice(box);
  }
  std::string open_file(const ui::FileDialogDef&) override { return {}; }
  std::string choose_folder(const ui::FolderDialogDef&) override { return {}; }
  int popup(ui::Window&, const std::string&) override { return 0; }
  void beep() override {}
  ui::PreviewResult preview(const report::ReportDocument& document, const ui::PreviewDef&) override {
    laid_out = Steady::now();
    pages = document.page_count();
    lines = 0;
    for (const report::Page& page : document.pages()) lines += page.details;
    return {};
  }

  int waits = 0;
  Steady::time_point laid_out;
  size_t pages = 0;
  int64_t lines = 0;

 private:
  SkippingClock& clock_;
};

struct EntryFile {
  storage::NameVar name;
  storage::FileDef def;
  Entry rec;

  explicit EntryFile(const std::string& path) {
    name = path;
    def.label = "Entries";
    def.prefix = "ENT";
    def.fields = {QVN_FIELD(Entry, name, "ENT:NAME"), QVN_FIELD(Entry, date, "ENT:DATE"),
                  QVN_FIELD(Entry, clock, "ENT:CLOCK"), QVN_FIELD(Entry, event, "ENT:EVENT")};
    def.keys = {storage::KeyDef{.name = "ENT:WhenKey", .components = {1, 2}, .dup = true}};
    def.struct_size = sizeof(Entry);
    def.name_var = name.data();
    def.name_width = name.width;
  }
};

class EntryFileManager final : public framework::FileManager {
 public:
  EntryFileManager(storage::RecordFile& file, EntryFile& entries) : file_(file), entries_(entries) {}
  void Init() override {
    FILE = &file_;
    BUFFER = file_.buffer();
    FILENAME = std::span<char>(entries_.name.data(), entries_.name.width);
    FILENAMEVALUE = "Entries";
    FileManager::Init();
  }

 private:
  storage::RecordFile& file_;
  EntryFile& entries_;
};

class ListingReport final : public framework::ReportManager {
 public:
  ListingReport(ui::Window& w, framework::ProcessManager& process, report::Report& report,
                framework::FileManager& file)
      : ReportManager(w), process_(process), report_(report), file_(file) {}
  using ReportManager::Run;

  int Init() override {
    if (int rc = ReportManager::Init()) return rc;
    process_.Init(file_, window(), window().field("?PROGRESS:THERMOMETER"), window().field("?PROGRESS:PCTTEXT"));
    Bind(process_, report_);
    CancelControl = window().field("?PROGRESS:CANCEL");
    Open();
    return 0;
  }
  int TakeRecord() override {
    const int rc = ReportManager::TakeRecord();
    report_.print("?DETAIL");
    return rc;
  }

 private:
  framework::ProcessManager& process_;
  report::Report& report_;
  framework::FileManager& file_;
};

ui::ControlDef control(std::string equate, ui::ControlKind kind, std::string text = {}) {
  ui::ControlDef c;
  c.equate = std::move(equate);
  c.kind = kind;
  c.text = std::move(text);
  return c;
}

bool make_file(EntryFile& entries) {
  storage::RecordFile file(entries.def, &entries.rec);
  if (file.create() != 0 || file.open() != 0) return false;
  file.stream();
  for (int i = 0; i < kEntries; ++i) {
    report::sample::fill_entry(entries.rec, i);
    if (file.add() != 0) return false;
  }
  return file.flush() == 0;
}

// Every entry read in storage order; milliseconds, negative when short.
double plain_read(EntryFile& entries) {
  const auto start = Steady::now();
  storage::RecordFile file(entries.def, &entries.rec);
  if (file.open() != 0 || file.set_order_file() != 0) return -1;
  int n = 0;
  while (file.next() == 0) ++n;
  file.close();
  const double ms = ms_between(start, Steady::now());
  return n == kEntries ? ms : -1;
}

struct ReportRun {
  double ms = -1;
  int waits = 0;
  int64_t skipped_ms = 0;
  size_t pages = 0;
};

ReportRun report_run(EntryFile& entries) {
  ReportRun result;
  SkippingClock clock;
  ScopedClock scoped(clock);
  TimerBackend backend(clock);
  ui::Backend* previous = ui::installed_backend();
  ui::install_backend(&backend);

  const auto start = Steady::now();
  storage::RecordFile file(entries.def, &entries.rec);
  EntryFileManager manager(file, entries);
  manager.Init();
  manager.Open();
  std::string error;
  auto report = report::Report::create(report::sample::report_def(entries.rec), &error);
  uint8_t progress = 0;
  ui::WindowDef def;
  def.caption = "Progress";
  def.timer = 10;
  def.controls = {control("?PROGRESS:THERMOMETER", ui::ControlKind::Progress),
                  control("?PROGRESS:USERSTRING", ui::ControlKind::String),
                  control("?PROGRESS:PCTTEXT", ui::ControlKind::String),
                  control("?PROGRESS:CANCEL", ui::ControlKind::Button, "Cancel")};
  def.controls[0].use = ui::VarRef::of(progress);
  auto window = ui::Window::create(def, &error);
  if (report && window) {
    framework::ProcessManager process;
    ListingReport procedure(*window, process, *report, manager);
    const int response = procedure.Run();
    if (response == framework::response::Completed && backend.lines == kEntries) {
      result.ms = ms_between(start, backend.laid_out);
      result.waits = backend.waits;
      result.skipped_ms = clock.skipped();
      result.pages = backend.pages;
    }
  }
  manager.Close();
  manager.Kill();
  ui::install_backend(previous);
  return result;
}

}  // namespace

int main() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/qvn-bench-report-XXXXXX";
  if (!mkdtemp(pattern.data())) return 1;
  const std::string dir = pattern;

  EntryFile entries(dir + "/ENTRIES.TPS");
  if (!make_file(entries)) {
    std::fprintf(stderr, "could not write the file\n");
    return 1;
  }
  plain_read(entries);  // warm the caches
  std::vector<double> reads;
  std::vector<ReportRun> runs;
  for (int i = 0; i < kRuns; ++i) {
    reads.push_back(plain_read(entries));
    runs.push_back(report_run(entries));
  }
  std::filesystem::remove_all(dir);
  for (size_t i = 0; i < runs.size(); ++i) {
    if (reads[i] < 0 || runs[i].ms < 0) {
      std::fprintf(stderr, "a run did not read every entry\n");
      return 1;
    }
  }
  std::sort(reads.begin(), reads.end());
  std::sort(runs.begin(), runs.end(), [](const ReportRun& a, const ReportRun& b) { return a.ms < b.ms; });
  const double read_ms = reads[reads.size() / 2];
  const ReportRun& report = runs[runs.size() / 2];
  std::printf("plain-read-ms: %.3f\n", read_ms);
  std::printf("report-ms: %.3f\n", report.ms);
  std::printf("report-pages: %zu\n", report.pages);
  std::printf("report-timer-events: %d\n", report.waits);
  std::printf("report-idle-skipped-ms: %lld\n", static_cast<long long>(report.skipped_ms));
  std::printf("report-ratio: %.2f\n", report.ms / read_ms);
  return 0;
}
