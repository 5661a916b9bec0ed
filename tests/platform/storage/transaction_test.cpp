// Transactions over several files: all of them commit or roll back
// together, also when the program dies before committing.

#include <gtest/gtest.h>
#include <thread>

#include "storage_test_support.h"

namespace qvn::storage::testing {
namespace {

class TransactionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    apps_name = dir.file("APPS.TPS");
    projects_name = dir.file("PROJECTS.TPS");
    ASSERT_EQ(apps.create(), 0);
    ASSERT_EQ(projects.create(), 0);
    ASSERT_EQ(apps.open(), 0);
    ASSERT_EQ(projects.open(), 0);
  }
  int add_project(const std::string& name, int32_t number) {
    prec.projectname = name;
    prec.p_ref = number;
    return projects.add();
  }
  // Counts as another thread sees them: committed records only.
  std::pair<int64_t, int64_t> committed_counts() {
    std::pair<int64_t, int64_t> counts{-1, -1};
    std::thread([&] {
      AppRecord a{};
      ProjectRecord p{};
      RecordFile tapps(apps_def_, &a), tprojects(projects_def_, &p);
      if (tapps.open() == 0) counts.first = tapps.records();
      if (tprojects.open() == 0) counts.second = tprojects.records();
    }).join();
    return counts;
  }
  TempDir dir;
  FixedString<64> apps_name, projects_name;
  FileDef apps_def_ = apps_def(apps_name);
  FileDef projects_def_ = projects_def(projects_name);
  AppRecord rec{};
  ProjectRecord prec{};
  RecordFile apps{apps_def_, &rec};
  RecordFile projects{projects_def_, &prec};
};

TEST_F(TransactionTest, CommitStoresTheWritesOfEveryFile) {
  Transaction t;
  ASSERT_EQ(t.start(2, {&projects, &apps}), 0);
  EXPECT_TRUE(t.active());
  ASSERT_EQ(add_project("ONE", 1), 0);
  ASSERT_EQ(add_app(apps, rec, "A.APP", "C:\\", 1, 1), 0);
  ASSERT_EQ(add_app(apps, rec, "B.APP", "C:\\", 1, 1), 0);
  EXPECT_EQ(committed_counts(), std::make_pair(int64_t{0}, int64_t{0}));
  ASSERT_EQ(t.commit(), 0);
  EXPECT_FALSE(t.active());
  EXPECT_EQ(committed_counts(), std::make_pair(int64_t{2}, int64_t{1}));
}

TEST_F(TransactionTest, FilesClosedWhileItRunsStillCommitWithIt) {
  for (bool commit : {true, false}) {
    SCOPED_TRACE(commit ? "commit" : "rollback");
    // Empty files, open.
    ASSERT_EQ(apps.create(), 0);
    ASSERT_EQ(projects.create(), 0);
    for (RecordFile* f : {&apps, &projects}) {
      if (!f->is_open()) {
        ASSERT_EQ(f->open(), 0);
      }
    }
    Transaction t;
    ASSERT_EQ(t.start(2, {&projects, &apps}), 0);
    ASSERT_EQ(add_project("ONE", 1), 0);
    ASSERT_EQ(add_app(apps, rec, "A.APP", "C:\\", 1, 1), 0);
    // The thread has no file open now; the transaction keeps its connection.
    ASSERT_EQ(apps.close(), 0);
    ASSERT_EQ(projects.close(), 0);
    EXPECT_EQ(committed_counts(), std::make_pair(int64_t{0}, int64_t{0}));
    ASSERT_EQ(commit ? t.commit() : t.rollback(), 0);
    int64_t stored = commit ? 1 : 0;
    EXPECT_EQ(committed_counts(), std::make_pair(stored, stored));
  }
}

