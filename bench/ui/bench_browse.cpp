// Opens a browse over an activity log of 100,000 entries and over one of
// 100, the way the log browse opens: the file opened through its manager,
// the window built, the browse set up on the clock key with its numeric
// thumb step and filled when the window opens. Prints the median opening
// time of each and "browse-scale: R", the large log's time over the small
// one's.
//
// Then the same for the program's own log browse, ViewEvents, run headless
// over the program's log file (its dictionary, relation manager and window)
// until its window first waits for the user: "view-events-open-100-ms",
// "view-events-open-ms" and "view-events-scale: R".
//
// Then in ViewEvents over the same two logs, End and then PageUp pressed on
// the list, each timed from the key to the window's next wait (the browse
// has moved by then): "browse-end-100-ms" and "browse-end-ms", the slower
// of the two keys over 100 and over 100,000 entries (medians of the runs),
// and "browse-end-scale: R", End and PageUp over 100,000 entries against
// the same over 100.

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "data/dictionary.h"
#include "data/files.h"
#include "platform/core/fixed_string.h"
#include "platform/framework/browse_manager.h"
#include "platform/framework/error_manager.h"
#include "platform/framework/file_manager.h"
#include "platform/framework/window_manager.h"
#include "platform/storage/record_file.h"
#include "platform/ui/backend.h"
#include "platform/ui/list_model.h"
#include "platform/ui/window.h"
#include "windows/view_events.h"

using namespace qvn;

namespace {

struct LogRecord {
  FixedString<40> APPS;
  int32_t DATE = 0;
  int32_t CLOCK = 0;
  FixedString<80> EVENT;
};

constexpr int kRuns = 25;

struct LogFile {
  storage::NameVar name;
  storage::FileDef def;
  LogRecord rec;

  explicit LogFile(const std::string& path) {
    name = path;
    def.label = "TempFile";
    def.prefix = "TMP";
    def.fields = {QVN_FIELD(LogRecord, APPS, "TMP:APPS"), QVN_FIELD(LogRecord, DATE, "TMP:DATE"),
                  QVN_FIELD(LogRecord, CLOCK, "TMP:CLOCK"), QVN_FIELD(LogRecord, EVENT, "TMP:EVENT")};
    def.keys = {storage::KeyDef{.name = "tmp:clockkey", .components = {1, 2}, .dup = true}};
    def.struct_size = sizeof(LogRecord);
    def.name_var = name.data();
    def.name_width = name.width;
  }
};

class LogFileManager final : public framework::FileManager {
 public:
  LogFileManager(storage::RecordFile& file, LogFile& log) : file_(file), log_(log) {}
  void Init() override {
    FILE = &file_;
    BUFFER = file_.buffer();
    FILENAME = std::span<char>(log_.name.data(), log_.name.width);
    FILENAMEVALUE = "TempFile";
    FileManager::Init();
  }

 private:
  storage::RecordFile& file_;
  LogFile& log_;
};

class LogBrowseWindow final : public framework::WindowManager {
 public:
  LogBrowseWindow(ui::Window& w, framework::BrowseManager& browse, framework::FileManager& file, LogRecord& rec)
      : WindowManager(w), browse_(browse), file_(file), rec_(rec) {}
  using WindowManager::Run;

  int Init() override {
    if (int rc = WindowManager::Init()) return rc;
    browse_.Init(window().field("?LIST"), file_, *this);
    browse_.AddSortOrder(file_.FILE->def().keys[0]);
    browse_.SetThumbStep(framework::ThumbStep::Numeric);
    browse_.AddField(values::VarRef::of(rec_.APPS));
    browse_.AddField(values::VarRef::of(rec_.DATE));
    browse_.AddField(values::VarRef::of(rec_.CLOCK));
    browse_.AddField(values::VarRef::of(rec_.EVENT));
    Open();
    return 0;
  }

