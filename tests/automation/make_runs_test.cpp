// The generate-and-make runs of the main window, headless, against ide-sim
// running as a real process on real files: the run over the tagged
// applications, the project run and the subset run; their order, texts and
// log entries, and what they do when a file, a target, a name, the
// environment or the user gets in the way.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <tuple>

#include "platform/ui/close_signals.h"
#include "runs_fixture.h"
#include "support/full_disk.h"

namespace qvn::automation::testing {

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ui::HeadlessUser;
using ui::WindowView;

constexpr const char* kMissingTargetsWarning =
    " Files with NO target specified were found and were not made.||Check log for details.";

class MakeRunsTest : public RunsTest {
 protected:
  // An application on file whose folder holds its sample file, the
  // sample's TARGET= (when not blank) equal to the record's target.
  AppOnFile app(const std::string& name, int priority, int tag, const std::string& target, int project = 0,
                const std::string& extra = {}) {
    const std::string at = folder(name.substr(0, name.find('.')));
    write(at, name, (target.empty() ? std::string() : "TARGET=" + target + "\n") + extra);
    return AppOnFile{name, at, priority, project, target, tag};
  }

  // The made target's first line, "Built by ide-sim from <application>".
  static std::string built_from(const std::string& target) {
    const std::string text = read_file(target);
    return text.substr(0, text.find('\n'));
  }
};

TEST_F(MakeRunsTest, TheTaggedApplicationsAreMadeByPriorityThenNameWhateverRowIsSelected) {
  sim.start();
  const std::vector<AppOnFile> apps = {
      app("Beta.APP", 3, 1, "BETA.EXE"),
      app("alpha.APP", 3, 1, "ALPHA.DLL", 0, "ACK-SECONDS=0.2\n"),  // written before its acknowledgement comes
      app("GAMMA.APP", 7, 1, "GAMMA.EXE"),
      app("ZERO.APP", 0, 1, "ZERO.EXE"),
      app("SKIP.APP", 1, 0, "SKIP.EXE"),
  };
  seed(apps);
  HeadlessUser user;
  StatusHistory status(user);
  int64_t started_ms = 0;
  user.on_window(kCaption, [&](WindowView& w) {
    w.select_row(LIST, 5);  // GAMMA.APP, the last row
    started_ms = user.clock().steady_ms();
  });
  user.then([](WindowView& w) { w.press("&Gen && Make    (.APP)"); });
  watch_make_run(user, [&](WindowView& w) {
    EXPECT_EQ(user.clock().steady_ms(), started_ms) << "each target was seen by its folder's change, no timer needed";
    EXPECT_EQ(user.beeps(), 2);
    EXPECT_EQ(user.brought_to_front(), 1);
    EXPECT_TRUE(w.has_focus(LIST));
  });
  Main();

  EXPECT_THAT(made(), ElementsAre("ZERO.APP", "alpha.APP", "Beta.APP", "GAMMA.APP"))
      << "priority 0 first; equal priorities by name without regard to case; untagged skipped";
  EXPECT_THAT(log_events(), ElementsAre("ZERO.APP: Begin Make", "ZERO.APP: Make Finished", "alpha.APP: Begin Make",
                                        "alpha.APP: Make Finished", "Beta.APP: Begin Make", "Beta.APP: Make Finished",
                                        "GAMMA.APP: Begin Make", "GAMMA.APP: Make Finished"));
  for (const AppOnFile& a : apps) {
    const fs::path target = fs::path(a.folder) / a.target;
    if (a.tag == 1) {
      EXPECT_EQ(built_from(target), "Built by ide-sim from " + a.folder + a.application) << a.application;
    } else {
      EXPECT_FALSE(fs::exists(target));
    }
  }
  for (const char* text : {"ZERO.APP DDE Ack. 0", "ZERO.APP Compiled & Made 0", "alpha.APP DDE Ack. 3",
                           "alpha.APP Compiled & Made 3", "GAMMA.APP Compiled & Made 7"}) {
    EXPECT_TRUE(status.shown(text)) << text;
  }
  EXPECT_EQ(status.texts().back(), kProcessingComplete);
  EXPECT_TRUE(user.messages().empty());
  // One conversation per application, each closed after its wait, besides
  // the one the window opened with.
  EXPECT_TRUE(sim.says("conversation 5 closed"));
  // The runs change targets in memory only: no record is written.
  const std::vector<AppOnFile> after = apps_on_file();
  ASSERT_EQ(after.size(), apps.size());
  for (const AppOnFile& a : after) {
    for (const AppOnFile& b : apps) {
      if (b.application != a.application) continue;
      EXPECT_EQ(std::tie(a.priority, a.tag, a.project, a.folder, a.target),
                std::tie(b.priority, b.tag, b.project, b.folder, b.target))
          << a.application << " is as it was, its target bare";
    }
  }
}

// The disk under the activity log is full: every entry is lost, the user is
// told once, with the file and the reason, and the run makes every
// application all the same.
TEST_F(MakeRunsTest, ALogThatCannotBeWrittenIsToldOnceAndTheRunMakesEveryApplication) {
  sim.start();
  const std::vector<AppOnFile> apps = {app("ONE.APP", 1, 1, "ONE.EXE"), app("TWO.APP", 2, 1, "TWO.EXE")};
  seed(apps);
  {
    test_support::FullDisk full("TEMPFILE.TPS");
    HeadlessUser user;
    StatusHistory status(user);
    user.on_window(kCaption, [](WindowView& w) { w.press(EXECUTEAPP); });
    watch_make_run(user);
    user.answer_any_message(ui::button::Ok);
    Main();

    EXPECT_GE(full.refused(), 4) << "Begin Make and Make Finished for each";
    ASSERT_EQ(user.messages().size(), 1u);
    EXPECT_EQ(user.messages()[0].box.caption, "Main: Record Insert Error");
    EXPECT_EQ(user.messages()[0].box.text, "An error was experienced during the creation of a record.|File: " +
                                               (data_dir / "TEMPFILE.TPS").string() +
                                               "|Error: database or disk is full (13).");
    EXPECT_TRUE(status.shown("TWO.APP Compiled & Made 2"));
    EXPECT_EQ(status.texts().back(), kProcessingComplete);
  }
  EXPECT_THAT(made(), ElementsAre("ONE.APP", "TWO.APP"));
  for (const AppOnFile& a : apps) EXPECT_TRUE(fs::exists(fs::path(a.folder) / a.target)) << a.application;
  EXPECT_THAT(log_events(), IsEmpty()) << "the entries were lost, the log itself is whole";
}

TEST_F(MakeRunsTest, WithNothingTaggedTheRunConnectsBeepsAndIsComplete) {
  sim.start();
  seed({app("MAIN.APP", 1, 0, "MAIN.EXE")});
  HeadlessUser user;
  user.on_window(kCaption, [](WindowView& w) { w.press(EXECUTEAPP); });
  watch_make_run(user, [&](WindowView& w) {
    EXPECT_EQ(user.beeps(), 2);
    EXPECT_TRUE(w.has_focus(LIST));
  });
  Main();
  EXPECT_THAT(log_events(), IsEmpty());
  EXPECT_THAT(made(), IsEmpty());
  EXPECT_TRUE(sim.says("conversation 2 closed")) << "the run's own conversation is closed at its end";
  EXPECT_TRUE(user.messages().empty());
}

TEST_F(MakeRunsTest, AProjectRunMakesTheProjectOnTheSelectedLineByPriorityTaggedOrNot) {
  sim.start();
  const std::vector<AppOnFile> apps = {app("FIVE.APP", 5, 0, "FIVE.DLL", 1), app("ONE.APP", 1, 1, "ONE.DLL", 1),
                                       app("THREE.APP", 3, 0, "THREE.EXE", 1), app("alpha.APP", 3, 0, "ALPHA.EXE", 1),
                                       app("OTHER.APP", 2, 1, "OTHER.EXE", 2)};
  seed(apps, {{1, "Accounting"}, {2, "Warehouse"}});
  HeadlessUser user;
  StatusHistory status(user);
  user.on_window(kCaption, [](WindowView& w) { w.choose_tab(TAB2); });
  user.then([](WindowView& w) {
    ASSERT_EQ(w.list_rows(RELTREE)[1][0], "Accounting");
    w.select_row(RELTREE, 2);
  });
  user.then([](WindowView& w) { w.press(GENERATE); });
  watch_make_run(user, [&](WindowView& w) {
    EXPECT_EQ(user.beeps(), 2);
    EXPECT_FALSE(w.has_focus(LIST)) << "the project run leaves the focus where it was";
    EXPECT_EQ(w.choice(SHEET1), 2);
  });
  Main();
  EXPECT_THAT(made(), ElementsAre("ONE.APP", "alpha.APP", "THREE.APP", "FIVE.APP"))
      << "by priority, equal ones by name without regard to case";
  EXPECT_THAT(log_events(), ElementsAre("ONE.APP: Begin Make", "ONE.APP: Make Finished", "alpha.APP: Begin Make",
                                        "alpha.APP: Make Finished", "THREE.APP: Begin Make", "THREE.APP: Make Finished",
                                        "FIVE.APP: Begin Make", "FIVE.APP: Make Finished"));
  // A target that names no folder is made, and waited for, in its
  // application's folder: where the environment writes it.
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(built_from(fs::path(apps[i].folder) / apps[i].target),
              "Built by ide-sim from " + apps[i].folder + apps[i].application);
  }
  EXPECT_TRUE(status.shown("ONE.APP DDE Ack. 1"));
  EXPECT_TRUE(status.shown("THREE.APP Compiled & Made 3"));
  EXPECT_TRUE(user.messages().empty());
  for (const AppOnFile& a : apps_on_file()) EXPECT_FALSE(fs::path(a.target).has_parent_path()) << a.application;
}

