#include "platform/ui/backend.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/core/error_state.h"
#include "quiet_backend.h"
#include "support/environment.h"
#include "support/temp_folder.h"

namespace qvn::ui {
namespace {

namespace fs = std::filesystem;
using testing::QuietBackend;

TEST(MessageBox, ButtonsDefaultsAndAnswers) {
  QuietBackend backend;
  backend.answer = button::No;
  EXPECT_EQ(message("Are you entirely sure?", "Best be sure, chaver", MessageIcon::Question, button::Yes + button::No),
            button::No);
  backend.answer = button::Yes;
  EXPECT_EQ(message("Source file not found", "Don't Do That!", MessageIcon::Stop, 0, button::Yes), button::Ok)
      << "a button the box does not have is no answer";
  EXPECT_EQ(message("Save Record", "", MessageIcon::None, button::Yes + button::No + button::Cancel, button::Ok),
            button::Yes);
  ASSERT_EQ(backend.shown.size(), 3u);
  EXPECT_EQ(backend.shown[0].caption, "Best be sure, chaver");
  EXPECT_EQ(backend.shown[0].icon, MessageIcon::Question);
  EXPECT_EQ(backend.shown[1].buttons, button::Ok) << "no buttons given: OK alone";
  EXPECT_EQ(backend.shown[1].default_button, 0) << "a default the box lacks is dropped";
  EXPECT_EQ(backend.shown[2].default_button, 0);
}

TEST(MessageBox, AnswerWithoutAChoice) {
  struct Case {
    int buttons, default_button, expected;
  };
  const Case cases[] = {
      {0, 0, button::Ok},
      {button::Yes + button::No, 0, button::No},
      {button::Yes + button::No + button::Cancel, 0, button::Cancel},
      {button::Yes + button::No + button::Cancel, button::Yes, button::Yes},
      {button::Abort + button::Retry + button::Ignore, 0, button::Abort},
      {button::Yes + button::No, button::Cancel, button::No},
  };
  QuietBackend backend;
  for (const Case& c : cases) {
    MessageBoxDef box{"x", "", MessageIcon::None, c.buttons, c.default_button};
    EXPECT_EQ(answer_without_choice(box), c.expected) << c.buttons << "/" << c.default_button;
    backend.answer = 4096;  // nothing a box has: the backend's box went away unanswered
    EXPECT_EQ(message(box), c.expected) << c.buttons << "/" << c.default_button;
  }
}

TEST(MessageBox, LeavesTheLastErrorAsItWas) {
  QuietBackend backend;
  set_error(err::DdeExecuteInvalid);
  message("Error 12 : no such project");
  EXPECT_EQ(error_code(), err::DdeExecuteInvalid);
  EXPECT_EQ(error_text(), "DDEexecute - invalid command");
  set_driver_error(err::FileSystemError, 13, "disk full");
  message("Record Insert Error");
  EXPECT_EQ(error_code(), err::FileSystemError);
  EXPECT_EQ(driver_error_code(), 13);
  EXPECT_EQ(driver_error_text(), "disk full");
  clear_error();
  message("Processing Complete");
  EXPECT_EQ(error_code(), 0);
}

TEST(PopupMenu, SeparatorsTakeNoNumber) {
  const auto items = popup_items("&Insert|Chan&ge|~&Delete|-|&Expand All|Co&ntract All");
  ASSERT_EQ(items.size(), 6u);
  std::vector<int> numbers;
  for (const auto& item : items) numbers.push_back(item.number);
  EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 0, 4, 5}));
  EXPECT_EQ(items[2].text, "&Delete");
  EXPECT_TRUE(items[2].disabled);
  EXPECT_FALSE(items[4].disabled);
  EXPECT_EQ(items[5].text, "Co&ntract All");
  EXPECT_TRUE(popup_items("").empty());
}

TEST(PopupMenu, WindowGivesOnlyItemsThatCanBeChosen) {
  QuietBackend backend;
  WindowDef def;
  auto w = Window::create(def, nullptr);
  const std::string menu = "&Insert|~Chan&ge|-|&Expand All";
  struct Case {
    int chosen, expected;
  };
  for (const Case& c : {Case{1, 1}, Case{2, 0}, Case{3, 3}, Case{4, 0}, Case{0, 0}, Case{-1, 0}}) {
    backend.popup_answer = c.chosen;
    EXPECT_EQ(w->popup(menu), c.expected) << "backend chose " << c.chosen;
  }
}

