// The application form, run headless: add, change, view and delete, the
// split of the full name, the source and target tests and both dialogs.

#include "windows/update_apps.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "forms_fixture.h"
#include "support/headless.h"
#include "support/window_structure.h"

namespace qvn::windows::testing {

namespace {

using namespace update_apps;
using ui::HeadlessUser;
using ui::WindowView;
using K = ui::ControlKind;
using test_support::check_window_structure;
using test_support::ExpectedWindow;

constexpr const char* kAdded = "Record will be Added";
constexpr const char* kChanged = "Record will be Changed";
constexpr const char* kViewed = "View Record";
constexpr const char* kRefused = "Don't Do That!";
constexpr const char* kSourceMissing =
    "Source file not found, fool. Press DosFileLookUp button to call File Lookup Dialog.";
constexpr const char* kTooLong =
    "That path is too long to keep. The folder may have at most 80 characters and the file name at most 50.";
constexpr const char* kUseAppFolder =
    "Well, I couldn't find the target you entered. Use .APP directory for target also?";
constexpr const char* kConfirmDelete = "Are you sure you want to delete the highlighted record?";

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// "{dir}" in a pattern stands for the test's folder with "\" between its
// parts, as a user may type it, "{native}" for it with "/", as the program
// stores it.
std::string expand(std::string pattern, const std::string& dir_program, const std::string& dir_native) {
  using Pair = std::pair<std::string, std::string>;
  for (const auto& [key, value] : {Pair{"{dir}", dir_program}, Pair{"{native}", dir_native}}) {
    for (size_t at = pattern.find(key); at != std::string::npos; at = pattern.find(key, at + value.size())) {
      pattern.replace(at, key.size(), value);
    }
  }
  return pattern;
}

class UpdateAppsTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    source = make_file("dev/acct/ACCT.APP");
    target = make_file("out/ACCT.EXE");
  }

  std::string x(const std::string& pattern) const { return expand(pattern, backslashed(dir), dir.string()); }

  // A new record as the callers prime one: a cleared buffer, here with the
  // project the caller links it to.
  static void prime(int project = 0) {
    ASSERT_EQ(data::apps_file_manager->PrimeRecord(), 0);
    data::APP.P_REF = project;
  }

  // The source typed in full and an existing target, ready for Ok.
  void fill_in(WindowView& w) {
    w.type(FULLNAME, source.string());
    w.type(APP_TARGET, target.string());
  }

  fs::path source;
  fs::path target;
};

// The form as laid out; its caption is the stored one, which the request replaces.
// clang-format off
const ExpectedWindow kLayout{
    .label = "P1$FORMWINDOW",
    .caption = "Application Information",
    .width = 248,
    .height = 115,
    .font = {"MS Sans Serif", 8, false},
    .controls = {
        {.field = FULLNAME_PROMPT, .kind = K::Prompt, .text = "App. &Name:",
         .at = {{13, 11}}, .attributes = "transparent"},
        {.field = FULLNAME, .kind = K::Entry,
         .tip = "Enter or select full path and name of .APP or .PRJ", .msg = "Enter full path and name of .APP or .PRJ",
         .at = {{53, 9, 172, 12}}, .attributes = "bound upper", .picture = "@s130"},
        {.field = LOOKUPFILE, .kind = K::Button, .text = "...", .tip = "Select .APP or .PRJ",
         .at = {{226, 8, 13, 13}}, .attributes = "skip"},
        {.field = APP_DRIVENPATH_PROMPT, .kind = K::Prompt, .text = "Drive N Path:",
         .at = {{7, 26, 45, 10}}},
        {.field = APP_DRIVENPATH, .kind = K::Entry,
         .tip = "I'm read-only. Leave me alone.", .at = {{53, 24, 186, 12}}, .attributes = "bound read-only skip",
         .picture = "@s80"},
        {.field = APP_APPLICATION_PROMPT, .kind = K::Prompt,
         .text = "Application:", .at = {{12, 41}}},
        {.field = APP_APPLICATION, .kind = K::Entry,
         .tip = "I'm read-only. Leave me alone.", .msg = "This is a read-only field; leave it alone.",
         .at = {{53, 39, 186, 12}}, .attributes = "bound read-only skip", .picture = "@s50"},
        {.field = APP_TARGET_PROMPT, .kind = K::Prompt, .text = "Target:",
         .at = {{27, 54}}},
        {.field = APP_TARGET, .kind = K::Entry,
         .tip = "Enter or select full path and name of target", .msg = "Enter full path and name of target",
         .at = {{53, 54, 172, 12}}, .attributes = "bound required", .picture = "@s250"},
        {.field = LOOKUPFILE_2, .kind = K::Button, .text = "...", .tip = "Select target.",
         .at = {{226, 54, 12, 12}}, .attributes = "skip"},
        {.field = STRING1, .kind = K::String,
         .text = "\"Target\" must include path, file name and extension", .at = {{53, 68}},
         .attributes = "transparent"},
        {.field = APP_PRIORITY_PROMPT, .kind = K::Prompt, .text = "Priority:",
         .at = {{24, 85}}},
        {.field = APP_PRIORITY, .kind = K::Spin,
         .tip = "This is a Byte variable. 1-255 only, please.", .at = {{53, 85, 25, 10}},
         .attributes = "bound required range 1-255 step 1", .picture = "@n3"},
        {.field = STRING2, .kind = K::String, .text = "and match Project settings.",
         .at = {{82, 75}}, .attributes = "transparent"},
        {.field = APP_TAG, .kind = K::Check, .text = "Tag", .tip = "Mark for making.",
         .at = {{53, 98}}, .attributes = "bound"},
        {.field = OK, .kind = K::Button, .text = "&Ok", .tip = "Looks good; save it.",
         .at = {{154, 96, 40, 12}}, .attributes = "req default"},
        {.field = CANCEL, .kind = K::Button, .text = "&Cancel", .tip = "Forget it.",
         .at = {{199, 96, 40, 12}}},
    },
    .complete = true};
