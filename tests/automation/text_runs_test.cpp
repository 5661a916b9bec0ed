// The import and export runs of the main window, headless, against ide-sim
// running as a real process on real files: their question, order, texts,
// commands and log entries; an import done only when its output changed,
// an export only when its size held between two timer events; and what
// they do when a file or a name gets in the way.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include "runs_fixture.h"

namespace qvn::automation::testing {

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ui::HeadlessUser;
using ui::WindowView;

// What tells one run from another, as a test sees it.
struct TextRun {
  const char* name;
  int button;
  const char* question;  // nullptr: an export
  const char* source;    // extension
  const char* output;
  const char* header;  // first line of what the environment writes
  const char* not_found;
  const char* begin;
  const char* finished;
  const char* after;    // the status after the command, "{A}" the application, "{P}" its priority
  const char* command;  // "{F}" the folder and base name
};
void PrintTo(const TextRun& r, std::ostream* os) { *os << r.name; }

const TextRun kImportDct{"ImportDct",
                         IMPORTDCT,
                         "Are you sure you want to import .TXD?",
                         ".TXD",
                         ".DCT",
                         "",
                         ".TXD not found",
                         "Begin DCT Import",
                         "Import DCT Finished",
                         "{A} Imported.",
                         "[ImportDCT(\"{F}.TXD\",{F}.DCT,0)]"};
const TextRun kImportApp{"ImportApp",
                         IMPORTAPP,
                         "Are you sure you want to import .TXA into .APP?",
                         ".TXA",
                         ".APP",
                         "",
                         ".TXA not found",
                         "Begin APP Import",
                         "Import APP Finished",
                         "{A} Imported.",
                         "[ImportApp(\"{F}.TXA\",{F}.APP,0,Replace)]"};
const TextRun kExportApp{"ExportApp",
                         EXPORTAPP,
                         nullptr,
                         ".APP",
                         ".TXA",
                         "[APPLICATION]",
                         ".APP not found",
                         "Begin APP Export",
                         "Export APP Finished",
                         "{A} DDE Ack: {P}",
                         "[ExportApp(\"{F}.App\",\"{F}.TXA\",0)]"};
const TextRun kExportDct{"ExportDct",
                         EXPORTDCT,
                         nullptr,
                         ".DCT",
                         ".TXD",
                         "[DICTIONARY]",
                         ".DCT not found",
                         "Begin DCT Export",
                         "Export DCT Finished",
                         "{A} Exported.",
                         "[ExportDCT(\"{F}.DCT\",\"{F}.TXD\",0)]"};

std::string replaced(std::string text, const std::vector<std::pair<std::string, std::string>>& marks) {
  for (const auto& [mark, value] : marks)
    for (size_t at; (at = text.find(mark)) != std::string::npos;) text.replace(at, mark.size(), value);
  return text;
}

class TextRunsTest : public RunsTest {
 protected:
  // An application on file with its source for the run in its folder: the
  // application file itself (export APP), its dictionary (export DCT) or
  // its text form (imports). `lines` are the source's sample lines.
  AppOnFile app(const TextRun& run, const std::string& base, int priority, int tag, const std::string& lines = {}) {
    const std::string at = folder(base);
    const std::string header = run.question == nullptr             ? ""
                               : std::string(run.source) == ".TXA" ? "[APPLICATION]\n"
                                                                   : "[DICTIONARY]\n";
    write(at, base + run.source, header + lines);
    if (std::string(run.source) != ".APP") write(at, base + ".APP", "TARGET=" + base + ".EXE\n");
    return AppOnFile{base + ".APP", at, priority, 0, base + ".EXE", tag};
  }

