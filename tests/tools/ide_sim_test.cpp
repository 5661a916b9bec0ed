// ide-sim as the program meets it: a separate process serving "ClarionWin",
// driven through the conversation client.

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "platform/core/error_state.h"
#include "platform/dde/dde_client.h"
#include "support/environment.h"
#include "support/file_text.h"
#include "support/temp_folder.h"
#include "support/wait.h"

extern char** environ;

using namespace qvn;

namespace {

using Clock = std::chrono::steady_clock;
// Waits for a condition that a real other process brings about.
using test_support::eventually;

std::string padded(const std::string& command) {
  return command.size() >= 255 ? command.substr(0, 255) : command + std::string(255 - command.size(), ' ');
}

std::string read_all(const std::string& path) { return test_support::file_text(path); }

class IdeSim : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::mkdir(sockets_.c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(work_.c_str(), 0755), 0);
    set_dde_timeout(200);
    clear_error();
  }

  void TearDown() override {
    if (channel_) dde_close(channel_);
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }

  // Starts ide-sim and opens a conversation with it.
  bool start(std::vector<std::string> options = {}) {
    std::vector<std::string> args = {IDE_SIM_PATH, "--log", log_};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&pid_, IDE_SIM_PATH, nullptr, nullptr, argv.data(), environ) != 0) return false;
    return eventually([&] { return (channel_ = dde_client("ClarionWin", "")) != 0; });
  }

  void write(const std::string& name, const std::string& content) { std::ofstream(work_ + name) << content; }
  // "{W}" stands for the work folder, "{R}" for the test's own folder.
  std::string placed(std::string text) const {
    for (auto [mark, value] : {std::pair{"{W}", work_}, std::pair{"{R}", root_ + "/"}})
      for (size_t at; (at = text.find(mark)) != std::string::npos;) text.replace(at, 3, value);
    return text;
  }
  // Every file below the test's folder but ide-sim's own, with its content.
  std::map<std::string, std::string> files() const {
    std::map<std::string, std::string> found;
    for (auto& e : std::filesystem::recursive_directory_iterator(root_))
      if (e.is_regular_file() && e.path() != log_) found[e.path().string()] = read_all(e.path().string());
    return found;
  }
  bool exists(const std::string& name) { return std::filesystem::exists(work_ + name); }

  bool logged(const std::string& text) {
    return eventually([&] { return read_all(log_).find(text) != std::string::npos; });
  }

  // Waits for ide-sim to end; its exit status, or -1.
  int exit_status() {
    int status = 0;
    if (!eventually([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; })) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  bool socket_left() {
    for (auto& e : std::filesystem::directory_iterator(sockets_))
      if (e.is_socket()) return true;
    return false;
  }

  void execute(const std::string& command) { dde_execute(channel_, padded(command)); }
  std::string item(const char* name) { return dde_request(channel_, name).value_or("<none>"); }

  test_support::TempFolder folder_{"ide-sim-test"};
  std::string root_ = folder_.string();
  std::string sockets_ = root_ + "/sockets";
  std::string work_ = root_ + "/work/";
  std::string log_ = root_ + "/ide-sim.log";
  test_support::EnvironmentVariable dde_dir_{"QVN_DDE_DIR", sockets_};
  pid_t pid_ = -1;
  DdeChannel channel_ = 0;
};

struct CommandCase {
  const char* name;
  const char* source_file;  // as it lies in the folder
  const char* source_text;
  std::string command;  // with "{W}" for the work folder
  const char* output_file;
  const char* output_text;
};
// Test names show the case by its name.
void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.name; }