// The project run takes its project only from a project line.
struct NoProjectCase {
  const char* name;
  int row;  // of ?RELTREE, all expanded; 0: no row selected
};
void PrintTo(const NoProjectCase& c, std::ostream* os) { *os << c.name; }

class MakeRunsNoProject : public MakeRunsTest, public ::testing::WithParamInterface<NoProjectCase> {};

TEST_P(MakeRunsNoProject, FindsNoProjectAndMakesNothing) {
  sim.start();
  // The tree, expanded: PROJECTS, Accounting, PAYROLL.APP (an application),
  // Empty, PAYROLL.APP (a project), OTHER.APP.
  seed({app("PAYROLL.APP", 1, 1, "PAYROLL.EXE", 1), app("OTHER.APP", 1, 1, "OTHER.EXE", 2)},
       {{1, "Accounting"}, {2, "PAYROLL.APP"}, {3, "Empty"}});
  HeadlessUser user;
  user.on_window(kCaption, [](WindowView& w) { w.choose_tab(TAB2); });
  user.then([](WindowView& w) { w.press(EXPAND); });
  user.then([](WindowView& w) {
    ASSERT_EQ(column(w, RELTREE, 0),
              (std::vector<std::string>{"PROJECTS", "Accounting", "PAYROLL.APP", "Empty", "PAYROLL.APP", "OTHER.APP"}));
    if (GetParam().row == 0) {
      w.window().state(RELTREE).selected = 0;
    } else {
      w.select_row(RELTREE, GetParam().row);
    }
  });
  user.then([](WindowView& w) { w.press(GENERATE); });
  watch_make_run(user, [&](WindowView&) { EXPECT_EQ(user.beeps(), 2); });
  Main();
  EXPECT_THAT(made(), IsEmpty());
  EXPECT_THAT(log_events(), IsEmpty());
  EXPECT_TRUE(user.messages().empty());
}

