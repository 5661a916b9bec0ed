// Other programs on the same files: a writer killed in the middle of its
// work, a program that holds a file locked, and writers side by side.

#include <gtest/gtest.h>
#include <chrono>
#include <set>

#include "storage_test_support.h"

namespace qvn::storage::testing {
namespace {

using Clock = std::chrono::steady_clock;

class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    name = dir.file("TEMPFILE.TPS");
    ASSERT_EQ(log.create(), 0);
  }
  TempDir dir;
  FixedString<64> name;
  FileDef def = log_def(name);
  LogRecord rec{};
  RecordFile log{def, &rec};
};

TEST_F(ProcessTest, NothingCommittedIsLostWhenTheWriterIsKilled) {
  Child writer(dir.path(), [&](Child& me) {
    LogRecord crec{};
    RecordFile clog(def, &crec);
    if (clog.open() != 0) return;
    for (int32_t i = 1; i < 1000000; ++i) {
      clog.clear_buffer();
      crec.apps = "APP" + std::to_string(i);
      crec.date = 80000 + i / 1000;
      crec.clock = i;
      crec.event = "Make Finished";
      if (clog.add() != 0) return;
      me.send(i);
    }
  });
  ASSERT_TRUE(writer.started());
  std::set<int32_t> reported;
  int32_t v;
  while (reported.size() < 300 && writer.receive(&v)) reported.insert(v);
  ASSERT_EQ(reported.size(), 300u);
  writer.kill_now();
  while (writer.receive(&v)) reported.insert(v);

  ASSERT_EQ(log.open(), 0);
  std::set<int32_t> stored;
  ASSERT_EQ(log.set_order(def.keys[0]), 0);
  int32_t last_clock = 0;
  while (log.next() == 0) {
    EXPECT_GT(rec.clock, last_clock);
    last_clock = rec.clock;
    EXPECT_EQ(rec.apps, "APP" + std::to_string(rec.clock));
    stored.insert(rec.clock);
  }
  EXPECT_EQ(error_code(), err::RecordNotAvailable);
  for (int32_t i : reported) EXPECT_TRUE(stored.count(i)) << i;
  EXPECT_EQ(log.records(), static_cast<int64_t>(stored.size()));
  EXPECT_GE(stored.size(), reported.size());
  // The file takes new records after the crash.
  rec.clock = 0;
  rec.date = 1;
  EXPECT_EQ(log.add(), 0);
}

TEST_F(ProcessTest, AFileLockedByAnotherProgramIsDeniedAndRecoverWaitsForIt) {
  Child holder(dir.path(), [&](Child& me) {
    LogRecord crec{};
    RecordFile clog(def, &crec);
    int32_t order;
    if (clog.open() != 0 || clog.lock() != 0) return;
    me.send(1);
    while (me.receive(&order)) {
      if (order == 0) {
        // Let go a little later, while the other side waits.
        usleep(30 * 1000);
        me.send(clog.unlock());
      } else {
        me.send(clog.lock());
      }
    }
  });
  ASSERT_TRUE(holder.started());
  int32_t v;
  ASSERT_TRUE(holder.receive(&v));

  EXPECT_EQ(log.open(), err::AccessDenied);
  EXPECT_EQ(error_text(), "Access Denied");
  EXPECT_EQ(log.lock(), err::FileNotOpen);

  ASSERT_EQ(log.send("Recover=1"), 0);
  auto started = Clock::now();
  EXPECT_EQ(log.open(), err::AccessDenied);
  double waited = std::chrono::duration<double>(Clock::now() - started).count();
  EXPECT_GE(waited, 0.9);
  EXPECT_LT(waited, 3.0);
  // The instruction served one open only.
  started = Clock::now();
  EXPECT_EQ(log.open(), err::AccessDenied);
  EXPECT_LT(std::chrono::duration<double>(Clock::now() - started).count(), 0.5);

  ASSERT_EQ(log.send("Recover=10"), 0);
  holder.send(0);
  started = Clock::now();
  EXPECT_EQ(log.open(), 0);
  EXPECT_LT(std::chrono::duration<double>(Clock::now() - started).count(), 5.0);
  ASSERT_TRUE(holder.receive(&v));
  // Now this program holds it, and the other one cannot take it.
  EXPECT_EQ(log.lock(), 0);
  holder.send(1);
  ASSERT_TRUE(holder.receive(&v));
  EXPECT_EQ(v, err::AccessDenied);
  EXPECT_EQ(log.unlock(), 0);
  holder.send(1);
  ASSERT_TRUE(holder.receive(&v));
  EXPECT_EQ(v, 0);
}

TEST_F(ProcessTest, TwoProgramsWriteTheSameFileSideBySide) {
  Child writer(dir.path(), [&](Child& me) {
    LogRecord crec{};
    RecordFile clog(def, &crec);
    if (clog.open() != 0) return;
    int32_t ok = 0;
    for (int32_t i = 0; i < 200; ++i) {
      crec.date = 2;
      crec.clock = i + 1;
      crec.apps = "CHILD";
      if (clog.add() == 0) ++ok;
    }
    me.send(ok);
  });
  ASSERT_TRUE(writer.started());
  ASSERT_EQ(log.open(), 0);
  for (int32_t i = 0; i < 200; ++i) {
    rec.date = 1;
    rec.clock = i + 1;
    rec.apps = "PARENT";
    ASSERT_EQ(log.add(), 0);
  }
  int32_t child_ok = 0;
  ASSERT_TRUE(writer.receive(&child_ok));
  EXPECT_EQ(child_ok, 200);
  EXPECT_EQ(log.records(), 400);
}

}  // namespace
}  // namespace qvn::storage::testing