 private:
  framework::BrowseManager& browse_;
  framework::FileManager& file_;
  LogRecord& rec_;
};

bool make_log(LogFile& log, int entries) {
  storage::RecordFile file(log.def, &log.rec);
  if (file.create() != 0 || file.open() != 0) return false;
  file.stream();
  for (int i = 0; i < entries; ++i) {
    log.rec.APPS = "APP" + std::to_string(i % 50) + ".APP";
    log.rec.DATE = 80000 + i / 5000;
    log.rec.CLOCK = (i * 7919) % 8640000 + 1;
    log.rec.EVENT = "Make Finished " + std::to_string(i);
    if (file.add() != 0) return false;
  }
  return file.flush() == 0;
}

// One opening of the browse; milliseconds, or a negative value when it failed.
double open_browse(LogFile& log) {
  auto start = std::chrono::steady_clock::now();
  storage::RecordFile file(log.def, &log.rec);
  LogFileManager manager(file, log);
  manager.Init();
  manager.Open();
  ui::WindowDef def;
  def.caption = "Activity Log";
  ui::ControlDef list;
  list.equate = "?LIST";
  list.kind = ui::ControlKind::List;
  list.at = ui::Rect{6, 2, 235, 159};
  list.format = "90L(2)~Application~@s40@43R(3)~Date~C(2)@d1@34L(2)~Time~L(5)@t4@240L(2)~Event~@s80@";
  def.controls.push_back(list);
  std::string error;
  auto window = ui::Window::create(def, &error);
  if (!window) return -1;
  framework::BrowseManager browse;
  LogBrowseWindow procedure(*window, browse, manager, log.rec);
  // Without a person at the screen the window closes when it first waits,
  // right after the open-window step has filled the list.
  procedure.Run();
  size_t rows = browse.Records();
  manager.Close();
  manager.Kill();
  double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  return rows == browse.PageRows() ? ms : -1;
}

double median_open(LogFile& log) {
  std::vector<double> times;
  open_browse(log);  // warm the caches
  for (int i = 0; i < kRuns; ++i) {
    double ms = open_browse(log);
    if (ms < 0) return -1;
    times.push_back(ms);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// A backend without a screen: what a window shows goes nowhere, and a
// message box is counted and answered as one without a choice.
class Unattended : public ui::Backend {
 public:
  void window_opened(ui::Window&) override {}
  void window_closed(ui::Window&) override {}
  void refresh(ui::Window&, int) override {}
  void repaint_only() override {}
  void to_front(ui::Window&) override {}
  int message(const ui::MessageBoxDef& box) override {
    ++messages;
    return ui::answer_without_choice(box);
  }
  std::string open_file(const ui::FileDialogDef&) override { return {}; }
  std::string choose_folder(const ui::FolderDialogDef&) override { return {}; }
  int popup(ui::Window&, const std::string&) override { return 0; }
  void beep() override {}

  int messages = 0;
};

// Nobody at the screen: a window is closed when it first waits, after the
// lines its list holds by then are counted. A message box counts as a fault.
class FirstWait final : public Unattended {
 public:
  void wait_for_event(ui::Window& w) override {
    const ui::ListModel* list = w.state(qvn::windows::view_events::LIST).list;
    rows = list ? list->rows() : 0;
    w.close();
  }

  size_t rows = 0;
};

// The program's log of `entries` entries at `path`, written as the runs write it.
bool make_program_log(const std::string& path, int entries) {
  data::TempFileName = path;
  storage::RecordFile& file = data::TempFile;
  if (file.create() != 0 || file.open() != 0) return false;
  file.stream();
  for (int i = 0; i < entries; ++i) {
    file.clear_buffer();
    data::TMP.APPS = "APP" + std::to_string(i / 7 % 50) + ".APP";
    data::TMP.DATE = 80000 + i / 5000;
    data::TMP.CLOCK = (i * 7919) % 8640000 + 1;
    data::TMP.EVENT = "Make Finished " + std::to_string(i);
    if (file.add() != 0) return false;
  }
  const bool flushed = file.flush() == 0;
  file.close();
  return flushed;
}

// One opening of ViewEvents over the log at `path`; milliseconds, or a
// negative value when the list did not show a full page.
double open_view_events(const std::string& path, FirstWait& person) {
  data::TempFileName = path;
  person.rows = 0;
  auto start = std::chrono::steady_clock::now();
  qvn::windows::ViewEvents();
  double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  // 159 dialog units of list less its header line, 8 a line.
  return person.rows == 18 && person.messages == 0 && !data::TempFile.is_open() ? ms : -1;
}

double median_view_events(const std::string& path, FirstWait& person) {
  std::vector<double> times;
  open_view_events(path, person);  // warm the caches
  for (int i = 0; i < kRuns; ++i) {
    double ms = open_view_events(path, person);
    if (ms < 0) return -1;
    times.push_back(ms);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// Presses End on the log browse's list at its first wait and PageUp at the
// next, timing each until the window waits again; closes the window at the
// third wait. A list that does not stand on the last entry after End, or a
// message box, counts as a fault.
class EndThenPageUp final : public Unattended {
 public:
  void wait_for_event(ui::Window& w) override {
    const auto now = std::chrono::steady_clock::now();
    const int list = qvn::windows::view_events::LIST;
    switch (++waits_) {
      case 1:
        start_ = now;
        if (!w.user_key(list, ui::key::End)) ++faults;
        return;
      case 2:
        end_ms = std::chrono::duration<double, std::milli>(now - start_).count();
        if (w.state(list).thumb != 100 || w.choice(list) != static_cast<int>(w.state(list).list->rows())) ++faults;
        start_ = std::chrono::steady_clock::now();
        if (!w.user_key(list, ui::key::PageUp)) ++faults;
        return;
      default:
        page_up_ms = std::chrono::duration<double, std::milli>(now - start_).count();
        w.close();
        return;
    }
  }
  void again() { waits_ = 0; }

  double end_ms = 0;
  double page_up_ms = 0;
  int faults = 0;

 private:
  int waits_ = 0;
  std::chrono::steady_clock::time_point start_;
};

struct KeyTimes {
  double end_ms = -1;
  double page_up_ms = -1;
};

// The median time of each key over the runs; negative times on a fault.
KeyTimes median_end_then_page_up(const std::string& path) {
  EndThenPageUp person;
  ui::install_backend(&person);
  data::TempFileName = path;
  std::vector<double> ends;
  std::vector<double> page_ups;
  for (int i = 0; i <= kRuns; ++i) {
    person.again();
    qvn::windows::ViewEvents();
    // The first run warms the caches.
    if (i == 0) continue;
    ends.push_back(person.end_ms);
    page_ups.push_back(person.page_up_ms);
  }
  ui::install_backend(nullptr);
  if (person.faults != 0 || person.messages != 0) return {};
  std::sort(ends.begin(), ends.end());
  std::sort(page_ups.begin(), page_ups.end());
  return {ends[ends.size() / 2], page_ups[page_ups.size() / 2]};
}

}  // namespace

int main() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/qvn-bench-browse-XXXXXX";
  if (!mkdtemp(pattern.data())) return 1;
  const std::string dir = pattern;

  LogFile large(dir + "/LARGE.TPS");
  LogFile small(dir + "/SMALL.TPS");
  if (!make_log(large, 100000) || !make_log(small, 100)) {
    std::fprintf(stderr, "could not write the logs\n");
    return 1;
  }
  double small_ms = median_open(small);
  double large_ms = median_open(large);

  qvn::error_manager.Init();
  data::dct_init();
  FirstWait person;
  ui::install_backend(&person);
  const std::string program_large = dir + "/TEMPFILE-LARGE.TPS";
  const std::string program_small = dir + "/TEMPFILE-SMALL.TPS";
  double view_small_ms = -1;
  double view_large_ms = -1;
  bool written = make_program_log(program_large, 100000) && make_program_log(program_small, 100);
  KeyTimes keys_small;
  KeyTimes keys_large;
  if (written) {
    view_small_ms = median_view_events(program_small, person);
    view_large_ms = median_view_events(program_large, person);
    ui::install_backend(nullptr);
    keys_small = median_end_then_page_up(program_small);
    keys_large = median_end_then_page_up(program_large);
  }
  ui::install_backend(nullptr);
  data::dct_kill();
  std::filesystem::remove_all(dir);
  if (!written) {
    std::fprintf(stderr, "could not write the program's logs\n");
    return 1;
  }
  if (small_ms < 0 || large_ms < 0 || view_small_ms < 0 || view_large_ms < 0) {
    std::fprintf(stderr, "a browse did not fill its page\n");
    return 1;
  }
  if (keys_small.end_ms < 0 || keys_large.end_ms < 0) {
    std::fprintf(stderr, "End did not reach the last entry of the log\n");
    return 1;
  }
  std::printf("browse-open-100-ms: %.3f\n", small_ms);
  std::printf("browse-open-ms: %.3f\n", large_ms);
  std::printf("browse-scale: %.2f\n", large_ms / small_ms);
  std::printf("view-events-open-100-ms: %.3f\n", view_small_ms);
  std::printf("view-events-open-ms: %.3f\n", view_large_ms);
  std::printf("view-events-scale: %.2f\n", view_large_ms / view_small_ms);
  std::printf("browse-end-100-ms: %.3f\n", std::max(keys_small.end_ms, keys_small.page_up_ms));
  std::printf("browse-end-ms: %.3f\n", std::max(keys_large.end_ms, keys_large.page_up_ms));
  std::printf("browse-end-scale: %.2f\n",
              (keys_large.end_ms + keys_large.page_up_ms) / (keys_small.end_ms + keys_small.page_up_ms));
  return 0;
}