INSTANTIATE_TEST_SUITE_P(Lines, MakeRunsNoProject,
                         ::testing::Values(NoProjectCase{"TheRoot", 1},
                                           NoProjectCase{"AnApplicationNamedLikeAProject", 3},
                                           NoProjectCase{"AProjectWithoutApplications", 4}, NoProjectCase{"NoLine", 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MakeRunsTest, TheSubsetIsMadeWithItsApplicationsCurrentTargetsAndPriorities) {
  sim.start();
  settings({}, 1);
  const AppOnFile ledger = app("LEDGER.APP", 4, 0, "LEDGER.DLL", 1);
  const AppOnFile journal = app("JOURNAL.APP", 1, 0, "JOURNAL.DLL", 2);
  const std::string gone_folder = folder("GONE");
  write(gone_folder, "GONE.APP", "TARGET=GONE.EXE\n");
  const AppOnFile abc = app("abc.APP", 4, 0, "ABC.DLL", 1);
  seed({ledger, journal, abc, app("STOCK.APP", 2, 1, "STOCK.DLL", 2)}, {{1, "Accounting"}, {2, "Warehouse"}});
  // The subset as it was picked long ago: LEDGER.APP then made OLD.DLL at
  // priority 1; GONE.APP is no longer on file at all.
  std::ofstream(ledger.folder + "OLD.DLL") << "another program's file";
  seed_retained({{"LEDGER.APP", ledger.folder, 1, "OLD.DLL"},
                 {"JOURNAL.APP", journal.folder, 9, "JOURNAL.DLL"},
                 {"GONE.APP", gone_folder, 5, "GONE.EXE"},
                 {"abc.APP", abc.folder, 4, "ABC.DLL"}});
  HeadlessUser user;
  StatusHistory status(user);
  user.on_window(kCaption, [](WindowView& w) { w.choose_tab(TAB4); });
  user.then([](WindowView& w) { w.press(GENERATESUBSET); });
  watch_make_run(user, [&](WindowView& w) {
    EXPECT_EQ(user.beeps(), 2);
    EXPECT_EQ(w.choice(SHEET1), 4) << "the subsets' tab is chosen at the end";
  });
  Main();
  EXPECT_THAT(made(), ElementsAre("JOURNAL.APP", "abc.APP", "LEDGER.APP", "GONE.APP"))
      << "by the current priorities 1, 4, 4, 5, equal ones by name without regard to case";
  EXPECT_THAT(log_events(), ElementsAre("JOURNAL.APP: Begin Make", "JOURNAL.APP: Make Finished", "abc.APP: Begin Make",
                                        "abc.APP: Make Finished", "LEDGER.APP: Begin Make", "LEDGER.APP: Make Finished",
                                        "GONE.APP: Begin Make", "GONE.APP: Make Finished"));
  EXPECT_EQ(read_file(ledger.folder + "OLD.DLL"), "another program's file") << "a stale target is not removed";
  EXPECT_TRUE(fs::exists(ledger.folder + "LEDGER.DLL"));
  EXPECT_TRUE(fs::exists(gone_folder + "GONE.EXE"));
  EXPECT_TRUE(status.shown("JOURNAL.APP DDE Ack.")) << "no priority in the subset run's texts";
  EXPECT_TRUE(status.shown("JOURNAL.APP Compiled & Made"));
  EXPECT_FALSE(status.shown("JOURNAL.APP Compiled & Made 1"));
  // Kept for the next start with what the run found, the targets bare.
  EXPECT_THAT(retained(), ElementsAre(Retained{"JOURNAL.APP", journal.folder, 1, "JOURNAL.DLL"},
                                      Retained{"abc.APP", abc.folder, 4, "ABC.DLL"},
                                      Retained{"LEDGER.APP", ledger.folder, 4, "LEDGER.DLL"},
                                      Retained{"GONE.APP", gone_folder, 5, "GONE.EXE"}));
}

// What each run makes of a target.
struct TargetCase {
  const char* name;
  const char* target;  // "{W}" the work folder; the same in the record and the sample
  const char* made;    // the file the environment writes, "" none; "{A}" the application's folder
  bool app_run_makes;
  bool project_run_makes;
};
struct TargetRun {
  TargetCase target;
  bool project_run;
};
void PrintTo(const TargetRun& c, std::ostream* os) { *os << c.target.name << (c.project_run ? "/Project" : "/App"); }

class MakeRunsTargets : public MakeRunsTest, public ::testing::WithParamInterface<TargetRun> {
 protected:
  std::string placed(std::string text, const std::string& app_folder) const {
    for (auto [mark, value] : {std::pair{"{W}", work.string() + "/"}, std::pair{"{A}", app_folder}})
      for (size_t at; (at = text.find(mark)) != std::string::npos;) text.replace(at, 3, value);
    return text;
  }
};

TEST_P(MakeRunsTargets, EachRunMakesWhatItsTargetNames) {
  const TargetCase& c = GetParam().target;
  const bool project_run = GetParam().project_run;
  sim.start();
  fs::create_directories(work / "out");
  const std::string at = folder("main");
  const std::string target = placed(c.target, at);
  write(at, "MAIN.APP", target.empty() ? "" : "TARGET=" + target + "\n");
  seed({{"MAIN.APP", at, 1, 1, target, 1}}, {{1, "Main"}});
  const bool makes = project_run ? c.project_run_makes : c.app_run_makes;
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) {
    if (project_run) w.choose_tab(TAB2);
  });
  user.then([&](WindowView& w) {
    if (project_run) {
      w.select_row(RELTREE, 2);
    } else {
      w.press(EXECUTEAPP);
    }
  });
  if (project_run) user.then([](WindowView& w) { w.press(GENERATE); });
  watch_make_run(user);
  if (!makes) user.answer_message(std::string("1") + kMissingTargetsWarning, ui::button::Ok);
  Main();
  if (makes) {
    EXPECT_THAT(log_events(), ElementsAre("MAIN.APP: Begin Make", "MAIN.APP: Make Finished"));
    EXPECT_EQ(built_from(placed(c.made, at)), "Built by ide-sim from " + at + "MAIN.APP");
    EXPECT_TRUE(user.messages().empty());
  } else {
    EXPECT_THAT(log_events(),
                ElementsAre("MAIN.APP: Begin Make", "MAIN.APP: Make Aborted: Target name or type not specified"));
    EXPECT_THAT(made(), IsEmpty());
    ASSERT_EQ(user.messages().size(), 1u);
    EXPECT_EQ(user.messages()[0].box.caption, "Warning");
    EXPECT_EQ(user.messages()[0].box.icon, ui::MessageIcon::Stop);
  }
}

