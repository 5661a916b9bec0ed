// GetConfig, the settings window, headless: its structure, what it shows of
// ".\QVN.INI", what Ok writes there and does to the tag file, both dialogs,
// Cancel, and the main window's start that asks for missing settings.

#include "windows/get_config.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "automation/main_window.h"
#include "data/settings_file.h"
#include "platform/framework/file_manager.h"
#include "platform/process/command_line.h"
#include "platform/ui/window.h"
#include "support/automation_state.h"
#include "support/environment.h"
#include "support/file_text.h"
#include "support/wait.h"
#include "support/window_structure.h"
#include "windows_fixture.h"

namespace qvn::windows::testing {
namespace {

using test_support::check_window_structure;
using test_support::ExpectedWindow;
using ui::HeadlessUser;
using namespace get_config;
using ui::WindowView;
namespace button = ui::button;
namespace response = framework::response;

constexpr const char* kCaption = "QVN \"Menu\"";
constexpr const char* kMainCaption = "Lorvane --  QVN v.6.1";

class GetConfigTest : public WindowsTest {
 protected:
  void SetUp() override {
    WindowsTest::SetUp();
    data::anchor_settings_file(dir.string());
  }

  fs::path ini() const { return dir / "QVN.INI"; }

  void write_ini(const std::string& text) const { std::ofstream(ini(), std::ios::binary) << text; }

  // The settings file with these four values.
  void settings_hold(const std::string& new_log, const std::string& command, const std::string& folder,
                     const std::string& retain_tags) const {
    write_ini("[Preserved]\nNewLog=" + new_log + "\nCL_Command=" + command + "\nFilePath=" + folder +
              "\nRetainTags=" + retain_tags + "\n");
  }

  std::string ini_text() const { return test_support::file_text(ini()); }

  // TF.TPS in the data folder holding these applications.
  void seed_tags(const std::vector<std::string>& apps) {
    open_or_create(data::TagFile);
    for (const std::string& app : apps) {
      data::TagFile.clear_buffer();
      data::TAG.APPNAME = app;
      data::TAG.DRIVEPATH = "C:\\APPS\\";
      EXPECT_EQ(data::TagFile.add(), 0) << error_text();
    }
    data::TagFile.close();
  }

  std::vector<std::string> tags_on_file() {
    std::vector<std::string> out;
    storage::RecordFile file(data::TagFileDef, &data::TAG);
    EXPECT_EQ(file.open(), 0) << error_text();
    file.set_order_file();
    while (file.next() == 0) out.push_back(data::TAG.APPNAME.str());
    file.close();
    return out;
  }

