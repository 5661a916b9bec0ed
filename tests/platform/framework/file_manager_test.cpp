#include "platform/framework/file_manager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "framework_fixture.h"
#include "other_program.h"

using namespace qvn;
using namespace qvn::framework;
using namespace qvn::framework::testing;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

std::string slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

using FileManagerTest = ManagerTest;

TEST_F(FileManagerTest, OpenOnlyCountsAndTheFirstReadOpensTheFile) {
  EXPECT_EQ(parents_fm.Open(), 0);
  EXPECT_EQ(parents_fm.OPENED, 1);
  EXPECT_FALSE(parent_file.is_open());
  EXPECT_FALSE(std::filesystem::exists(dir / "PARENTS.TPS"));

  parent_file.set_order(parent_def_.keys[1]);
  EXPECT_EQ(parents_fm.Next(), level::Notify);  // the new file is empty
  EXPECT_TRUE(parent_file.is_open());
  EXPECT_EQ(parents_fm.USED, 1);
  EXPECT_EQ(parents_fm.OPENED, 1);
  EXPECT_TRUE(std::filesystem::exists(dir / "PARENTS.TPS"));

  EXPECT_EQ(parents_fm.Close(), 0);
  EXPECT_FALSE(parent_file.is_open());
  EXPECT_THAT(presenter.shown, IsEmpty());
}

TEST_F(FileManagerTest, AUseWithNothingOpenedOpensAndCountsOne) {
  parent.NAME = "kept";
  EXPECT_EQ(parents_fm.UseFile(use::Initialize), 0);
  EXPECT_EQ(parents_fm.OPENED, 1);
  EXPECT_TRUE(parent_file.is_open());
  EXPECT_EQ(parent.NAME, "kept") << "the open must not disturb the buffer";

  EXPECT_EQ(parents_fm.Open(), 0);
  EXPECT_EQ(parents_fm.Close(), 0);
  EXPECT_TRUE(parent_file.is_open());
  EXPECT_EQ(parents_fm.Close(), 0);
  EXPECT_FALSE(parent_file.is_open());
  EXPECT_EQ(parents_fm.Close(), 0);  // one close too many changes nothing
  EXPECT_EQ(parents_fm.OPENED, 0);
}

TEST_F(FileManagerTest, MissingFolderEndsTheProgramWithFileAccessError) {
  parent_name = (dir / "no-such-folder" / "PARENTS.TPS").string();
  EXPECT_EQ(parents_fm.UseFile(use::Benign), level::Fatal);
  EXPECT_FALSE(parent_file.is_open());
  EXPECT_EQ(parents_fm.OPENED, 0);
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(presenter.shown[0].title, "File Access Error");
  EXPECT_EQ(presenter.shown[0].text, "File " + parent_name.str() +
                                         " could not be opened.  Error: Path Not Found (3).  Press OK to end this "
                                         "application");
  EXPECT_EQ(halts, std::vector<int>{kFatalExitCode});
}

TEST_F(FileManagerTest, AFileThatIsNotOursIsReportedAndLeftAlone) {
  const std::string text = "notes that happen to carry the data file's name\n";
  std::ofstream(dir / "PARENTS.TPS") << text;
  EXPECT_EQ(parents_fm.UseFile(use::Benign), level::Fatal);
  EXPECT_THAT(presenter.titles(), ElementsAre("File Access Error"));
  EXPECT_EQ(slurp(dir / "PARENTS.TPS"), text);
}

TEST_F(FileManagerTest, AFileOfAnotherLayoutIsReportedAndKeepsItsRecords) {
  add_child("only", 1);
  children_fm.Kill();
  parent_name = child_name.str();
  EXPECT_EQ(parents_fm.UseFile(use::Benign), level::Fatal);
  EXPECT_THAT(presenter.titles(), ElementsAre("File Access Error"));
  EXPECT_THAT(children_on_file(), ElementsAre("only:1"));
}

