#include "platform/ui/queue.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/core/error_state.h"
#include "platform/core/fixed_string.h"

using namespace qvn;
using namespace qvn::ui;

namespace {

// Laid out like the main window's build queues.
struct BuildEntry {
  FixedString<50> appname;
  FixedString<80> drivepath;
  uint8_t priority = 0;
  FixedString<250> target;
};

// Laid out like the project tree's loaded-lines list.
struct LoadedLine {
  int32_t level = 0;
  FixedString<1024> position;
};

class QueueTest : public ::testing::Test {
 protected:
  void SetUp() override { clear_error(); }

  void add(const char* name, uint8_t priority, const char* path = "C:\\WORK\\") {
    q_->appname = name;
    q_->drivepath = path;
    q_->priority = priority;
    q_->target = std::string(name) + ".EXE";
    q_.add();
  }
  void add_by_priority(const char* name, uint8_t priority) {
    q_->appname = name;
    q_->priority = priority;
    q_.add_in_order(&BuildEntry::priority);
  }
  // The entries as "NAME:priority", in queue order.
  std::vector<std::string> order() const {
    std::vector<std::string> out;
    for (const auto& e : q_) out.push_back(e.appname.str() + ":" + std::to_string(e.priority));
    return out;
  }

  Queue<BuildEntry> q_;
};

using Order = std::vector<std::string>;

}  // namespace

TEST_F(QueueTest, AddAppendsAndGetReadsAnEntryByItsPosition) {
  add("A.APP", 5);
  EXPECT_EQ(q_.pointer(), 1u);
  add("B.APP", 1);
  add("C.APP", 3);
  EXPECT_EQ(q_.records(), 3u);
  EXPECT_EQ(q_.pointer(), 3u);

  ASSERT_TRUE(q_.get(2));
  EXPECT_EQ(error_code(), 0);
  EXPECT_EQ(q_->appname, "B.APP");
  EXPECT_EQ(q_->priority, 1);
  EXPECT_EQ(q_->target, "B.APP.EXE");
  EXPECT_EQ(q_.pointer(), 2u);
}

TEST_F(QueueTest, GetOutOfRangeSetsEntryNotFoundAndLeavesTheBuffer) {
  add("A.APP", 5);
  add("B.APP", 1);
  ASSERT_TRUE(q_.get(1));
  q_->priority = 77;  // changed in the buffer only
  for (size_t position : {size_t{0}, size_t{3}, size_t{1000}}) {
    EXPECT_FALSE(q_.get(position));
    EXPECT_EQ(error_code(), err::EntryNotFound);
    EXPECT_EQ(error_text(), "Entry Not Found");
    EXPECT_EQ(q_->appname, "A.APP");
    EXPECT_EQ(q_->priority, 77);
    EXPECT_EQ(q_.pointer(), 1u);
  }
  // The next successful operation clears the error.
  EXPECT_TRUE(q_.get(2));
  EXPECT_EQ(error_code(), 0);
}

TEST_F(QueueTest, AddInOrderPutsDuplicatesAfterTheirEqualsAndPointsAtTheNewEntry) {
  add_by_priority("A.APP", 5);
  add_by_priority("B.APP", 1);
  add_by_priority("C.APP", 3);
  add_by_priority("D.APP", 3);
  EXPECT_EQ(q_.pointer(), 3u);
  add_by_priority("E.APP", 1);
  EXPECT_EQ(q_.pointer(), 2u);
  add_by_priority("F.APP", 9);
  EXPECT_EQ(q_.pointer(), 6u);
  add_by_priority("G.APP", 0);
  EXPECT_EQ(q_.pointer(), 1u);
  EXPECT_EQ(order(), (Order{"G.APP:0", "B.APP:1", "E.APP:1", "C.APP:3", "D.APP:3", "A.APP:5", "F.APP:9"}));
}

TEST_F(QueueTest, AddInOrderOfSeveralFields) {
  Queue<LoadedLine> loaded;
  auto insert = [&](int32_t level, const char* position) {
    loaded->level = level;
    loaded->position = position;
    loaded.add_in_order(&LoadedLine::level, &LoadedLine::position);
  };
  insert(1, "PROJ-B");
  insert(2, "APP-1");
  insert(1, "PROJ-A");
  insert(0, "");
  insert(1, "PROJ-C");
  std::vector<std::string> got;
  for (const auto& e : loaded) got.push_back(std::to_string(e.level) + e.position.str());
  EXPECT_EQ(got, (std::vector<std::string>{"0", "1PROJ-A", "1PROJ-B", "1PROJ-C", "2APP-1"}));

  // Looked up by the exact pair: the same position at another level is not it.
  loaded->level = 2;
  loaded->position = "PROJ-A";
  EXPECT_FALSE(loaded.get_by(&LoadedLine::level, &LoadedLine::position));
  loaded->level = 1;
  EXPECT_TRUE(loaded.get_by(&LoadedLine::level, &LoadedLine::position));
  EXPECT_EQ(loaded.pointer(), 2u);
}