class IdeSimCommand : public IdeSim, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(IdeSimCommand, AcknowledgesAndThenWritesItsFile) {
  const CommandCase& c = GetParam();
  write(c.source_file, c.source_text);
  ASSERT_TRUE(start()) << "ide-sim did not come up";
  std::string command = c.command;
  for (size_t at; (at = command.find("{W}")) != std::string::npos;) command.replace(at, 3, work_);
  execute(command);
  ASSERT_EQ(error_code(), 0) << error_text();
  ASSERT_TRUE(eventually([&] { return exists(c.output_file); })) << c.output_file;
  EXPECT_NE(read_all(work_ + c.output_file).find(c.output_text), std::string::npos) << read_all(work_ + c.output_file);
  EXPECT_TRUE(logged("execute " + command + "\n")) << "the log shows the command without its padding";
}

INSTANTIATE_TEST_SUITE_P(
    FiveCommands, IdeSimCommand,
    ::testing::Values(
        CommandCase{"MakeWritesTheNamedTarget", "Main.app", "TARGET=Main.exe\n", R"([ExecuteProject("{W}MAIN.APP")])",
                    "Main.exe", "Built by ide-sim"},
        CommandCase{"MakeWithoutTargetWritesTheApplicationsExe", "MAIN.APP", "; no target\n",
                    R"([ExecuteProject("{W}MAIN.APP")])", "MAIN.EXE", "MAIN.APP"},
        CommandCase{"MakeOfAProject", "tool.prj", "TARGET=TOOL.DLL\n", R"([ExecuteProject("{W}TOOL.PRJ")])", "TOOL.DLL",
                    "Built"},
        CommandCase{"ExportApp", "main.app", "TARGET=MAIN.EXE\n", R"([ExportApp("{W}MAIN.App","{W}MAIN.TXA",0)])",
                    "MAIN.TXA", "[APPLICATION]\nTARGET=MAIN.EXE\n"},
        CommandCase{"ExportDct", "Main.Dct", "FILE Customers\n", R"([ExportDCT("{W}MAIN.DCT","{W}MAIN.TXD",0)])",
                    "MAIN.TXD", "[DICTIONARY]\nFILE Customers\n"},
        CommandCase{"ImportApp", "main.txa", "[APPLICATION]\nTARGET=MAIN.EXE\n",
                    R"([ImportApp("{W}MAIN.TXA",{W}MAIN.APP,0,Replace)])", "MAIN.APP", "TARGET=MAIN.EXE\n"},
        CommandCase{"ImportDct", "MAIN.txd", "[DICTIONARY]\nFILE Orders\n",
                    R"([ImportDCT("{W}MAIN.TXD",{W}MAIN.DCT,0)])", "MAIN.DCT", "FILE Orders\n"},
        CommandCase{"MakeInLowerCase", "MAIN.APP", "TARGET=MAIN.EXE\nOUTPUT-CASE=lower\n",
                    R"([ExecuteProject("{W}MAIN.APP")])", "main.exe", "Built by ide-sim"},
        CommandCase{"ExportInUpperCase", "main.app", "output-case=UPPER\n",
                    R"([ExportApp("{W}main.App","{W}main.txa",0)])", "MAIN.TXA", "[APPLICATION]\noutput-case=UPPER\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(IdeSim, ImportWritesTheApplicationBackWithoutTheHeader) {
  write("MAIN.TXA", "[APPLICATION]\nTARGET=MAIN.EXE\nPROCEDURE Main\n");
  write("MAIN.APP", "old");
  ASSERT_TRUE(start()) << "ide-sim did not come up";
  execute("[ImportApp(\"" + work_ + "MAIN.TXA\"," + work_ + "MAIN.APP,0,Replace)]");
  ASSERT_EQ(error_code(), 0);
  ASSERT_TRUE(eventually([&] { return read_all(work_ + "MAIN.APP") != "old"; }));
  EXPECT_EQ(read_all(work_ + "MAIN.APP"), "TARGET=MAIN.EXE\nPROCEDURE Main\n");
}

TEST_F(IdeSim, RefusedCommandsAre603AndTheErrorItemsSayWhy) {
  ASSERT_TRUE(start()) << "ide-sim did not come up";
  EXPECT_EQ(item("GetErrorNum"), "0");
  EXPECT_EQ(item("GetErrorMsg"), "");

  execute("[ExecuteProject(\"" + work_ + "MISSING.APP\")]");
  EXPECT_EQ(error_code(), err::DdeExecuteInvalid);
  EXPECT_EQ(item("GetErrorNum"), "1");
  EXPECT_EQ(item("GetErrorMsg"), "File not found: " + work_ + "MISSING.APP");

  execute("[ExecuteProject(\"" + work_ + "MAIN.APP\"");
  EXPECT_EQ(error_code(), err::DdeExecuteInvalid);
  EXPECT_EQ(item("GetErrorNum"), "2");
  EXPECT_EQ(item("GetErrorMsg"), "Invalid command: [ExecuteProject(\"" + work_ + "MAIN.APP\"");

  execute("[ExportApp(\"" + work_ + "MISSING.App\",\"" + work_ + "MISSING.TXA\",0)]");
  EXPECT_EQ(error_code(), err::DdeExecuteInvalid);
  EXPECT_EQ(item("GetErrorNum"), "1");
  EXPECT_FALSE(exists("MISSING.TXA"));

  EXPECT_EQ(dde_request(channel_, "GetSomethingElse"), std::nullopt);
  EXPECT_EQ(error_code(), 0);

  write("MAIN.APP", "TARGET=MAIN.EXE\n");
  execute("[ExecuteProject(\"" + work_ + "MAIN.APP\")]");
  EXPECT_EQ(error_code(), 0);
  EXPECT_EQ(item("GetErrorNum"), "0") << "an accepted command leaves no error behind";
}

TEST_F(IdeSim, AcknowledgesAtOnceAndWritesAfterTheBuildTime) {
  write("MAIN.APP", "TARGET=MAIN.EXE\n");
  write("SLOW.APP", "TARGET=SLOW.EXE\nBUILD-SECONDS=0.3\n");
  ASSERT_TRUE(start({"--build-seconds", "0.2"})) << "ide-sim did not come up";
  auto sent = Clock::now();
  execute("[ExecuteProject(\"" + work_ + "MAIN.APP\")]");
  ASSERT_EQ(error_code(), 0);
  EXPECT_LT(Clock::now() - sent, std::chrono::milliseconds(150)) << "the acknowledgement does not wait for the work";
  EXPECT_FALSE(exists("MAIN.EXE"));
  ASSERT_TRUE(eventually([&] { return exists("MAIN.EXE"); }));
  EXPECT_GE(Clock::now() - sent, std::chrono::milliseconds(200));

  sent = Clock::now();
  execute("[ExecuteProject(\"" + work_ + "SLOW.APP\")]");
  ASSERT_EQ(error_code(), 0);
  ASSERT_TRUE(eventually([&] { return exists("SLOW.EXE"); }));
  EXPECT_GE(Clock::now() - sent, std::chrono::milliseconds(300)) << "the application's own build time wins";
}

TEST_F(IdeSim, NeverWriteAcknowledgesButLeavesNoFile) {
  write("MAIN.APP", "TARGET=MAIN.EXE\n");
  ASSERT_TRUE(start({"--never-write"})) << "ide-sim did not come up";
  execute("[ExecuteProject(\"" + work_ + "MAIN.APP\")]");
  EXPECT_EQ(error_code(), 0);
  ASSERT_TRUE(logged("not writing " + work_ + "MAIN.EXE"));
  EXPECT_FALSE(exists("MAIN.EXE"));
}

TEST_F(IdeSim, NeverAckIsATimeOut) {
  write("MAIN.APP", "TARGET=MAIN.EXE\n");
  ASSERT_TRUE(start({"--never-ack"})) << "ide-sim did not come up";
  set_dde_timeout(10);
  execute("[ExecuteProject(\"" + work_ + "MAIN.APP\")]");
  EXPECT_EQ(error_code(), err::DdeTimeout);
}

TEST_F(IdeSim, ExitingInTheMiddleIs602AndLeavesNoSocket) {
  write("MAIN.APP", "TARGET=MAIN.EXE\n");
  ASSERT_TRUE(start({"--exit-at-command", "2"})) << "ide-sim did not come up";
  execute("[ExecuteProject(\"" + work_ + "MAIN.APP\")]");
  EXPECT_EQ(error_code(), 0);
  execute("[ExecuteProject(\"" + work_ + "MAIN.APP\")]");
  EXPECT_EQ(error_code(), err::DdeChannelNotOpen);
  EXPECT_EQ(exit_status(), 0);
  EXPECT_FALSE(socket_left());
  EXPECT_EQ(dde_client("ClarionWin", ""), 0);
}

TEST_F(IdeSim, WriteSecondsWritesTheOutputLateInPiecesUnderItsFinalName) {
  write("MAIN.APP", "TARGET=MAIN.EXE\nWRITE-SECONDS=1.5\n");
  write("MAIN.EXE", "the old build");
  ASSERT_TRUE(start()) << "ide-sim did not come up";
  execute("[ExecuteProject(\"" + work_ + "MAIN.APP\")]");
  ASSERT_EQ(error_code(), 0);
  ASSERT_TRUE(logged("writing " + work_ + "MAIN.EXE: piece 1 of 4"));
  // From the first piece on the output is there under its own name, and
  // nothing else is written beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(work_), {}), 2);
  EXPECT_NE(read_all(work_ + "MAIN.EXE"), "the old build") << "the file it replaces went first";
  std::set<uintmax_t> sizes;
  ASSERT_TRUE(eventually([&] {
    sizes.insert(std::filesystem::file_size(work_ + "MAIN.EXE"));
    return read_all(log_).find("wrote " + work_ + "MAIN.EXE") != std::string::npos;
  }));
  sizes.insert(std::filesystem::file_size(work_ + "MAIN.EXE"));
  EXPECT_GE(sizes.size(), 2u) << "the file grew while it was written";
  EXPECT_EQ(read_all(work_ + "MAIN.EXE"), "Built by ide-sim from " + work_ + "MAIN.APP\n");
  const std::string log = read_all(log_);
  for (int piece = 1; piece <= 4; ++piece) {
    EXPECT_NE(log.find("piece " + std::to_string(piece) + " of 4"), std::string::npos) << piece;
  }
  EXPECT_LT(log.find("piece 4 of 4"), log.find("wrote " + work_ + "MAIN.EXE"));
  // The pieces are spread over the time asked for.
  auto stamp_ms = [&](const std::string& text) {
    const size_t at = log.rfind('\n', log.find(text));
    const std::string line = log.substr(at == std::string::npos ? 0 : at + 1);
    const int h = std::stoi(line.substr(8, 2)), m = std::stoi(line.substr(11, 2)), sec = std::stoi(line.substr(14, 2));
    return ((h * 60 + m) * 60 + sec) * 1000 + std::stoi(line.substr(17, 3));
  };
  EXPECT_GE((stamp_ms("piece 4 of 4") - stamp_ms("piece 1 of 4") + 86400000) % 86400000, 1500 - 5);
}

TEST_F(IdeSim, ExitAfterStopsServingBeforeItsOutputAppears) {
  write("MAIN.APP", "TARGET=MAIN.EXE\nEXIT-AFTER=1\nBUILD-SECONDS=0.1\n");
  ASSERT_TRUE(start()) << "ide-sim did not come up";
  execute("[ExecuteProject(\"" + work_ + "MAIN.APP\")]");
  ASSERT_EQ(error_code(), 0) << "the command itself is acknowledged";
  ASSERT_TRUE(eventually([&] { return exists("MAIN.EXE"); }));
  EXPECT_FALSE(socket_left()) << "whoever sees the output finds no server";
  EXPECT_EQ(dde_client("ClarionWin", ""), 0);
  execute("[ExecuteProject(\"" + work_ + "MAIN.APP\")]");
  EXPECT_EQ(error_code(), err::DdeChannelNotOpen);
  EXPECT_EQ(exit_status(), 0);
  EXPECT_EQ(read_all(work_ + "MAIN.EXE"), "Built by ide-sim from " + work_ + "MAIN.APP\n");
  EXPECT_TRUE(logged("exiting after the work"));
}

TEST_F(IdeSim, StartSecondsServesOnlyAfterTheSlowStart) {
  const auto started = Clock::now();
  ASSERT_TRUE(start({"--start-seconds", "1.5"})) << "ide-sim did not come up";
  EXPECT_GE(Clock::now() - started, std::chrono::milliseconds(1500));
  const std::string log = read_all(log_);
  EXPECT_NE(log.find("starting: pid " + std::to_string(pid_) + ", a slow start of 1.5 seconds"), std::string::npos)
      << log;
  EXPECT_LT(log.find("starting: "), log.find("serving ClarionWin"));
}

TEST_F(IdeSim, ASignalEndsTheSlowStart) {
  std::string path = IDE_SIM_PATH, log_option = "--log", start = "--start-seconds", seconds = "600";
  char* argv[] = {path.data(), log_option.data(), log_.data(), start.data(), seconds.data(), nullptr};
  ASSERT_EQ(::posix_spawn(&pid_, IDE_SIM_PATH, nullptr, nullptr, argv, environ), 0);
  ASSERT_TRUE(logged("starting: pid"));
  ::kill(pid_, SIGTERM);
  EXPECT_EQ(exit_status(), 0);
  EXPECT_FALSE(socket_left());
}

TEST_F(IdeSim, AckSecondsAcknowledgesLateAndTheWorkHasBegun) {
  write("MAIN.APP", "TARGET=MAIN.EXE\nACK-SECONDS=0.5\n");
  ASSERT_TRUE(start()) << "ide-sim did not come up";
  const auto sent = Clock::now();
  execute("[ExecuteProject(\"" + work_ + "MAIN.APP\")]");
  EXPECT_EQ(error_code(), 0);
  EXPECT_GE(Clock::now() - sent, std::chrono::milliseconds(500));
  EXPECT_TRUE(logged("acknowledging in 0.5 seconds"));
  ASSERT_TRUE(eventually([&] { return exists("MAIN.EXE"); }));
  // Later than the client waits: a time-out of its own.
  std::filesystem::remove(work_ + "MAIN.EXE");
  set_dde_timeout(10);
  execute("[ExecuteProject(\"" + work_ + "MAIN.APP\")]");
  EXPECT_EQ(error_code(), err::DdeTimeout);
}

struct RefusedCase {
  const char* name;
  std::vector<std::pair<std::string, std::string>> files;  // below the test's folder, "{R}" and "{W}" allowed
  std::string command;
  const char* error_num;
  std::string error_msg;
};
// Test names show the case by its name.
void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }

class IdeSimRefuses : public IdeSim, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(IdeSimRefuses, ACommandReachingBeyondItsFilesAndTouchesNothing) {
  const RefusedCase& c = GetParam();
  ASSERT_EQ(::mkdir((root_ + "/victim").c_str(), 0755), 0);
  for (const char* name : {"NOTES.txt", "notes.TXT", "Notes.txt"}) std::ofstream(root_ + "/victim/" + name) << name;
  for (const auto& [name, text] : c.files) std::ofstream(root_ + "/" + name) << placed(text);
  std::map<std::string, std::string> before = files();
  ASSERT_TRUE(start()) << "ide-sim did not come up";
  execute(placed(c.command));
  EXPECT_EQ(error_code(), err::DdeExecuteInvalid);
  EXPECT_EQ(item("GetErrorNum"), c.error_num);
  EXPECT_EQ(item("GetErrorMsg"), placed(c.error_msg));
  EXPECT_EQ(files(), before) << "a refused command writes and removes nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Commands, IdeSimRefuses,
    ::testing::Values(
        RefusedCase{"ASourceAboveTheFolder",
                    {{"victim/NOTES.APP", "TARGET=NOTES.EXE\n"}},
                    R"([ExecuteProject("{W}../victim/NOTES.APP")])",
                    "2",
                    R"(File name with a ".." part: {W}../victim/NOTES.APP)"},
        RefusedCase{"AMakeOfAFileThatIsNoApplication",
                    {{"work/NOTES.txt", "TARGET=NOTES.EXE\n"}},
                    R"([ExecuteProject("{W}NOTES.txt")])",
                    "2",
                    "Not an application or project (.APP, .PRJ): {W}NOTES.txt"},
        RefusedCase{"AnExportOfADictionaryAsAnApplication",
                    {{"work/MAIN.DCT", "FILE Customers\n"}},
                    R"([ExportApp("{W}MAIN.DCT","{W}MAIN.TXA",0)])",
                    "2",
                    "Not an application (.APP): {W}MAIN.DCT"},
        RefusedCase{"AnImportOverAFileOfAnotherKind",
                    {{"work/MAIN.TXA", "[APPLICATION]\n"}, {"work/NOTES.txt", "mine"}},
                    R"([ImportApp("{W}MAIN.TXA",{W}NOTES.txt,0,Replace)])",
                    "2",
                    "Not an application (.APP): {W}NOTES.txt"},
        RefusedCase{"AnExportIntoAnotherFolder",
                    {{"work/MAIN.APP", "TARGET=MAIN.EXE\n"}},
                    R"([ExportApp("{W}MAIN.App","{R}victim/MAIN.TXA",0)])",
                    "2",
                    "Not beside {W}MAIN.App: {R}victim/MAIN.TXA"},
        RefusedCase{
            "ATargetAboveTheApplication",
            {{"work/MAIN.APP", "TARGET=../victim/NOTES.txt\n"}},
            R"([ExecuteProject("{W}MAIN.APP")])",
            "3",
            R"(TARGET=../victim/NOTES.txt in {W}MAIN.APP is neither a file name beside it nor an absolute path without "..")"},
        RefusedCase{
            "ATargetInAFolderBelow",
            {{"work/MAIN.APP", "TARGET=bin/MAIN.EXE\n"}},
            R"([ExecuteProject("{W}MAIN.APP")])",
            "3",
            R"(TARGET=bin/MAIN.EXE in {W}MAIN.APP is neither a file name beside it nor an absolute path without "..")"},
        RefusedCase{
            "AnAbsoluteTargetThatClimbs",
            {{"work/MAIN.APP", "TARGET={W}../victim/NOTES.txt\n"}},
            R"([ExecuteProject("{W}MAIN.APP")])",
            "3",
            R"(TARGET={W}../victim/NOTES.txt in {W}MAIN.APP is neither a file name beside it nor an absolute path without "..")"}),
    [](const auto& info) { return std::string(info.param.name); });

// A name holding a NUL passed every rule on the whole name, and then the
// system cut it at the NUL: the export below replaced KEEP.DCT. Each such
// name is refused, and the log shows the command with its control
// characters visible and on one line.
TEST_F(IdeSim, ANameWithANulOrAnotherControlCharacterIsRefusedAndLoggedEscaped) {
  using namespace std::string_literals;
  struct Case {
    const char* name;
    std::string command;  // "{W}" the work folder
    const char* error_num;
    std::string error_msg;
    std::string logged;  // as the log shows the command
  } cases[] = {
      {"an export over the dictionary, cut at a NUL", R"([ExportApp("{W}A.APP","{W}KEEP.DCT)"s + '\0' + R"(.TXA",0)])",
       "2", R"(File name with a control character: {W}KEEP.DCT\x00.TXA)",
       R"(execute [ExportApp("{W}A.APP","{W}KEEP.DCT\x00.TXA",0)])"},
      {"an import over the application, its bare name cut at a NUL",
       R"([ImportApp("{W}A.TXA",{W}A.APP)"s + '\0' + R"(.APP,0,Replace)])", "2",
       R"(File name with a control character: {W}A.APP\x00.APP)",
       R"(execute [ImportApp("{W}A.TXA",{W}A.APP\x00.APP,0,Replace)])"},
      {"a make whose name holds a line break", "[ExecuteProject(\"{W}A\nide-sim 00:00:00.000 wrote {W}A.EXE\n.APP\")]",
       "2", R"(File name with a control character: {W}A\x0aide-sim 00:00:00.000 wrote {W}A.EXE\x0a.APP)",
       R"(execute [ExecuteProject("{W}A\x0aide-sim 00:00:00.000 wrote {W}A.EXE\x0a.APP")])"},
      {"an export whose source holds an escape", "[ExportDCT(\"{W}KEEP\x1b.DCT\",\"{W}KEEP.TXD\",0)]", "2",
       R"(File name with a control character: {W}KEEP\x1b.DCT)",
       R"(execute [ExportDCT("{W}KEEP\x1b.DCT","{W}KEEP.TXD",0)])"},
      {"a make whose TARGET= is cut at a NUL", R"([ExecuteProject("{W}T.APP")])", "3",
       R"(TARGET=KEEP.DCT\x00.EXE in {W}T.APP holds a control character)", R"(execute [ExecuteProject("{W}T.APP")])"},
  };
  write("A.APP", "TARGET=A.EXE\n");
  write("A.TXA", "[APPLICATION]\nTARGET=A.EXE\n");
  write("KEEP.DCT", "FILE Customers\n");
  write("T.APP", "TARGET=KEEP.DCT"s + '\0' + ".EXE\n");
  ASSERT_TRUE(start()) << "ide-sim did not come up";
  const std::map<std::string, std::string> before = files();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    execute(placed(c.command));
    EXPECT_EQ(error_code(), err::DdeExecuteInvalid);
    EXPECT_EQ(item("GetErrorNum"), c.error_num);
    EXPECT_EQ(item("GetErrorMsg"), placed(c.error_msg));
    EXPECT_TRUE(logged(" " + placed(c.logged) + "\n")) << read_all(log_);
  }
  // Every file, KEEP.DCT and A.APP among them, is as it was; no output appeared.
  EXPECT_EQ(files(), before);
  const std::string log = read_all(log_);
  EXPECT_EQ(log.find('\0'), std::string::npos);
  EXPECT_EQ(log.find('\x1b'), std::string::npos);
  for (size_t at = 0; (at = log.find('\n', at)) != std::string::npos && at + 1 < log.size(); ++at)
    EXPECT_EQ(log.compare(at + 1, 8, "ide-sim "), 0)
        << "every line is one entry of the log: " << log.substr(at + 1, 60);
}