  test_support::AutomationState automation_state;  // the procedures the main window calls
};

// The structure, control by control in field order.
ExpectedWindow layout() {
  using K = ui::ControlKind;
  // clang-format off
  return {
      .label = "P1$WINDOW",
      .caption = "QVN \"Menu\"",
      .width = 375,
      .height = 105,
      .font = {"MS Sans Serif", 8, false},
      .controls = {
          {.field = PROMPT1, .kind = K::Prompt,
           .text = "Create a &new activity log each time you start QVN?", .at = {{11, 9, 0, 0}}},
          {.field = GLO_USENEWLOG, .kind = K::Option, .at = {{177, 1, 69, 23}},
           .attributes = "bound"},
          {.field = GLO_USENEWLOG_RADIO1, .kind = K::Radio, .text = "No",
           .at = {{183, 9, 0, 0}}, .value_on = "N", .parent = GLO_USENEWLOG},
          {.field = GLO_USENEWLOG_RADIO2, .kind = K::Radio, .text = "Yes",
           .at = {{209, 9, 0, 0}}, .value_on = "Y", .parent = GLO_USENEWLOG},
          {.field = GLO_RUNSTRING_PROMPT, .kind = K::Prompt,
           .text = "Command &String to start Clarion:", .at = {{11, 31, 0, 0}}},
          {.field = GLO_RUNSTRING, .kind = K::Entry, .at = {{115, 31, 231, 10}},
           .attributes = "bound required", .picture = "s254"},
          {.field = LOOKUPFILE, .kind = K::Button, .text = "...",
           .at = {{349, 29, 12, 12}}},
          {.field = GLO_FILEPATH, .kind = K::Entry, .at = {{115, 47, 231, 10}},
           .attributes = "bound", .picture = "s64"},
          {.field = PROMPT3, .kind = K::Prompt, .text = "&Path to QVN files:",
           .at = {{11, 47, 0, 0}}},
          {.field = BUTTON4, .kind = K::Button, .text = " ... ", .at = {{349, 46, 11, 11}}},
          {.field = GLO_RETAINTAGS, .kind = K::Check,
           .text = " Save and restore project subset tags", .at = {{115, 63, 0, 0}}, .attributes = "bound",
           .value_on = "1", .value_off = "0"},
          {.field = OKBUTTON, .kind = K::Button, .text = "&Ok", .at = {{143, 82, 35, 14}},
           .is_default = true, .attributes = "default"},
          {.field = CANCELBUTTON, .kind = K::Button, .text = "&Cancel",
           .at = {{187, 82, 36, 14}}},
      },
      .complete = true};
  // clang-format on
}

TEST_F(GetConfigTest, TheWindowHasItsThirteenControlsInFieldOrder) {
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) {
    const ui::WindowDef& def = w.window().def();
    EXPECT_TRUE(def.modal);
    ASSERT_EQ(w.window().controls(), 13);
    check_window_structure(w.window(), layout());
    EXPECT_EQ(w.window().control(GLO_RETAINTAGS).value_off, "0");
    EXPECT_EQ(w.window().default_button(), OKBUTTON);
    EXPECT_EQ(error_manager.CurrentProcedure(), "GetConfig");
    w.press(CANCELBUTTON);
  });
  GetConfig();
  EXPECT_EQ(error_manager.CurrentProcedure(), "");
}

// The controls are the settings themselves: what they show and what a
// click puts into them. A folder typed with "\" is kept with "/".
TEST_F(GetConfigTest, TheControlsEditTheFourSettings) {
  settings_hold("N", "ide", "", "0");
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) {
    w.press(GLO_USENEWLOG_RADIO2);
    w.press(GLO_RETAINTAGS);
    w.type(GLO_RUNSTRING, "ide --fast");
    w.type(GLO_FILEPATH, "\\work\\");
    EXPECT_EQ(data::GLO_UseNewLog.str(), "Y");
    EXPECT_EQ(data::GLO_RETAINTAGS, 1);
    EXPECT_EQ(data::GLO_RunString.str(), "ide --fast");
    EXPECT_EQ(data::GLO_FilePath.str(), "\\work\\");
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(data::GLO_FilePath.str(), "/work/") << "once the entry is accepted";
    EXPECT_EQ(w.text(GLO_FILEPATH), "/work/");
    w.press(GLO_RETAINTAGS);
    EXPECT_EQ(data::GLO_RETAINTAGS, 0);
    w.press(GLO_USENEWLOG_RADIO1);
    EXPECT_EQ(data::GLO_UseNewLog.str(), "N");
    w.press(OKBUTTON);
  });
  GetConfig();
  EXPECT_EQ(ini_text(), "[Preserved]\nNewLog=N\nCL_Command=ide --fast\nFilePath=/work/\nRetainTags=0\n");
}

