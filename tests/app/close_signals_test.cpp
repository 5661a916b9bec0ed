// The program asked to end by a signal, as a logout, kill or Ctrl+C asks it:
// the real qvn on Qt's offscreen platform, started in a folder of its own
// with its ".\QVN.INI", data folder, profile and conversation folder, and
// ide-sim serving as the environment. Each of SIGTERM, SIGINT and SIGHUP
// closes the main window as its close box does: the retained subset is
// written back, the files are closed, the settings saved to the profile,
// and the program ends normally. A second signal, while the close the first
// asked for is held by a message box nobody answers, ends it at once.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "data/files.h"
#include "ide_sim_process.h"
#include "platform/storage/record_file.h"
#include "support/data_files.h"
#include "support/environment.h"
#include "support/file_text.h"
#include "support/program_state.h"
#include "support/temp_folder.h"
#include "support/wait.h"

extern char** environ;

namespace qvn::app::testing {

namespace {

namespace fs = std::filesystem;

// One line of /proc/<pid>/status as a signal mask ("SigCgt:", "ShdPnd:").
unsigned long long signal_mask(pid_t pid, const std::string& name) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(name + ":", 0) == 0) return std::stoull(line.substr(name.size() + 1), nullptr, 16);
  }
  return 0;
}

bool in_mask(unsigned long long mask, int sig) { return (mask & (1ULL << (sig - 1))) != 0; }

// The process has the file open.
bool holds_open(pid_t pid, const fs::path& file) {
  std::error_code ec;
  fs::directory_iterator it("/proc/" + std::to_string(pid) + "/fd", ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code link;
    if (fs::read_symlink(it->path(), link) == file) return true;
  }
  return false;
}

// qvn as a process of its own, in a working folder, with this process's
// environment and the signals at their defaults; killed if it is still
// there when the object goes.
class Program {
 public:
  explicit Program(const fs::path& folder) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    const std::string output = (folder / "qvn.out").string();
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t plain;
    sigemptyset(&plain);
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&plain, sig);
    posix_spawnattr_setsigdefault(&attributes, &plain);
    sigemptyset(&plain);
    posix_spawnattr_setsigmask(&attributes, &plain);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    char name[] = "qvn";
    char* argv[] = {name, nullptr};
    started_ = ::posix_spawn(&pid_, QVN_PATH, &actions, &attributes, argv, environ) == 0;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Program() {
    if (!started_ || ended_) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool started() const { return started_; }
  pid_t pid() const { return pid_; }

  // Waits, in real time, for the program to end; its wait status, or
  // nothing when it is still running.
  std::optional<int> end(int ms = 30000) {
    int status = 0;
    ended_ = test_support::eventually([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; }, ms);
    return ended_ ? std::optional<int>(status) : std::nullopt;
  }

 private:
  pid_t pid_ = 0;
  bool started_ = false;
  bool ended_ = false;
};

struct Retained {
  std::string name;
  int priority = 0;
  bool operator==(const Retained&) const = default;
};

class CloseSignalsTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    fs::create_directory(data_dir);
    fs::create_directory(sockets);
    fs::permissions(sockets, fs::perms::owner_all);
    fs::create_directory(scratch);
    sim.place(sockets, dir / "ide-sim.log");
    std::ofstream(dir / "QVN.INI") << "[Preserved]\nNewLog=N\nCL_Command=" << sim.command()
                                   << "\nFilePath=" << data_dir.string() << "/\nRetainTags=1\n";
    // Stored out of the order of the file's key, which the program reads it
    // in and writes it back in.
    store_retained({{"ZETA.APP", 2}, {"ALPHA.APP", 1}});
  }
  void TearDown() override { sim.kill_all(); }

  void store_retained(const std::vector<Retained>& entries) {
    data::TagRecord record;
    storage::RecordFile file(data::TagFileDef, &record);
    data::TagFileName = (data_dir / "TF.TPS").string();
    test_support::open_or_create(file);
    for (const Retained& r : entries) {
      file.clear_buffer();
      record.APPNAME = r.name;
      record.DRIVEPATH = "/dev/null/";
      record.PRIORITY = static_cast<uint8_t>(r.priority);
      EXPECT_EQ(file.add(), 0);
    }
    file.close();
    test_support::bare_data_file_names();
  }
  // TF.TPS in the order its records are stored.
  std::vector<Retained> retained() {
    data::TagRecord record;
    storage::RecordFile file(data::TagFileDef, &record);
    data::TagFileName = (data_dir / "TF.TPS").string();
    std::vector<Retained> out;
    EXPECT_EQ(file.open(), 0);
    file.set_order_file();
    while (file.next() == 0) out.push_back({record.APPNAME.str(), record.PRIORITY});
    file.close();
    test_support::bare_data_file_names();
    return out;
  }
  // The session files of a process that did not close its data files.
  std::vector<std::string> left_behind(pid_t pid) const {
    std::vector<std::string> out;
    const std::string prefix = "qvn-session-" + std::to_string(pid) + "-";
    for (const auto& entry : fs::directory_iterator(scratch)) {
      if (entry.path().filename().string().rfind(prefix, 0) == 0) out.push_back(entry.path().filename().string());
    }
    return out;
  }

  test_support::TempFolder folder{"qvn-signals"};
  fs::path dir = folder.path();
  fs::path data_dir = dir / "data";
  fs::path sockets = dir / "sockets";
  fs::path scratch = dir / "scratch";
  fs::path profile = dir / "profile.ini";
  test_support::ProgramState program_state;
  test_support::EnvironmentVariable platform{"QT_QPA_PLATFORM", "offscreen"};
  test_support::EnvironmentVariable profile_file{"QVN_PROFILE", profile.string()};
  test_support::EnvironmentVariable dde_dir{"QVN_DDE_DIR", sockets.string()};
  test_support::ScratchFolder scratch_dir{scratch};
  automation::testing::IdeSimProcess sim;
};