TEST_F(IdeSim, WritesOnlyItsOutputBesideTheInputOrInTheTargetsAbsoluteFolder) {
  write("notes.TXT", "one");
  write("Notes.txt", "two");
  write("MAIN.APP", "TARGET=NOTES.txt\n");
  write("Tool.exe", "the old build");
  write("TOOL.APP", "; no target\n");
  ASSERT_EQ(::mkdir((root_ + "/out").c_str(), 0755), 0);
  write("OTHER.APP", "TARGET=" + root_ + "/out/OTHER.EXE\n");
  ASSERT_TRUE(start()) << "ide-sim did not come up";
  for (const char* app : {"MAIN.APP", "TOOL.APP", "OTHER.APP"}) {
    execute("[ExecuteProject(\"" + work_ + app + "\")]");
    ASSERT_EQ(error_code(), 0) << app;
  }
  ASSERT_TRUE(eventually([&] { return exists("NOTES.txt") && exists("TOOL.EXE"); }));
  ASSERT_TRUE(eventually([&] { return std::filesystem::exists(root_ + "/out/OTHER.EXE"); }));
  EXPECT_EQ(read_all(work_ + "notes.TXT"), "one") << "files whose names differ only in case are not its output";
  EXPECT_EQ(read_all(work_ + "Notes.txt"), "two");
  std::set<std::string> names;
  for (auto& e : std::filesystem::directory_iterator(work_)) names.insert(e.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"MAIN.APP", "NOTES.txt", "Notes.txt", "OTHER.APP", "TOOL.APP", "TOOL.EXE",
                                          "notes.TXT"}))
      << "the one file of the output's name in another case is replaced; no temporary file is left";
}

