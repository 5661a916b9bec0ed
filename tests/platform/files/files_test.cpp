// The folder listing and the file tests on real files in a folder of the
// test's own.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/error_state.h"
#include "platform/core/std_datetime.h"
#include "platform/files/file_tests.h"
#include "platform/files/folder_listing.h"
#include "support/environment.h"
#include "support/temp_folder.h"

namespace qvn::files {
namespace {

namespace fs = std::filesystem;

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string backslashed(std::string s) {
  std::replace(s.begin(), s.end(), '/', '\\');
  return s;
}

// A folder of the test's own, with the files the cases look at:
//   MAIN.APP main.txd Ledger.Dct LONGNAME1.APP "A B.APP" MAIN.APP.bak x.appx
//   .hidden.APP, and the folders SUB.APP/ and Sub2/ (holding a.txt),
//   a link to MAIN.APP and one that leads nowhere.
class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name :
         {"MAIN.APP", "main.txd", "Ledger.Dct", "LONGNAME1.APP", "A B.APP", "MAIN.APP.bak", "x.appx", ".hidden.APP"}) {
      write(name, "data");
    }
    fs::create_directory(dir_ + "/SUB.APP");
    fs::create_directory(dir_ + "/Sub2");
    write("Sub2/a.txt", "a");
    fs::create_symlink(dir_ + "/MAIN.APP", dir_ + "/Link.APP");
    fs::create_symlink(dir_ + "/GONE.APP", dir_ + "/Dangling.APP");
  }
  void write(const std::string& name, const std::string& content) {
    std::ofstream(dir_ + "/" + name, std::ios::binary) << content;
  }
  // The test folder's own name with its last part in capitals, so that a
  // name differs from the disk's in a folder's case too.
  std::string dir_upper() const {
    const fs::path p(dir_);
    return (p.parent_path() / upper(p.filename().string())).string();
  }

  static std::vector<std::string> names(const std::vector<FolderEntry>& entries) {
    std::vector<std::string> out;
    for (const FolderEntry& e : entries) out.push_back(e.name);
    return out;
  }

  test_support::TempFolder folder_{"qvn-files-test"};
  const std::string dir_ = folder_.string();
};

// How a case spells the folder in front of its pattern.
enum class Folder { AsOnDisk, Backslashes, OtherCase, Missing };

struct ListingCase {
  const char* label;
  Folder folder;
  std::string pattern;
  std::vector<std::string> expected;
};

void PrintTo(const ListingCase& c, std::ostream* os) { *os << c.label; }

class ListingTest : public FilesTest, public ::testing::WithParamInterface<ListingCase> {};

TEST_P(ListingTest, ListsTheMatchingRegularFilesByName) {
  const ListingCase& c = GetParam();
  std::string spec;
  switch (c.folder) {
    case Folder::AsOnDisk: spec = dir_ + "/" + c.pattern; break;
    case Folder::Backslashes: spec = backslashed(dir_ + "/" + c.pattern); break;
    case Folder::OtherCase: spec = dir_upper() + "/" + c.pattern; break;
    case Folder::Missing: spec = dir_ + "/nowhere/" + c.pattern; break;
  }
  EXPECT_EQ(names(list_folder(spec)), c.expected) << spec;
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, ListingTest,
    ::testing::Values(
        // Folders, hidden files and links that lead nowhere are left out; a
        // link to a file counts as the file; the order ignores case.
        ListingCase{"StarDotApp", Folder::AsOnDisk, "*.APP", {"A B.APP", "Link.APP", "LONGNAME1.APP", "MAIN.APP"}},
        ListingCase{
            "LowerCasePattern", Folder::AsOnDisk, "*.app", {"A B.APP", "Link.APP", "LONGNAME1.APP", "MAIN.APP"}},
        ListingCase{"WholeNameOtherCase", Folder::AsOnDisk, "MAIN.TXD", {"main.txd"}},
        ListingCase{"TrailingBlanks", Folder::AsOnDisk, "Main.Txd   ", {"main.txd"}},
        ListingCase{"LongNameInFull", Folder::AsOnDisk, "longname1.app", {"LONGNAME1.APP"}},
        ListingCase{"NameWithABlank", Folder::AsOnDisk, "a b.*", {"A B.APP"}},
        ListingCase{"Backslashes", Folder::Backslashes, "*.dct", {"Ledger.Dct"}},
        ListingCase{"FolderInOtherCase", Folder::OtherCase, "sub2\\A.TXT", {"a.txt"}},
        ListingCase{"QuestionMarkIsOneCharacter", Folder::AsOnDisk, "?AIN.APP", {"MAIN.APP"}},
        ListingCase{"QuestionMarksNeedTheirCharacters", Folder::AsOnDisk, "MAIN.AP??", {}},
        ListingCase{"StarInsideAName", Folder::AsOnDisk, "*AIN*", {"MAIN.APP", "MAIN.APP.bak", "main.txd"}},
        ListingCase{
            "StarDotStarIsEverything",
            Folder::AsOnDisk,
            "*.*",
            {"A B.APP", "Ledger.Dct", "Link.APP", "LONGNAME1.APP", "MAIN.APP", "MAIN.APP.bak", "main.txd", "x.appx"}},
        ListingCase{"ExtensionIsNotAPrefix", Folder::AsOnDisk, "*.APPX", {"x.appx"}},
        ListingCase{"AFolderIsNotListed", Folder::AsOnDisk, "SUB.APP", {}},
        ListingCase{"HiddenFileIsNotListed", Folder::AsOnDisk, ".hidden.APP", {}},
        ListingCase{"NothingMatches", Folder::AsOnDisk, "NOPE.*", {}},
        ListingCase{"NoFileNameGiven", Folder::AsOnDisk, "", {}},
        ListingCase{"MissingFolder", Folder::Missing, "*.APP", {}}),
    [](const ::testing::TestParamInfo<ListingCase>& info) { return std::string(info.param.label); });