  // The steps that start the run: imports are armed with "I'm Sure" on
  // their tab first, and their question answered.
  void start(HeadlessUser& user, const TextRun& run, int answer = ui::button::Yes) {
    if (run.question == nullptr) {
      user.on_window(kCaption, [&run](WindowView& w) { w.press(run.button); });
      return;
    }
    user.on_window(kCaption, [](WindowView& w) { w.choose_tab(TAB3); });
    user.then([](WindowView& w) { w.press("I'm Sure"); });
    user.then([&run](WindowView& w) { w.press(run.button); });
    user.answer_message(run.question, answer);
  }
};

class TextRunsEach : public TextRunsTest, public ::testing::WithParamInterface<TextRun> {};

TEST_P(TextRunsEach, EveryTaggedApplicationIsConvertedByPriorityOverOneConversation) {
  const TextRun& run = GetParam();
  sim.start();
  const AppOnFile main = app(run, "MAIN", 12, 1, "TARGET=MAIN.EXE\n");
  // Its source is missing: not converted, but the run goes on.
  const std::string nosrc = folder("NOSRC");
  const AppOnFile last = app(run, "LAST", 20, 1);
  const AppOnFile untagged = app(run, "FIRST", 1, 0);
  std::ofstream(main.folder + "MAIN" + run.output) << "old";
  seed({main, {"NOSRC.APP", nosrc, 13, 0, "", 1}, last, untagged});
  if (run.question == nullptr) fs::remove(nosrc + "NOSRC" + run.source);
  HeadlessUser user;
  StatusHistory status(user);
  start(user, run);
  user.then([&](WindowView& w) {
    // The first output is there, but a run looks only on timer events.
    ASSERT_TRUE(w.wait_for([&] { return sim_idle(); }, kRealWaitMs));
    EXPECT_TRUE(regular_file_found(main.folder + "MAIN" + run.output));
    w.window().post(ui::Event::GainFocus);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text(STATUSMSG), replaced(run.after, {{"{A}", "MAIN.APP"}, {"{P}", "12"}}));
    w.advance_time(5000);
  });
  watch_timer_run(user, [&](WindowView& w) {
    EXPECT_EQ(user.beeps(), 2);
    EXPECT_EQ(user.brought_to_front(), 1);
    // The imports run from their own tab, where ?LIST cannot take the focus.
    if (run.question == nullptr) {
      EXPECT_TRUE(w.has_focus(LIST));
    }
  });
  Main();
  EXPECT_THAT(log_events(),
              ElementsAre(std::string("MAIN.APP: ") + run.begin, std::string("MAIN.APP: ") + run.finished,
                          std::string("NOSRC.APP: ") + run.not_found, std::string("LAST.APP: ") + run.begin,
                          std::string("LAST.APP: ") + run.finished));
  EXPECT_THAT(commands(), ElementsAre(replaced(run.command, {{"{F}", main.folder + "MAIN"}}),
                                      replaced(run.command, {{"{F}", last.folder + "LAST"}})));
  const std::string written = read_file(main.folder + "MAIN" + run.output);
  EXPECT_NE(written, "old");
  if (*run.header) {
    EXPECT_EQ(written.substr(0, written.find('\n')), run.header);
  }
  EXPECT_TRUE(status.shown(run.question ? "Importing MAIN.APP" : "Exporting MAIN.APP: 12"));
  EXPECT_TRUE(status.shown(replaced(run.after, {{"{A}", "LAST.APP"}, {"{P}", "20"}})));
  EXPECT_EQ(status.texts().back(), kProcessingComplete);
  EXPECT_TRUE(sim.says("conversation 2 closed")) << "the run's one conversation is closed at its end";
  EXPECT_EQ(count_of(sim.log_text(), "conversation 3 "), 0) << "and it was the only one";
  EXPECT_EQ(messages(user).size(), run.question ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Runs, TextRunsEach, ::testing::Values(kImportDct, kImportApp, kExportApp, kExportDct),
                         [](const auto& info) { return std::string(info.param.name); });

class TextRunsImport : public TextRunsTest, public ::testing::WithParamInterface<TextRun> {};

TEST_P(TextRunsImport, AnswerNoAndNothingIsOpenedSentOrLogged) {
  const TextRun& run = GetParam();
  sim.start();
  seed({app(run, "MAIN", 1, 1)});
  HeadlessUser user;
  start(user, run, ui::button::No);
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text(STATUSMSG), "Connected to Clarion");
    w.close();
  });
  Main();
  EXPECT_THAT(log_events(), IsEmpty());
  EXPECT_THAT(commands(), IsEmpty());
  EXPECT_EQ(user.beeps(), 0);
  ASSERT_EQ(user.messages().size(), 1u);
  const ui::MessageBoxDef& box = user.messages()[0].box;
  EXPECT_EQ(box.caption, "Confirm");
  EXPECT_EQ(box.icon, ui::MessageIcon::Question);
  EXPECT_EQ(box.buttons, ui::button::Yes | ui::button::No);
  EXPECT_EQ(box.default_button, ui::button::No);
  EXPECT_EQ(count_of(sim.log_text(), "conversation 2"), 0) << "no conversation was opened for it";
}