TEST_F(GetConfigTest, WithoutASettingsFileOkWaitsForACommandLineThenWritesTheFourKeys) {
  ASSERT_FALSE(fs::exists(ini()));
  // What the program held before does not show; the file does.
  data::GLO_UseNewLog = "Y";
  data::GLO_RunString = "from the profile";
  data::GLO_FilePath = "\\profile\\";
  data::GLO_RETAINTAGS = 1;
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_FALSE(w.is_checked(GLO_USENEWLOG_RADIO1));
    EXPECT_FALSE(w.is_checked(GLO_USENEWLOG_RADIO2));
    EXPECT_EQ(w.text(GLO_RUNSTRING), "");
    EXPECT_EQ(w.text(GLO_FILEPATH), "");
    EXPECT_FALSE(w.is_checked(GLO_RETAINTAGS));
    w.press(OKBUTTON);
  });
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_TRUE(w.has_focus(GLO_RUNSTRING)) << "refused: the focus goes to the command line";
    EXPECT_FALSE(fs::exists(ini())) << "nothing is written";
    w.press_key(OKBUTTON, ui::key::Enter);
  });
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_TRUE(w.has_focus(GLO_RUNSTRING));
    w.type(GLO_RUNSTRING, "ide-sim");
    w.press(OKBUTTON);
  });
  GetConfig();
  EXPECT_EQ(framework::GlobalResponse, response::Completed);
  EXPECT_TRUE(user.messages().empty());
  EXPECT_EQ(user.beeps(), 0);
  EXPECT_EQ(ini_text(), "[Preserved]\nNewLog=\nCL_Command=ide-sim\nFilePath=\nRetainTags=0\n");
}

struct ShownCase {
  const char* name;
  std::string new_log;
  std::string retain_tags;
  bool no, yes, ticked;
  const char* written_new_log;  // by Ok, untouched
  const char* written_retain;
};

// A folder stored before with "\" between its parts shows as stored and is
// written back with "/".
TEST_F(GetConfigTest, TheWindowShowsWhatTheFileHoldsAndOkWritesItBack) {
  const std::vector<ShownCase> cases = {
      {"N and 1", "N", "1", true, false, true, "N", "1"},
      {"Y and 0", "Y", "0", false, true, false, "Y", "0"},
      {"257 is 1 in a byte", "N", "257", true, false, true, "N", "1"},
      {"letters are 0", "N", "abc", true, false, false, "N", "0"},
      {"a number with blanks and a fraction", "N", " 1.0 ", true, false, true, "N", "1"},
      {"2 is not 1", "N", "2", true, false, false, "N", "2"},
      {"a lower-case y selects no radio", "y", "0", false, false, false, "y", "0"},
      {"only the first letter counts", "Yes", "0", false, true, false, "Y", "0"},
  };
  for (const ShownCase& c : cases) {
    SCOPED_TRACE(c.name);
    settings_hold(c.new_log, "ide", "\\data\\", c.retain_tags);
    HeadlessUser user;
    user.on_window(kCaption, [&](WindowView& w) {
      EXPECT_EQ(w.is_checked(GLO_USENEWLOG_RADIO1), c.no);
      EXPECT_EQ(w.is_checked(GLO_USENEWLOG_RADIO2), c.yes);
      EXPECT_EQ(w.is_checked(GLO_RETAINTAGS), c.ticked);
      EXPECT_EQ(w.text(GLO_RUNSTRING), "ide");
      EXPECT_EQ(w.text(GLO_FILEPATH), "\\data\\");
      w.press(OKBUTTON);
    });
    GetConfig();
    EXPECT_EQ(ini_text(), std::string("[Preserved]\nNewLog=") + c.written_new_log +
                              "\nCL_Command=ide\nFilePath=/data/\nRetainTags=" + c.written_retain + "\n");
  }
}