// clang-format on

TEST_F(UpdateAppsTest, TheWindowIsBuiltAsLaidOut) {
  HeadlessUser user;
  user.on_window(kAdded, [&](WindowView& w) {
    const ui::WindowDef& def = w.window().def();
    EXPECT_TRUE(def.center);
    EXPECT_TRUE(def.system_menu);
    check_window_structure(w.window(), kLayout);
    w.close();
  });
  prime();
  EXPECT_EQ(run(UpdateApps, Insert), Cancelled);
}

// Both dialogs: the source splits into folder and name with the focus on
// the target, the target is the chosen file, and neither moves the working
// folder. The form sets no starting value: the spin box's arrow turns 0 into 1.
TEST_F(UpdateAppsTest, AddsAnApplicationChosenInBothDialogs) {
  HeadlessUser user;
  user.on_window(kAdded, [&](WindowView& w) {
    EXPECT_EQ(w.text(FULLNAME), "");
    EXPECT_EQ(w.text(APP_PRIORITY), "0");
    EXPECT_FALSE(w.is_checked(APP_TAG));
    EXPECT_TRUE(w.has_focus(FULLNAME));
    w.press(LOOKUPFILE);
  });
  user.choose_file(source.string());
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text(FULLNAME), source.string());
    EXPECT_EQ(w.text(APP_DRIVENPATH), folder_of(dir / "dev/acct"));
    EXPECT_EQ(w.text(APP_APPLICATION), "ACCT.APP");
    EXPECT_TRUE(w.has_focus(APP_TARGET));
    EXPECT_EQ(fs::current_path(), dir);
    w.press(LOOKUPFILE_2);
  });
  user.choose_file(target.string());
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text(APP_TARGET), target.string());
    EXPECT_EQ(fs::current_path(), dir);
    w.spin_down(APP_PRIORITY);
    w.press(APP_TAG);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text(APP_PRIORITY), "1");
    w.press(OK);
  });
  prime(7);
  EXPECT_EQ(run(UpdateApps, Insert), Completed);

  EXPECT_EQ(apps_lines(),
            (std::vector<std::string>{line({"ACCT.APP", folder_of(dir / "dev/acct"), 1, 7, target.string(), 1})}));
  EXPECT_TRUE(user.messages().empty());
  EXPECT_EQ(user.beeps(), 0);
  ASSERT_EQ(user.file_dialogs().size(), 2u);
  const ui::FileDialogDef& src = user.file_dialogs()[0];
  EXPECT_EQ(src.title, "Choose a File");
  EXPECT_EQ(src.filters, (std::vector<std::pair<std::string, std::string>>{
                             {"Application files", "*.app"}, {"Dictionary Files", "*.dct"}, {"Projects", "*.prj"}}));
  const ui::FileDialogDef& tgt = user.file_dialogs()[1];
  EXPECT_EQ(tgt.title, "Set Target");
  EXPECT_EQ(tgt.filters, (std::vector<std::pair<std::string, std::string>>{
                             {"Executable files", "*.EXE"}, {"DLLs", "*.DLL"}, {"Libraries", "*.LIB"}}));
  EXPECT_EQ(fs::current_path(), dir);
}