TEST_P(TextRunsImport, IsDoneOnlyWhenItsOutputChangedAndNeverRemovesTheOldOne) {
  const TextRun& run = GetParam();
  sim.start();
  // BAD's import fails in the environment: its old file stays as it was.
  const AppOnFile bad = app(run, "BAD", 1, 1, "FAIL=Syntax error in line 2\n");
  const AppOnFile good = app(run, "GOOD", 2, 1);
  const std::string old_bad = bad.folder + "BAD" + run.output;
  if (std::string(run.output) == ".DCT") std::ofstream(old_bad) << "the only copy";
  if (std::string(run.output) == ".APP") std::ofstream(old_bad, std::ios::app) << "the only copy\n";
  const std::string before = read_file(old_bad);
  std::ofstream(good.folder + "GOOD" + run.output, std::ios::app) << "old\n";
  seed({bad, good});
  HeadlessUser user;
  start(user, run);
  user.then([&](WindowView& w) {
    ASSERT_TRUE(sim.says("failed: Syntax error in line 2"));
    EXPECT_EQ(read_file(old_bad), before) << "not removed before the command";
    w.advance_time(5000);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text(STATUSMSG), "BAD.APP Imported.") << "an unchanged output is no import";
    w.advance_time(5 * 60000 - 10000);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text(STATUSMSG), "BAD.APP Imported.") << "not yet five minutes";
    w.advance_time(5000);
  });
  watch_timer_run(user);
  Main();
  EXPECT_THAT(log_events(),
              ElementsAre(std::string("BAD.APP: ") + run.begin, "BAD.APP: Error 2 Output not found after 5 minutes",
                          std::string("GOOD.APP: ") + run.begin, std::string("GOOD.APP: ") + run.finished));
  EXPECT_EQ(read_file(old_bad), before);
  EXPECT_EQ(count_of(read_file(good.folder + "GOOD" + run.output), "old"), 0) << "GOOD's import replaced it";
}

TEST_P(TextRunsImport, FindsItsSourceInAnyLetterCase) {
  const TextRun& run = GetParam();
  sim.start();
  AppOnFile main = app(run, "MAIN", 1, 1);
  std::string lower = std::string("main") + run.source;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  fs::rename(main.folder + "MAIN" + run.source, main.folder + lower);
  seed({main});
  HeadlessUser user;
  start(user, run);
  watch_timer_run(user);
  Main();
  EXPECT_THAT(log_events(),
              ElementsAre(std::string("MAIN.APP: ") + run.begin, std::string("MAIN.APP: ") + run.finished));
}

INSTANTIATE_TEST_SUITE_P(Imports, TextRunsImport, ::testing::Values(kImportDct, kImportApp),
                         [](const auto& info) { return std::string(info.param.name); });

class TextRunsExport : public TextRunsTest, public ::testing::WithParamInterface<TextRun> {};

TEST_P(TextRunsExport, IsAcceptedOnlyWhenItsOutputsSizeHeldBetweenTwoTimerEvents) {
  const TextRun& run = GetParam();
  // The environment acknowledges and writes nothing; the output grows here,
  // piece by piece, between the run's looks.
  sim.start({"--never-write"});
  const AppOnFile main = app(run, "MAIN", 1, 1);
  seed({main});
  const std::string output = main.folder + "MAIN" + run.output;
  HeadlessUser user;
  start(user, run);
  user.then([&](WindowView& w) {
    ASSERT_TRUE(sim.says("not writing " + output));
    std::ofstream(output) << "[first piece]\n";
    w.advance_time(5000);
  });
  user.then([&](WindowView& w) {
    EXPECT_NE(w.text(STATUSMSG), kProcessingComplete) << "the first look only notes the size";
    std::ofstream(output, std::ios::app) << "[second piece]\n";
    w.advance_time(5000);
  });
  user.then([&](WindowView& w) {
    EXPECT_NE(w.text(STATUSMSG), kProcessingComplete) << "it grew since";
    w.advance_time(5000);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text(STATUSMSG), kProcessingComplete) << "the same size twice";
    w.close();
  });
  Main();
  EXPECT_THAT(log_events(),
              ElementsAre(std::string("MAIN.APP: ") + run.begin, std::string("MAIN.APP: ") + run.finished));
}

