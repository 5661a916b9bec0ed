// The demo's data files: the catalog read into them, and the activity log
// written as make runs leave it, in time order, ending at a given moment.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/files.h"
#include "demo_catalog.h"
#include "platform/core/std_datetime.h"
#include "support/program_state.h"
#include "support/temp_folder.h"

namespace {

using qvn::test_support::ProgramState;
using qvn::test_support::TempFolder;

struct Entry {
  std::string app;
  int32_t date;
  int32_t time;
  std::string event;
  friend bool operator==(const Entry&, const Entry&) = default;
};

class DemoSeedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(demoseed::read_catalog(QVN_DEMO_FOLDER "/catalog.txt", catalog, error)) << error;
    ASSERT_GE(catalog.apps.size(), 2u);
    ASSERT_TRUE(demoseed::seed_data_folder(catalog, (folder / "apps").string(), folder.string(), error)) << error;
  }

  // The log in storage order.
  std::vector<Entry> log() {
    std::vector<Entry> out;
    EXPECT_EQ(qvn::data::TempFile.open(), 0);
    EXPECT_EQ(qvn::data::TempFile.set_order_file(), 0);
    while (qvn::data::TempFile.next() == 0) {
      out.push_back({std::string(qvn::data::TMP.APPS.clipped()), qvn::data::TMP.DATE, qvn::data::TMP.CLOCK,
                     std::string(qvn::data::TMP.EVENT.clipped())});
    }
    qvn::data::TempFile.close();
    return out;
  }

  ProgramState state;
  TempFolder folder{"qvn-demo-seed"};
  demoseed::DemoCatalog catalog;
};

TEST_F(DemoSeedTest, TheLogHoldsMakeRunsFortySecondsApartEndingAtTheGivenMoment) {
  // The last entry at 00:00:50 on 2 January 2026: the first of five lies
  // 160 seconds earlier, on the day before.
  const int32_t day = qvn::standard_date({2026, 1, 2});
  const int32_t last_time = qvn::standard_time({0, 0, 50, 0});
  std::string error;
  ASSERT_TRUE(demoseed::seed_activity_log(catalog, folder.string(), 5, day, last_time, error)) << error;

  const std::string a = catalog.apps[0].file;
  const std::string b = catalog.apps[1].file;
  const std::string c = catalog.apps[2 % catalog.apps.size()].file;
  const std::vector<Entry> expected = {
      {a, day - 1, qvn::standard_time({23, 58, 10, 0}), "Begin Make"},
      {a, day - 1, qvn::standard_time({23, 58, 50, 0}), "Make Finished"},
      {b, day - 1, qvn::standard_time({23, 59, 30, 0}), "Begin Make"},
      {b, day, qvn::standard_time({0, 0, 10, 0}), "Make Finished"},
      {c, day, last_time, "Begin Make"},
  };
  EXPECT_EQ(log(), expected);
}

TEST_F(DemoSeedTest, NoEntriesLeavesTheLogEmptyAndBadCountsAreRefused) {
  const int32_t day = qvn::standard_date({2026, 12, 10});
  std::string error;
  ASSERT_TRUE(demoseed::seed_activity_log(catalog, folder.string(), 0, day, 1, error)) << error;
  EXPECT_TRUE(log().empty());

  EXPECT_FALSE(demoseed::seed_activity_log(catalog, folder.string(), -1, day, 1, error));
  EXPECT_EQ(error, "a negative number of log entries");
  EXPECT_FALSE(demoseed::seed_activity_log({}, folder.string(), 3, day, 1, error));
  EXPECT_EQ(error, "log entries need at least one application");
  // Entries that would start before the first date there is.
  EXPECT_FALSE(demoseed::seed_activity_log(catalog, folder.string(), 10, qvn::kFirstStandardDate, 1, error));
  EXPECT_EQ(error, "too many log entries to end at that date");
  EXPECT_TRUE(log().empty());
}

}  // namespace