TEST_F(UpdateAppsTest, CancelledDialogsBlankWhatTheyFill) {
  seed_apps({{"ACCT.APP", folder_of(dir / "dev/acct"), 3, 0, target.string(), 0}});
  make_current({"ACCT.APP", folder_of(dir / "dev/acct")});
  HeadlessUser user;
  user.on_window(kChanged, [&](WindowView& w) {
    EXPECT_EQ(w.text(FULLNAME), source.string());
    w.press(LOOKUPFILE);
  });
  user.choose_file("");
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text(FULLNAME), "");
    EXPECT_EQ(w.text(APP_DRIVENPATH), "");
    EXPECT_EQ(w.text(APP_APPLICATION), "");
    w.press(LOOKUPFILE_2);
  });
  user.choose_file("");
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text(APP_TARGET), "");
    w.press(CANCEL);
  });
  EXPECT_EQ(run(UpdateApps, Change), Cancelled);
}

// Typing splits at the last "\" or "/", in upper case, each typed name at
// its own last separator, and the focus goes on to the target.
struct SplitCase {
  const char* what;
  std::vector<std::string> typed;
  std::string folder;
  std::string name;
};

class UpdateAppsSplit : public UpdateAppsTest, public ::testing::WithParamInterface<SplitCase> {};

TEST_P(UpdateAppsSplit, SplitsAtTheLastSeparator) {
  const SplitCase& c = GetParam();
  HeadlessUser user;
  for (const std::string& typed : c.typed) {
    user.then([&](WindowView& w) { w.type(FULLNAME, typed); });
  }
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text(APP_DRIVENPATH), c.folder);
    EXPECT_EQ(w.text(APP_APPLICATION), c.name);
    EXPECT_TRUE(w.has_focus(APP_TARGET)) << w.focus();
    w.press(CANCEL);
  });
  prime();
  EXPECT_EQ(run(UpdateApps, Insert), Cancelled);
}

INSTANTIATE_TEST_SUITE_P(
    Names, UpdateAppsSplit,
    ::testing::Values(SplitCase{"backslashes", {"C:\\DEV\\ACCT\\ACCT.APP"}, "C:\\DEV\\ACCT\\", "ACCT.APP"},
                      SplitCase{"lower_case", {"c:\\dev\\acct\\acct.app"}, "C:\\DEV\\ACCT\\", "ACCT.APP"},
                      SplitCase{"slashes", {"/home/u/apps/ledger.app"}, "/HOME/U/APPS/", "LEDGER.APP"},
                      SplitCase{"mixed", {"C:\\DEV/WEB\\SHOP/CART.APP"}, "C:\\DEV/WEB\\SHOP/", "CART.APP"},
                      SplitCase{"bare_name", {"ACCT.APP"}, "", "ACCT.APP"},
                      SplitCase{"fewer_levels_second", {"C:\\A\\B\\C\\D.APP", "C:\\E.APP"}, "C:\\", "E.APP"}),
    [](const auto& info) { return std::string(info.param.what); });

// Ok refuses a source that is not a regular file with a name: nothing is
// saved, the focus goes to the source button.
struct MissingSourceCase {
  const char* what;
  std::string typed;  // "" leaves the full name blank
};

class UpdateAppsMissingSource : public UpdateAppsTest, public ::testing::WithParamInterface<MissingSourceCase> {};