// The folder dialog starts at the folder the setting names and stores the
// chosen one with its closing separator; a cancel keeps the folder. The
// current folder stays where it was either way.
TEST_F(GetConfigTest, TheFolderDialogStoresTheFolderWithItsClosingSeparator) {
  settings_hold("N", "ide", "\\old\\", "0");
  const fs::path here = fs::current_path();
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) { w.press(BUTTON4); });
  user.choose_folder(data_dir.string());
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_EQ(w.text(GLO_FILEPATH), data_dir.string() + "/");
    w.press(BUTTON4);
  });
  user.choose_folder("");
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_EQ(data::GLO_FilePath.str(), data_dir.string() + "/") << "kept after a cancel";
    w.press(OKBUTTON);
  });
  GetConfig();
  ASSERT_EQ(user.folder_dialogs().size(), 2u);
  EXPECT_EQ(user.folder_dialogs()[0].title, "Select FPT Directory");
  EXPECT_EQ(user.folder_dialogs()[1].start_folder, data_dir.string() + "/") << "the folder the setting names";
  EXPECT_EQ(fs::current_path(), here);
  EXPECT_EQ(ini_text(),
            "[Preserved]\nNewLog=N\nCL_Command=ide\nFilePath=" + data_dir.string() + "/" + "\nRetainTags=0\n");
}

// A folder that leaves no room for "PROJECTS.TPS" in a data-file name's 64
// characters is refused, chosen or typed, and the folder stays as it was.
TEST_F(GetConfigTest, AFolderTooLongForTheDataFileNamesIsRefused) {
  fs::path deep = dir;
  while (deep.string().size() < 56) deep /= "d";
  fs::create_directories(deep);
  const std::string chosen = deep.string() + "/";
  const std::string refusal =
      "The data folder " + chosen + " has too long a name: with a data file's name it must fit in 64 characters.";
  settings_hold("N", "ide", "\\old\\", "0");
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) { w.press(BUTTON4); });
  user.choose_folder(deep.string());
  user.answer_message(refusal, button::Ok);
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_EQ(w.text(GLO_FILEPATH), "\\old\\");
    w.type(GLO_FILEPATH, chosen);
  });
  user.answer_message(refusal, button::Ok);
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_EQ(w.text(GLO_FILEPATH), "\\old\\");
    EXPECT_TRUE(w.has_focus(GLO_FILEPATH));
    w.type(GLO_FILEPATH, "\\new\\");
    w.press(OKBUTTON);
  });
  GetConfig();
  ASSERT_EQ(user.messages().size(), 2u);
  EXPECT_EQ(user.messages()[0].box.caption, "Data Folder");
  EXPECT_EQ(user.messages()[0].box.icon, ui::MessageIcon::Stop);
  EXPECT_EQ(data::GLO_FilePath.str(), "/new/");
  EXPECT_EQ(ini_text(), "[Preserved]\nNewLog=N\nCL_Command=ide\nFilePath=/new/\nRetainTags=0\n");
}