const TargetCase kTargets[] = {
    {"Blank", "", "", false, false},
    {"AFileNameInTheApplicationsFolder", "MAIN.EXE", "{A}MAIN.EXE", true, true},
    {"EndingInADotHasNoType", "MAIN.", "{A}MAIN.", false, true},
    {"WithoutADotItsFirstLettersAreItsType", "MAIN", "{A}MAIN", true, true},
    {"AnAbsolutePathWithSlashes", "{W}out/MAIN.EXE", "{W}out/MAIN.EXE", true, true},
};

std::vector<TargetRun> target_runs() {
  std::vector<TargetRun> runs;
  for (const TargetCase& c : kTargets) {
    runs.push_back({c, false});
    runs.push_back({c, true});
  }
  return runs;
}

INSTANTIATE_TEST_SUITE_P(Targets, MakeRunsTargets, ::testing::ValuesIn(target_runs()), [](const auto& info) {
  return std::string(info.param.target.name) + (info.param.project_run ? "_ProjectRun" : "_AppRun");
});

// A DDE error on the second of three applications, after one without a target.
struct DdeErrorCase {
  const char* name;
  const char* first;   // extra lines of ONE.APP's sample
  const char* second;  // of TWO.APP's
  const char* box;
  const char* entry;
};
void PrintTo(const DdeErrorCase& c, std::ostream* os) { *os << c.name; }