TEST_P(UpdateAppsMissingSource, IsRefusedAtOk) {
  const std::string typed = x(GetParam().typed);
  HeadlessUser user;
  user.then([&](WindowView& w) {
    w.type(APP_TARGET, target.string());
    if (!typed.empty()) w.type(FULLNAME, typed);
  });
  user.then([&](WindowView& w) { w.press(OK); });
  user.answer_message(kSourceMissing, ui::button::Ok);
  user.then([&](WindowView& w) {
    EXPECT_TRUE(w.has_focus(LOOKUPFILE)) << w.focus();
    w.close();
  });
  prime();
  EXPECT_EQ(run(UpdateApps, Insert), Cancelled);
  EXPECT_TRUE(apps_on_file().empty());
  ASSERT_EQ(user.messages().size(), 1u);
  EXPECT_EQ(user.messages()[0].box.caption, kRefused);
  EXPECT_EQ(user.messages()[0].box.icon, ui::MessageIcon::Stop);
  EXPECT_EQ(user.messages()[0].box.buttons, ui::button::Ok);
  EXPECT_EQ(user.beeps(), 1);
}

INSTANTIATE_TEST_SUITE_P(Sources, UpdateAppsMissingSource,
                         ::testing::Values(MissingSourceCase{"blank", ""},
                                           MissingSourceCase{"missing", "{dir}\\dev\\acct\\NONE.APP"},
                                           MissingSourceCase{"folder", "{dir}\\dev\\acct\\"},
                                           MissingSourceCase{"folder without separator", "{dir}\\dev\\acct"},
                                           MissingSourceCase{"bare name not here", "NONE.APP"}),
                         [](const auto& info) {
                           std::string name = info.param.what;
                           for (char& c : name) {
                             if (c == ' ') c = '_';
                           }
                           return name;
                         });

// A typed name is found whatever the case of its letters and stored as it
// is spelled on disk, with "/" between its folders whichever separator was
// typed; a name without a folder is found in the working folder and stored
// with that folder, so a later change of the record finds its source again.
struct SpellingCase {
  const char* what;
  const char* on_disk;  // relative to the test's folder, which is the working folder
  std::string typed;
  std::string folder;
  std::string name;
};

class UpdateAppsSpelling : public UpdateAppsTest, public ::testing::WithParamInterface<SpellingCase> {};

TEST_P(UpdateAppsSpelling, StoresTheSpellingOnDisk) {
  const SpellingCase& c = GetParam();
  make_file(c.on_disk);
  const std::string typed = x(c.typed);
  HeadlessUser user;
  user.then([&](WindowView& w) {
    w.type(FULLNAME, typed);
    w.type(APP_TARGET, target.string());
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text(FULLNAME), upper(typed)) << "typing shows in upper case";
    w.press(OK);
  });
  prime();
  EXPECT_EQ(run(UpdateApps, Insert), Completed);
  const AppOnFile stored{c.name, x(c.folder), 0, 0, target.string(), 0};
  EXPECT_EQ(apps_lines(), std::vector<std::string>{line(stored)}) << "an untouched priority is saved as 0";

  user.on_window(kChanged, [&](WindowView& w) {
    EXPECT_EQ(w.text(FULLNAME), x(c.folder) + c.name);
    w.press(OK);
  });
  make_current(stored);
  EXPECT_EQ(run(UpdateApps, Change), Completed);
  EXPECT_TRUE(user.messages().empty());
  EXPECT_EQ(apps_lines(), std::vector<std::string>{line(stored)});
}

INSTANTIATE_TEST_SUITE_P(Names, UpdateAppsSpelling,
                         ::testing::Values(SpellingCase{"bare_name", "ACCT.APP", "acct.app", "{native}/", "ACCT.APP"},
                                           SpellingCase{"bare_name_lower_on_disk", "acct.app", "ACCT.APP", "{native}/",
                                                        "acct.app"},
                                           SpellingCase{"mixed_case_on_disk", "Dev/Acct/Acct.App",
                                                        "{dir}\\dev\\acct\\acct.app", "{native}/Dev/Acct/", "Acct.App"},
                                           SpellingCase{"slashes", "dev/web/SHOP.APP", "{native}/dev/web/shop.app",
                                                        "{native}/dev/web/", "SHOP.APP"},
                                           SpellingCase{"mixed_separators", "dev/web/SHOP.APP",
                                                        "{dir}\\dev/web\\shop.app", "{native}/dev/web/", "SHOP.APP"}),
                         [](const auto& info) { return std::string(info.param.what); });

// A folder longer than 80 or a name longer than 50 characters is refused
// at Ok, typed or chosen; nothing is cut to fit.
struct LengthCase {
  size_t folder;  // characters of the folder as stored, closing "\" included
  size_t name;
  bool chosen;  // in the dialog, else typed
  bool kept;
};

