// Runs the activity-log report, PrintLog itself (its progress window, its
// bands and its TakeRecord), over a log of 100,000 entries, from the first
// read to the last page laid out (the moment the preview opens), and reads
// the same entries in storage order straight through the storage layer in
// the same run.
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
#include <string>
#include <vector>

#include "data/dictionary.h"
#include "data/files.h"
#include "platform/core/clock.h"
#include "platform/core/std_datetime.h"
#include "platform/framework/error_manager.h"
#include "platform/framework/procedure.h"
#include "platform/framework/request.h"
#include "platform/report/report_document.h"
#include "platform/storage/record_file.h"
#include "platform/ui/backend.h"
#include "platform/ui/window.h"
#include "windows/print_log.h"

using namespace qvn;

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

// The log's entries: five applications in turn, a second apart.
bool make_log() {
  data::TempRecord& rec = data::TMP;
  storage::RecordFile& file = data::TempFile;
  if (file.create() != 0 || file.open() != 0) return false;
  file.stream();
  for (int i = 0; i < kEntries; ++i) {
    file.clear_buffer();
    rec.APPS = "APP" + std::to_string(i % 5) + ".APP";
    rec.DATE = standard_date({2024, 3, 1 + i / 86400 % 28});
    rec.CLOCK = standard_time({i / 3600 % 24, i / 60 % 60, i % 60, 0});
    rec.EVENT = "Make Finished " + std::to_string(i + 1);
    if (file.add() != 0) return false;
  }
  const bool ok = file.flush() == 0;
  file.close();
  return ok;
}

// Every entry read in storage order; milliseconds, negative when short.
double plain_read() {
  const auto start = Steady::now();
  data::TempRecord rec;
  storage::RecordFile file(data::TempFileDef, &rec);
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

ReportRun report_run() {
  ReportRun result;
  SkippingClock clock;
  ScopedClock scoped(clock);
  TimerBackend backend(clock);
  ui::Backend* previous = ui::installed_backend();
  ui::install_backend(&backend);

  const auto start = Steady::now();
  framework::call_procedure(windows::PrintLog, framework::request::None);
  if (framework::GlobalResponse == framework::response::Completed && backend.lines == kEntries) {
    result.ms = ms_between(start, backend.laid_out);
    result.waits = backend.waits;
    result.skipped_ms = clock.skipped();
    result.pages = backend.pages;
  }
  ui::install_backend(previous);
  return result;
}

}  // namespace

int main() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/qvn-bench-report-XXXXXX";
  if (!mkdtemp(pattern.data())) return 1;
  const std::string dir = pattern;
  data::TempFileName = dir + "/TEMPFILE.TPS";
  error_manager.Init();
  data::dct_init();

  if (!make_log()) {
    std::fprintf(stderr, "could not write the log\n");
    return 1;
  }
  plain_read();  // warm the caches
  std::vector<double> reads;
  std::vector<ReportRun> runs;
  for (int i = 0; i < kRuns; ++i) {
    reads.push_back(plain_read());
    runs.push_back(report_run());
  }
  data::dct_kill();
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