TEST_F(QueueTest, GetByFieldSearchesAnUnsortedQueueFromTheFirstEntry) {
  // Appended in the order a file returned them, not by name.
  add("ZED.APP", 4, "C:\\Z\\");
  add("ALPHA.APP", 2, "C:\\A\\");
  add("MID.APP", 9, "C:\\M\\");
  add("ALPHA.APP", 7, "D:\\OTHER\\");

  q_->appname = "MID.APP";
  ASSERT_TRUE(q_.get_by(&BuildEntry::appname));
  EXPECT_EQ(q_.pointer(), 3u);
  EXPECT_EQ(q_->priority, 9);
  EXPECT_EQ(q_->drivepath, "C:\\M\\");

  // Of two entries with the name, the first one is found.
  q_->appname = "ALPHA.APP";
  ASSERT_TRUE(q_.get_by(&BuildEntry::appname));
  EXPECT_EQ(q_.pointer(), 2u);
  EXPECT_EQ(q_->drivepath, "C:\\A\\");

  q_->appname = "ZED.APP";
  ASSERT_TRUE(q_.get_by(&BuildEntry::appname));
  EXPECT_EQ(q_.pointer(), 1u);

  // A miss leaves the buffer as the caller set it.
  q_->appname = "alpha.app";
  q_->priority = 42;
  EXPECT_FALSE(q_.get_by(&BuildEntry::appname));
  EXPECT_EQ(error_code(), err::EntryNotFound);
  EXPECT_EQ(q_->appname, "alpha.app");
  EXPECT_EQ(q_->priority, 42);
  EXPECT_EQ(q_.pointer(), 1u);
}

TEST_F(QueueTest, GetByAProjectedValue) {
  add("A.APP", 3);
  add("B.APP", 12);
  q_->priority = 15;
  auto tens = [](const BuildEntry& e) { return e.priority / 10; };
  ASSERT_TRUE(q_.get_by(tens));
  EXPECT_EQ(q_->appname, "B.APP");
}

TEST_F(QueueTest, ToggleAddsByNameAndRemovesAgain) {
  auto toggle = [&](const char* name, uint8_t priority) {
    q_->appname = name;
    if (q_.get_by(&BuildEntry::appname)) {
      q_.erase();
    } else {
      q_->appname = name;
      q_->priority = priority;
      q_.add_in_order(&BuildEntry::appname);
    }
  };
  toggle("MAIN.APP", 3);
  toggle("ACCT.APP", 1);
  toggle("UTIL.APP", 2);
  EXPECT_EQ(order(), (Order{"ACCT.APP:1", "MAIN.APP:3", "UTIL.APP:2"}));
  toggle("MAIN.APP", 3);
  EXPECT_EQ(order(), (Order{"ACCT.APP:1", "UTIL.APP:2"}));
  toggle("ACCT.APP", 1);
  toggle("UTIL.APP", 2);
  EXPECT_EQ(q_.records(), 0u);
  EXPECT_EQ(error_code(), 0);
}

TEST_F(QueueTest, AddInOrderIntoAQueueThatIsNotInThatOrder) {
  add("MMM.APP", 1);
  add("CCC.APP", 1);
  add("XXX.APP", 1);
  q_->appname = "DDD.APP";
  q_.add_in_order(&BuildEntry::appname);
  // It goes before the first entry that sorts after it.
  EXPECT_EQ(order(), (Order{"DDD.APP:1", "MMM.APP:1", "CCC.APP:1", "XXX.APP:1"}));
  EXPECT_EQ(q_.pointer(), 1u);
}

TEST_F(QueueTest, AddAtInsertsAfterTheCurrentEntryAndClampsItsPosition) {
  add("ROOT", 0);
  add("P2", 0);
  ASSERT_TRUE(q_.get(1));
  q_->appname = "P1";
  q_.add_at(q_.pointer() + 1);
  q_->appname = "P1-APP";
  q_.add_at(q_.pointer() + 1);
  EXPECT_EQ(q_.pointer(), 3u);
  q_->appname = "FIRST";
  q_.add_at(0);
  q_->appname = "LAST";
  q_.add_at(99);
  EXPECT_EQ(q_.pointer(), 6u);
  EXPECT_EQ(order(), (Order{"FIRST:0", "ROOT:0", "P1:0", "P1-APP:0", "P2:0", "LAST:0"}));
}