TEST_F(TransactionTest, RollbackUndoesEveryFileAlsoWhenItEndsUncommitted) {
  ASSERT_EQ(add_project("KEEP", 1), 0);
  ASSERT_EQ(add_app(apps, rec, "KEEP.APP", "C:\\", 1, 1), 0);
  {
    Transaction t;
    ASSERT_EQ(t.start(2, {&projects, &apps}), 0);
    // A cascade: the project and its applications go.
    apps.set_order(*apps_def_.key("APP:P_RefKey"));
    ASSERT_EQ(apps.next(), 0);
    ASSERT_EQ(apps.erase(), 0);
    ASSERT_EQ(projects.set_order_file(), 0);
    ASSERT_EQ(projects.next(), 0);
    ASSERT_EQ(projects.erase(), 0);
    ASSERT_EQ(add_project("NEW", 2), 0);
    EXPECT_EQ(apps.records(), 0);
    ASSERT_EQ(t.rollback(), 0);
    EXPECT_EQ(apps.records(), 1);
    EXPECT_EQ(projects.records(), 1);
    ASSERT_EQ(t.start(2, {&projects, &apps}), 0);
    ASSERT_EQ(add_project("LOST", 3), 0);
    ASSERT_EQ(add_app(apps, rec, "LOST.APP", "C:\\", 1, 3), 0);
  }
  EXPECT_EQ(apps.records(), 1);
  EXPECT_EQ(projects.records(), 1);
  prec.p_ref = 1;
  EXPECT_EQ(projects.get(*projects_def_.key("PRO:ProjectIDKey")), 0);
  EXPECT_EQ(prec.projectname, "KEEP");
}

TEST_F(TransactionTest, OneTransactionAtATimeAndOnlyOverOpenFiles) {
  Transaction first, second;
  ASSERT_EQ(first.start(2, {&projects, &apps}), 0);
  EXPECT_EQ(second.start(2, {&apps}), err::TransactionActive);
  EXPECT_EQ(first.start(2, {&apps}), err::TransactionActive);
  ASSERT_EQ(first.commit(), 0);
  apps.close();
  EXPECT_EQ(second.start(2, {&projects, &apps}), err::FileNotOpen);
  EXPECT_FALSE(second.active());
}

TEST_F(TransactionTest, StartWaitsForAnotherProgramOnlyAsLongAsAllowed) {
  Child holder(dir.path(), [&](Child& me) {
    // Holds the file for writing until told to let go.
    AppRecord crec{};
    RecordFile capps(apps_def_, &crec);
    int32_t order;
    me.send(capps.open() || capps.stream() || add_app(capps, crec, "CHILD.APP", "C:\\"));
    me.receive(&order);
    me.send(capps.flush());
    me.receive(&order);
  });
  ASSERT_TRUE(holder.started());
  int32_t v = -1;
  ASSERT_TRUE(holder.receive(&v));
  ASSERT_EQ(v, 0);
  Transaction t;
  EXPECT_EQ(t.start(0, {&apps, &projects}), err::FileSystemError);
  EXPECT_EQ(error_text(), "File System Error");
  EXPECT_NE(driver_error_text().find("locked"), std::string::npos) << driver_error_text();
  EXPECT_FALSE(t.active());
  holder.send(1);
  ASSERT_TRUE(holder.receive(&v));
  ASSERT_EQ(v, 0);
  EXPECT_EQ(t.start(2, {&apps, &projects}), 0);
  EXPECT_EQ(apps.records(), 1);
  EXPECT_EQ(t.commit(), 0);
}

TEST_F(TransactionTest, AProgramKilledBeforeCommitLeavesEveryFileAsItWas) {
  ASSERT_EQ(add_project("KEEP", 1), 0);
  Child writer(dir.path(), [&](Child& me) {
    AppRecord crec{};
    ProjectRecord cprec{};
    RecordFile capps(apps_def_, &crec), cprojects(projects_def_, &cprec);
    Transaction t;
    int32_t rc = capps.open() || cprojects.open() || t.start(2, {&capps, &cprojects});
    for (int i = 0; rc == 0 && i < 200; ++i) rc = add_app(capps, crec, "A" + std::to_string(i) + ".APP", "C:\\", 1, 2);
    if (rc == 0) rc = cprojects.set_order_file() || cprojects.next() || cprojects.erase();
    me.send(rc);
    me.receive(&rc);
  });
  ASSERT_TRUE(writer.started());
  int32_t v = -1;
  ASSERT_TRUE(writer.receive(&v));
  ASSERT_EQ(v, 0);
  writer.kill_now();
  EXPECT_EQ(apps.records(), 0);
  EXPECT_EQ(projects.records(), 1);
  EXPECT_EQ(add_app(apps, rec, "AFTER.APP", "C:\\"), 0);
}

}  // namespace
}  // namespace qvn::storage::testing
