// The settings file's writing and the data folder it names: the data-file
// names it makes name their folder absolutely, so a current folder that
// moves later does not move them.

#include "data/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "data/files.h"
#include "data/globals.h"
#include "support/data_files.h"
#include "support/environment.h"
#include "support/file_text.h"
#include "support/program_state.h"
#include "support/temp_folder.h"

namespace qvn::data {
namespace {

namespace fs = std::filesystem;

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    anchor_settings_file(dir.string());
    bare_names();
  }

  static void bare_names() { test_support::bare_data_file_names(); }

  std::string ini_text() const { return test_support::file_text(dir / "QVN.INI"); }

  test_support::TempFolder folder{"qvn-settings"};
  fs::path dir = fs::canonical(folder.path());
  test_support::WorkingFolder working_folder{dir};  // the tests move it
  test_support::ProgramState program_state;
};

struct FolderCase {
  const char* name;
  std::string file_path;  // GLO:FilePath; "@" stands for the test's folder
  std::string folder;     // where the data files lie; "@" likewise
};

std::string with_dir(std::string text, const fs::path& dir) {
  if (const size_t at = text.find('@'); at != std::string::npos) text.replace(at, 1, dir.string());
  return text;
}

TEST_F(SettingsFileTest, DataFileNamesNameTheirFolderAbsolutely) {
  const std::vector<FolderCase> cases = {
      {"blank: the start folder", "", "@/"},
      {"relative", "data", "@/data/"},
      {"relative with backslashes", "data\\sub\\", "@/data/sub/"},
      {"absolute", "@/abs", "@/abs/"},
      {"absolute with backslashes", "\\srv\\qvn\\", "/srv/qvn/"},
  };
  fs::create_directory(dir / "elsewhere");
  for (const FolderCase& c : cases) {
    SCOPED_TRACE(c.name);
    bare_names();
    // The current folder is not the start folder: it does not count.
    fs::current_path(dir / "elsewhere");
    GLO_FilePath = with_dir(c.file_path, dir);
    const std::string folder = with_dir(c.folder, dir);
    EXPECT_EQ(data_folder_prefix(), folder);
    prefix_data_file_names();
    EXPECT_EQ(AppsFileName.str(), folder + "APPS.TPS");
    EXPECT_EQ(ProjectsFileName.str(), folder + "PROJECTS.TPS");
    EXPECT_EQ(TempFileName.str(), folder + "TEMPFILE.TPS");
    EXPECT_EQ(TagFileName.str(), folder + "TF.TPS");
    EXPECT_EQ(in_data_folder("TF.TPS"), folder + "TF.TPS");
    // Names that name their folder already are kept: a second prefixing
    // and another folder change nothing.
    GLO_FilePath = "other";
    prefix_data_file_names();
    EXPECT_EQ(TagFileName.str(), folder + "TF.TPS");
    EXPECT_EQ(in_data_folder(TagFileName.str()), folder + "TF.TPS");
    fs::current_path(dir);
  }
}

TEST_F(SettingsFileTest, AFolderIsTooLongWhenADataFileNameWouldNotFit) {
  // "PROJECTS.TPS" is the longest name: 12 characters after the folder's.
  const std::string fits = "/" + std::string(50, 'f') + "/";
  const std::string too_long = "/" + std::string(51, 'f') + "/";
  EXPECT_EQ(data_folder_too_long(fits), "");
  EXPECT_EQ(data_folder_too_long(too_long), "The data folder " + too_long +
                                                " has too long a name: with a data file's name it must fit in 64 "
                                                "characters.");
  // The names' own folders do not count, only their file names.
  GLO_FilePath = dir.string();
  prefix_data_file_names();
  EXPECT_EQ(data_folder_too_long(fits), "");
  // A relative folder is told where it lies.
  const std::string deep(60, 'r');
  EXPECT_EQ(data_folder_too_long(deep), "The data folder " + dir.string() + "/" + deep +
                                            "/ has too long a name: with a data file's name it must fit in 64 "
                                            "characters.");
}

TEST_F(SettingsFileTest, TheFourSettingsAreWrittenInOneGo) {
  std::ofstream(dir / "QVN.INI") << "; mine\n[Preserved]\nRetainTags=1\nOther=kept\n";
  GLO_UseNewLog = "";
  GLO_RunString = "\"/opt/my ide/IDE.EXE\" --x  ";
  GLO_FilePath = "\\data\\";
  GLO_RETAINTAGS = 0;
  EXPECT_EQ(write_settings_file(), "");
  EXPECT_EQ(ini_text(),
            "; mine\n[Preserved]\nRetainTags=0\nOther=kept\nNewLog=\nCL_Command=\"/opt/my ide/IDE.EXE\" --x\n"
            "FilePath=/data/\n")
      << "a folder held with \"\\\" is written with \"/\"";
  GLO_FilePath = "";
  read_settings_file();
  EXPECT_EQ(GLO_RunString.str(), "\"/opt/my ide/IDE.EXE\" --x");

  anchor_settings_file((dir / "gone").string());
  EXPECT_EQ(write_settings_file(), "The settings could not be saved in " + (dir / "gone" / "QVN.INI").string() +
                                       ": Path Not Found. The file keeps its old settings.");
  EXPECT_FALSE(fs::exists(dir / "gone"));
}

}  // namespace
}  // namespace qvn::data