class UpdateAppsLengths : public UpdateAppsTest, public ::testing::WithParamInterface<LengthCase> {};

TEST_P(UpdateAppsLengths, AreCheckedAtOk) {
  const LengthCase& c = GetParam();
  const size_t base = folder_of(dir).size();
  ASSERT_GT(c.folder, base + 1) << "the test's folder leaves no room";
  const std::string sub(c.folder - base - 1, 'f');
  const std::string name = std::string(c.name - 4, 'N') + ".APP";
  const fs::path file = make_file(fs::path(sub) / name);
  ASSERT_EQ(folder_of(file.parent_path()).size(), c.folder);
  HeadlessUser user;
  if (c.chosen) {
    user.then([&](WindowView& w) { w.press(LOOKUPFILE); });
    user.choose_file(file.string());
  } else {
    user.then([&](WindowView& w) { w.type(FULLNAME, backslashed(file)); });
  }
  user.then([&](WindowView& w) {
    w.type(APP_TARGET, target.string());
    w.press(OK);
  });
  if (c.kept) {
    prime();
    EXPECT_EQ(run(UpdateApps, Insert), Completed);
    const AppOnFile stored{name, folder_of(file.parent_path()), 0, 0, target.string(), 0};
    EXPECT_EQ(apps_lines(), std::vector<std::string>{line(stored)});
    EXPECT_TRUE(user.messages().empty());
    return;
  }
  user.answer_message(kTooLong, ui::button::Ok);
  user.then([&](WindowView& w) {
    EXPECT_TRUE(w.has_focus(FULLNAME)) << w.focus();
    w.close();
  });
  prime();
  EXPECT_EQ(run(UpdateApps, Insert), Cancelled);
  EXPECT_TRUE(apps_on_file().empty());
  ASSERT_EQ(user.messages().size(), 1u);
  EXPECT_EQ(user.messages()[0].box.caption, kRefused);
  EXPECT_EQ(user.messages()[0].box.icon, ui::MessageIcon::Stop);
  EXPECT_EQ(user.beeps(), 1);
}

INSTANTIATE_TEST_SUITE_P(Lengths, UpdateAppsLengths,
                         ::testing::Values(LengthCase{80, 50, false, true}, LengthCase{81, 12, false, false},
                                           LengthCase{40, 51, false, false}, LengthCase{80, 50, true, true},
                                           LengthCase{90, 45, true, false}),
                         [](const auto& info) {
                           const LengthCase& c = info.param;
                           return std::string(c.chosen ? "chosen_" : "typed_") + std::to_string(c.folder) + "_" +
                                  std::to_string(c.name);
                         });

// The target is tested once: a bare one that is missing offers the
// source's folder, one with a folder only beeps; the next Ok saves. A target
// typed with "\" between its folders is stored with "/".
struct TargetCase {
  const char* what;
  std::string typed;
  bool missing;
  int answer;  // to the "Confirm" question; 0 when none is asked
  std::string stored;
};

class UpdateAppsTarget : public UpdateAppsTest, public ::testing::WithParamInterface<TargetCase> {};

