#include "platform/framework/relation_manager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework_fixture.h"

using namespace qvn;
using namespace qvn::framework;
using namespace qvn::framework::testing;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

class RelationManagerTest : public ManagerTest {
 protected:
  // Parents 1 and 2; a and b belong to 1, c to 2, d to none.
  void add_family() {
    add_parent("one", 1);
    add_parent("two", 2);
    add_child("a", 1);
    add_child("b", 1);
    add_child("c", 2);
    add_child("d", 0);
  }
};

TEST_F(RelationManagerTest, OpenOpensItsOwnFileAndOnlyCountsTheRelatedOnes) {
  EXPECT_EQ(parents_rm.Open(), 0);
  EXPECT_TRUE(parent_file.is_open());
  EXPECT_EQ(children_fm.OPENED, 1);
  EXPECT_FALSE(child_file.is_open());
  EXPECT_EQ(parents_rm.Close(), 0);
  EXPECT_EQ(parents_fm.OPENED, 0);
  EXPECT_EQ(children_fm.OPENED, 0);
  EXPECT_FALSE(parent_file.is_open());
}

TEST_F(RelationManagerTest, AForcedOpenVisitsEveryFileOnce) {
  // Children -> parents -> (forced) the parents' own relations, which lead
  // back to the children, who were already visited.
  EXPECT_EQ(children_rm.Open(true), 0);
  EXPECT_EQ(children_fm.OPENED, 1);
  EXPECT_EQ(parents_fm.OPENED, 1);
  EXPECT_EQ(parents_rm.DEFEREDRELATIONSDONE, 1);
  EXPECT_EQ(children_rm.Open(), 0);
  EXPECT_EQ(children_fm.OPENED, 2);
  EXPECT_EQ(parents_fm.OPENED, 2);
  EXPECT_EQ(children_rm.Close(), 0);
  EXPECT_EQ(children_rm.Close(), 0);
  EXPECT_EQ(children_fm.OPENED, 0);
  EXPECT_EQ(parents_fm.OPENED, 0);
}

TEST_F(RelationManagerTest, CascadeDeletesExactlyTheParentsChildren) {
  add_family();
  ASSERT_TRUE(read_parent(1));
  EXPECT_EQ(parents_rm.Delete(false), 0);
  EXPECT_EQ(parent_ids_on_file(), std::vector<int32_t>{2});
  EXPECT_THAT(children_on_file(), ElementsAre("c:2", "d:0"));
  EXPECT_THAT(presenter.shown, IsEmpty());
}