TEST_F(QueueTest, PutWritesTheBufferOverTheCurrentEntry) {
  add("A.APP", 1);
  add("B.APP", 2);
  ASSERT_TRUE(q_.get(1));
  q_->priority = 50;
  ASSERT_TRUE(q_.put());
  EXPECT_EQ(error_code(), 0);
  EXPECT_EQ(order(), (Order{"A.APP:50", "B.APP:2"}));
  EXPECT_EQ(q_.pointer(), 1u);
}

TEST_F(QueueTest, EraseRemovesTheCurrentEntryAndLaterOnesMoveUp) {
  add("A.APP", 1);
  add("B.APP", 2);
  add("C.APP", 3);
  ASSERT_TRUE(q_.get(2));
  ASSERT_TRUE(q_.erase());
  EXPECT_EQ(order(), (Order{"A.APP:1", "C.APP:3"}));
  EXPECT_EQ(q_.pointer(), 2u);

  // The erased entry cannot be written back or erased twice.
  EXPECT_FALSE(q_.put());
  EXPECT_EQ(error_code(), err::RecordNotAvailable);
  EXPECT_FALSE(q_.erase());
  EXPECT_EQ(error_code(), err::RecordNotAvailable);
  EXPECT_EQ(order(), (Order{"A.APP:1", "C.APP:3"}));

  // Deleting the lines below a row: read the next one, delete it, again.
  add("D.APP", 4);
  while (q_.get(2)) q_.erase();
  EXPECT_EQ(order(), (Order{"A.APP:1"}));
  EXPECT_EQ(error_code(), err::EntryNotFound);
}

TEST_F(QueueTest, PutAndEraseNeedACurrentEntry) {
  EXPECT_FALSE(q_.put());
  EXPECT_EQ(error_code(), err::RecordNotAvailable);
  EXPECT_FALSE(q_.erase());
  add("A.APP", 1);
  EXPECT_FALSE(q_.get(5));
  // A failed get keeps the entry that was current before it.
  EXPECT_TRUE(q_.put());
}

TEST_F(QueueTest, FreeEmptiesTheQueueClearsTheErrorAndKeepsTheBuffer) {
  add("A.APP", 1);
  add("B.APP", 2);
  EXPECT_FALSE(q_.get(9));
  ASSERT_EQ(error_code(), err::EntryNotFound);
  q_.free();
  EXPECT_EQ(error_code(), 0);
  EXPECT_EQ(q_.records(), 0u);
  EXPECT_EQ(q_.pointer(), 0u);
  EXPECT_EQ(q_->appname, "B.APP");
  EXPECT_EQ(q_->target, "B.APP.EXE");
  EXPECT_FALSE(q_.put());
  EXPECT_FALSE(q_.get(1));
}

TEST_F(QueueTest, SortByOneFieldKeepsEqualEntriesInTheirOrder) {
  add("C.APP", 3);
  add("A.APP", 1);
  add("B.APP", 3);
  add("D.APP", 1);
  add("E.APP", 0);
  q_.sort(&BuildEntry::priority);
  EXPECT_EQ(order(), (Order{"E.APP:0", "A.APP:1", "D.APP:1", "C.APP:3", "B.APP:3"}));
  EXPECT_EQ(q_.pointer(), 0u);
  // No entry is current after a sort, so nothing is overwritten by mistake.
  EXPECT_FALSE(q_.put());
  q_.sort(&BuildEntry::appname);
  EXPECT_EQ(order(), (Order{"A.APP:1", "B.APP:3", "C.APP:3", "D.APP:1", "E.APP:0"}));
}

TEST_F(QueueTest, EntryReadsWithoutTouchingBufferPointerOrError) {
  add("A.APP", 1);
  add("B.APP", 2);
  ASSERT_TRUE(q_.get(1));
  set_error(err::RecordNotFound);
  ASSERT_NE(q_.entry(2), nullptr);
  EXPECT_EQ(q_.entry(2)->appname, "B.APP");
  EXPECT_EQ(q_.entry(0), nullptr);
  EXPECT_EQ(q_.entry(3), nullptr);
  EXPECT_EQ(q_->appname, "A.APP");
  EXPECT_EQ(q_.pointer(), 1u);
  EXPECT_EQ(error_code(), err::RecordNotFound);
}