// A stored value too long for its entry shows cut to what the entry holds,
// and one message tells, as the start does, what was too long and what is
// kept; Ok then takes the value as shown.
TEST_F(GetConfigTest, AValueTooLongForItsEntryShowsCutAndIsTold) {
  const std::string command = "ide-sim '" + std::string(290, 'x') + "'";
  const std::string folder = "/" + std::string(69, 'f') + "/";
  ASSERT_EQ(command.size(), 300u);
  const std::string file = data::settings_file();
  struct Case {
    const char* name;
    std::string command, folder;
    std::vector<std::string> told;
  };
  const std::string command_told =
      "The setting CL_Command in " + file + " is longer than its 254 characters and only its first 254 are kept.";
  const std::string folder_told =
      "The setting FilePath in " + file + " is longer than its 64 characters and only its first 64 are kept.";
  const std::vector<Case> cases = {
      {"the command line", command, "/data/", {command_told}},
      {"the folder", "ide", folder, {folder_told}},
      {"both", command, folder, {command_told, folder_told}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    settings_hold("N", c.command, c.folder, "0");
    std::string told;
    for (const std::string& line : c.told) told += (told.empty() ? "" : "|") + line;
    HeadlessUser user;
    user.answer_message(told, button::Ok);
    user.on_window(kCaption, [&](WindowView& w) {
      EXPECT_EQ(w.text(GLO_RUNSTRING), c.command.substr(0, 254));
      EXPECT_EQ(w.text(GLO_FILEPATH), c.folder.substr(0, 64));
      w.press(OKBUTTON);
    });
    GetConfig();
    ASSERT_EQ(user.messages().size(), 1u) << "told once";
    EXPECT_EQ(user.messages()[0].box.caption, "Settings");
    EXPECT_EQ(user.messages()[0].box.icon, ui::MessageIcon::Stop);
    EXPECT_EQ(framework::GlobalResponse, response::Completed) << "Ok is not refused";
    EXPECT_EQ(ini_text(), "[Preserved]\nNewLog=N\nCL_Command=" + c.command.substr(0, 254) +
                              "\nFilePath=" + c.folder.substr(0, 64) + "\nRetainTags=0\n");
  }
}

struct ProgramCase {
  const char* name;
  const char* folder;  // below the test's folder
  bool quoted;
};

// The program chosen with "..." is stored as this platform names it, in
// quotes when its name holds a blank, and the stored line starts it. A
// cancelled dialog keeps the command line.
TEST_F(GetConfigTest, AChosenProgramIsStoredSoThatItStarts) {
  const std::vector<ProgramCase> cases = {{"plain", "bin", false}, {"with a blank", "my tools", true}};
  for (const ProgramCase& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path program = dir / c.folder / "IDE.EXE";
    fs::create_directories(program.parent_path());
    std::ofstream(program) << "#!/bin/sh\necho started > \"$0.started\"\n";
    fs::permissions(program, fs::perms::owner_all);
    const std::string line = c.quoted ? "\"" + program.string() + "\"" : program.string();
    settings_hold("N", "old-ide --x", "", "0");
    const fs::path here = fs::current_path();
    HeadlessUser user;
    user.on_window(kCaption, [&](WindowView& w) { w.press(LOOKUPFILE); });
    user.choose_file("");
    user.on_window(kCaption, [&](WindowView& w) {
      EXPECT_EQ(w.text(GLO_RUNSTRING), "old-ide --x") << "kept after a cancel";
      w.press(LOOKUPFILE);
    });
    user.choose_file(program.string());
    user.on_window(kCaption, [&](WindowView& w) {
      EXPECT_EQ(w.text(GLO_RUNSTRING), line);
      w.press(OKBUTTON);
    });
    GetConfig();
    ASSERT_EQ(user.file_dialogs().size(), 2u);
    const ui::FileDialogDef& dialog = user.file_dialogs()[0];
    EXPECT_EQ(dialog.title, "Choose a File");
    ASSERT_EQ(dialog.filters.size(), 1u);
    EXPECT_EQ(dialog.filters[0], (std::pair<std::string, std::string>{"Executables", "*.EXE"}));
    EXPECT_EQ(fs::current_path(), here) << "the dialog keeps the current folder";
    EXPECT_EQ(data::GLO_RunString.str(), line);
    EXPECT_EQ(ini_text(), "[Preserved]\nNewLog=N\nCL_Command=" + line + "\nFilePath=\nRetainTags=0\n");

    EXPECT_GT(process::start_program(data::GLO_RunString.str()), 0) << error_text();
    const fs::path started = program.string() + ".started";
    EXPECT_TRUE(test_support::eventually([&] { return fs::exists(started); }, 20000)) << "the stored line starts it";
  }
}

TEST_F(GetConfigTest, AProgramNameTooLongForTheCommandLineIsRefused) {
  fs::path folder = dir;
  while (folder.string().size() < 260) folder /= std::string(40, 'p');
  fs::create_directories(folder);
  const fs::path program = folder / "IDE.EXE";
  std::ofstream(program) << "#!/bin/sh\n";
  settings_hold("N", "old-ide", "", "0");
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) { w.press(LOOKUPFILE); });
  user.choose_file(program.string());
  user.answer_message("The name of " + program.string() +
                          " is longer than the command line's 254 characters, so the command line is kept as it was.",
                      button::Ok);
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_EQ(w.text(GLO_RUNSTRING), "old-ide");
    w.press(OKBUTTON);
  });
  GetConfig();
  EXPECT_EQ(data::GLO_RunString.str(), "old-ide");
}