TEST_F(FilesTest, NamesThatDifferOnlyInCaseAreListedInByteOrder) {
  write("ab.x", "1");
  write("AB.X", "22");
  write("Ab.x", "333");
  EXPECT_EQ(names(list_folder(dir_ + "/*.X")), (std::vector<std::string>{"AB.X", "Ab.x", "ab.x"}));
}

TEST_F(FilesTest, AnEntryHoldsTheLocalDateTimeSizeAndReadOnlyAttribute) {
  write("OLD.TXA", std::string(1234, 'x'));
  // 1 March 2024, 13:45:30.25 local time.
  std::tm tm{};
  tm.tm_year = 124;
  tm.tm_mon = 2;
  tm.tm_mday = 1;
  tm.tm_hour = 13;
  tm.tm_min = 45;
  tm.tm_sec = 30;
  tm.tm_isdst = -1;
  const timespec when{std::mktime(&tm), 250000000};
  const timespec times[2] = {when, when};
  ASSERT_EQ(::utimensat(AT_FDCWD, (dir_ + "/OLD.TXA").c_str(), times, 0), 0);
  ASSERT_EQ(::chmod((dir_ + "/OLD.TXA").c_str(), 0444), 0);

  const std::vector<FolderEntry> entries = list_folder(dir_ + "/old.txa");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "OLD.TXA");
  EXPECT_EQ(entries[0].date, standard_date({2024, 3, 1}));
  EXPECT_EQ(entries[0].time, standard_time({13, 45, 30, 25}));
  EXPECT_EQ(entries[0].size, 1234);
  EXPECT_EQ(entries[0].attributes, kReadOnly);

  const std::vector<FolderEntry> writable = list_folder(dir_ + "/MAIN.APP");
  ASSERT_EQ(writable.size(), 1u);
  EXPECT_EQ(writable[0].attributes, 0);
  EXPECT_EQ(writable[0].size, 4);
}

TEST_F(FilesTest, ANameWithoutAFolderIsInTheCurrentFolder) {
  std::vector<std::string> found;
  bool exists = false;
  {
    test_support::WorkingFolder here(dir_ + "/Sub2");
    found = names(list_folder("*.TXT"));
    exists = regular_file_exists("A.txt") == false && find_regular_file("A.TXT") == "a.txt";
  }
  EXPECT_EQ(found, (std::vector<std::string>{"a.txt"}));
  EXPECT_TRUE(exists);
}

TEST_F(FilesTest, ListingAndFileTestsLeaveTheLastErrorAlone) {
  set_error(err::AccessDenied, "kept");
  list_folder(dir_ + "/*.APP");
  list_folder(dir_ + "/nowhere/*.APP");
  file_exists(dir_ + "/nowhere");
  regular_file_exists(dir_ + "/SUB.APP");
  find_regular_file(dir_ + "/nowhere/x");
  file_stamp(dir_ + "/nowhere");
  EXPECT_EQ(error_code(), err::AccessDenied);
  EXPECT_EQ(error_text(), "kept");
  clear_error();
  list_folder(dir_ + "/nowhere/*.APP");
  find_regular_file(dir_ + "/nowhere/x");
  EXPECT_EQ(error_code(), err::NoError);
}

// The file tests: a file or a folder, a regular file, and a regular file
// found without regard to case, for names relative to the test folder.
struct FileCase {
  const char* label;
  std::string name;   // after the folder; "UPPER:" spells the folder in capitals
  bool exists;        // file_exists
  bool regular;       // regular_file_exists
  std::string found;  // find_regular_file, after the folder; "" nothing
};

void PrintTo(const FileCase& c, std::ostream* os) { *os << c.label; }

class FileTestsTest : public FilesTest, public ::testing::WithParamInterface<FileCase> {};