class MakeRunsDdeError : public MakeRunsTest, public ::testing::WithParamInterface<DdeErrorCase> {};

TEST_P(MakeRunsDdeError, EndsTheRunAfterOneBoxAndOneEntry) {
  const DdeErrorCase& c = GetParam();
  sim.start();
  seed({app("ZERO.APP", 0, 1, ""), app("ONE.APP", 1, 1, "ONE.EXE", 0, c.first),
        app("TWO.APP", 2, 1, "TWO.EXE", 0, c.second), app("THREE.APP", 3, 1, "THREE.EXE")});
  HeadlessUser user;
  user.on_window(kCaption, [](WindowView& w) { w.press(EXECUTEAPP); });
  watch_make_run(user, [&](WindowView&) { EXPECT_EQ(user.beeps(), 2); });
  user.answer_message(c.box, ui::button::Ok);
  user.answer_message(std::string("1") + kMissingTargetsWarning, ui::button::Ok);
  Main();
  EXPECT_THAT(log_events(),
              ElementsAre("ZERO.APP: Begin Make", "ZERO.APP: Make Aborted: Target name or type not specified",
                          "ONE.APP: Begin Make", "ONE.APP: Make Finished", "TWO.APP: Begin Make",
                          std::string("TWO.APP: ") + c.entry));
  EXPECT_THAT(messages(user), ElementsAre(c.box, std::string("1") + kMissingTargetsWarning)) << "one box for the error";
  EXPECT_EQ(user.messages()[0].box.caption, "");
  EXPECT_FALSE(fs::exists(work / "THREE" / "THREE.EXE"));
  EXPECT_EQ(count_of(sim.log_text(), "THREE.APP"), 0) << "nothing is sent after the error";
}

INSTANTIATE_TEST_SUITE_P(Errors, MakeRunsDdeError,
                         ::testing::Values(DdeErrorCase{"Refused", "", "REFUSE=Locked by another user\n",
                                                        "Error 3 : Locked by another user",
                                                        "Error 603 DDEexecute - invalid command"},
                                           DdeErrorCase{"TheEnvironmentWentAway", "", "EXIT=1\n",
                                                        "Unexpected Error: 602", "Error 602 DDE channel is not open"},
                                           DdeErrorCase{"TheReopenFindsNoServer", "EXIT-AFTER=1\n", "",
                                                        "Unexpected Error: 602", "Error 602 DDE channel is not open"}),
                         [](const auto& info) { return std::string(info.param.name); });

// The test for the application's own file, on the middle one of three.
struct AppFileCase {
  const char* name;
  const char* application;  // as on record
  const char* on_disk;      // "" no file; ending in "/" a folder
  bool made;
};
void PrintTo(const AppFileCase& c, std::ostream* os) { *os << c.name; }

class MakeRunsAppFile : public MakeRunsTest, public ::testing::WithParamInterface<AppFileCase> {};