TEST_F(FileManagerTest, DamagedKeysAreRebuiltAfterANotice) {
  // An older file of the same records that lacks the name key.
  storage::FileDef old_def = parent_def_;
  old_def.keys.erase(old_def.keys.begin());
  {
    ParentRec rec;
    storage::RecordFile old_file(old_def, &rec);
    ASSERT_EQ(old_file.create(), 0);
    ASSERT_EQ(old_file.open(), 0);
    rec.NAME = "first";
    rec.ID = 1;
    ASSERT_EQ(old_file.add(), 0);
  }
  EXPECT_EQ(parents_fm.UseFile(use::Benign), 0);
  EXPECT_THAT(presenter.titles(), ElementsAre("Invalid Key"));
  EXPECT_EQ(presenter.shown[0].text, parent_name.str() + " key file is invalid. Key must be rebuilt.");
  parent.NAME = "FIRST";
  EXPECT_EQ(parents_fm.Fetch(parent_def_.keys[0]), 0);
  EXPECT_EQ(parent.ID, 1);
}

TEST_F(FileManagerTest, KeysThatCannotBeRebuiltEndTheProgram) {
  storage::FileDef old_def = parent_def_;
  old_def.keys.erase(old_def.keys.begin());
  {
    ParentRec rec;
    storage::RecordFile old_file(old_def, &rec);
    ASSERT_EQ(old_file.create(), 0);
    ASSERT_EQ(old_file.open(), 0);
    for (int32_t id : {1, 2}) {
      rec.NAME = "twice";  // the unique name key cannot take both
      rec.ID = id;
      ASSERT_EQ(old_file.add(), 0);
    }
  }
  EXPECT_EQ(parents_fm.UseFile(use::Benign), level::Fatal);
  EXPECT_THAT(presenter.titles(), ElementsAre("Invalid Key", "Key was not built"));
  EXPECT_THAT(presenter.shown[1].text, HasSubstr("Error: (Creates Duplicate Key (40)) repairing key for "));
  EXPECT_EQ(halts.size(), 1u);
}

TEST_F(FileManagerTest, ProjectsAreNumberedFromTheHighestOnFile) {
  ASSERT_EQ(parents_fm.PrimeRecord(), 0);
  EXPECT_EQ(parent.ID, 1) << "an empty file starts at 1";
  EXPECT_EQ(parent_ids_on_file(), std::vector<int32_t>{1}) << "the number is held on file at once";

  parents_fm.Kill();
  std::filesystem::remove(dir / "PARENTS.TPS");
  parents_fm.Init();
  add_parent("one", 1);
  add_parent("two", 2);
  add_parent("five", 5);
  ASSERT_EQ(parents_fm.PrimeRecord(), 0);
  EXPECT_EQ(parent.ID, 6);
  EXPECT_TRUE(parent.NAME.blank());

  parent.NAME = "six";
  ASSERT_EQ(parents_fm.Insert(), 0);
  EXPECT_EQ(parent_ids_on_file(), (std::vector<int32_t>{1, 2, 5, 6})) << "Insert completes the reserved record";
  ASSERT_TRUE(read_parent(6));
  EXPECT_EQ(parent.NAME, "six");
  EXPECT_THAT(presenter.shown, IsEmpty());
}

TEST_F(FileManagerTest, AReservedRecordWithATakenNameCanBeCorrected) {
  add_parent("alpha", 1);
  ASSERT_EQ(parents_fm.PrimeRecord(), 0);
  parent.NAME = "ALPHA";
  EXPECT_EQ(parents_fm.Insert(), level::Notify);
  ASSERT_THAT(presenter.titles(), ElementsAre("Duplicate Key Error"));
  EXPECT_EQ(presenter.shown[0].text, "Adding this record creates a duplicate entry for the key: PAR:NameKey");
  EXPECT_EQ(parent.NAME, "ALPHA") << "the buffer keeps what the caller put in it";

  parent.NAME = "beta";
  EXPECT_EQ(parents_fm.Insert(), 0);
  EXPECT_EQ(parent_ids_on_file(), (std::vector<int32_t>{1, 2}));
}