TEST_P(UpdateAppsTarget, IsWarnedAboutOnce) {
  const TargetCase& c = GetParam();
  make_file("HERE.EXE");
  HeadlessUser user;
  user.then([&](WindowView& w) {
    w.type(FULLNAME, source.string());
    w.type(APP_TARGET, x(c.typed));
  });
  user.then([&](WindowView& w) { w.press(OK); });
  if (c.missing) {
    if (c.answer != 0) user.answer_message(kUseAppFolder, c.answer);
    user.then([&](WindowView& w) {
      EXPECT_TRUE(w.has_focus(APP_TARGET)) << w.focus();
      EXPECT_EQ(w.text(APP_TARGET), x(c.stored));
      w.press(OK);
    });
  }
  prime();
  EXPECT_EQ(run(UpdateApps, Insert), Completed);
  EXPECT_EQ(apps_lines(),
            std::vector<std::string>{line({"ACCT.APP", folder_of(dir / "dev/acct"), 0, 0, x(c.stored), 0})});
  EXPECT_EQ(user.messages().size(), c.answer != 0 ? 1u : 0u);
  if (c.answer != 0) {
    EXPECT_EQ(user.messages()[0].box.caption, "Confirm");
    EXPECT_EQ(user.messages()[0].box.icon, ui::MessageIcon::Question);
    EXPECT_EQ(user.messages()[0].box.buttons, ui::button::Yes | ui::button::No);
    EXPECT_EQ(user.messages()[0].box.default_button, 0);
  }
  EXPECT_EQ(user.beeps(), c.missing ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, UpdateAppsTarget,
    ::testing::Values(TargetCase{"bare_yes", "ACCT.EXE", true, ui::button::Yes, "{native}/dev/acct/ACCT.EXE"},
                      TargetCase{"bare_no", "ACCT.EXE", true, ui::button::No, "ACCT.EXE"},
                      TargetCase{"folder", "{dir}\\out\\NONE.EXE", true, 0, "{native}/out/NONE.EXE"},
                      TargetCase{"slash_folder", "{native}/out/NONE.EXE", true, 0, "{native}/out/NONE.EXE"},
                      TargetCase{"existing", "{dir}\\out\\ACCT.EXE", false, 0, "{native}/out/ACCT.EXE"},
                      TargetCase{"bare_here", "HERE.EXE", false, 0, "HERE.EXE"},
                      TargetCase{"other_case", "{dir}\\OUT\\acct.exe", false, 0, "{native}/OUT/acct.exe"}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(UpdateAppsTest, ABlankTargetOnlyTakesTheFocus) {
  HeadlessUser user;
  user.then([&](WindowView& w) { w.type(FULLNAME, source.string()); });
  user.then([&](WindowView& w) {
    w.press(APP_TAG);
    w.press(OK);
  });
  user.then([&](WindowView& w) {
    EXPECT_TRUE(w.has_focus(APP_TARGET)) << w.focus();
    w.close();
  });
  prime();
  EXPECT_EQ(run(UpdateApps, Insert), Cancelled);
  EXPECT_TRUE(user.messages().empty());
  EXPECT_EQ(user.beeps(), 0);
  EXPECT_TRUE(apps_on_file().empty());
}

// The arrows keep the priority within 1 to 255 and turn 0 into 1.
TEST_F(UpdateAppsTest, ThePriorityArrowsKeepToTheirRange) {
  seed_apps({{"ACCT.APP", folder_of(dir / "dev/acct"), 255, 0, target.string(), 0},
             {"ZERO.APP", folder_of(dir / "dev/acct"), 0, 0, target.string(), 0}});
  make_file("dev/acct/ZERO.APP");
  struct Step {
    const char* app;
    bool up;
    const char* shown;
  };
  for (const Step& step : {Step{"ACCT.APP", true, "255"}, Step{"ACCT.APP", false, "254"}, Step{"ZERO.APP", false, "1"},
                           Step{"ZERO.APP", true, "1"}}) {
    HeadlessUser user;
    user.on_window(kChanged, [&](WindowView& w) {
      if (step.up) {
        w.spin_up(APP_PRIORITY);
      } else {
        w.spin_down(APP_PRIORITY);
      }
    });
    user.then([&](WindowView& w) {
      EXPECT_EQ(w.text(APP_PRIORITY), step.shown) << step.app << (step.up ? " up" : " down");
      w.press(CANCEL);
    });
    make_current({step.app, folder_of(dir / "dev/acct")});
    EXPECT_EQ(run(UpdateApps, Change), Cancelled);
  }
}

// A record stored before with "\" between its folders is found and shown as
// stored, and a change stores it with "/", in its own place (not refused as
// a second record of the same file).
TEST_F(UpdateAppsTest, AChangeOfARecordStoredWithBackslashesStoresSlashes) {
  const std::string folder = backslashed(dir / "dev/acct") + "\\";
  const std::string stored_target = backslashed(target);
  seed_apps({{"ACCT.APP", folder, 3, 2, stored_target, 1}});
  HeadlessUser user;
  user.on_window(kChanged, [&](WindowView& w) {
    EXPECT_EQ(w.text(FULLNAME), folder + "ACCT.APP");
    EXPECT_EQ(w.text(APP_DRIVENPATH), folder);
    EXPECT_EQ(w.text(APP_PRIORITY), "3");
    EXPECT_TRUE(w.is_checked(APP_TAG));
    w.spin_up(APP_PRIORITY);
  });
  user.then([&](WindowView& w) { w.press(OK); });
  make_current({"ACCT.APP", folder});
  EXPECT_EQ(run(UpdateApps, Change), Completed);
  EXPECT_TRUE(user.messages().empty());
  EXPECT_EQ(user.beeps(), 0) << "its target is found";
  EXPECT_EQ(apps_lines(),
            std::vector<std::string>{line({"ACCT.APP", folder_of(dir / "dev/acct"), 4, 2, target.string(), 1})});
}

// Enter presses the default button, Ok.
TEST_F(UpdateAppsTest, AChangeWithNothingChangedCompletes) {
  const AppOnFile app{"ACCT.APP", folder_of(dir / "dev/acct"), 3, 2, target.string(), 0};
  seed_apps({app});
  HeadlessUser user;
  user.on_window(kChanged, [&](WindowView& w) { w.press_key(ui::key::Enter); });
  make_current(app);
  EXPECT_EQ(run(UpdateApps, Change), Completed);
  EXPECT_EQ(apps_lines(), std::vector<std::string>{line(app)});
}

// Cancel and the close box end the form without a question and put the
// buffer back as the caller left it, whatever was typed.
struct CancelCase {
  int request;
  bool close_box;
};

class UpdateAppsCancel : public UpdateAppsTest, public ::testing::WithParamInterface<CancelCase> {};

TEST_P(UpdateAppsCancel, PutsTheBufferBack) {
  const CancelCase& c = GetParam();
  const AppOnFile app{"ACCT.APP", folder_of(dir / "dev/acct"), 3, 2, target.string(), 0};
  seed_apps({app});
  make_file("dev/other/OTHER.APP");
  HeadlessUser user;
  user.then([&](WindowView& w) {
    w.type(FULLNAME, (dir / "dev/other/OTHER.APP").string());
    w.type(APP_TARGET, "ELSEWHERE.EXE");
    w.spin_up(APP_PRIORITY);
    w.press(APP_TAG);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text(APP_APPLICATION), "OTHER.APP");
    if (c.close_box) {
      w.close();
    } else {
      w.press(CANCEL);
    }
  });
  if (c.request == Insert) {
    prime(7);
  } else {
    make_current(app);
  }
  const std::string before = buffer_line();
  EXPECT_EQ(run(UpdateApps, c.request), Cancelled);
  EXPECT_EQ(buffer_line(), before);
  EXPECT_EQ(apps_lines(), std::vector<std::string>{line(app)});
  EXPECT_TRUE(user.messages().empty());
}

INSTANTIATE_TEST_SUITE_P(Requests, UpdateAppsCancel,
                         ::testing::Values(CancelCase{Insert, false}, CancelCase{Insert, true},
                                           CancelCase{Change, false}, CancelCase{Change, true}, CancelCase{View, false},
                                           CancelCase{View, true}),
                         [](const auto& info) {
                           const char* request = info.param.request == Insert   ? "insert"
                                                 : info.param.request == Change ? "change"
                                                                                : "view";
                           return std::string(request) + (info.param.close_box ? "_close_box" : "_cancel");
                         });

// A view shows the record; Ok runs the checks and closes; the answer is
// always cancelled and nothing is stored.
TEST_F(UpdateAppsTest, AViewClosesByOkAndStoresNothing) {
  const AppOnFile app{"ACCT.APP", folder_of(dir / "dev/acct"), 3, 2, target.string(), 1};
  seed_apps({app});
  HeadlessUser user;
  user.on_window(kViewed, [&](WindowView& w) {
    EXPECT_EQ(w.text(FULLNAME), source.string());
    w.spin_up(APP_PRIORITY);
  });
  user.then([&](WindowView& w) { w.press(OK); });
  make_current(app);
  EXPECT_EQ(run(UpdateApps, View), Cancelled);
  EXPECT_EQ(apps_lines(), std::vector<std::string>{line(app)});
  EXPECT_TRUE(user.messages().empty());
}

TEST_F(UpdateAppsTest, AViewOfAMissingSourceClosesOnlyByCancel) {
  const AppOnFile app{"GONE.APP", folder_of(dir / "dev/acct"), 3, 0, target.string(), 0};
  seed_apps({app});
  HeadlessUser user;
  user.on_window(kViewed, [&](WindowView& w) { w.press(OK); });
  user.answer_message(kSourceMissing, ui::button::Ok);
  user.on_window(kViewed, [&](WindowView& w) {
    EXPECT_TRUE(w.has_focus(LOOKUPFILE));
    w.press(CANCEL);
  });
  make_current(app);
  EXPECT_EQ(run(UpdateApps, View), Cancelled);
  EXPECT_EQ(apps_lines(), std::vector<std::string>{line(app)});
}

// A delete shows no window: only "Confirm Delete".
struct DeleteCase {
  int answer;
  int response;
  bool kept;
};

class UpdateAppsDelete : public UpdateAppsTest, public ::testing::WithParamInterface<DeleteCase> {};

TEST_P(UpdateAppsDelete, AsksOnlyToConfirm) {
  const DeleteCase& c = GetParam();
  const AppOnFile app{"ACCT.APP", folder_of(dir / "dev/acct"), 3, 2, target.string(), 0};
  const AppOnFile other{"OTHER.APP", folder_of(dir / "dev/acct"), 1, 2, target.string(), 0};
  seed_apps({app, other});
  HeadlessUser user;
  user.answer_message(kConfirmDelete, c.answer);
  make_current(app);
  EXPECT_EQ(run(UpdateApps, Delete), c.response);
  EXPECT_TRUE(user.windows_opened().empty());
  ASSERT_EQ(user.messages().size(), 1u);
  EXPECT_EQ(user.messages()[0].box.caption, "UpdateApps: Confirm Delete");
  const std::vector<std::string> kept = {line(app), line(other)};
  const std::vector<std::string> left = {line(other)};
  EXPECT_EQ(apps_lines(), c.kept ? kept : left);
}

INSTANTIATE_TEST_SUITE_P(Answers, UpdateAppsDelete,
                         ::testing::Values(DeleteCase{ui::button::Yes, Completed, false},
                                           DeleteCase{ui::button::No, Cancelled, true}),
                         [](const auto& info) { return std::string(info.param.kept ? "no" : "yes"); });

// The same file is refused however its folder was spelled when it was
// stored: as the form stores it, with "\" as before, or in other letters;
// chosen in the dialog or typed.
struct DuplicateCase {
  const char* what;
  std::string stored_folder;  // "{dir}" and "{native}" as in expand()
  bool chosen;
};

class UpdateAppsDuplicate : public UpdateAppsTest, public ::testing::WithParamInterface<DuplicateCase> {};

TEST_P(UpdateAppsDuplicate, IsRefusedWithTheKeysError) {
  const DuplicateCase& c = GetParam();
  const AppOnFile app{"ACCT.APP", x(c.stored_folder), 3, 2, target.string(), 0};
  seed_apps({app});
  HeadlessUser user;
  if (c.chosen) {
    user.then([&](WindowView& w) { w.press(LOOKUPFILE); });
    user.choose_file(source.string());
    user.then([&](WindowView& w) { w.type(APP_TARGET, target.string()); });
  } else {
    user.then([&](WindowView& w) { fill_in(w); });
  }
  user.then([&](WindowView& w) { w.press(OK); });
  user.answer_message("Adding this record creates a duplicate entry for the key: APP:DriveKey", ui::button::Ok);
  user.on_window(kAdded, [&](WindowView& w) {
    EXPECT_TRUE(w.has_focus(FULLNAME)) << w.focus();
    w.press(CANCEL);
  });
  prime();
  EXPECT_EQ(run(UpdateApps, Insert), Cancelled);
  EXPECT_EQ(apps_lines(), std::vector<std::string>{line(app)});
  ASSERT_EQ(user.messages().size(), 1u);
  EXPECT_EQ(user.messages()[0].box.caption, "UpdateApps: Duplicate Key Error");
  EXPECT_EQ(user.messages()[0].box.icon, ui::MessageIcon::Stop);
}

INSTANTIATE_TEST_SUITE_P(Spellings, UpdateAppsDuplicate,
                         ::testing::Values(DuplicateCase{"slashes_typed", "{native}/dev/acct/", false},
                                           DuplicateCase{"slashes_chosen", "{native}/dev/acct/", true},
                                           DuplicateCase{"backslashes_typed", "{dir}\\dev\\acct\\", false},
                                           DuplicateCase{"backslashes_chosen", "{dir}\\dev\\acct\\", true},
                                           DuplicateCase{"mixed_in_capitals", "{dir}\\DEV/ACCT\\", true}),
                         [](const auto& info) { return std::string(info.param.what); });

}  // namespace

}  // namespace qvn::windows::testing