TEST_F(RelationManagerTest, DeclinedDeleteChangesNothing) {
  add_family();
  ASSERT_TRUE(read_parent(1));
  presenter.answers = {ui::button::No};
  EXPECT_EQ(parents_rm.Delete(true), level::Cancel);
  EXPECT_THAT(presenter.titles(), ElementsAre("Confirm Delete"));
  EXPECT_EQ(parent_ids_on_file(), (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(children_on_file().size(), 4u);
}

TEST_F(RelationManagerTest, DeletingThroughTheFileManagerLeavesTheChildren) {
  add_family();
  ASSERT_TRUE(read_parent(1));
  EXPECT_EQ(parents_fm.Delete(false), 0);
  EXPECT_THAT(children_on_file(), ElementsAre("a:1", "b:1", "c:2", "d:0"));
}

TEST_F(RelationManagerTest, ANewNumberClearsTheChildrensLink) {
  add_family();
  ASSERT_TRUE(read_parent(1));
  parent.ID = 7;
  EXPECT_EQ(parents_rm.Update(), 0);
  EXPECT_EQ(parent_ids_on_file(), (std::vector<int32_t>{2, 7}));
  EXPECT_THAT(children_on_file(), ElementsAre("a:0", "b:0", "c:2", "d:0"));

  ASSERT_TRUE(read_parent(2));
  parent.NAME = "renamed";
  EXPECT_EQ(parents_rm.Update(), 0);
  EXPECT_THAT(children_on_file(), ElementsAre("a:0", "b:0", "c:2", "d:0")) << "the number did not change";
  EXPECT_THAT(presenter.shown, IsEmpty());
}

TEST_F(RelationManagerTest, CascadedChangeGivesTheChildrenTheNewNumber) {
  parents_rm.update_mode = rule::Cascade;
  add_family();
  ASSERT_TRUE(read_parent(2));
  parent.ID = 9;
  EXPECT_EQ(parents_rm.Update(), 0);
  EXPECT_THAT(children_on_file(), ElementsAre("a:1", "b:1", "c:9", "d:0"));
}

TEST_F(RelationManagerTest, TheRulesStillFindTheStoredRecordAfterTheWorkingFolderMoved) {
  ASSERT_TRUE(std::filesystem::create_directory(dir / "elsewhere"));
  test_support::WorkingFolder here(dir);
  parent_name = "PARENTS.TPS";
  child_name = "CHILDREN.TPS";
  add_family();
  ASSERT_TRUE(read_parent(1));
  // A file dialog moves the working folder while the record is on screen.
  here.move(dir / "elsewhere");
  parent.ID = 7;
  EXPECT_EQ(parents_rm.Update(), 0);
  EXPECT_EQ(parent_ids_on_file(), (std::vector<int32_t>{2, 7}));
  EXPECT_THAT(children_on_file(), ElementsAre("a:0", "b:0", "c:2", "d:0"));
  EXPECT_THAT(presenter.shown, IsEmpty());
  EXPECT_TRUE(std::filesystem::is_empty(dir / "elsewhere"));
}

TEST_F(RelationManagerTest, RestrictRefusesWhileChildrenExist) {
  parents_rm.delete_mode = rule::Restrict;
  add_family();
  add_parent("lonely", 3);
  ASSERT_TRUE(read_parent(1));
  EXPECT_EQ(parents_rm.Delete(false), level::Notify);
  EXPECT_THAT(presenter.titles(), ElementsAre("Record was not deleted", "Record Delete Error"));
  ASSERT_TRUE(read_parent(3));
  EXPECT_EQ(parents_rm.Delete(false), 0);
  EXPECT_EQ(parent_ids_on_file(), (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(children_on_file().size(), 4u);
}

TEST_F(RelationManagerTest, ADeleteThatFailsMidwayIsRolledBackWhole) {
  add_family();
  children_fm.fail_delete_at = 2;  // a is deleted, then b fails
  ASSERT_TRUE(read_parent(1));
  presenter.answers = {ui::button::No};
  EXPECT_EQ(parents_rm.Delete(false), level::Notify);
  EXPECT_EQ(parent_ids_on_file(), (std::vector<int32_t>{1, 2}));
  EXPECT_THAT(children_on_file(), ElementsAre("a:1", "b:1", "c:2", "d:0"));
  ASSERT_THAT(presenter.titles(), ElementsAre("Record was not deleted", "Record Delete Error"));
  EXPECT_EQ(presenter.shown[0].text, "An error (Access Denied (5)) was experienced when deleting a record from the " +
                                         child_name.str() + " file.");
  EXPECT_EQ(presenter.shown[1].text,
            "An error was experienced deleting this record. Do you want to try to delete it again?");
}

TEST_F(RelationManagerTest, TryingTheDeleteAgainDoesNotAskForConfirmationAgain) {
  add_family();
  children_fm.fail_delete_at = 2;
  ASSERT_TRUE(read_parent(1));
  presenter.answers = {ui::button::Yes, ui::button::Yes};
  EXPECT_EQ(parents_rm.Delete(true), 0);
  EXPECT_THAT(presenter.titles(), ElementsAre("Confirm Delete", "Record was not deleted", "Record Delete Error"));
  EXPECT_EQ(parent_ids_on_file(), std::vector<int32_t>{2});
  EXPECT_THAT(children_on_file(), ElementsAre("c:2", "d:0"));
}

TEST_F(RelationManagerTest, AChangeThatFailsMidwayIsRolledBackWhole) {
  add_family();
  children_fm.fail_update_at = 2;  // a is cleared, then b fails
  ASSERT_TRUE(read_parent(1));
  parent.ID = 7;
  EXPECT_EQ(parents_rm.Update(), level::Notify);
  EXPECT_EQ(parent_ids_on_file(), (std::vector<int32_t>{1, 2}));
  EXPECT_THAT(children_on_file(), ElementsAre("a:1", "b:1", "c:2", "d:0"));
  ASSERT_THAT(presenter.titles(), ElementsAre("Record was not updated"));
  EXPECT_EQ(presenter.shown[0].text,
            "An error (Access Denied (5)) was experienced when making changes to the " + child_name.str() + " file.");
}

TEST_F(RelationManagerTest, AChangeByAnotherStationIsStillDetectedThroughTheRules) {
  add_family();
  ASSERT_TRUE(read_parent(1));
  ASSERT_NO_FATAL_FAILURE(rename_parent_elsewhere(1, "theirs"));
  parent.ID = 7;
  EXPECT_EQ(parents_rm.Update(), level::Notify);
  EXPECT_THAT(presenter.titles(), ElementsAre("Record Was Not Updated"));
  EXPECT_EQ(parent.NAME, "theirs");
  EXPECT_EQ(parent_ids_on_file(), (std::vector<int32_t>{1, 2}));
  EXPECT_THAT(children_on_file(), ElementsAre("a:1", "b:1", "c:2", "d:0"));
}

// After a read of record 0 no record is current: every way of writing the
// record back or deleting it fails with its message and touches nothing,
// although the buffer still holds the parent read before.
TEST_F(RelationManagerTest, NoRecordCurrentAfterAReadOfRecordZeroMeansNothingIsWritten) {
  struct Case {
    const char* what;
    std::function<int()> write;
    std::vector<std::string> titles;
  };
  const Case cases[] = {
      {"the file manager's change", [this] { return parents_fm.Update(); }, {"Record was not updated"}},
      {"the file manager's delete", [this] { return parents_fm.Delete(false); }, {"Record was not deleted"}},
      {"the relation manager's change", [this] { return parents_rm.Update(); }, {"Record was not updated"}},
      {"the relation manager's delete",
       [this] { return parents_rm.Delete(false); },
       {"Record was not deleted", "Record Delete Error"}},
  };
  add_family();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    presenter.shown.clear();
    ASSERT_TRUE(read_parent(1));
    EXPECT_EQ(parent_file.get_pointer(0), err::RecordNotFound);
    parent.NAME = "changed";
    parent.ID = 7;
    EXPECT_EQ(c.write(), level::Notify);
    EXPECT_EQ(presenter.titles(), c.titles);
    ASSERT_FALSE(presenter.shown.empty());
    EXPECT_THAT(presenter.shown[0].text, HasSubstr("Record Not Available (33)"));
    EXPECT_EQ(parent_ids_on_file(), (std::vector<int32_t>{1, 2}));
    EXPECT_THAT(children_on_file(), ElementsAre("a:1", "b:1", "c:2", "d:0"));
    ASSERT_TRUE(read_parent(1));
    EXPECT_EQ(parent.NAME, "one");
  }
}

TEST_F(RelationManagerTest, ATransactionThatCannotStartIsReported) {
  add_family();
  ASSERT_TRUE(read_parent(1));
  storage::Transaction outer;
  ASSERT_EQ(outer.start(2, {&parent_file}), 0);
  EXPECT_EQ(parents_rm.Delete(false), level::Notify);
  ASSERT_THAT(presenter.titles(), ElementsAre("Transaction cancelled"));
  EXPECT_EQ(presenter.shown[0].text,
            "Error: (LOGOUT Already Active (56)) attempting to frame the transaction on " + parent_name.str() + ".");
  outer.rollback();
  EXPECT_EQ(parent_ids_on_file(), (std::vector<int32_t>{1, 2}));
}

}  // namespace