TEST_P(CloseSignalsTest, ASignalClosesTheMainWindowAsItsCloseBoxDoes) {
  sim.start();
  Program qvn(dir);
  ASSERT_TRUE(qvn.started());
  const fs::path tags = fs::canonical(data_dir / "TF.TPS");
  ASSERT_TRUE(test_support::eventually([&] { return holds_open(qvn.pid(), tags); }))
      << "the window is up with the retained subset loaded; " << test_support::file_text(dir / "qvn.out");
  ASSERT_EQ(::kill(qvn.pid(), GetParam()), 0);
  const std::optional<int> status = qvn.end();
  ASSERT_TRUE(status.has_value()) << "the program did not end";
  ASSERT_TRUE(WIFEXITED(*status)) << "ended by signal " << WTERMSIG(*status);
  EXPECT_EQ(WEXITSTATUS(*status), 0) << test_support::file_text(dir / "qvn.out");

  EXPECT_EQ(retained(), (std::vector<Retained>{{"ALPHA.APP", 1}, {"ZETA.APP", 2}}))
      << "written back in the subset's order";
  const std::string saved = test_support::file_text(profile);
  EXPECT_NE(saved.find("GLO:RunString=" + sim.command()), std::string::npos) << saved;
  EXPECT_NE(saved.find("GLO:FilePath=" + data_dir.string() + "/"), std::string::npos) << saved;
  EXPECT_EQ(left_behind(qvn.pid()), std::vector<std::string>{}) << "the data files were closed";
}

INSTANTIATE_TEST_SUITE_P(TermIntHup, CloseSignalsTest, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

// No environment runs, so the window's opening shows its warning, and the
// close the first signal asks for waits behind it. The second signal comes
// once the first has been taken.
TEST_F(CloseSignalsTest, ASecondSignalWhileTheCloseIsHeldEndsTheProgramAtOnce) {
  Program qvn(dir);
  ASSERT_TRUE(qvn.started());
  ASSERT_TRUE(test_support::eventually([&] {
    const unsigned long long caught = signal_mask(qvn.pid(), "SigCgt");
    return in_mask(caught, SIGTERM) && in_mask(caught, SIGINT) && in_mask(caught, SIGHUP);
  })) << "the program takes the signals";
  ASSERT_EQ(::kill(qvn.pid(), SIGTERM), 0);
  ASSERT_TRUE(test_support::eventually([&] { return !in_mask(signal_mask(qvn.pid(), "ShdPnd"), SIGTERM); }))
      << "SIGTERM was delivered";
  ASSERT_EQ(::kill(qvn.pid(), SIGINT), 0);
  const std::optional<int> status = qvn.end();
  ASSERT_TRUE(status.has_value()) << "the program did not end";
  ASSERT_TRUE(WIFSIGNALED(*status)) << "exited with " << WEXITSTATUS(*status);
  EXPECT_EQ(WTERMSIG(*status), SIGINT);
  EXPECT_FALSE(fs::exists(profile)) << "the first close never came to its end";
}

}  // namespace

}  // namespace qvn::app::testing
