#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "command.h"
#include "local_files.h"
#include "options.h"
#include "sample_file.h"
#include "sim_log.h"
#include "support/temp_folder.h"

using namespace idesim;

namespace {

struct CommandCase {
  const char* text;
  bool valid;
  CommandKind kind;
  const char* source;
  const char* output;
};
// Test names show the command text, letters and digits only.
void PrintTo(const CommandCase& c, std::ostream* os) {
  for (const char* p = c.text; *p; ++p) *os << (std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_');
}

class ParseCommand : public ::testing::TestWithParam<CommandCase> {};

TEST_P(ParseCommand, ReadsTheCommandsAsTheClientSendsThem) {
  const CommandCase& c = GetParam();
  std::string padded = c.text + std::string(255 - std::string(c.text).size(), ' ');
  auto parsed = parse_command(padded);
  ASSERT_EQ(parsed.has_value(), c.valid) << c.text;
  if (!c.valid) return;
  EXPECT_EQ(parsed->kind, c.kind);
  EXPECT_EQ(parsed->source, c.source);
  EXPECT_EQ(parsed->output, c.output);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseCommand,
    ::testing::Values(CommandCase{R"([ExecuteProject("C:\WORK\MAIN.APP")])", true, CommandKind::ExecuteProject,
                                  R"(C:\WORK\MAIN.APP)", ""},
                      CommandCase{R"([ImportDCT("/w/MAIN.TXD",/w/MAIN.DCT,0)])", true, CommandKind::ImportDct,
                                  "/w/MAIN.TXD", "/w/MAIN.DCT"},
                      CommandCase{R"([ImportApp("/w/MAIN.TXA",/w/MAIN.APP,0,Replace)])", true, CommandKind::ImportApp,
                                  "/w/MAIN.TXA", "/w/MAIN.APP"},
                      CommandCase{R"([ExportApp("/w/MAIN.App","/w/MAIN.TXA",0)])", true, CommandKind::ExportApp,
                                  "/w/MAIN.App", "/w/MAIN.TXA"},
                      CommandCase{R"([ExportDCT("/w/MAIN.DCT","/w/MAIN.TXD",0)])", true, CommandKind::ExportDct,
                                  "/w/MAIN.DCT", "/w/MAIN.TXD"},
                      CommandCase{R"([executeproject("/my work/a,b.app")])", true, CommandKind::ExecuteProject,
                                  "/my work/a,b.app", ""},
                      CommandCase{R"([ExecuteProject("/w/A.APP"])", false, CommandKind::ExecuteProject, "", ""},
                      CommandCase{R"([ExecuteProject("/w/A.APP)])", false, CommandKind::ExecuteProject, "", ""},
                      CommandCase{R"(ExecuteProject("/w/A.APP"))", false, CommandKind::ExecuteProject, "", ""},
                      CommandCase{R"([ExecuteProject("/w/A.APP","/w/B.APP")])", false, CommandKind::ExecuteProject, "",
                                  ""},
                      CommandCase{R"([ExecuteProject("")])", false, CommandKind::ExecuteProject, "", ""},
                      CommandCase{R"([ImportApp("/w/MAIN.TXA")])", false, CommandKind::ImportApp, "", ""},
                      CommandCase{R"([Compile("/w/MAIN.APP")])", false, CommandKind::ExecuteProject, "", ""},
                      CommandCase{R"([ExportApp("/w/A.App"x,"/w/A.TXA",0)])", false, CommandKind::ExportApp, "", ""},
                      CommandCase{"", false, CommandKind::ExecuteProject, "", ""}));

TEST(ParseCommandLimit, AnImportCutAt255IsNotACommand) {
  std::string full = "/w/" + std::string(127, 'N');
  std::string text = "[ImportApp(\"" + full + ".TXA\"," + full + ".APP,0,Replace)]";
  ASSERT_GT(text.size(), 255u);
  EXPECT_TRUE(parse_command(text).has_value());
  EXPECT_FALSE(parse_command(text.substr(0, 255)).has_value());
}