// Each test in its own folder, with the current folder put back afterwards.
class FileDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_ / "DEV" / "ACCT");
    std::ofstream(dir_ / "DEV" / "ACCT" / "ACCT.APP") << "app";
  }

  FileDialogDef source_dialog() const {
    FileDialogDef d;
    d.title = "Choose a File";
    d.filters = {{"Application files", "*.app"}, {"Dictionary Files", "*.dct"}, {"Projects", "*.prj"}};
    return d;
  }

  QuietBackend backend;
  test_support::TempFolder folder_{"qvn-dialog"};
  const fs::path dir_ = fs::canonical(folder_.path());
  test_support::WorkingFolder working_folder_{dir_};
};

TEST_F(FileDialogs, ChosenFileMovesTheCurrentFolderUnlessKept) {
  const fs::path app = dir_ / "DEV" / "ACCT" / "ACCT.APP";
  backend.file = app.string();
  EXPECT_EQ(open_file(source_dialog()), app.string());
  EXPECT_EQ(fs::current_path(), app.parent_path());
  ASSERT_EQ(backend.file_dialogs.size(), 1u);
  EXPECT_EQ(backend.file_dialogs[0].title, "Choose a File");
  EXPECT_EQ(backend.file_dialogs[0].filters.size(), 3u);

  fs::current_path(dir_);
  FileDialogDef keep = source_dialog();
  keep.keep_folder = true;
  EXPECT_EQ(open_file(keep), app.string());
  EXPECT_EQ(fs::current_path(), dir_);
}

TEST_F(FileDialogs, CancelAndMissingFilesGiveNoName) {
  set_error(err::RecordNotFound);
  for (const std::string& answer : {std::string(), (dir_ / "DEV" / "NONE.APP").string(), (dir_ / "DEV").string()}) {
    backend.file = answer;
    EXPECT_EQ(open_file(source_dialog()), "") << answer;
    EXPECT_EQ(fs::current_path(), dir_) << answer;
  }
  EXPECT_EQ(error_code(), err::RecordNotFound);
  clear_error();
}

// A relative answer comes back whole, with "/" between its folders; a start
// folder written with "\" is found as well as one written with "/".
TEST_F(FileDialogs, RelativeAnswerAndStartFolderInEitherSpelling) {
  backend.file = "DEV/ACCT/ACCT.APP";
  FileDialogDef d = source_dialog();
  d.keep_folder = true;
  std::string backslashed = (dir_ / "DEV").string();
  for (char& c : backslashed) {
    if (c == '/') c = '\\';
  }
  for (const std::string& start : {backslashed, (dir_ / "DEV").string()}) {
    d.start_folder = start;
    EXPECT_EQ(open_file(d), (dir_ / "DEV" / "ACCT" / "ACCT.APP").string()) << start;
    EXPECT_EQ(backend.file_dialogs.back().start_folder, (dir_ / "DEV").string()) << start;
  }
  d.start_folder = "\\clarion6\\bin-that-is-not-here";
  open_file(d);
  EXPECT_EQ(backend.file_dialogs.back().start_folder, "") << "a missing start folder is ignored";
}

TEST_F(FileDialogs, FolderDialogEndsWithASlashAndKeepsTheCurrentFolder) {
  backend.folder = (dir_ / "DEV").string();
  FolderDialogDef d{"Select FPT Directory", {}};
  EXPECT_EQ(choose_folder(d), (dir_ / "DEV").string() + "/");
  EXPECT_EQ(fs::current_path(), dir_);
  backend.folder = (dir_ / "DEV").string() + "/";
  EXPECT_EQ(choose_folder(d), (dir_ / "DEV").string() + "/") << "one closing slash";
  backend.folder = "/";
  EXPECT_EQ(choose_folder(d), "/");
  backend.folder = "";
  EXPECT_EQ(choose_folder(d), "");
  backend.folder = (dir_ / "NOWHERE").string();
  EXPECT_EQ(choose_folder(d), "");
}

}  // namespace
}  // namespace qvn::ui