struct TagFileCase {
  const char* name;
  bool ticked;
  bool on_file;    // TF.TPS exists before
  bool held_open;  // opened through its file manager, as the main window's load leaves it
  bool exists_after;
  std::vector<std::string> tags_after;
};

// Ok with the box clear removes the retained tags, even while they are
// open; with it ticked the file is there afterwards, its records untouched,
// and the window leaves no open of its own on it.
TEST_F(GetConfigTest, OkRemovesOrKeepsTheTagFile) {
  const std::vector<TagFileCase> cases = {
      {"clear removes it", false, true, false, false, {}},
      {"clear removes it while it is open", false, true, true, false, {}},
      {"clear without a file", false, false, false, false, {}},
      {"ticked makes an empty one", true, false, false, true, {}},
      {"ticked keeps what it holds", true, true, false, true, {"LEDGER.APP"}},
      {"ticked keeps the main window's open", true, true, true, true, {"LEDGER.APP"}},
  };
  framework::FileManager& manager = *data::tagfile_file_manager;
  for (const TagFileCase& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(data_dir / "TF.TPS");
    if (c.on_file) seed_tags({"LEDGER.APP"});
    if (c.held_open) {
      manager.Open();
      ASSERT_EQ(manager.UseFile(framework::use::Returns), framework::level::Benign);
      ASSERT_TRUE(data::TagFile.is_open());
    }
    const int opens_before = manager.OPENED;
    settings_hold("N", "ide", "", c.ticked ? "1" : "0");
    HeadlessUser user;
    user.on_window(kCaption, [&](WindowView& w) { w.press(OKBUTTON); });
    GetConfig();
    EXPECT_EQ(framework::GlobalResponse, response::Completed);
    EXPECT_EQ(fs::exists(data_dir / "TF.TPS"), c.exists_after);
    EXPECT_FALSE(fs::exists(dir / "TF.TPS")) << "nothing outside the data folder";
    EXPECT_EQ(data::TagFile.is_open(), c.ticked && c.held_open);
    EXPECT_EQ(manager.OPENED, c.ticked ? opens_before : 0);
    EXPECT_EQ(data::TagFileName.str(), (data_dir / "TF.TPS").string());
    if (c.exists_after) {
      if (c.held_open) manager.Close();
      EXPECT_EQ(tags_on_file(), c.tags_after);
    }
    while (manager.OPENED > 0) manager.Close();
  }
}

struct CloseCase {
  const char* name;
  bool by_cancel;  // otherwise the system menu's Close
};

// Cancel, or a close without Ok, writes nothing, leaves the tag file alone
// and puts the four settings back as they were before the window opened.
TEST_F(GetConfigTest, ACloseWithoutOkPutsTheSettingsBack) {
  for (const CloseCase& c : {CloseCase{"Cancel", true}, CloseCase{"system menu", false}}) {
    SCOPED_TRACE(c.name);
    seed_tags({"LEDGER.APP"});
    settings_hold("N", "ide", "\\data\\", "1");
    const std::string before = ini_text();
    data::GLO_UseNewLog = "N";
    data::GLO_RunString = "in use";
    data::GLO_FilePath = "\\in use\\";
    data::GLO_RETAINTAGS = 0;
    HeadlessUser user;
    user.on_window(kCaption, [&](WindowView& w) {
      w.press(GLO_USENEWLOG_RADIO2);
      w.type(GLO_RUNSTRING, "edited");
      w.type(GLO_FILEPATH, "\\edited\\");
      w.press(GLO_RETAINTAGS);
      EXPECT_EQ(data::GLO_RunString.str(), "edited");
      if (c.by_cancel) {
        w.press(CANCELBUTTON);
      } else {
        w.close();
      }
    });
    GetConfig();
    EXPECT_EQ(framework::GlobalResponse, response::Cancelled);
    EXPECT_EQ(ini_text(), before);
    EXPECT_EQ(data::GLO_UseNewLog.str(), "N");
    EXPECT_EQ(data::GLO_RunString.str(), "in use");
    EXPECT_EQ(data::GLO_FilePath.str(), "\\in use\\");
    EXPECT_EQ(data::GLO_RETAINTAGS, 0);
    EXPECT_EQ(tags_on_file(), std::vector<std::string>{"LEDGER.APP"});
    fs::remove(data_dir / "TF.TPS");
  }
}

