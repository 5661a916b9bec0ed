#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "main_window_fixture.h"

namespace qvn::automation::testing {

namespace {

using ui::HeadlessUser;
using ui::WindowView;

const std::vector<AppOnFile> kTwoApps = {
    {.application = "LEDGER.APP", .priority = 1},
    {.application = "PAYROLL.APP", .priority = 2},
};

void close_at_once(HeadlessUser& user) {
  user.on_window(kCaption, [](WindowView& w) { w.press(BUTTON7); });
}

TEST(SettingsNumber, ReadsWholeNumbersAndNothingElse) {
  const std::vector<std::pair<const char*, long long>> cases = {
      {"1", 1},   {" 1 ", 1}, {"0", 0},   {"", 0},      {"abc", 0}, {"1abc", 0},
      {"-1", -1}, {"+7", 7},  {"2.9", 2}, {"300", 300}, {"1 2", 0}, {".", 0},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(data::settings_number(text), expected) << '"' << text << '"';
}

TEST_F(MainWindowTest, TheSettingsFileReplacesTheProfileValuesWhenTheWindowOpens) {
  seed(kTwoApps);
  write_settings({{"NewLog", "y"},
                  {"CL_Command", "ide-sim --build-seconds 1"},
                  {"FilePath", data_folder()},
                  {"RetainTags", "257"}});
  data::GLO_UseNewLog = "N";
  data::GLO_RunString = "from the profile";
  int asked = 0;
  main_calls().GetConfig = [&] { ++asked; };
  HeadlessUser user;
  close_at_once(user);
  Main();
  EXPECT_EQ(data::GLO_UseNewLog.str(), "y");
  EXPECT_EQ(data::GLO_RunString.str(), "ide-sim --build-seconds 1");
  EXPECT_EQ(data::GLO_FilePath.str(), data_folder());
  EXPECT_EQ(data::GLO_RETAINTAGS, 1) << "the number's low byte";
  EXPECT_EQ(asked, 0) << "a lower-case y is a setting too";
}

struct MissingCase {
  const char* name;
  std::map<std::string, std::string> keys;
};

TEST_F(MainWindowTest, AMissingSettingOpensTheSettingsOnceAfterTheWindowAppeared) {
  const std::vector<MissingCase> cases = {
      {"no NewLog", {{"CL_Command", "ide-sim"}}},
      {"blank command", {{"NewLog", "N"}, {"CL_Command", "   "}}},
      {"no FilePath", {{"NewLog", "N"}, {"CL_Command", "ide-sim"}}},
      {"no file", {}},
  };
  for (const MissingCase& c : cases) {
    SCOPED_TRACE(c.name);
    seed(kTwoApps);
    std::map<std::string, std::string> keys = c.keys;
    if (std::string(c.name) != "no FilePath" && !keys.empty()) keys["FilePath"] = data_folder();
    if (keys.empty()) {
      fs::remove(dir / "QVN.INI");
    } else {
      write_settings(keys);
    }
    data::GLO_FilePath = "/from/the/profile/";
    int asked = 0;
    bool window_shown = false;
    main_calls().GetConfig = [&] {
      ++asked;
      window_shown = ui::top_window() != nullptr && !ui::top_window()->hidden();
      data::GLO_FilePath = data_folder();
    };
    HeadlessUser user;
    std::vector<std::string> listed;
    user.on_window(kCaption, [&](WindowView& w) {
      for (const auto& row : w.list_rows(LIST)) listed.push_back(row[3]);
      w.press(BUTTON7);
    });
    Main();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(window_shown);
    EXPECT_EQ(data::AppsFileName.str(), (data_dir / "APPS.TPS").string()) << "the folder the settings window left";
    EXPECT_EQ(listed, (std::vector<std::string>{"LEDGER.APP", "PAYROLL.APP"}));
    bare_names();
  }
}

struct BadSettingsCase {
  const char* name;
  std::string text;               // what QVN.INI holds; a pipe takes its place when `pipe`
  std::vector<std::string> told;  // the lines of the "Settings" message; none: no message
  bool asked;                     // the settings window opens
  std::string command_asked{};    // GLO:RunString and GLO:FilePath as the settings window finds them
  std::string folder_asked{};
  bool pipe = false;
};

TEST_F(MainWindowTest, SettingsThatCannotBeUsedAreToldAndThenAskedFor) {
  const std::string file = (dir / "QVN.INI").string();
  const std::string good_keys = "NewLog=N\nCL_Command=ide-sim\nFilePath=" + data_folder() + "\n";
  const std::string long_path = "/" + std::string(64, 'f');
  const std::string long_command = "ide-sim '" + std::string(245, 'x') + "'";
  ASSERT_EQ(long_command.size(), 255u);
  const std::string no_section = "The settings file " + file +
                                 " holds no [Preserved] section, so its settings are "
                                 "taken as missing.";
  const std::string path_too_long =
      "The setting FilePath in " + file + " is longer than its 64 characters and is left blank.";
  const std::string command_too_long =
      "The setting CL_Command in " + file + " is longer than its 254 characters and is left blank.";
  const std::vector<BadSettingsCase> cases = {
      {"a byte-order mark", "\xEF\xBB\xBF[Preserved]\r\n" + good_keys, {}, false},
      {"no [Preserved] section", "[Settings]\n" + good_keys, {no_section}, true},
      {"garbage", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xfe=\x01", 20), {no_section}, true},
      {"a folder too long",
       "[Preserved]\nNewLog=N\nCL_Command=ide-sim\nFilePath=" + long_path + "\n",
       {path_too_long},
       true,
       "ide-sim",
       ""},
      {"a command line too long",
       "[Preserved]\nNewLog=N\nCL_Command=" + long_command + "\nFilePath=" + data_folder() + "\n",
       {command_too_long},
       true,
       "",
       data_folder()},
      {"both too long",
       "[Preserved]\nNewLog=N\nCL_Command=" + long_command + "\nFilePath=" + long_path + "\n",
       {command_too_long, path_too_long},
       true},
      {"a pipe", {}, {"The settings file " + file + " is not a regular file and is not read."}, true, "", "", true},
  };
  for (const BadSettingsCase& c : cases) {
    SCOPED_TRACE(c.name);
    seed(kTwoApps);
    fs::remove(file);
    if (c.pipe) {
      ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    } else {
      std::ofstream(file, std::ios::binary) << c.text;
    }
    int asked = 0;
    std::string command_seen = "?";
    std::string folder_seen = "?";
    main_calls().GetConfig = [&] {
      ++asked;
      command_seen = data::GLO_RunString.str();
      folder_seen = data::GLO_FilePath.str();
      data::GLO_UseNewLog = "N";
      data::GLO_RunString = "ide-sim";
      data::GLO_FilePath = data_folder();
    };
    HeadlessUser user;
    std::string told;
    for (const std::string& line : c.told) told += (told.empty() ? "" : "|") + line;
    if (!told.empty()) user.answer_message(told, ui::button::Ok);
    std::vector<std::string> listed;
    user.on_window(kCaption, [&](WindowView& w) {
      for (const auto& row : w.list_rows(LIST)) listed.push_back(row[3]);
      w.press(BUTTON7);
    });
    Main();
    ASSERT_EQ(user.messages().size(), c.told.empty() ? 0u : 1u);
    if (!c.told.empty()) {
      EXPECT_EQ(user.messages()[0].box.caption, "Settings");
      EXPECT_EQ(user.messages()[0].box.icon, ui::MessageIcon::Stop);
    }
    EXPECT_EQ(asked, c.asked ? 1 : 0);
    if (c.asked) {
      EXPECT_EQ(command_seen, c.command_asked) << "never a cut command line";
      EXPECT_EQ(folder_seen, c.folder_asked) << "never a cut folder";
    } else {
      EXPECT_EQ(data::GLO_RunString.str(), "ide-sim");
    }
    EXPECT_EQ(data::AppsFileName.str(), (data_dir / "APPS.TPS").string());
    EXPECT_EQ(listed, (std::vector<std::string>{"LEDGER.APP", "PAYROLL.APP"}));
    EXPECT_FALSE(fs::exists(dir / "APPS.TPS")) << "no data file beside the settings";
    bare_names();
  }
}

struct FolderCase {
  const char* name;
  std::string file_path;  // as the settings file holds it; {} for the test's data folder
};

TEST_F(MainWindowTest, EveryDataFileLiesInTheDataFolder) {
  const std::string plain = data_dir.string();
  std::string backslashed = data_folder();
  backslashed.back() = '\\';
  const std::vector<FolderCase> cases = {
      {"with a closing separator", data_folder()},
      {"without one", plain},
      {"with a closing backslash", backslashed},
  };
  for (const FolderCase& c : cases) {
    SCOPED_TRACE(c.name);
    write_settings({{"NewLog", "N"}, {"CL_Command", "ide-sim"}, {"FilePath", c.file_path}});
    HeadlessUser user;
    close_at_once(user);
    Main();
    EXPECT_EQ(data::AppsFileName.str(), (data_dir / "APPS.TPS").string());
    EXPECT_EQ(data::ProjectsFileName.str(), (data_dir / "PROJECTS.TPS").string());
    EXPECT_EQ(data::TempFileName.str(), (data_dir / "TEMPFILE.TPS").string());
    EXPECT_EQ(data::TagFileName.str(), (data_dir / "TF.TPS").string());
    EXPECT_TRUE(fs::exists(data_dir / "APPS.TPS"));
    EXPECT_TRUE(fs::exists(data_dir / "TEMPFILE.TPS"));
    EXPECT_TRUE(fs::exists(data_dir / "PROJECTS.TPS")) << "the projects list opens it";
    EXPECT_FALSE(fs::exists("APPS.TPS")) << "nothing in the current folder";
    EXPECT_FALSE(fs::exists(dir / "APPS.TPS"));
    bare_names();
  }
}

struct NewLogCase {
  const char* value;
  int64_t entries_after;
};

TEST_F(MainWindowTest, OnlyAnUpperCaseYStartsAFreshLog) {
  for (const NewLogCase& c : {NewLogCase{"Y", 0}, NewLogCase{"y", 2}, NewLogCase{"N", 2}}) {
    SCOPED_TRACE(c.value);
    seed(kTwoApps, {}, {"Begin Make", "Make Finished"});
    write_settings({{"NewLog", c.value}, {"CL_Command", "ide-sim"}, {"FilePath", data_folder()}});
    HeadlessUser user;
    close_at_once(user);
    Main();
    EXPECT_EQ(log_entries_on_file(), c.entries_after);
    EXPECT_EQ(apps_on_file().size(), 2u) << "only the log is re-created";
    bare_names();
  }
}

TEST_F(MainWindowTest, AMissingDataFolderIsReportedAndAskedForAgain) {
  seed(kTwoApps);
  const std::string missing = (dir / "gone").string() + "/";
  write_settings({{"NewLog", "N"}, {"CL_Command", "ide-sim"}, {"FilePath", missing}});
  int asked = 0;
  main_calls().GetConfig = [&] {
    ++asked;
    data::GLO_FilePath = data_folder();
  };
  HeadlessUser user;
  user.answer_message("The data folder " + missing +
                          " does not exist.||Choose the folder of the data files in the "
                          "settings.",
                      ui::button::Ok);
  std::vector<std::string> listed;
  user.on_window(kCaption, [&](WindowView& w) {
    for (const auto& row : w.list_rows(LIST)) listed.push_back(row[3]);
    w.press(BUTTON7);
  });
  Main();
  EXPECT_EQ(asked, 1);
  ASSERT_EQ(user.messages().size(), 1u);
  EXPECT_EQ(user.messages()[0].box.caption, "Data Folder");
  EXPECT_EQ(user.messages()[0].box.icon, ui::MessageIcon::Stop);
  EXPECT_EQ(listed, (std::vector<std::string>{"LEDGER.APP", "PAYROLL.APP"}));
  EXPECT_TRUE(halts.empty());
  EXPECT_FALSE(fs::exists(dir / "gone"));
}

TEST_F(MainWindowTest, ADataFolderStillMissingAfterAskingEndsTheWindowCleanly) {
  const std::string missing = (dir / "gone").string() + "/";
  write_settings({{"NewLog", "Y"}, {"CL_Command", "ide-sim"}, {"FilePath", missing}});
  int asked = 0;
  main_calls().GetConfig = [&] { ++asked; };
  HeadlessUser user;
  user.answer_message("The data folder " + missing +
                          " does not exist.||Choose the folder of the data files in the "
                          "settings.",
                      ui::button::Ok);
  user.answer_message("The data folder " + missing + " does not exist.||QVN cannot open its data files and will close.",
                      ui::button::Ok);
  Main();
  EXPECT_EQ(asked, 1) << "asked once more, not again and again";
  EXPECT_TRUE(halts.empty()) << "no fatal file error";
  EXPECT_EQ(error_manager.CurrentProcedure(), "");
  EXPECT_FALSE(data::Apps.is_open());
  EXPECT_FALSE(fs::exists(dir / "gone"));
  EXPECT_FALSE(fs::exists("APPS.TPS"));
  EXPECT_FALSE(fs::exists("TEMPFILE.TPS"));
}

TEST_F(MainWindowTest, AFolderNameThatWouldCutAFileNameIsRefused) {
  fs::path deep = dir;
  // Short enough to be kept whole, too long to leave room for "PROJECTS.TPS".
  while (deep.string().size() < 56) deep /= "d";
  fs::create_directories(deep);
  const std::string too_long = deep.string() + "/";
  write_settings({{"NewLog", "N"}, {"CL_Command", "ide-sim"}, {"FilePath", too_long}});
  main_calls().GetConfig = [&] { data::GLO_FilePath = data_folder(); };
  HeadlessUser user;
  user.answer_message("The data folder " + too_long +
                          " has too long a name: with a data file's name it must fit in 64 characters.||Choose the "
                          "folder of the data files in the settings.",
                      ui::button::Ok);
  close_at_once(user);
  Main();
  EXPECT_EQ(data::TempFileName.str(), (data_dir / "TEMPFILE.TPS").string());
  EXPECT_FALSE(fs::exists(deep / "APPS.TPS"));
}

TEST_F(MainWindowTest, TheSettingsFileStaysInTheStartFolderWhenTheCurrentFolderMoves) {
  seed(kTwoApps);
  data::anchor_settings_file(dir.string());
  const std::string before = data::settings_file();
  fs::path elsewhere = dir / "elsewhere";
  fs::create_directory(elsewhere);
  {
    test_support::WorkingFolder here(elsewhere);
    HeadlessUser user;
    close_at_once(user);
    Main();
  }
  EXPECT_EQ(data::settings_file(), before);
  EXPECT_EQ(data::settings_file(), (dir / "QVN.INI").string());
  EXPECT_EQ(data::GLO_FilePath.str(), data_folder()) << "read from the start folder's file";
}

TEST_F(MainWindowTest, FileErrorsShowAsMessageBoxes) {
  HeadlessUser user;
  user.answer_message("Are you sure you want to delete the highlighted record?", ui::button::Yes);
  user.answer_message("Are you sure you want to delete the highlighted record?", ui::button::No);
  error_manager.PushProcedure("Main");
  EXPECT_EQ(error_manager.Throw(framework::Msg::ConfirmDelete, framework::MessageContext("APPS.TPS")),
            framework::level::Benign);
  EXPECT_EQ(error_manager.Throw(framework::Msg::ConfirmDelete, framework::MessageContext("APPS.TPS")),
            framework::level::Cancel);
  error_manager.PopProcedure();
  user.answer_any_message(ui::button::Ok);
  set_error(err::AccessDenied);
  EXPECT_EQ(error_manager.Throw(framework::Msg::PutFailed, framework::MessageContext("APPS.TPS")),
            framework::level::Notify);
  ASSERT_EQ(user.messages().size(), 3u);
  const ui::MessageBoxDef& question = user.messages()[0].box;
  EXPECT_EQ(question.caption, "Main: Confirm Delete");
  EXPECT_EQ(question.icon, ui::MessageIcon::Question);
  EXPECT_EQ(question.buttons, ui::button::Yes | ui::button::No);
  EXPECT_EQ(question.default_button, ui::button::Yes);
  const ui::MessageBoxDef& notice = user.messages()[2].box;
  EXPECT_EQ(notice.caption, "Record was not updated");
  EXPECT_EQ(notice.icon, ui::MessageIcon::Stop);
  EXPECT_EQ(notice.buttons, ui::button::Ok);
  EXPECT_NE(notice.text.find("APPS.TPS"), std::string::npos);
}

}  // namespace

}  // namespace qvn::automation::testing
