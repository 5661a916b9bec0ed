#include "platform/process/command_line.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/core/error_state.h"
#include "support/temp_folder.h"
#include "support/wait.h"

namespace qvn::process {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

TEST(SplitCommandLine, WordsAsAShellSplitsThem) {
  using Words = std::vector<std::string>;
  struct Case {
    const char* line;
    Words words;
  } cases[] = {
      {"ide-sim --build-seconds 1", {"ide-sim", "--build-seconds", "1"}},
      {"  spaced \t out  ", {"spaced", "out"}},
      {"", {}},
      {"'/opt/my tools/ide' 'it''s'", {"/opt/my tools/ide", "its"}},
      {"\"a \\\"quoted\\\" word\" \"back\\\\slash\" \"keep\\n\"", {"a \"quoted\" word", "back\\slash", "keep\\n"}},
      {"C:\\CLARION6\\BIN\\C60EE.EXE /x", {"C:\\CLARION6\\BIN\\C60EE.EXE", "/x"}},
      {"pre'fix 'and\" more\"", {"prefix and more"}},
      {"empty '' \"\"", {"empty", "", ""}},
      {"ide; rm -rf / && x", {"ide;", "rm", "-rf", "/", "&&", "x"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    auto words = split_command_line(c.line);
    ASSERT_TRUE(words.has_value());
    EXPECT_EQ(*words, c.words);
  }
  EXPECT_FALSE(split_command_line("ide 'open").has_value());
  EXPECT_FALSE(split_command_line("ide \"open \\\"").has_value());
}

TEST(CommandLineWord, SplitsBackAsTheOneWordItWas) {
  struct Case {
    const char* word;
    const char* line;
  } cases[] = {
      {"/opt/clarion/bin/C60EE.EXE", "/opt/clarion/bin/C60EE.EXE"},
      {"/opt/my tools/IDE.EXE", "\"/opt/my tools/IDE.EXE\""},
      {"tab\there", "\"tab\there\""},
      {"it's", "\"it's\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"back\\slash and blank", "\"back\\\\slash and blank\""},
      {"", "\"\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word);
    EXPECT_EQ(command_line_word(c.word), c.line);
    const auto words = split_command_line(command_line_word(c.word) + " --next");
    ASSERT_TRUE(words.has_value());
    EXPECT_THAT(*words, ElementsAre(c.word, "--next"));
  }
}

class StartProgram : public ::testing::Test {
 protected:
  static std::string read(const fs::path& p) {
    std::ifstream in(p);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  bool appears(const fs::path& p) const {
    return test_support::eventually([&] { return fs::exists(p) && !read(p).empty(); }, 5000);
  }

  // A script that writes its arguments, one a line, what it reads from its
  // standard input, and its open files, then says it is done.
  fs::path recorder() {
    const fs::path script = dir / "record.sh";
    std::ofstream(script) << "#!/bin/sh\n"
                          << "out=\"$1\"; shift\n"
                          << "for a in \"$@\"; do echo \"$a\" >> \"$out.args\"; done\n"
                          << "cat > \"$out.stdin\"\n"
                          << "ls /proc/self/fd > \"$out.fds\"\n"
                          << "echo done > \"$out.done\"\n";
    fs::permissions(script, fs::perms::owner_all);
    return script;
  }

  test_support::TempFolder folder{"qvn-start"};
  const fs::path dir = folder.path();
};

TEST_F(StartProgram, StartsWithItsArgumentsAndNoShell) {
  const fs::path out = dir / "run";
  const fs::path injected = dir / "injected";
  const std::string line = "'" + recorder().string() + "' '" + out.string() +
                           "' one \"two words\" '$HOME' ';' touch '" + injected.string() + "' '`touch " +
                           injected.string() + "`'";
  set_error(err::DdeTimeout);
  const pid_t pid = start_program(line);
  EXPECT_GT(pid, 0);
  EXPECT_EQ(error_code(), 0);
  ASSERT_TRUE(appears(fs::path(out.string() + ".done")));
  const std::vector<std::string> expected = {
      "one", "two words", "$HOME", ";", "touch", injected.string(), "`touch " + injected.string() + "`"};
  std::istringstream args(read(out.string() + ".args"));
  std::vector<std::string> got;
  for (std::string a; std::getline(args, a);) got.push_back(a);
  EXPECT_EQ(got, expected);
  EXPECT_FALSE(fs::exists(injected)) << "no second command ran";
  EXPECT_EQ(read(out.string() + ".stdin"), "") << "standard input is /dev/null";
}

TEST_F(StartProgram, ReturnsAtOnceAndTheProgramIsReapedWhenItEnds) {
  const auto started = std::chrono::steady_clock::now();
  const pid_t sleeper = start_program("sleep 30");
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
  ASSERT_GT(sleeper, 0) << error_text();
  ::kill(sleeper, SIGKILL);
  // A zombie would keep its /proc entry; a reaped program has none.
  const fs::path proc = "/proc/" + std::to_string(sleeper);
  EXPECT_TRUE(test_support::eventually([&] { return !fs::exists(proc); }, 5000));

  const pid_t quick = start_program("/bin/true");
  ASSERT_GT(quick, 0);
  EXPECT_TRUE(test_support::eventually([&] { return !fs::exists("/proc/" + std::to_string(quick)); }, 5000));
}

TEST_F(StartProgram, OnlyStandardOutputAndErrorAreInheritedBeyondInput) {
  const fs::path out = dir / "fds";
  std::ofstream held(dir / "held-open");  // an open file of ours
  ASSERT_GT(start_program("'" + recorder().string() + "' '" + out.string() + "'"), 0);
  ASSERT_TRUE(appears(fs::path(out.string() + ".done")));
  std::istringstream fds(read(out.string() + ".fds"));
  std::vector<int> open;
  for (std::string f; fds >> f;) open.push_back(std::stoi(f));
  // 0-2 are given; ls holds one more for the folder it reads.
  for (int fd : open) EXPECT_LE(fd, 3) << "fd " << fd << " leaked into the program";
}

TEST_F(StartProgram, AProgramThatCannotStartSetsAnErrorCode) {
  const fs::path not_executable = dir / "plain.txt";
  std::ofstream(not_executable) << "text";
  fs::permissions(not_executable, fs::perms::owner_read | fs::perms::owner_write);
  struct Case {
    std::string line;
    int code;
  } cases[] = {
      {"", err::InvalidFileName},
      {"   ", err::InvalidFileName},
      {"'' arg", err::InvalidFileName},
      {"ide 'unclosed", err::InvalidFileName},
      {(dir / "missing").string(), err::FileNotFound},
      {"no-such-program-anywhere-qvn", err::FileNotFound},
      {not_executable.string(), err::AccessDenied},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(start_program(c.line), 0);
    EXPECT_EQ(error_code(), c.code);
  }
}

}  // namespace
}  // namespace qvn::process