TEST_F(GetConfigTest, EachOpeningShowsWhatTheFileHolds) {
  settings_hold("Y", "ide", "\\data\\", "1");
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) {
    w.press(GLO_USENEWLOG_RADIO1);
    w.type(GLO_RUNSTRING, "edited");
    w.type(GLO_FILEPATH, "");
    w.press(GLO_RETAINTAGS);
    w.press(CANCELBUTTON);
  });
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_TRUE(w.is_checked(GLO_USENEWLOG_RADIO2));
    EXPECT_EQ(w.text(GLO_RUNSTRING), "ide");
    EXPECT_EQ(w.text(GLO_FILEPATH), "\\data\\");
    EXPECT_TRUE(w.is_checked(GLO_RETAINTAGS));
    w.press(CANCELBUTTON);
  });
  GetConfig();
  GetConfig();
  EXPECT_EQ(user.windows_opened(), (std::vector<std::string>{kCaption, kCaption}));
}

struct WriteFailureCase {
  const char* name;
  std::string settings_folder;  // below the test's folder
  bool file_is_a_folder;
  const char* reason;
};

// A settings file that cannot be written is told, naming it and the
// reason; the window stays open, nothing counts as saved and the tag file
// is left alone.
TEST_F(GetConfigTest, ASettingsFileThatCannotBeWrittenIsToldAndTheWindowStaysOpen) {
  const std::vector<WriteFailureCase> cases = {
      {"its folder is gone", "gone", false, "Path Not Found"},
      {"it is a folder", "", true, "Access Denied"},
  };
  for (const WriteFailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    data::anchor_settings_file((dir / c.settings_folder).string());
    if (c.file_is_a_folder) fs::create_directory(ini());
    seed_tags({"LEDGER.APP"});
    const std::string file = data::settings_file();
    data::GLO_RunString = "in use";
    HeadlessUser user;
    user.on_window(kCaption, [&](WindowView& w) {
      w.type(GLO_RUNSTRING, "ide");
      w.press(OKBUTTON);
    });
    user.answer_message(
        "The settings could not be saved in " + file + ": " + c.reason + ". The file keeps its old settings.",
        button::Ok);
    user.on_window(kCaption, [&](WindowView& w) {
      EXPECT_EQ(w.text(GLO_RUNSTRING), "ide") << "the window is still open with the edits";
      w.press(CANCELBUTTON);
    });
    GetConfig();
    ASSERT_EQ(user.messages().size(), 1u);
    EXPECT_EQ(user.messages()[0].box.caption, "Settings");
    EXPECT_EQ(user.messages()[0].box.icon, ui::MessageIcon::Stop);
    EXPECT_EQ(framework::GlobalResponse, response::Cancelled);
    EXPECT_EQ(data::GLO_RunString.str(), "in use");
    EXPECT_EQ(tags_on_file(), std::vector<std::string>{"LEDGER.APP"}) << "Ok did not go on to the tag file";
    EXPECT_FALSE(fs::exists(dir / "gone"));
    fs::remove(data_dir / "TF.TPS");
  }
}

// The main window's start with a setting missing: the settings window
// opens once after the main window appeared. A fresh log chosen and then
// cancelled does not empty the log; chosen with Ok it does.
struct StartCase {
  const char* name;
  bool ok;
  int64_t log_after;
  std::string ini_after;
};