TEST(SampleFile, ReadsItsKeysAndIgnoresTheRest) {
  SampleFile s = read_sample(
      "[APPLICATION]\r\n; a comment with TARGET=NOT.EXE\n  target = Main.exe \nBUILD-SECONDS=1.5\nfail=Link error\n"
      "REFUSE=Locked by another user\nNO-ACK=1\nEXIT=yes\nPROCEDURE Main\n");
  EXPECT_EQ(s.target, "Main.exe");
  EXPECT_EQ(s.build_seconds, 1.5);
  EXPECT_EQ(s.fail, "Link error");
  EXPECT_EQ(s.refuse, "Locked by another user");
  EXPECT_TRUE(s.no_ack);
  EXPECT_TRUE(s.exit);

  SampleFile plain = read_sample("BUILD-SECONDS=-3\nBUILD-SECONDS=soon\nNO-ACK=0");
  EXPECT_EQ(plain.build_seconds, std::nullopt);
  EXPECT_FALSE(plain.no_ack);
  EXPECT_TRUE(plain.target.empty());
  EXPECT_EQ(plain.write_seconds, std::nullopt);
  EXPECT_EQ(plain.ack_seconds, std::nullopt);
  EXPECT_FALSE(plain.exit_after);
  EXPECT_EQ(plain.output_case, OutputCase::AsNamed);
}

TEST(SampleFile, ReadsTheKeysOfLateAndOddOutputs) {
  SampleFile s = read_sample("WRITE-SECONDS=2.5\nack-seconds = 0.25\nExit-After=1\nOUTPUT-CASE=lower\n");
  EXPECT_EQ(s.write_seconds, 2.5);
  EXPECT_EQ(s.ack_seconds, 0.25);
  EXPECT_TRUE(s.exit_after);
  EXPECT_EQ(s.output_case, OutputCase::Lower);
  EXPECT_EQ(read_sample("OUTPUT-CASE=Upper").output_case, OutputCase::Upper);
  SampleFile odd = read_sample("WRITE-SECONDS=-1\nACK-SECONDS=later\nEXIT-AFTER=0\nOUTPUT-CASE=mixed\n");
  EXPECT_EQ(odd.write_seconds, std::nullopt);
  EXPECT_EQ(odd.ack_seconds, std::nullopt);
  EXPECT_FALSE(odd.exit_after);
  EXPECT_EQ(odd.output_case, OutputCase::AsNamed);
}

TEST(SampleFile, ExportThenImportGivesTheSameText) {
  for (std::string app : {"TARGET=A.EXE\nBUILD-SECONDS=0\n", "no final newline", ""}) {
    std::string txa = export_text(application_header, app);
    EXPECT_EQ(txa.rfind("[APPLICATION]\n", 0), 0u);
    std::string back = import_text(application_header, txa);
    EXPECT_EQ(back, app.empty() || app.back() == '\n' ? app : app + "\n");
  }
  EXPECT_EQ(import_text(dictionary_header, "no header\n"), "no header\n");
}

class LocalFiles : public ::testing::Test {
 protected:
  qvn::test_support::TempFolder folder_{"ide-sim-files"};
  std::string root_ = folder_.string() + "/";
};

TEST_F(LocalFiles, NamesMatchWithoutCaseWithinTheirFolder) {
  std::string error;
  ASSERT_TRUE(write_file(root_ + "Main.App", "x", error));
  EXPECT_EQ(find_file(root_ + "MAIN.APP"), root_ + "Main.App");
  EXPECT_EQ(find_file(root_ + "Main.App"), root_ + "Main.App");
  EXPECT_EQ(find_file(root_ + "MAIN.AP"), std::nullopt);
  std::filesystem::create_directory(root_ + "dir.app");
  EXPECT_EQ(find_file(root_ + "DIR.APP"), std::nullopt) << "a folder is no source file";

  ASSERT_TRUE(write_file(root_ + "MAIN.APP", "new", error));
  EXPECT_FALSE(std::filesystem::exists(root_ + "Main.App")) << "the same file under another case is replaced";
  std::string content;
  ASSERT_TRUE(read_file(root_ + "MAIN.APP", content));
  EXPECT_EQ(content, "new");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root_), {}), 2) << "no temporary file is left";

  EXPECT_FALSE(write_file(root_ + "missing/OUT.TXA", "x", error));
  EXPECT_FALSE(error.empty());
}