TEST_P(FileTestsTest, TellFilesFromFoldersAndFindOtherCases) {
  const FileCase& c = GetParam();
  std::string name = c.name;
  if (name.rfind("UPPER:", 0) == 0) {
    name = dir_upper() + "/" + name.substr(6);
  } else if (name.rfind("BACK:", 0) == 0) {
    name = backslashed(dir_ + "/" + name.substr(5));
  } else if (!name.empty()) {
    name = dir_ + "/" + name;
  }
  EXPECT_EQ(file_exists(name), c.exists) << name;
  EXPECT_EQ(regular_file_exists(name), c.regular) << name;
  const std::optional<std::string> found = find_regular_file(name);
  if (c.found.empty()) {
    EXPECT_EQ(found, std::nullopt) << name;
  } else {
    EXPECT_EQ(found, dir_ + "/" + c.found) << name;
  }
}

INSTANTIATE_TEST_SUITE_P(Names, FileTestsTest,
                         ::testing::Values(FileCase{"RegularFile", "MAIN.APP", true, true, "MAIN.APP"},
                                           FileCase{"TrailingBlanks", "MAIN.APP   ", true, true, "MAIN.APP"},
                                           FileCase{"Backslashes", "BACK:Sub2/a.txt", true, true, "Sub2/a.txt"},
                                           FileCase{"Folder", "SUB.APP", true, false, ""},
                                           FileCase{"FolderWithClosingSlash", "SUB.APP/", true, false, ""},
                                           FileCase{"Missing", "NOPE.APP", false, false, ""},
                                           FileCase{"FileNameInOtherCase", "main.app", false, false, "MAIN.APP"},
                                           FileCase{"EveryPartInOtherCase", "UPPER:SUB2/A.TXT", false, false,
                                                    "Sub2/a.txt"},
                                           FileCase{"FolderInOtherCaseIsNoFile", "sub.app", false, false, ""},
                                           FileCase{"FileWithClosingSlash", "MAIN.APP/", false, false, ""},
                                           FileCase{"LinkToAFile", "Link.APP", true, true, "Link.APP"},
                                           FileCase{"LinkToAFileInOtherCase", "link.app", false, false, "Link.APP"},
                                           FileCase{"LinkThatLeadsNowhere", "Dangling.APP", false, false, ""},
                                           FileCase{"EmptyName", "", false, false, ""}),
                         [](const ::testing::TestParamInfo<FileCase>& info) { return std::string(info.param.label); });

TEST_F(FilesTest, FindPrefersTheExactSpellingThenByteOrderAndTriesEveryFolderSpelling) {
  write("Case.txt", "1");
  write("CASE.TXT", "2");
  EXPECT_EQ(find_regular_file(dir_ + "/Case.txt"), dir_ + "/Case.txt");
  EXPECT_EQ(find_regular_file(dir_ + "/case.txt"), dir_ + "/CASE.TXT");
  // Two folders spelled alike; only the second in byte order holds the file.
  fs::create_directory(dir_ + "/TWIN");
  fs::create_directory(dir_ + "/Twin");
  write("Twin/x.dat", "x");
  EXPECT_EQ(find_regular_file(dir_ + "/twin/X.DAT"), dir_ + "/Twin/x.dat");
}

TEST_F(FilesTest, AStampChangesWithTheFileAndOnlyThen) {
  const std::string name = dir_ + "/OUT.TXA";
  EXPECT_EQ(file_stamp(name), std::nullopt);
  EXPECT_EQ(file_stamp(dir_ + "/SUB.APP"), std::nullopt);
  write("OUT.TXA", "first");
  const std::optional<FileStamp> first = file_stamp(backslashed(name) + "  ");
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first->size, 5);
  EXPECT_EQ(file_stamp(name), first);

  // Written again in place, longer: the size tells.
  std::ofstream(name, std::ios::app) << " and more";
  const std::optional<FileStamp> grown = file_stamp(name);
  ASSERT_TRUE(grown.has_value());
  EXPECT_EQ(grown->size, 14);
  EXPECT_NE(grown, first);

  // Replaced through a rename by a file of the same size and time: another
  // file all the same.
  write("OUT.TXA.tmp", "first and more");
  const timespec when{grown->modified_ns / 1000000000, grown->modified_ns % 1000000000};
  const timespec times[2] = {when, when};
  ASSERT_EQ(::utimensat(AT_FDCWD, (name + ".tmp").c_str(), times, 0), 0);
  ASSERT_EQ(::rename((name + ".tmp").c_str(), name.c_str()), 0);
  const std::optional<FileStamp> replaced = file_stamp(name);
  ASSERT_TRUE(replaced.has_value());
  EXPECT_EQ(replaced->size, grown->size);
  EXPECT_EQ(replaced->modified_ns, grown->modified_ns);
  EXPECT_NE(replaced, grown);
}

}  // namespace
}  // namespace qvn::files
