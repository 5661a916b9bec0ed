#pragma once
// The runs of the main window against ide-sim running as a real process, on
// real files. MainWindowTest's folders (".\QVN.INI", the data folder, the
// private socket folder) with ide-sim in place of the environment that
// answers inside the test process, a work folder for the developer's
// applications, and a person who starts a run and watches it. Virtual time
// moves only once the real work it stands for is over: a watcher first
// waits, in real time, for a change in a folder the window watches, or for
// ide-sim's word that it has done what it was sent.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "ide_sim_process.h"
#include "main_window_fixture.h"

namespace qvn::automation::testing {

inline constexpr const char* kProcessingComplete = "Processing Complete";
// The longest a watcher waits in real time for what a run waits for.
inline constexpr int kRealWaitMs = 30000;

// Every text the status line showed, in order: the scripted user's backend,
// which notes each new text the window draws in ?STATUSMSG.
class StatusHistory final : public ui::UserWatcher {
 public:
  using UserWatcher::UserWatcher;

  const std::vector<std::string>& texts() const { return texts_; }
  bool shown(const std::string& text) const {
    for (const std::string& t : texts_) {
      if (t == text) return true;
    }
    return false;
  }

  void refresh(ui::Window& w, int field) override {
    const int status = w.caption() == kCaption ? STATUSMSG : 0;
    if (status != 0 && (field == 0 || field == status)) {
      const std::string text(clip(w.state(status).shown));
      if (texts_.empty() || texts_.back() != text) texts_.push_back(text);
    }
    UserWatcher::refresh(w, field);
  }

 private:
  std::vector<std::string> texts_;
};

class RunsTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    environment.stop();
    work = dir / "work";
    fs::create_directory(work);
    sim.place(sockets, dir / "ide-sim.log");
    settings();
  }

  void TearDown() override {
    set_connect_pause({});
    sim.kill_all();
    MainWindowTest::TearDown();
  }

  // ".\QVN.INI": the command line starts ide-sim with these options.
  void settings(const std::string& sim_options = {}, int retain_tags = 0) {
    write_settings({{"NewLog", "N"},
                    {"CL_Command", sim.command(sim_options)},
                    {"FilePath", data_folder()},
                    {"RetainTags", std::to_string(retain_tags)}});
  }

  // The folder of the work folder that holds an application, as the records
  // hold it (with its closing "/"); made when missing.
  std::string folder(const std::string& name) const {
    fs::create_directories(work / name);
    return (work / name).string() + "/";
  }
  // An application's sample file for ide-sim, in its folder.
  static void write(const std::string& folder, const std::string& name, const std::string& lines) {
    std::ofstream(folder + name) << lines;
  }

  // The activity log as "<application>: <entry>", in the order written.
  std::vector<std::string> log_events() {
    names_in(data_dir);
    std::vector<std::string> out;
    EXPECT_EQ(data::TempFile.open(), 0) << error_text();
    data::TempFile.set_order_file();
    while (data::TempFile.next() == 0) out.push_back(data::TMP.APPS.str() + ": " + data::TMP.EVENT.str());
    data::TempFile.close();
    bare_names();
    return out;
  }

  // The files ide-sim was asked to make, in order, by file name.
  std::vector<std::string> made() const {
    std::vector<std::string> out;
    const std::string text = sim.log_text();
    const std::string mark = "execute [ExecuteProject(\"";
    for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + 1)) {
      const size_t from = at + mark.size();
      const std::string path = text.substr(from, text.find('"', from) - from);
      out.push_back(fs::path(path).filename().string());
    }
    return out;
  }
  // The commands ide-sim received, without their padding.
  std::vector<std::string> commands() const {
    std::vector<std::string> out;
    const std::string text = sim.log_text();
    for (size_t at = text.find(" execute "); at != std::string::npos; at = text.find(" execute ", at + 1)) {
      const size_t from = at + 9;
      out.push_back(text.substr(from, text.find('\n', from) - from));
    }
    return out;
  }

  // True when ide-sim has done the work of every command it acknowledged.
  bool sim_idle() const {
    const std::string text = sim.log_text();
    const int done = count_of(text, " wrote ") + count_of(text, " not writing ") + count_of(text, " failed: ") +
                     count_of(text, " cannot write ");
    return count_of(text, " acknowledged\n") <= done;
  }

  // Watches a make run from the window's next wait on. A make run watches
  // the folder of the target it waits for, so at each wait the watcher
  // waits, in real time, for that folder's next change and the virtual
  // clock never moves. Once the status line reads "Processing Complete",
  // `after` looks at the window, which is then closed.
  void watch_make_run(ui::HeadlessUser& user, std::function<void(ui::WindowView&)> after = {}) {
    user.keep_on_window(kCaption, [after](ui::WindowView& v) {
      if (v.text(STATUSMSG) == kProcessingComplete) {
        if (after) after(v);
        v.close();
      } else if (!v.wait_for_folder_change(kRealWaitMs)) {
        ADD_FAILURE() << "no change where the run waits; the status line reads " << v.text(STATUSMSG);
        v.close();
      }
    });
  }

  // Watches an import or export run, which looks on timer events only: at
  // each wait the watcher waits, in real time, until ide-sim has done all
  // it acknowledged, then moves the virtual clock to the next timer event.
  void watch_timer_run(ui::HeadlessUser& user, std::function<void(ui::WindowView&)> after = {}) {
    user.keep_on_window(kCaption, [this, after](ui::WindowView& v) {
      if (v.text(STATUSMSG) == kProcessingComplete) {
        if (after) after(v);
        v.close();
      } else if (!v.wait_for([this] { return sim_idle(); }, kRealWaitMs)) {
        ADD_FAILURE() << "ide-sim is still at work; the status line reads " << v.text(STATUSMSG);
        v.close();
      } else {
        v.advance_time(5000);
      }
    });
  }

  std::vector<std::string> messages(const ui::HeadlessUser& user) const {
    std::vector<std::string> out;
    for (const auto& m : user.messages()) out.push_back(m.box.text);
    return out;
  }

  fs::path work;
  IdeSimProcess sim;
};

}  // namespace qvn::automation::testing