TEST_F(LocalFiles, ReplacesOnlyTheFileItNames) {
  struct Case {
    const char* what;
    std::vector<std::string> before;
    std::set<std::string> after;  // writing NOTES.txt
  };
  const Case cases[] = {
      {"the one file of the name in another case is replaced", {"Notes.txt"}, {"NOTES.txt"}},
      {"with several, it cannot be told which; none is removed",
       {"notes.TXT", "Notes.txt"},
       {"NOTES.txt", "notes.TXT", "Notes.txt"}},
      {"a file of the very name is replaced, the others stay", {"NOTES.txt", "notes.txt"}, {"NOTES.txt", "notes.txt"}},
  };
  int n = 0;
  for (const Case& c : cases) {
    std::string dir = root_ + std::to_string(n++) + "/";
    std::filesystem::create_directory(dir);
    for (const std::string& name : c.before) std::ofstream(dir + name) << "old";
    std::string error;
    ASSERT_TRUE(write_file(dir + "NOTES.txt", "new", error)) << error;
    std::set<std::string> after;
    for (auto& e : std::filesystem::directory_iterator(dir)) after.insert(e.path().filename().string());
    EXPECT_EQ(after, c.after) << c.what;
    std::string content;
    EXPECT_TRUE(read_file(dir + "NOTES.txt", content));
    EXPECT_EQ(content, "new");
  }
}

TEST_F(LocalFiles, NoLinkIsFollowedWhenWriting) {
  std::string victim = root_ + "victim.txt";
  std::ofstream(victim) << "precious";
  // Where the temporary file was once named after the process, and the output itself.
  std::string old_temp = root_ + "OUT.TXA.ide-sim-" + std::to_string(::getpid()) + ".tmp";
  ASSERT_EQ(::symlink(victim.c_str(), old_temp.c_str()), 0);
  ASSERT_EQ(::symlink(victim.c_str(), (root_ + "OUT.TXA").c_str()), 0);
  std::string error;
  ASSERT_TRUE(write_file(root_ + "OUT.TXA", "written", error)) << error;
  std::string content;
  ASSERT_TRUE(read_file(victim, content));
  EXPECT_EQ(content, "precious");
  EXPECT_FALSE(std::filesystem::is_symlink(root_ + "OUT.TXA"))
      << "the link is replaced by the file, not written through";
  ASSERT_TRUE(read_file(root_ + "OUT.TXA", content));
  EXPECT_EQ(content, "written");
}

TEST_F(LocalFiles, WritingInPiecesReplacesOnlyItsFileAndFollowsNoLink) {
  std::string victim = root_ + "victim.txt";
  std::ofstream(victim) << "precious";
  ASSERT_EQ(::symlink(victim.c_str(), (root_ + "OUT.TXA").c_str()), 0);
  std::ofstream(root_ + "other.txd") << "old";
  std::vector<std::pair<int, uintmax_t>> seen;
  std::string error;
  ASSERT_TRUE(write_file_in_pieces(
      root_ + "OUT.TXA", "0123456789", 4,
      [&](int piece) {
        seen.emplace_back(piece, std::filesystem::file_size(root_ + "OUT.TXA"));
        return true;
      },
      error))
      << error;
  EXPECT_EQ(seen, (std::vector<std::pair<int, uintmax_t>>{{1, 2}, {2, 5}, {3, 7}, {4, 10}}));
  std::string content;
  ASSERT_TRUE(read_file(victim, content));
  EXPECT_EQ(content, "precious") << "the link was removed, not written through";
  EXPECT_FALSE(std::filesystem::is_symlink(root_ + "OUT.TXA"));
  ASSERT_TRUE(read_file(root_ + "OUT.TXA", content));
  EXPECT_EQ(content, "0123456789");

  // The one file of the name in another case is the one replaced.
  ASSERT_TRUE(write_file_in_pieces(
      root_ + "OTHER.TXD", "new", 2, [](int) { return true; }, error))
      << error;
  EXPECT_FALSE(std::filesystem::exists(root_ + "other.txd"));
  // Stopped half-way: the answer says so.
  EXPECT_FALSE(write_file_in_pieces(
      root_ + "HALF.TXA", "0123", 4, [](int piece) { return piece < 2; }, error));
  EXPECT_EQ(std::filesystem::file_size(root_ + "HALF.TXA"), 2u);
  // A folder of the name stays.
  std::filesystem::create_directory(root_ + "DIR.TXA");
  EXPECT_FALSE(write_file_in_pieces(
      root_ + "DIR.TXA", "x", 1, [](int) { return true; }, error));
  EXPECT_TRUE(std::filesystem::is_directory(root_ + "DIR.TXA"));
}