struct SampleMode {
  const char* name;
  const char* app_text;
  int error;
  const char* error_num;  // the environment's own number afterwards, once settled
  const char* error_msg;
};
// Test names show the case by its name.
void PrintTo(const SampleMode& c, std::ostream* os) { *os << c.name; }

class IdeSimSampleMode : public IdeSim, public ::testing::WithParamInterface<SampleMode> {};

TEST_P(IdeSimSampleMode, TheApplicationFileChoosesTheOutcome) {
  const SampleMode& m = GetParam();
  write("MAIN.APP", m.app_text);
  ASSERT_TRUE(start()) << "ide-sim did not come up";
  set_dde_timeout(10);
  execute("[ExecuteProject(\"" + work_ + "MAIN.APP\")]");
  EXPECT_EQ(error_code(), m.error);
  if (m.error == err::DdeChannelNotOpen) {
    EXPECT_EQ(exit_status(), 0);
    return;
  }
  set_dde_timeout(200);
  if (std::string(m.error_num) == "4") {
    ASSERT_TRUE(logged("failed: "));
  }
  EXPECT_EQ(item("GetErrorNum"), m.error_num);
  EXPECT_EQ(item("GetErrorMsg"), m.error_msg);
  EXPECT_FALSE(exists("MAIN.EXE"));
}

