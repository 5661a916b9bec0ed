#pragma once
// Each test gets a folder of its own: a private socket folder (QVN_DDE_DIR),
// so no other test's environment answers it, a data folder with the
// activity log, and a work folder for the developer's files. ide-sim runs
// as a real process; whatever copy of it a test started, by itself or
// through the command line, is killed at the end. The program's state is
// put back afterwards.
//
// RunWindow is a small window in the main window's manner: pressing "?GO"
// runs the test's run inside the window's accept loop, as TakeAccepted
// does, with a Conversation over the window's own variables.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "../platform/framework/recording_presenter.h"
#include "automation/conversation.h"
#include "data/dictionary.h"
#include "data/files.h"
#include "data/globals.h"
#include "ide_sim_process.h"
#include "platform/core/error_state.h"
#include "platform/dde/dde_client.h"
#include "platform/dde/socket_folder.h"
#include "platform/framework/error_manager.h"
#include "support/automation_state.h"
#include "support/environment.h"
#include "support/headless.h"
#include "support/temp_folder.h"

extern char** environ;

namespace qvn::automation::testing {

namespace fs = std::filesystem;

inline constexpr const char* kRunCaption = "Lorvane --  QVN v.6.1";

// One entry of the activity log as read back from the file.
struct LogLine {
  std::string app;
  std::string event;
  int32_t date = 0;
  int32_t clock = 0;
};

struct RunWindow : ConversationValues {
  data::ActivityLog log;

  std::unique_ptr<ui::Window> window;
  std::unique_ptr<Conversation> conv;
  std::function<void(Conversation&)> on_go;
  int close_events = 0;

  RunWindow() {
    auto control = [](std::string equate, ui::ControlKind kind, std::string text = {}) {
      ui::ControlDef c;
      c.equate = std::move(equate);
      c.kind = kind;
      c.text = std::move(text);
      return c;
    };
    ui::WindowDef def;
    def.caption = kRunCaption;
    def.timer = 500;
    def.controls = {control("?GO", ui::ControlKind::Button, "Go"), control("?STATUSMSG", ui::ControlKind::Entry),
                    control("?BUTTON7", ui::ControlKind::Button, "Close")};
    def.controls[1].picture = "@s30";
    def.controls[1].use = values::VarRef::of(StatusMsg);
    std::string error;
    window = ui::Window::create(def, &error);
    EXPECT_NE(window, nullptr) << error;
    conv = std::make_unique<Conversation>(*window, *this, log);
  }

  // The window's life: "?GO" runs on_go, "Close" posts the close request,
  // which closes the window.
  void run() {
    window->open();
    while (window->accept()) {
      if (window->event() == ui::Event::CloseWindow) {
        ++close_events;
        window->close();
      } else if (window->accepted() == window->field("?GO") && on_go) {
        on_go(*conv);
      } else if (window->accepted() == window->field("?BUTTON7")) {
        window->post(ui::Event::CloseWindow);
      }
    }
  }
};

class ConversationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_error();
    sockets = dir / "sockets";
    work = dir / "work";
    ASSERT_EQ(::mkdir(sockets.c_str(), 0700), 0);
    fs::create_directory(work);
    fs::create_directory(dir / "data");
    sim_log = dir / "ide-sim.log";
    sim.place(sockets, sim_log);
    dde_dir.set(sockets.string());
    data::TempFileName = (dir / "data" / "TEMPFILE.TPS").string();
    ASSERT_EQ(data::TempFileName.str(), (dir / "data" / "TEMPFILE.TPS").string()) << "temporary folder name too long";
    error_manager.Init();
    error_manager.SetPresenter(&presenter);
    data::dct_init();
    data::GLO_RunString = "";
    set_dde_timeout(6000);
  }

  void TearDown() override {
    set_connect_pause({});
    data::dct_kill();
    sim.kill_all();
    clear_error();
  }

  // The command line that starts ide-sim with these options, logging to sim_log.
  std::string sim_command(const std::string& options = {}) const { return sim.command(options); }
  // Starts ide-sim and waits, in real time, until it serves.
  void start_sim(std::vector<std::string> options = {}) { sim.start(std::move(options)); }
  // Waits in real time, at most 10 seconds, until ide-sim's log holds the text `times` times.
  bool sim_says(const std::string& text, int times = 1) const { return sim.says(text, times); }
  std::vector<pid_t> serving_pids() const { return sim.serving_pids(); }

  // A sample application for ide-sim: its folder and lines.
  fs::path write_app(const std::string& name, const std::string& lines) {
    std::ofstream(work / name) << lines;
    return work / name;
  }

  // The activity log in file order.
  std::vector<LogLine> log_lines() {
    std::vector<LogLine> out;
    const bool was_open = data::TempFile.is_open();
    if (!was_open && data::TempFile.open() != 0) return out;
    data::TempFile.set_order_file();
    while (data::TempFile.next() == 0)
      out.push_back({data::TMP.APPS.str(), data::TMP.EVENT.str(), data::TMP.DATE, data::TMP.CLOCK});
    if (!was_open) data::TempFile.close();
    return out;
  }
  std::vector<std::string> log_events() {
    std::vector<std::string> out;
    for (const LogLine& l : log_lines()) out.push_back(l.app + ": " + l.event);
    return out;
  }

  std::vector<std::string> messages(const ui::HeadlessUser& user) const {
    std::vector<std::string> out;
    for (const auto& m : user.messages()) out.push_back(m.box.text);
    return out;
  }

  test_support::TempFolder folder{"qvn-conv"};
  fs::path dir = folder.path();
  fs::path sockets;
  fs::path work;
  fs::path sim_log;
  test_support::EnvironmentVariable dde_dir{"QVN_DDE_DIR"};
  IdeSimProcess sim;
  framework::testing::RecordingPresenter presenter;
  test_support::AutomationState program_state;  // after what the error manager is given
};

}  // namespace qvn::automation::testing