TEST_F(FileManagerTest, NumberingThatKeepsFailingAsksWhetherToTryAgain) {
  add_parent("taken", 1);
  // Every add of this primed record fails on the name key.
  presenter.answers = {ui::button::Yes, ui::button::No};
  parent.NAME = "taken";
  EXPECT_EQ(parents_fm.PrimeRecord(true), level::Cancel);
  ASSERT_THAT(presenter.titles(), ElementsAre("Auto Increment Error", "Auto Increment Error"));
  EXPECT_EQ(presenter.shown[0].text,
            "Attempts to automatically number this record have failed.|File: " + parent_name.str() +
                "|Key: PAR:IdKey|Error: Creates Duplicate Key (40).|Try Again?");
  EXPECT_EQ(parent_ids_on_file(), std::vector<int32_t>{1});
}

TEST_F(FileManagerTest, NumberingThatFailsForAnotherReasonIsReportedAtOnce) {
  add_parent("one", 1);
  // Opened for reading only, so every add fails, and not on a key.
  ASSERT_EQ(parents_fm.Close(), 0);
  parents_fm.OPENMODE = storage::kReadOnly | storage::kDenyNone;
  presenter.answers = {ui::button::Yes, ui::button::Yes};
  EXPECT_EQ(parents_fm.PrimeRecord(), level::Notify);
  ASSERT_THAT(presenter.titles(), ElementsAre("Record Insert Error")) << "no question about numbering";
  EXPECT_EQ(presenter.shown[0].text, "An error was experienced during the creation of a record.|File: " +
                                         parent_name.str() + "|Error: Access Denied (5).");
  EXPECT_EQ(presenter.answers.size(), 2u);
  EXPECT_EQ(parent_ids_on_file(), std::vector<int32_t>{1});
}

// Another program changes the record after it was read, so the delete is
// refused; the caller's buffer stays as it was and the record stays on file.
TEST_F(FileManagerTest, ADeleteRefusedAsChangedElsewhereKeepsTheCallersBuffer) {
  struct Case {
    const char* name;
    std::function<int()> remove;
    std::vector<std::string> titles;
  };
  const std::vector<Case> cases = {
      {"file manager", [&] { return parents_fm.Delete(false); }, {"Record was not deleted"}},
      {"relation manager", [&] { return parents_rm.Delete(false); }, {"Record was not deleted", "Record Delete Error"}},
  };
  int32_t id = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    presenter.shown.clear();
    presenter.answers = {ui::button::No};
    ++id;
    add_parent(("mine" + std::to_string(id)).c_str(), id);
    ASSERT_TRUE(read_parent(id));

    ParentRec theirs;
    storage::RecordFile other(parent_def_, &theirs);
    ASSERT_EQ(other.open(), 0);
    theirs.ID = id;
    ASSERT_EQ(other.get(parent_def_.keys[1]), 0);
    theirs.NAME = "theirs" + std::to_string(id);
    ASSERT_EQ(other.put(), 0);

    EXPECT_EQ(c.remove(), level::Notify);
    EXPECT_EQ(presenter.titles(), c.titles);
    EXPECT_THAT(presenter.shown[0].text, HasSubstr("Record Changed By Another Station (89)"));
    EXPECT_EQ(parent.NAME, "mine" + std::to_string(id));
    EXPECT_EQ(parent.ID, id);
    ASSERT_TRUE(read_parent(id)) << "not deleted";
    EXPECT_EQ(parent.NAME, "theirs" + std::to_string(id));
  }
}

TEST_F(FileManagerTest, FailedWritesAreReportedAndStoreNothing) {
  add_parent("alpha", 1);
  add_parent("beta", 2);

  parent.NAME = "Beta";
  parent.ID = 3;
  EXPECT_EQ(parents_fm.Insert(), level::Notify);
  ASSERT_TRUE(read_parent(2));
  parent.NAME = "ALPHA";
  EXPECT_EQ(parents_fm.Update(), level::Notify);
  ASSERT_THAT(presenter.titles(), ElementsAre("Duplicate Key Error", "Record was not updated"));
  EXPECT_EQ(presenter.shown[0].text, "Adding this record creates a duplicate entry for the key: PAR:NameKey");
  EXPECT_EQ(presenter.shown[1].text,
            "An error (Creates Duplicate Key (40)) was experienced when making changes to the " + parent_name.str() +
                " file.");
  EXPECT_EQ(parent_ids_on_file(), (std::vector<int32_t>{1, 2}));
  ASSERT_TRUE(read_parent(2));
  EXPECT_EQ(parent.NAME, "beta");
}