TEST_P(MakeRunsAppFile, OnlyARegularFileOfTheNameInAnyCaseIsMade) {
  const AppFileCase& c = GetParam();
  sim.start();
  const std::string at = folder("two");
  const std::string on_disk = c.on_disk;
  if (!on_disk.empty() && on_disk.back() == '/') {
    fs::create_directory(at + on_disk);
  } else if (!on_disk.empty()) {
    write(at, on_disk, "TARGET=TWO.EXE\n");
  }
  seed({app("ONE.APP", 1, 1, "ONE.EXE"), {c.application, at, 2, 0, "TWO.EXE", 1}, app("THREE.APP", 3, 1, "THREE.EXE")});
  HeadlessUser user;
  user.on_window(kCaption, [](WindowView& w) { w.press(EXECUTEAPP); });
  watch_make_run(user);
  Main();
  const std::string two = c.application;
  std::vector<std::string> expected = {"ONE.APP: Begin Make", "ONE.APP: Make Finished"};
  if (c.made) {
    expected.insert(expected.end(), {two + ": Begin Make", two + ": Make Finished"});
  } else {
    expected.push_back(two + ": .APP not found");
  }
  expected.insert(expected.end(), {"THREE.APP: Begin Make", "THREE.APP: Make Finished"});
  EXPECT_THAT(log_events(), ElementsAreArray(expected));
  EXPECT_EQ(made().size(), c.made ? 3u : 2u);
  EXPECT_TRUE(sim.says(c.made ? "conversation 4 closed" : "conversation 3 closed")) << "one for each made";
}