TEST_P(TextRunsExport, AnOutputWrittenLateInPiecesIsAcceptedWhole) {
  const TextRun& run = GetParam();
  sim.start();
  const AppOnFile main = app(run, "MAIN", 1, 1, "WRITE-SECONDS=0.6\n");
  seed({main});
  const std::string output = main.folder + "MAIN" + run.output;
  pid_t sim_pid = 0;
  HeadlessUser user;
  start(user, run);
  user.then([&](WindowView& w) {
    // ide-sim is held after its first piece while the run takes its first look.
    ASSERT_TRUE(sim.says("writing " + output + ": piece 1 of 4"));
    sim_pid = sim.serving_pids().at(0);
    ASSERT_EQ(::kill(sim_pid, SIGSTOP), 0);
    w.advance_time(5000);
  });
  user.then([&](WindowView& w) {
    ASSERT_EQ(::kill(sim_pid, SIGCONT), 0);
    ASSERT_TRUE(sim.says("wrote " + output));
    w.advance_time(5000);
  });
  user.then([&](WindowView& w) {
    EXPECT_NE(w.text(STATUSMSG), kProcessingComplete) << "the output grew between the looks";
    w.advance_time(5000);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text(STATUSMSG), kProcessingComplete);
    w.close();
  });
  Main();
  EXPECT_THAT(log_events(),
              ElementsAre(std::string("MAIN.APP: ") + run.begin, std::string("MAIN.APP: ") + run.finished));
  const std::string written = read_file(output);
  EXPECT_EQ(written.substr(0, written.find('\n')), run.header);
  EXPECT_NE(written.find("WRITE-SECONDS=0.6"), std::string::npos) << "whole";
}

TEST_P(TextRunsExport, FinishesOnAnOutputWrittenInAnotherLetterCase) {
  const TextRun& run = GetParam();
  sim.start();
  const AppOnFile main = app(run, "MAIN", 1, 1, "OUTPUT-CASE=lower\n");
  seed({main});
  HeadlessUser user;
  start(user, run);
  watch_timer_run(user);
  Main();
  EXPECT_THAT(log_events(),
              ElementsAre(std::string("MAIN.APP: ") + run.begin, std::string("MAIN.APP: ") + run.finished));
  std::string lower = std::string("main") + run.output;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_TRUE(fs::exists(main.folder + lower));
}

TEST_P(TextRunsExport, AnOldOutputThatCannotBeRemovedIsAnErrorOfThatApplication) {
  const TextRun& run = GetParam();
  sim.start();
  const AppOnFile folder_in_the_way = app(run, "ONE", 1, 1);
  const AppOnFile read_only = app(run, "TWO", 2, 1);
  const AppOnFile fine = app(run, "THREE", 3, 1);
  fs::create_directory(folder_in_the_way.folder + "ONE" + run.output);
  const std::string locked = read_only.folder + "TWO" + run.output;
  std::ofstream(locked) << "old";
  fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read);
  seed({folder_in_the_way, read_only, fine});
  HeadlessUser user;
  start(user, run);
  watch_timer_run(user);
  Main();
  EXPECT_THAT(log_events(),
              ElementsAre(std::string("ONE.APP: ") + run.begin, "ONE.APP: Error 5 Access Denied",
                          std::string("TWO.APP: ") + run.begin, "TWO.APP: Error 5 Access Denied",
                          std::string("THREE.APP: ") + run.begin, std::string("THREE.APP: ") + run.finished));
  EXPECT_EQ(commands().size(), 1u) << "nothing was sent for the two";
  EXPECT_EQ(read_file(locked), "old");
  EXPECT_TRUE(fs::is_directory(folder_in_the_way.folder + "ONE" + run.output));
}

TEST_P(TextRunsExport, AnOutputNameTooLongForItsFieldIsRefusedBeforeAnythingIsRemoved) {
  const TextRun& run = GetParam();
  sim.start();
  // Folder and base name of 77 characters: the output's name has 81.
  const std::string base(77 - (work.string().size() + 2) - 4, 'L');
  const AppOnFile too_long = app(run, base, 1, 1);
  const std::string cut = (too_long.folder + base + run.output).substr(0, 80);
  std::ofstream(cut) << "another file";
  const AppOnFile fine = app(run, "MAIN", 2, 1);
  seed({too_long, fine});
  HeadlessUser user;
  start(user, run);
  watch_timer_run(user);
  Main();
  const std::string name = base + ".APP";
  EXPECT_THAT(log_events(),
              ElementsAre(name.substr(0, 40) + ": " + run.begin, name.substr(0, 40) + ": Error 45 Invalid Filename",
                          std::string("MAIN.APP: ") + run.begin, std::string("MAIN.APP: ") + run.finished));
  EXPECT_EQ(read_file(cut), "another file");
  EXPECT_EQ(commands().size(), 1u);
}

