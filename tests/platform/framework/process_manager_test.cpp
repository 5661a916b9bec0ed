// The process manager on its own: storage order, the progress it shows,
// the end of the file told apart from a failure, and the size of batches.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report_fixture.h"
#include "support/headless.h"

namespace qvn::framework::report_testing {
namespace {

using ui::HeadlessUser;

class ProcessManagerTest : public EntryFileTest {
 protected:
  int field(const char* equate) { return window_->field(equate); }
  std::string pct_text() { return window_->state(field("?PROGRESS:PCTTEXT")).text; }
};

TEST_F(ProcessManagerTest, ReadsInStorageOrderAndShowsTheShareRead) {
  HeadlessUser user;  // a message would fail the test
  add_entries(4);
  // A changed key value does not move an entry in storage order.
  {
    Entry e;
    storage::RecordFile other(def_, &e);
    ASSERT_EQ(other.open(), 0);
    ASSERT_EQ(other.set_order_file(), 0);
    ASSERT_EQ(other.next(), 0);
    e.date = standard_date({1990, 1, 1});
    ASSERT_EQ(other.put(), 0);
  }
  process_.Init(*manager_, *window_, field("?PROGRESS:THERMOMETER"), field("?PROGRESS:PCTTEXT"));
  ASSERT_EQ(process_.Open(), level::Benign);
  EXPECT_EQ(process_.RecordsToRead(), 4);
  EXPECT_EQ(pct_text(), "0% Complete");
  std::vector<std::string> read;
  for (int share : {25, 50, 75, 100}) {
    ASSERT_EQ(process_.Next(), level::Benign);
    read.push_back(rec_.event.str());
    EXPECT_EQ(process_.Progress(), share);
    EXPECT_EQ(progress_, share) << "the progress bar's variable";
    EXPECT_EQ(window_->state(field("?PROGRESS:THERMOMETER")).progress, share);
    EXPECT_EQ(pct_text(), std::to_string(share) + "% Complete");
  }
  EXPECT_EQ(read, event_words(0, 4));
  EXPECT_EQ(process_.Next(), level::Notify);
  EXPECT_EQ(process_.RecordsRead(), 4);
}

TEST_F(ProcessManagerTest, EndOfFileIsNoFailureButAFailedReadIsReported) {
  HeadlessUser user;
  process_.Init(*manager_, *window_);
  ASSERT_EQ(process_.Open(), level::Benign);
  EXPECT_EQ(process_.Next(), level::Notify) << "an empty file";
  EXPECT_TRUE(user.messages().empty());

  add_entries(3);
  user.answer_any_message(ui::button::Ok);
  process_.fail_at = 2;
  ASSERT_EQ(process_.Open(), level::Benign);
  EXPECT_EQ(process_.Next(), level::Benign);
  EXPECT_EQ(process_.Next(), level::Fatal);
  ASSERT_EQ(user.messages().size(), 1u);
  EXPECT_EQ(user.messages()[0].box.caption, "Record Retrieval Error");
  EXPECT_EQ(process_.RecordsRead(), 1);
}

struct BatchCase {
  const char* title;
  int ms_per_record;
  int max_batch;
  std::vector<int64_t> batches;  // records read by each batch in turn
};

std::ostream& operator<<(std::ostream& os, const BatchCase& c) { return os << c.title; }

class BatchTest : public ProcessManagerTest, public ::testing::WithParamInterface<BatchCase> {};

// With the process clock moved by each record, a batch doubles while it
// takes under half the 1-second slice, keeps its size up to the slice, is
// halved beyond it, and never reads fewer than one record.
TEST_P(BatchTest, BatchesFollowTheTimeTheyTake) {
  const BatchCase& c = GetParam();
  HeadlessUser user;
  add_entries(200);
  process_.Init(*manager_, *window_);
  process_.MaxBatch = c.max_batch;
  ASSERT_EQ(process_.Open(), level::Benign);
  const auto take = [&] {
    user.advance_time(c.ms_per_record);
    return level::Benign;
  };
  std::vector<int64_t> batches;
  for (size_t i = 0; i < c.batches.size(); ++i) {
    const int64_t before = process_.RecordsRead();
    ASSERT_EQ(process_.TakeBatch(take), level::Benign);
    batches.push_back(process_.RecordsRead() - before);
  }
  EXPECT_EQ(batches, c.batches);
}

INSTANTIATE_TEST_SUITE_P(Clocks, BatchTest,
                         ::testing::Values(BatchCase{"a clock that does not move", 0, 65536, {1, 2, 4, 8, 16, 32}},
                                           BatchCase{"capped", 0, 4, {1, 2, 4, 4, 4}},
                                           BatchCase{"300 ms a record", 300, 65536, {1, 2, 2, 2}},
                                           BatchCase{"a record slower than the slice", 1500, 65536, {1, 1, 1, 1}}));

TEST_F(ProcessManagerTest, ABatchThatTakesTooLongIsHalved) {
  HeadlessUser user;
  add_entries(100);
  process_.Init(*manager_, *window_);
  ASSERT_EQ(process_.Open(), level::Benign);
  for (int i = 0; i < 4; ++i) ASSERT_EQ(process_.TakeBatch(), level::Benign);
  ASSERT_EQ(process_.BatchSize(), 16);
  // Each record now takes 100 ms: 16 of them take 1.6 s.
  const auto slow = [&] {
    user.advance_time(100);
    return level::Benign;
  };
  std::vector<int64_t> batches;
  for (int i = 0; i < 3; ++i) {
    const int64_t before = process_.RecordsRead();
    ASSERT_EQ(process_.TakeBatch(slow), level::Benign);
    batches.push_back(process_.RecordsRead() - before);
  }
  EXPECT_EQ(batches, (std::vector<int64_t>{16, 8, 8}));
}

TEST_F(ProcessManagerTest, ABatchEndsAtTheEndOfTheFileOrWhenAStepSaysSo) {
  HeadlessUser user;
  add_entries(5);
  process_.Init(*manager_, *window_);
  ASSERT_EQ(process_.Open(), level::Benign);
  int taken = 0;
  const auto take = [&] { return ++taken == 2 ? level::Notify : level::Benign; };
  EXPECT_EQ(process_.TakeBatch(take), level::Benign);
  EXPECT_EQ(process_.TakeBatch(take), level::Notify) << "the step asked to end";
  EXPECT_EQ(taken, 2);
  ASSERT_EQ(process_.Open(), level::Benign);
  EXPECT_EQ(process_.TakeOne([] { return level::Fatal; }), level::Fatal) << "the step asked to stop";
  ASSERT_EQ(process_.Open(), level::Benign);
  for (int i = 0; i < 3; ++i) process_.TakeBatch();
  EXPECT_EQ(process_.RecordsRead(), 5);
  EXPECT_EQ(process_.TakeBatch(), level::Notify);
}

}  // namespace
}  // namespace qvn::framework::report_testing