TEST_F(LocalFiles, OnlyRegularFilesAreRead) {
  std::string fifo = root_ + "PIPE.APP";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string content;
  EXPECT_FALSE(read_file(fifo, content)) << "and without waiting for a writer";
  EXPECT_FALSE(read_file(root_, content));
}

TEST(LocalPaths, BackslashesSeparateFolders) {
  EXPECT_EQ(local_path(R"(\w\sub\MAIN.APP)"), "/w/sub/MAIN.APP");
  EXPECT_EQ(folder_of("/w/sub/MAIN.APP"), "/w/sub/");
  EXPECT_EQ(folder_of("MAIN.APP"), "");
  EXPECT_EQ(base_name("/w/sub/MAIN.V2.APP"), "MAIN");
  for (const char* climbing : {"..", "../a", "/w/../a", "/w/..", "a/../../b"})
    EXPECT_TRUE(climbs_up(climbing)) << climbing;
  for (const char* staying : {"/w/a", "a", "/w/..a", "/w/a..", "/w/.../a", "./a"})
    EXPECT_FALSE(climbs_up(staying)) << staying;
  EXPECT_TRUE(has_type("/w/Main.App", "APP"));
  EXPECT_FALSE(has_type("/w/MAIN.APP.bak", "APP"));
  EXPECT_FALSE(has_type("/w.APP/MAIN", "APP"));
}

TEST(LocalPaths, ANameWithANulOrAnotherControlCharacterIsKnown) {
  using namespace std::string_literals;
  for (const std::string& bad : {"/w/KEEP.DCT\0.TXA"s, "/w/a\nb.APP"s, "\x1b[2J.APP"s, "/w/a\tb"s, "/w/a\x7f"s, "\r"s})
    EXPECT_TRUE(holds_control_character(bad)) << escaped(bad);
  for (const std::string& fine : {"/w/MAIN.APP"s, R"(C:\My Apps\MAIN.APP)"s, "/w/Caf\xc3\xa9.APP"s, ""s})
    EXPECT_FALSE(holds_control_character(fine)) << fine;
}

TEST(SimLogText, ControlCharactersAreWrittenAsHexAndTheRestAsItIs) {
  using namespace std::string_literals;
  struct Case {
    std::string text;
    const char* shown;
  } cases[] = {
      {"KEEP.DCT\0.TXA"s, R"(KEEP.DCT\x00.TXA)"},
      {"one\ntwo\r"s, R"(one\x0atwo\x0d)"},
      {"\x1b[2J\x7f\x01"s, R"(\x1b[2J\x7f\x01)"},
      {R"([ExecuteProject("C:\WORK\MAIN.APP")])", R"([ExecuteProject("C:\WORK\MAIN.APP")])"},
      {"Caf\xc3\xa9 \"x\""s, "Caf\xc3\xa9 \"x\""},
  };
  for (const Case& c : cases) EXPECT_EQ(escaped(c.text), c.shown);
}

TEST(Options, ReadsTheModesAndRejectsNonsense) {
  std::string error;
  auto o = parse_options({"--build-seconds", "0.25", "--never-write", "--exit-at-command", "3", "--log", "/x.log",
                          "--topic", "System", "--start-seconds", "1.5"},
                         error);
  ASSERT_TRUE(o) << error;
  EXPECT_EQ(o->service, "ClarionWin");
  EXPECT_EQ(o->build_seconds, 0.25);
  EXPECT_TRUE(o->never_write);
  EXPECT_FALSE(o->never_ack);
  EXPECT_EQ(o->exit_at_command, 3);
  EXPECT_EQ(o->log_path, "/x.log");
  EXPECT_EQ(o->topic, "System");
  EXPECT_EQ(o->start_seconds, 1.5);
  for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{{"--build-seconds"},
                                                                            {"--build-seconds", "-1"},
                                                                            {"--build-seconds", "2s"},
                                                                            {"--exit-at-command", "0"},
                                                                            {"--fast"},
                                                                            {"--start-seconds", "-2"},
                                                                            {"--start-seconds"}}) {
    error.clear();
    EXPECT_FALSE(parse_options(bad, error)) << bad[0];
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