TEST_P(TextRunsExport, ADdeErrorOnTheSecondEndsTheRun) {
  const TextRun& run = GetParam();
  sim.start();
  const AppOnFile one = app(run, "ONE", 1, 1);
  const AppOnFile two = app(run, "TWO", 2, 1, "REFUSE=Locked by another user\n");
  const AppOnFile three = app(run, "THREE", 3, 1);
  seed({one, two, three});
  HeadlessUser user;
  start(user, run);
  watch_timer_run(user, [&](WindowView&) { EXPECT_EQ(user.beeps(), 2); });
  user.answer_message("Error 3 : Locked by another user", ui::button::Ok);
  Main();
  EXPECT_THAT(log_events(),
              ElementsAre(std::string("ONE.APP: ") + run.begin, std::string("ONE.APP: ") + run.finished,
                          std::string("TWO.APP: ") + run.begin, "TWO.APP: Error 603 DDEexecute - invalid command"));
  EXPECT_EQ(messages(user).size(), 1u);
  EXPECT_EQ(count_of(sim.log_text(), "THREE"), 0);
  EXPECT_TRUE(sim.says("conversation 2 closed"));
}

TEST_P(TextRunsExport, WithNothingTaggedTheRunConnectsBeepsAndIsComplete) {
  const TextRun& run = GetParam();
  sim.start();
  seed({app(run, "MAIN", 1, 0)});
  HeadlessUser user;
  start(user, run);
  watch_timer_run(user, [&](WindowView& w) {
    EXPECT_EQ(user.beeps(), 2);
    EXPECT_TRUE(w.has_focus(LIST));
  });
  Main();
  EXPECT_THAT(log_events(), IsEmpty());
  EXPECT_THAT(commands(), IsEmpty());
  EXPECT_TRUE(sim.says("conversation 2 closed"));
}

TEST_P(TextRunsExport, ClosingTheWindowDuringAWaitStopsTheRunAtOnce) {
  const TextRun& run = GetParam();
  sim.start({"--never-write"});
  const AppOnFile one = app(run, "ONE", 1, 1);
  seed({one, app(run, "TWO", 2, 1)});
  HeadlessUser user;
  StatusHistory status(user);
  start(user, run);
  user.then([&](WindowView& w) {
    ASSERT_TRUE(sim.says("not writing " + one.folder + "ONE" + run.output));
    w.close();
  });
  Main();
  EXPECT_THAT(log_events(),
              ElementsAre(std::string("ONE.APP: ") + run.begin, "ONE.APP: Run ended: the window is closing"));
  EXPECT_EQ(commands().size(), 1u) << "nothing further is sent";
  EXPECT_EQ(user.beeps(), 0);
  EXPECT_FALSE(status.shown(kProcessingComplete));
  EXPECT_TRUE(sim.says("conversation 2 closed"));
}

INSTANTIATE_TEST_SUITE_P(Exports, TextRunsExport, ::testing::Values(kExportApp, kExportDct),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TextRunsTest, AnImportCommandTooLongForItsFieldIsRefusedAndTheRunGoesOn) {
  sim.start();
  // A folder of 80 characters and a base name of 40: the command would need 275.
  const std::string long_folder = folder(std::string(80 - (work.string().size() + 2), 'F'));
  ASSERT_EQ(long_folder.size(), 80u);
  const std::string base(40, 'B');
  write(long_folder, base + ".TXA", "[APPLICATION]\n");
  const AppOnFile fine = app(kImportApp, "MAIN", 2, 1);
  seed({{base + ".APP", long_folder, 1, 0, "", 1}, fine});
  HeadlessUser user;
  start(user, kImportApp);
  watch_timer_run(user);
  Main();
  EXPECT_THAT(log_events(), ElementsAre(base + ": Begin APP Import", base + ": Error 45 Invalid Filename",
                                        "MAIN.APP: Begin APP Import", "MAIN.APP: Import APP Finished"));
  EXPECT_EQ(commands().size(), 1u) << "a cut command is never sent";
}

}  // namespace

}  // namespace qvn::automation::testing