INSTANTIATE_TEST_SUITE_P(Modes, IdeSimSampleMode,
                         ::testing::Values(SampleMode{"Fail", "TARGET=MAIN.EXE\nFAIL=Link error: MAIN.LIB missing\n", 0,
                                                      "4", "Link error: MAIN.LIB missing"},
                                           SampleMode{"Refuse", "REFUSE=Application is locked\n",
                                                      err::DdeExecuteInvalid, "3", "Application is locked"},
                                           SampleMode{"NoAck", "TARGET=X.EXE\nNO-ACK=1\n", err::DdeTimeout, "0", ""},
                                           SampleMode{"Exit", "EXIT=1\n", err::DdeChannelNotOpen, "", ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(IdeSim, EndsCleanlyOnTermAndInt) {
  for (int sig : {SIGTERM, SIGINT}) {
    ASSERT_TRUE(start()) << "ide-sim did not come up";
    ASSERT_TRUE(socket_left());
    ::kill(pid_, sig);
    EXPECT_EQ(exit_status(), 0) << sig;
    EXPECT_FALSE(socket_left()) << sig;
    dde_execute(channel_, "[Anything]");
    EXPECT_EQ(error_code(), err::DdeChannelNotOpen);
    dde_close(channel_);
    channel_ = 0;
  }
  EXPECT_TRUE(logged("stopped"));
}

TEST_F(IdeSim, WrongOptionsEndAtOnceWithStatus2) {
  std::string path = IDE_SIM_PATH;
  std::string option = "--no-such-option";
  char* argv[] = {path.data(), option.data(), nullptr};
  ASSERT_EQ(::posix_spawn(&pid_, IDE_SIM_PATH, nullptr, nullptr, argv, environ), 0);
  EXPECT_EQ(exit_status(), 2);
  EXPECT_FALSE(socket_left());
}

}  // namespace