INSTANTIATE_TEST_SUITE_P(Files, MakeRunsAppFile,
                         ::testing::Values(AppFileCase{"Missing", "TWO.APP", "", false},
                                           AppFileCase{"AFolderOfTheName", "TWO.APP", "TWO.APP/", false},
                                           AppFileCase{"NoNameAtAll", "", "", false},
                                           AppFileCase{"InAnotherLetterCase", "TWO.APP", "Two.app", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// An old target that cannot be removed, on the middle one of three.
struct StuckTargetCase {
  const char* name;
  std::function<std::string(const fs::path& data_dir, const std::string& app_folder)> make;  // the target
};
void PrintTo(const StuckTargetCase& c, std::ostream* os) { *os << c.name; }

class MakeRunsStuckTarget : public MakeRunsTest, public ::testing::WithParamInterface<StuckTargetCase> {};

TEST_P(MakeRunsStuckTarget, IsAnErrorOfThatApplicationAndNothingIsSentForIt) {
  sim.start();
  const std::string at = folder("two");
  const std::string target = GetParam().make(data_dir, at);
  write(at, "TWO.APP", "TARGET=" + target + "\n");
  seed({app("ONE.APP", 1, 1, "ONE.EXE"), {"TWO.APP", at, 2, 0, target, 1}, app("THREE.APP", 3, 1, "THREE.EXE")});
  const fs::path where = fs::path(target).is_absolute() ? fs::path(target) : fs::path(at) / target;
  const bool was_folder = fs::is_directory(where);
  HeadlessUser user;
  user.on_window(kCaption, [](WindowView& w) { w.press(EXECUTEAPP); });
  watch_make_run(user);
  Main();
  EXPECT_THAT(log_events(),
              ElementsAre("ONE.APP: Begin Make", "ONE.APP: Make Finished", "TWO.APP: Begin Make",
                          "TWO.APP: Error 5 Access Denied", "THREE.APP: Begin Make", "THREE.APP: Make Finished"));
  EXPECT_THAT(made(), ElementsAre("ONE.APP", "THREE.APP"));
  EXPECT_EQ(fs::is_directory(where), was_folder);
  EXPECT_TRUE(fs::exists(where)) << "it is still there";
  EXPECT_TRUE(user.messages().empty());
}

INSTANTIATE_TEST_SUITE_P(Targets, MakeRunsStuckTarget,
                         ::testing::Values(StuckTargetCase{"AFolder",
                                                           [](const fs::path&, const std::string& at) {
                                                             fs::create_directory(at + "TWO.EXE");
                                                             return std::string("TWO.EXE");
                                                           }},
                                           StuckTargetCase{"AReadOnlyFile",
                                                           [](const fs::path&, const std::string& at) {
                                                             std::ofstream(at + "TWO.EXE") << "old";
                                                             fs::permissions(at + "TWO.EXE", fs::perms::owner_read |
                                                                                                 fs::perms::group_read);
                                                             return std::string("TWO.EXE");
                                                           }},
                                           StuckTargetCase{"ADataFileThisProgramHasOpen",
                                                           [](const fs::path& data, const std::string&) {
                                                             return (data / "TEMPFILE.TPS").string();
                                                           }}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MakeRunsTest, EveryOldSpellingOfTheTargetGoesAndAnOutputInAnotherCaseFinishes) {
  sim.start();
  const AppOnFile main = app("MAIN.APP", 1, 1, "MAIN.EXE", 0, "OUTPUT-CASE=lower\nBUILD-SECONDS=0.2\n");
  std::ofstream(main.folder + "MAIN.EXE") << "old";
  std::ofstream(main.folder + "Main.Exe") << "older";
  seed({main});
  HeadlessUser user;
  user.on_window(kCaption, [](WindowView& w) { w.press(EXECUTEAPP); });
  watch_make_run(user);
  Main();
  EXPECT_THAT(log_events(), ElementsAre("MAIN.APP: Begin Make", "MAIN.APP: Make Finished"));
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(main.folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_THAT(names, ElementsAre("MAIN.APP", "main.exe")) << "no old copy could pass for the new one";
  EXPECT_EQ(built_from(main.folder + "main.exe"), "Built by ide-sim from " + main.folder + "MAIN.APP");
}

// Names a run refuses before it removes or sends anything.
TEST_F(MakeRunsTest, NamesThatDoNotFitAreRefusedBeforeAnythingIsRemovedOrSent) {
  sim.start();
  // A target of 81 characters: cut at 80 it would name another file.
  const std::string long_folder = folder(std::string(80 - (work.string().size() + 2) - 4, 'L'));
  const std::string cut = long_folder + "X.EX";
  ASSERT_EQ(cut.size(), 80u);
  std::ofstream(cut) << "another file";
  const std::string long_target = cut + "E";
  const std::string quoted = folder("say\"when");
  write(quoted, "Q.APP", "TARGET=Q.EXE\n");
  write(long_folder, "LONG.APP", "TARGET=" + long_target + "\n");
  seed({{"LONG.APP", long_folder, 1, 0, long_target, 1},
        {"Q.APP", quoted, 2, 0, "Q.EXE", 1},
        app("MAIN.APP", 3, 1, "MAIN.EXE")});
  std::ofstream(quoted + "Q.EXE") << "old";
  HeadlessUser user;
  user.on_window(kCaption, [](WindowView& w) { w.press(EXECUTEAPP); });
  watch_make_run(user);
  Main();
  EXPECT_THAT(log_events(),
              ElementsAre("LONG.APP: Begin Make", "LONG.APP: Error 45 Invalid Filename", "Q.APP: Begin Make",
                          "Q.APP: Error 45 Invalid Filename", "MAIN.APP: Begin Make", "MAIN.APP: Make Finished"));
  EXPECT_THAT(made(), ElementsAre("MAIN.APP"));
  EXPECT_EQ(read_file(cut), "another file");
  EXPECT_EQ(read_file(quoted + "Q.EXE"), "old");
}

// A target that never comes.
struct WaitLimitCase {
  const char* typed;  // into ?TIMEOUT
  int minutes;        // the wait's limit
};
void PrintTo(const WaitLimitCase& c, std::ostream* os) { *os << c.typed << " minutes"; }

class MakeRunsWaitLimit : public MakeRunsTest, public ::testing::WithParamInterface<WaitLimitCase> {};

TEST_P(MakeRunsWaitLimit, GivesUpAfterTheLargerOfTheTimeOutAndFiveMinutesAndGoesOn) {
  const WaitLimitCase& c = GetParam();
  sim.start();
  // ide-sim writes ELSE.EXE; the program waits for ONE.EXE.
  AppOnFile one = app("ONE.APP", 1, 1, "ONE.EXE");
  write(one.folder, "ONE.APP", "TARGET=ELSE.EXE\n");
  seed({one, app("TWO.APP", 2, 1, "TWO.EXE")});
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) { w.type(TIMEOUT, c.typed); });
  user.then([](WindowView& w) { w.press(EXECUTEAPP); });
  user.then([&](WindowView& w) {
    ASSERT_TRUE(sim.says("wrote " + one.folder + "ELSE.EXE"));
    w.advance_time(c.minutes * 60000 - 5000);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text(STATUSMSG), "ONE.APP DDE Ack. 1") << "not yet";
    w.advance_time(5000);
  });
  watch_make_run(user);
  Main();
  EXPECT_THAT(log_events(),
              ElementsAre("ONE.APP: Begin Make",
                          "ONE.APP: Error 2 Output not found after " + std::to_string(c.minutes) + " minutes",
                          "TWO.APP: Begin Make", "TWO.APP: Make Finished"));
  EXPECT_TRUE(user.messages().empty()) << "an application that timed out is not one without a target";
  EXPECT_TRUE(sim.says("conversation 3 closed")) << "the conversation of the one that timed out is closed";
}

INSTANTIATE_TEST_SUITE_P(TimeOuts, MakeRunsWaitLimit, ::testing::Values(WaitLimitCase{"3", 5}, WaitLimitCase{"12", 12}),
                         [](const auto& info) { return std::string("TimeOut") + info.param.typed; });

// The window asked to close during a wait, by its close box or by a signal
// that asks the program to end.
struct CloseCase {
  const char* name;
  bool signal;
};
void PrintTo(const CloseCase& c, std::ostream* os) { *os << c.name; }

class MakeRunsClosing : public MakeRunsTest, public ::testing::WithParamInterface<CloseCase> {
 protected:
  void SetUp() override {
    MakeRunsTest::SetUp();
    if (GetParam().signal) {
      ASSERT_TRUE(ui::install_close_signals());
    }
  }
  void TearDown() override {
    ui::remove_close_signals();
    MakeRunsTest::TearDown();
  }
};

TEST_P(MakeRunsClosing, ClosingTheWindowDuringAWaitStopsTheRunAtOnce) {
  sim.start();
  AppOnFile one = app("ONE.APP", 1, 1, "ONE.EXE");
  write(one.folder, "ONE.APP", "TARGET=ELSE.EXE\n");
  seed({app("ZERO.APP", 0, 1, ""), one, app("TWO.APP", 2, 1, "TWO.EXE")});
  HeadlessUser user;
  StatusHistory status(user);
  user.on_window(kCaption, [](WindowView& w) { w.press(EXECUTEAPP); });
  user.then([&](WindowView& w) {
    ASSERT_TRUE(sim.says("wrote " + one.folder + "ELSE.EXE"));
    EXPECT_EQ(w.text(STATUSMSG), "ONE.APP DDE Ack. 1");
    if (GetParam().signal) {
      ASSERT_EQ(raise(SIGTERM), 0);
    } else {
      w.close();
    }
  });
  Main();
  EXPECT_THAT(log_events(),
              ElementsAre("ZERO.APP: Begin Make", "ZERO.APP: Make Aborted: Target name or type not specified",
                          "ONE.APP: Begin Make", "ONE.APP: Run ended: the window is closing"));
  EXPECT_THAT(made(), ElementsAre("ONE.APP")) << "nothing further is sent";
  EXPECT_TRUE(user.messages().empty()) << "no warning for the missing target";
  EXPECT_EQ(user.beeps(), 0);
  EXPECT_FALSE(status.shown(kProcessingComplete));
  EXPECT_TRUE(sim.says("conversation 2 closed"));
}

INSTANTIATE_TEST_SUITE_P(Requests, MakeRunsClosing,
                         ::testing::Values(CloseCase{"CloseBox", false}, CloseCase{"Signal", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MakeRunsTest, TheRunKeepsItsPlaceWhileTheWindowGainsFocusOverAnExpandedTree) {
  sim.start();
  const std::vector<AppOnFile> apps = {app("D.APP", 4, 1, "D.EXE", 2), app("A.APP", 1, 1, "A.EXE", 1),
                                       app("C.APP", 3, 1, "C.EXE", 2), app("B.APP", 2, 1, "B.EXE", 1),
                                       app("E.APP", 5, 0, "E.EXE", 1)};
  seed(apps, {{1, "Accounting"}, {2, "Warehouse"}});
  const std::vector<std::string> expanded = {"PROJECTS", "Accounting", "A.APP", "B.APP",
                                             "E.APP",    "Warehouse",  "D.APP", "C.APP"};
  HeadlessUser user;
  user.on_window(kCaption, [](WindowView& w) { w.choose_tab(TAB2); });
  user.then([](WindowView& w) { w.press(EXPAND); });
  user.then([&](WindowView& w) {
    std::vector<std::string> lines = column(w, RELTREE, 0);
    std::sort(lines.begin() + 2, lines.begin() + 5);
    ASSERT_EQ(lines.size(), expanded.size());
    w.select_row(RELTREE, 3);
    w.choose_tab(TAB1);
  });
  user.then([](WindowView& w) { w.press(EXECUTEAPP); });
  user.keep_on_window(kCaption, [&](WindowView& w) {
    if (w.text(STATUSMSG) == kProcessingComplete) {
      EXPECT_EQ(column(w, RELTREE, 0).size(), expanded.size()) << "the tree is as expanded as it was";
      w.close();
      return;
    }
    // A form that closed, another program's window: the main window gains
    // the focus while the run waits.
    w.window().post(ui::Event::GainFocus);
    ASSERT_TRUE(w.wait_for_folder_change(kRealWaitMs));
  });
  Main();
  EXPECT_THAT(made(), ElementsAre("A.APP", "B.APP", "C.APP", "D.APP")) << "none skipped, none twice";
  EXPECT_EQ(log_events().size(), 8u);
}

}  // namespace

}  // namespace qvn::automation::testing
