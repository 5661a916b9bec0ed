// Other programs on the same files: a writer killed in the middle of its
// work, a program that holds a file locked, and writers side by side.

#include <gtest/gtest.h>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

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

// The names in `folder` that begin with `prefix`.
std::set<std::string> names_in(const std::string& folder, const std::string& prefix) {
  std::set<std::string> out;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::string name = entry.path().filename().string();
    if (name.compare(0, prefix.size(), prefix) == 0) out.insert(name);
  }
  return out;
}

std::string scratch_prefix(pid_t pid) { return "qvn-session-" + std::to_string(pid) + "-"; }

// A process id that no process has now: that of a child that has ended.
pid_t ended_process() {
  pid_t pid = fork();
  if (pid == 0) _exit(0);
  waitpid(pid, nullptr, 0);
  return pid;
}

// Each session keeps a scratch file; a killed process leaves its own behind,
// and the next process to start a session in that folder removes it, but
// never one of a live process, nor anything else.
TEST(ScratchFiles, TheNextSessionRemovesThoseOfEndedProcessesOnly) {
  TempDir dir;
  const std::string scratch = dir.file("scratch");
  ASSERT_TRUE(std::filesystem::create_directory(scratch));
  ScratchFolder use(scratch);
  FixedString<64> name;
  name = dir.file("TEMPFILE.TPS");
  FileDef def = log_def(name);
  LogRecord rec{};
  RecordFile log(def, &rec);
  ASSERT_EQ(log.create(), 0);

  auto holder = [&](Child& me) {
    LogRecord crec{};
    RecordFile clog(def, &crec);
    if (clog.open() != 0) return;
    me.send(1);
    int32_t order;
    while (me.receive(&order)) {
      crec.clock = order;
      me.send(clog.add());
    }
  };
  Child killed(scratch, holder);
  Child alive(scratch, holder);
  ASSERT_TRUE(killed.started() && alive.started());
  int32_t v = 0;
  ASSERT_TRUE(killed.receive(&v));
  ASSERT_TRUE(alive.receive(&v));
  const pid_t killed_pid = killed.pid();
  killed.kill_now();
  ASSERT_EQ(names_in(scratch, scratch_prefix(killed_pid)).size(), 1u) << "a killed process leaves its scratch file";
  ASSERT_EQ(names_in(scratch, scratch_prefix(alive.pid())).size(), 1u);

  // What else may lie in the folder: leftovers of an ended process, and
  // names that are not scratch files of ours.
  const std::string ended = scratch_prefix(ended_process());
  const std::vector<std::pair<std::string, bool>> others = {
      {ended + "AbC123", true},      {ended + "AbC123-journal", true},  {ended + "link", false},
      {"qvn-session-AbC123", false}, {"qvn-session-12x-AbC123", false}, {"notes.txt", false},
  };
  for (const auto& [file, removed] : others) {
    if (file == ended + "link") {
      std::filesystem::create_symlink(name.str(), scratch + "/" + file);
    } else {
      std::ofstream(scratch + "/" + file) << "x";
    }
  }

  // This process's first session in the folder.
  ASSERT_EQ(log.open(), 0);
  EXPECT_EQ(names_in(scratch, scratch_prefix(getpid())).size(), 1u);
  EXPECT_TRUE(names_in(scratch, scratch_prefix(killed_pid)).empty());
  EXPECT_EQ(names_in(scratch, scratch_prefix(alive.pid())).size(), 1u);
  for (const auto& [file, removed] : others)
    EXPECT_EQ(std::filesystem::exists(std::filesystem::symlink_status(scratch + "/" + file)), !removed) << file;
  EXPECT_TRUE(std::filesystem::exists(name.str())) << "a link stays, and so does what it names";

  // The live process's session goes on working.
  alive.send(7);
  ASSERT_TRUE(alive.receive(&v));
  EXPECT_EQ(v, 0);
  EXPECT_EQ(log.records(), 1);

  // A session ends with the thread's last open file, and takes its scratch file along.
  ASSERT_EQ(log.close(), 0);
  EXPECT_TRUE(names_in(scratch, scratch_prefix(getpid())).empty());
}

}  // namespace
}  // namespace qvn::storage::testing