TEST_F(FileManagerTest, ARecordChangedByAnotherStationIsNotOverwritten) {
  add_parent("alpha", 1);
  ASSERT_TRUE(read_parent(1));
  ASSERT_NO_FATAL_FAILURE(rename_parent_elsewhere(1, "theirs"));

  parent.NAME = "mine";
  EXPECT_EQ(parents_fm.Update(), level::Notify);
  EXPECT_THAT(presenter.titles(), ElementsAre("Record Was Not Updated"));
  EXPECT_EQ(parent.NAME, "theirs") << "the stored version is read back";
  ASSERT_TRUE(read_parent(1));
  EXPECT_EQ(parent.NAME, "theirs");
}

TEST_F(FileManagerTest, DeleteAsksFirstWhenToldTo) {
  add_parent("alpha", 1);
  ASSERT_TRUE(read_parent(1));
  presenter.answers = {ui::button::No, ui::button::Yes};
  EXPECT_EQ(parents_fm.Delete(true), level::Cancel);
  EXPECT_EQ(parent_ids_on_file(), std::vector<int32_t>{1});

  ASSERT_TRUE(read_parent(1));
  EXPECT_EQ(parents_fm.Delete(true), 0);
  EXPECT_THAT(parent_ids_on_file(), IsEmpty());
  EXPECT_THAT(presenter.titles(), ElementsAre("Confirm Delete", "Confirm Delete"));
  EXPECT_EQ(presenter.shown[0].text, "Are you sure you want to delete the highlighted record?");
}

TEST_F(FileManagerTest, DeletingARecordThatIsGoneIsReported) {
  add_parent("alpha", 1);
  ASSERT_TRUE(read_parent(1));
  {
    ParentRec theirs;
    storage::RecordFile other(parent_def_, &theirs);
    ASSERT_EQ(other.open(), 0);
    theirs.ID = 1;
    ASSERT_EQ(other.get(parent_def_.keys[1]), 0);
    ASSERT_EQ(other.erase(), 0);
  }
  EXPECT_EQ(parents_fm.Delete(false), level::Notify);
  ASSERT_THAT(presenter.titles(), ElementsAre("Record was not deleted"));
  EXPECT_THAT(presenter.shown[0].text,
              HasSubstr(" was experienced when deleting a record from the " + parent_name.str() + " file."));
}

TEST_F(FileManagerTest, FetchClearsTheBufferWhenNothingMatches) {
  add_parent("alpha", 1);
  parent.NAME = "gamma";
  parent.ID = 9;
  EXPECT_NE(parents_fm.Fetch(parent_def_.keys[0]), 0);
  EXPECT_TRUE(parent.NAME.blank());
  EXPECT_EQ(parent.ID, 0);
  EXPECT_THAT(presenter.shown, IsEmpty());
}

TEST_F(FileManagerTest, LockRecoveryWaitsForAnotherProgramToLetGo) {
  ASSERT_EQ(parent_file.create(), 0);
  OtherProgram other(parent_def_, 30);
  ASSERT_TRUE(other.holds());
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(parents_fm.UseFile(use::Benign), 0);
  auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_TRUE(parent_file.is_open());
  EXPECT_FALSE(parent_file.read_only());
  EXPECT_THAT(presenter.shown, IsEmpty());
  EXPECT_LT(waited, std::chrono::seconds(10));
}

TEST_F(FileManagerTest, AFileHeldThroughoutFallsBackToReadOnlyThenFails) {
  ASSERT_EQ(parent_file.create(), 0);
  parents_fm.lock_recover = 0;
  OtherProgram other(parent_def_, -1);
  ASSERT_TRUE(other.holds());
  EXPECT_EQ(parents_fm.UseFile(use::Benign), level::Fatal);
  other.release();
  ASSERT_THAT(presenter.titles(), ElementsAre("Access Denied", "File Access Error"));
  EXPECT_EQ(presenter.shown[0].text, "Could not get write access to " + parent_name.str() + " so trying read-only.");
  EXPECT_THAT(presenter.shown[1].text, HasSubstr("Error: Access Denied (5)."));
}

}  // namespace
