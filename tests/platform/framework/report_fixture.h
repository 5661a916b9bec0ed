#pragma once
// A file of listing entries (the sample report's record) in a temporary
// folder of each test's own, its file manager, a progress window, and a
// report procedure built the way a program builds one: a report manager
// over the progress window, a process manager over the file, the sample
// report printed once per entry.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../report/sample_report.h"
#include "platform/core/error_state.h"
#include "platform/framework/error_manager.h"
#include "platform/framework/process_manager.h"
#include "platform/framework/report_manager.h"
#include "platform/report/report.h"
#include "platform/storage/file_def.h"
#include "platform/storage/record_file.h"
#include "platform/ui/window.h"
#include "support/temp_folder.h"
#include "window_test_support.h"

namespace qvn::framework::report_testing {

using report::sample::Entry;

inline constexpr const char* kProgressCaption = "Progress";

// Entries in date and time order by their key; the tests read them in
// storage order, which is the order they were added.
inline storage::FileDef entry_def(storage::NameVar& name) {
  storage::FileDef def;
  def.label = "Entries";
  def.prefix = "ENT";
  def.fields = {QVN_FIELD(Entry, name, "ENT:NAME"), QVN_FIELD(Entry, date, "ENT:DATE"),
                QVN_FIELD(Entry, clock, "ENT:CLOCK"), QVN_FIELD(Entry, event, "ENT:EVENT")};
  def.keys = {storage::KeyDef{.name = "ENT:WhenKey", .components = {1, 2}, .dup = true}};
  def.struct_size = sizeof(Entry);
  def.name_var = name.data();
  def.name_width = name.width;
  return def;
}

inline ui::WindowDef progress_window(uint8_t& progress) {
  using wm_testing::control;
  ui::WindowDef def;
  def.caption = kProgressCaption;
  def.timer = 10;
  // clang-format off
  def.controls = {control("?PROGRESS:THERMOMETER", ui::ControlKind::Progress),
                  control("?PROGRESS:USERSTRING", ui::ControlKind::String),
                  control("?PROGRESS:PCTTEXT", ui::ControlKind::String),
                  control("?PROGRESS:CANCEL", ui::ControlKind::Button, "Cancel")};
  // clang-format on
  def.controls[0].use = values::VarRef::of(progress);
  return def;
}

// A process manager whose file is closed behind its back just before the
// n-th read since it opened (0: never), so that read fails as a damaged
// file would.
class FailingProcess final : public ProcessManager {
 public:
  FileManager* file = nullptr;
  int fail_at = 0;

  int Open() override {
    reads_ = 0;
    return ProcessManager::Open();
  }
  int Next() override {
    if (++reads_ == fail_at) file->FILE->close();
    return ProcessManager::Next();
  }

 private:
  int reads_ = 0;
};

// The report procedure: each entry read is printed as one detail band.
class ListingProcedure final : public ReportManager {
 public:
  ListingProcedure(ui::Window& w, ProcessManager& process, report::Report& report, FileManager& file)
      : ReportManager(w), process_(process), report_(report), file_(file) {}

  int taken = 0;
  int no_records = 0;

  int Init() override {
    if (int rc = ReportManager::Init()) return rc;
    process_.Init(file_, window(), window().field("?PROGRESS:THERMOMETER"), window().field("?PROGRESS:PCTTEXT"));
    Bind(process_, report_);
    CancelControl = window().field("?PROGRESS:CANCEL");
    Open();
    return level::Benign;
  }

  int TakeRecord() override {
    ++taken;
    const int rc = ReportManager::TakeRecord();
    report_.print("?DETAIL");
    return rc;
  }

  int TakeNoRecords() override {
    ++no_records;
    return ReportManager::TakeNoRecords();
  }

 private:
  ProcessManager& process_;
  report::Report& report_;
  FileManager& file_;
};

class EntryFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_error();
    name_ = (dir_ / "ENTRIES.TPS").string();
    def_ = entry_def(name_);
    file_ = std::make_unique<storage::RecordFile>(def_, &rec_);
    ASSERT_EQ(file_->create(), 0);
    errors_.Init();
    errors_.SetPresenter(&presenter_);
    errors_.SetHaltHook([this](int code) { halts_.push_back(code); });
    manager_ = std::make_unique<wm_testing::TestFileManager>(*file_, name_, errors_, "Entries",
                                                             wm_testing::TestFileManager::Numbering::None);
    manager_->Init();
    std::string error;
    report_ = report::Report::create(report::sample::report_def(rec_), &error);
    ASSERT_NE(report_, nullptr) << error;
    window_ = wm_testing::make_window(progress_window(progress_));
    ASSERT_NE(window_, nullptr);
    process_.file = manager_.get();
  }

  void TearDown() override {
    manager_->Kill();
    file_.reset();
  }

  // Adds entries 0 to count-1 of the sample listing, each dated a day
  // before the one added before it, so that key order is the reverse of
  // storage order. Added through a second instance of the file.
  void add_entries(int count) {
    Entry e;
    storage::RecordFile other(def_, &e);
    ASSERT_EQ(other.open(), 0);
    other.stream();
    for (int i = 0; i < count; ++i) {
      report::sample::fill_entry(e, i);
      e.date = standard_date({2024, 12, 31}) - i;
      ASSERT_EQ(other.add(), 0) << i;
    }
    ASSERT_EQ(other.flush(), 0);
  }

  // Every event text of the report's pages, page after page.
  std::vector<std::string> events(const report::ReportDocument& doc) const {
    std::vector<std::string> out;
    for (int page = 1; page <= static_cast<int>(doc.page_count()); ++page) {
      for (std::string& t : doc.texts(page, "?EVENT")) out.push_back(std::move(t));
    }
    return out;
  }

  static std::vector<std::string> event_words(int from, int to) {
    std::vector<std::string> out;
    for (int i = from; i < to; ++i) out.push_back(report::sample::event_word(i));
    return out;
  }

  test_support::TempFolder folder_{"qvn-report"};
  const std::filesystem::path dir_ = folder_.path();
  storage::NameVar name_;
  storage::FileDef def_;
  Entry rec_;
  std::unique_ptr<storage::RecordFile> file_;
  ErrorManager errors_;
  wm_testing::UiPresenter presenter_;
  std::vector<int> halts_;  // a fatal message ends the program here
  std::unique_ptr<wm_testing::TestFileManager> manager_;
  std::unique_ptr<report::Report> report_;
  uint8_t progress_ = 0;
  std::unique_ptr<ui::Window> window_;
  FailingProcess process_;
};

}  // namespace qvn::framework::report_testing
