#pragma once
// Each test gets a folder of its own holding ".\QVN.INI" and a data folder,
// this thread's managers, the error manager's messages shown as the window
// layer's boxes (a fatal one's end of the program recorded instead of done),
// and helpers that put records on file before Main runs and read them back.
// The program's state and the procedures Main calls are put back afterwards.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "automation/main_window.h"
#include "data/dictionary.h"
#include "data/files.h"
#include "data/globals.h"
#include "data/settings_file.h"
#include "platform/core/error_state.h"
#include "platform/framework/error_manager.h"
#include "platform/framework/message_presenter.h"
#include "platform/framework/request.h"
#include "platform/storage/record_file.h"
#include "running_environment.h"
#include "support/automation_state.h"
#include "support/data_files.h"
#include "support/environment.h"
#include "support/headless.h"
#include "support/temp_folder.h"

namespace qvn::automation::testing {

namespace fs = std::filesystem;

inline constexpr const char* kCaption = "Lorvane --  QVN v.6.1";

using test_support::AppOnFile;

// One retained entry of TF.TPS.
struct Retained {
  std::string name;
  std::string folder;
  int priority = 0;
  std::string target;
  bool operator==(const Retained&) const = default;
};

inline void PrintTo(const Retained& r, std::ostream* out) {
  *out << "{" << r.name << ", " << r.folder << ", " << r.priority << ", " << r.target << "}";
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_error();
    data_dir = dir / "data";
    fs::create_directory(data_dir);
    // The environment runs, in a socket folder of the test's own.
    sockets = dir / "sockets";
    fs::create_directory(sockets);
    fs::permissions(sockets, fs::perms::owner_all);
    dde_dir.set(sockets.string());
    ASSERT_TRUE(environment.start()) << error_text();
    data::anchor_settings_file(dir.string());
    write_settings({{"NewLog", "N"}, {"CL_Command", "ide-sim"}, {"FilePath", data_folder()}, {"RetainTags", "0"}});
    error_manager.Init();
    error_manager.SetPresenter(&framework::window_message_presenter());
    error_manager.SetHaltHook([this](int code) { halts.push_back(code); });
    data::dct_init();
    main_calls() = MainCalls{};
    framework::GlobalRequest = framework::request::None;
    framework::GlobalResponse = framework::response::None;
  }

  void TearDown() override {
    environment.stop();
    data::dct_kill();
    clear_error();
  }

  // The data folder as the settings name it, with its closing "/".
  std::string data_folder() const { return data_dir.string() + "/"; }

  // Replaces ".\QVN.INI" with these keys of section "Preserved".
  void write_settings(const std::map<std::string, std::string>& keys) {
    std::ofstream out(dir / "QVN.INI", std::ios::trunc);
    out << "[Preserved]\n";
    for (const auto& [key, value] : keys) out << key << "=" << value << "\n";
  }

  static void bare_names() { test_support::bare_data_file_names(); }
  static void names_in(const fs::path& folder) { test_support::name_data_files_in(folder); }
  static void open_or_create(storage::RecordFile& file) { test_support::open_or_create(file); }

  // Puts records on file in the data folder; Main later finds them there
  // under the names it prefixes itself. Each log entry is of LEDGER.APP.
  void seed(const std::vector<AppOnFile>& apps, const std::vector<test_support::ProjectOnFile>& projects = {},
            const std::vector<std::string>& log_events = {}) {
    for (const char* name : {"APPS.TPS", "PROJECTS.TPS", "TEMPFILE.TPS", "TF.TPS"}) fs::remove(data_dir / name);
    names_in(data_dir);
    test_support::seed_apps(apps);
    test_support::seed_projects(projects);
    std::vector<test_support::LogOnFile> log;
    for (const std::string& event : log_events) log.push_back({.app = "LEDGER.APP", .event = event});
    test_support::seed_log(log);
    bare_names();
  }

  // The applications on file in APP:PriorityKey order.
  std::vector<AppOnFile> apps_on_file() {
    names_in(data_dir);
    return test_support::apps_on_file(data::APP_PriorityKey);
  }

  std::vector<int> tags_on_file() {
    std::vector<int> tags;
    for (const AppOnFile& a : apps_on_file()) tags.push_back(a.tag);
    return tags;
  }

  int64_t log_entries_on_file() {
    names_in(data_dir);
    return static_cast<int64_t>(test_support::log_on_file().size());
  }

  // Puts these entries in TF.TPS in the data folder.
  void seed_retained(const std::vector<Retained>& entries) {
    names_in(data_dir);
    data::TagRecord record;
    storage::RecordFile file(data::TagFileDef, &record);
    open_or_create(file);
    if (::testing::Test::HasFatalFailure()) return;
    for (const Retained& r : entries) {
      file.clear_buffer();
      record.APPNAME = r.name;
      record.DRIVEPATH = r.folder;
      record.PRIORITY = static_cast<uint8_t>(r.priority);
      record.TARGET = r.target;
      EXPECT_EQ(file.add(), 0) << error_text();
    }
    file.close();
    bare_names();
  }

  // The entries of TF.TPS in `folder`, in the order they were stored.
  std::vector<Retained> retained_in(const fs::path& folder) {
    const std::string saved = data::TagFileName.str();
    data::TagFileName = (folder / "TF.TPS").string();
    data::TagRecord record;
    storage::RecordFile file(data::TagFileDef, &record);
    std::vector<Retained> out;
    EXPECT_EQ(file.open(), 0) << error_text();
    file.set_order_file();
    while (file.next() == 0) {
      out.push_back({record.APPNAME.str(), record.DRIVEPATH.str(), record.PRIORITY, record.TARGET.str()});
    }
    file.close();
    data::TagFileName = saved;
    return out;
  }
  std::vector<Retained> retained() { return retained_in(data_dir); }

  // A column of each row of a list (1: the priority of LIST and LIST_3).
  static std::vector<std::string> column(ui::WindowView& w, ui::Control list, size_t index) {
    std::vector<std::string> out;
    for (const auto& row : w.list_rows(list)) out.push_back(index < row.size() ? row[index] : std::string());
    return out;
  }

  static std::vector<int> tick_icons(ui::WindowView& w, ui::Control list) {
    std::vector<int> icons;
    for (const auto& row : w.list_cells(list)) icons.push_back(row.empty() ? -1 : row[0].icon);
    return icons;
  }

  test_support::TempFolder folder{"qvn-main"};
  fs::path dir = folder.path();
  fs::path data_dir;
  fs::path sockets;
  test_support::EnvironmentVariable dde_dir{"QVN_DDE_DIR"};
  RunningEnvironment environment;
  std::vector<int> halts;
  test_support::AutomationState program_state;  // after what the error manager is given
};

}  // namespace qvn::automation::testing