class GetConfigAtStartTest : public GetConfigTest {
 protected:
  void SetUp() override {
    GetConfigTest::SetUp();
    sockets = dir / "sockets";
    fs::create_directory(sockets);
    fs::permissions(sockets, fs::perms::owner_all);
    dde_dir.set(sockets.string());
    automation::main_calls().GetConfig = GetConfig;
  }

  // No environment answers in the test's own socket folder.
  static void answer_not_running(HeadlessUser& user) {
    user.answer_message(
        "Clarion is not currently running. How you expect to compile anything is a mystery to me.||"
        "Press \"Start Clarion\" now, will ya'?",
        button::Ok);
  }

  int64_t log_entries_in(const fs::path& folder) {
    names_in(folder);
    const int64_t n = static_cast<int64_t>(log_on_file().size());
    bare_names();
    return n;
  }

  fs::path sockets;
  test_support::EnvironmentVariable dde_dir{"QVN_DDE_DIR"};
};

TEST_F(GetConfigAtStartTest, WithoutASettingsFileTheWindowOpensOnceAndCancelKeepsTheLog) {
  const std::vector<StartCase> cases = {
      {"Cancel", false, 2, ""},
      {"Ok", true, 0, "[Preserved]\nNewLog=Y\nCL_Command=ide-sim\nFilePath=\nRetainTags=0\n"},
  };
  for (const StartCase& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(ini());
    // Without a folder in the settings the data files lie in the start folder.
    names_in(dir);
    seed_log({{"LEDGER.APP", 80000, 1, "Begin Make"}, {"LEDGER.APP", 80000, 2, "Make Finished"}});
    bare_names();
    HeadlessUser user;
    answer_not_running(user);
    user.on_window(kCaption, [&](WindowView& w) {
      w.press(GLO_USENEWLOG_RADIO2);
      if (c.ok) {
        w.type(GLO_RUNSTRING, "ide-sim");
        w.press(OKBUTTON);
      } else {
        w.press(CANCELBUTTON);
      }
    });
    user.on_window(kMainCaption, [&](WindowView& w) { w.press(automation::BUTTON7); });
    automation::Main();
    EXPECT_EQ(user.windows_opened(), (std::vector<std::string>{kMainCaption, kCaption}));
    EXPECT_EQ(data::TempFileName.str(), (dir / "TEMPFILE.TPS").string()) << "an absolute name";
    EXPECT_EQ(data::GLO_UseNewLog.str(), c.ok ? "Y" : "");
    EXPECT_EQ(log_entries_in(dir), c.log_after);
    EXPECT_EQ(fs::exists(ini()) ? ini_text() : std::string(), c.ini_after);
    EXPECT_TRUE(halts.empty());
  }
}

// Ok at start with the box ticked and a data folder chosen: the tag file is
// the one in that folder, and nothing is left open or made in the folder the
// program started in.
TEST_F(GetConfigAtStartTest, TheTagFileTickedAtStartLiesInTheDataFolderChosen) {
  bare_names();
  HeadlessUser user;
  answer_not_running(user);
  user.on_window(kCaption, [&](WindowView& w) {
    w.press(GLO_USENEWLOG_RADIO1);
    w.type(GLO_RUNSTRING, "ide-sim");
    w.press(BUTTON4);
  });
  user.choose_folder(data_dir.string());
  user.on_window(kCaption, [&](WindowView& w) {
    w.press(GLO_RETAINTAGS);
    w.press(OKBUTTON);
  });
  user.on_window(kMainCaption, [&](WindowView& w) {
    EXPECT_EQ(data::TagFile.open_name(), (data_dir / "TF.TPS").string()) << "the subset's load has it open";
    w.press(automation::BUTTON7);
  });
  automation::Main();
  EXPECT_TRUE(fs::exists(data_dir / "TF.TPS"));
  EXPECT_FALSE(fs::exists(dir / "TF.TPS"));
  EXPECT_FALSE(data::TagFile.is_open());
  EXPECT_EQ(data::TagFileName.str(), (data_dir / "TF.TPS").string());
}

}  // namespace
}  // namespace qvn::windows::testing
