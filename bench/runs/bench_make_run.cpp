// A make run over 20 tagged applications, the way the program does it:
// the main window, headless, on the real clock (RealTimeBackend), presses
// "Gen && Make (.APP)" once it is open; ide-sim, running as its own
// process, builds each application in 0.2 s. The run's own overhead is
// what it adds to those builds. The last line is "make-overhead-ms: N",
// N = (the run's wall time - the sum of the build times) / 20.

#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "automation/main_window.h"
#include "data/files.h"
#include "data/settings_file.h"
#include "data/startup.h"
#include "demo_catalog.h"
#include "platform/core/error_state.h"
#include "platform/dde/dde_client.h"
#include "platform/framework/error_manager.h"
#include "platform/framework/message_presenter.h"
#include "platform/ui/realtime_backend.h"
#include "platform/ui/window.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kApplications = 20;
constexpr double kBuildSeconds = 0.2;

// Nobody at the screen: the run's button is pressed at the main window's
// first wait, every later wait is the real-time backend's, and once the
// status line reads "Processing Complete" the window is closed.
class Operator final : public qvn::ui::Backend {
 public:
  void window_opened(qvn::ui::Window& w) override { real_.window_opened(w); }
  void window_closed(qvn::ui::Window& w) override { real_.window_closed(w); }
  void wait_for_event(qvn::ui::Window& w) override {
    const bool main_window = w.def().label == "P1$WINDOW";
    const int status = main_window ? qvn::automation::STATUSMSG : 0;
    if (!pressed && main_window) {
      pressed = true;
      started = Clock::now();
      if (!w.user_press(qvn::automation::EXECUTEAPP)) w.post(qvn::ui::Event::CloseWindow);
      return;
    }
    if (pressed && status != 0 && qvn::clip(w.state(status).shown) == "Processing Complete") {
      ended = Clock::now();
      w.post(qvn::ui::Event::CloseWindow);
      return;
    }
    real_.wait_for_event(w);
  }
  void refresh(qvn::ui::Window& w, int field) override { real_.refresh(w, field); }
  void repaint_only() override { real_.repaint_only(); }
  void to_front(qvn::ui::Window& w) override { real_.to_front(w); }
  int message(const qvn::ui::MessageBoxDef& box) override {
    std::fprintf(stderr, "message: %s\n", box.text.c_str());
    ++messages;
    return real_.message(box);
  }
  std::string open_file(const qvn::ui::FileDialogDef& d) override { return real_.open_file(d); }
  std::string choose_folder(const qvn::ui::FolderDialogDef& d) override { return real_.choose_folder(d); }
  int popup(qvn::ui::Window& w, const std::string& menu) override { return real_.popup(w, menu); }
  void beep() override {}

  bool pressed = false;
  int messages = 0;
  Clock::time_point started;
  Clock::time_point ended;

 private:
  qvn::ui::RealTimeBackend real_;
};

}  // namespace

int main() {
  char tmpl[] = "/tmp/bench-make-run-XXXXXX";
  if (!::mkdtemp(tmpl)) return 1;
  const fs::path root = tmpl;
  const fs::path sockets = root / "sockets";
  const fs::path data = root / "data";
  const fs::path apps = root / "apps";
  ::mkdir(sockets.c_str(), 0700);
  fs::create_directories(data);
  ::setenv("QVN_DDE_DIR", sockets.c_str(), 1);
  ::setenv("QVN_PROFILE", (root / "profile.ini").c_str(), 1);

  // Twenty tagged applications, each in its folder, each making its .EXE.
  demoseed::DemoCatalog catalog;
  for (int i = 1; i <= kApplications; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "APP%02d", i);
    fs::create_directories(apps / name);
    std::ofstream(apps / name / (std::string(name) + ".APP")) << "TARGET=" << name << ".EXE\n";
    catalog.apps.push_back({i, name, std::string(name) + ".APP", std::string(name) + ".EXE", 0, true});
  }
  std::string error;
  if (!demoseed::seed_data_folder(catalog, apps.string(), data.string(), error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  qvn::data::AppsFileName = "APPS.TPS";
  qvn::data::ProjectsFileName = "PROJECTS.TPS";
  qvn::data::TempFileName = "TEMPFILE.TPS";
  qvn::data::TagFileName = "TF.TPS";
  const std::string sim_log = (root / "ide-sim.log").string();
  std::ofstream(root / "QVN.INI") << "[Preserved]\nNewLog=N\nCL_Command='" << IDE_SIM_PATH
                                  << "'\nFilePath=" << data.string() << "/\nRetainTags=0\n";
  qvn::data::anchor_settings_file(root.string());

  std::string path = IDE_SIM_PATH, log_option = "--log", build = "--build-seconds", seconds = "0.2";
  std::string log = sim_log;
  char* argv[] = {path.data(), log_option.data(), log.data(), build.data(), seconds.data(), nullptr};
  pid_t pid = -1;
  if (::posix_spawn(&pid, IDE_SIM_PATH, nullptr, nullptr, argv, environ) != 0) return 1;
  bool serving = false;
  for (auto until = Clock::now() + std::chrono::seconds(30); !serving && Clock::now() < until;) {
    const qvn::DdeChannel ch = qvn::dde_client("ClarionWin", "");
    serving = ch != 0;
    if (serving) {
      qvn::dde_close(ch);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

  int made = 0;
  Operator person;
  if (serving) {
    qvn::ui::install_backend(&person);
    qvn::error_manager.SetPresenter(&qvn::framework::window_message_presenter());
    qvn::data::run_program(qvn::automation::Main);
    qvn::error_manager.SetPresenter(nullptr);
    qvn::ui::install_backend(nullptr);
    for (const demoseed::DemoApp& a : catalog.apps) made += fs::exists(apps / a.folder / a.target) ? 1 : 0;
  }
  ::kill(pid, SIGTERM);
  ::waitpid(pid, nullptr, 0);
  fs::remove_all(root);

  if (!serving) {
    std::fprintf(stderr, "ide-sim did not answer\n");
    return 1;
  }
  if (made != kApplications || person.messages != 0 || person.ended < person.started) {
    std::fprintf(stderr, "the run did not make every application: %d of %d made, %d messages\n", made, kApplications,
                 person.messages);
    return 1;
  }
  const double wall_ms = std::chrono::duration<double, std::milli>(person.ended - person.started).count();
  const double builds_ms = kApplications * kBuildSeconds * 1000;
  std::printf("applications: %d, build time each: %.0f ms, run: %.0f ms\n", kApplications, kBuildSeconds * 1000,
              wall_ms);
  std::printf("make-overhead-ms: %.0f\n", (wall_ms - builds_ms) / kApplications);
  return 0;
}
