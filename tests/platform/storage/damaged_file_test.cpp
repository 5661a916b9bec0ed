// Files that are not ours, or damaged: open refuses them with a clear code
// and leaves them as they were; damaged keys are mended by build_keys().

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "storage_test_support.h"

namespace qvn::storage::testing {
namespace {

std::string contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class DamagedFileTest : public ::testing::Test {
 public:
  void SetUp() override { name = path; }
  void make_good_file(int n) {
    ASSERT_EQ(apps.create(), 0);
    ASSERT_EQ(apps.open(), 0);
    for (int i = 0; i < n; ++i)
      ASSERT_EQ(add_app(apps, rec, "APP" + std::to_string(i) + ".APP", std::string(70, 'x') + "\\", i % 9), 0);
    ASSERT_EQ(apps.close(), 0);
  }
  TempDir dir;
  std::string path = dir.file("APPS.TPS");
  FixedString<64> name;
  FileDef def = apps_def(name);
  AppRecord rec{};
  RecordFile apps{def, &rec};
};

struct BadFile {
  const char* title;
  void (*make)(DamagedFileTest&);
};

TEST_F(DamagedFileTest, InvalidFilesAreRefusedAndLeftAlone) {
  const std::vector<BadFile> cases = {
      {"plain text", [](DamagedFileTest& t) { std::ofstream(t.path) << "APPLICATION LIST\r\nMAIN.APP\r\n"; }},
      {"empty file", [](DamagedFileTest& t) { std::ofstream(t.path).flush(); }},
      {"truncated",
       [](DamagedFileTest& t) {
         t.make_good_file(300);
         std::filesystem::resize_file(t.path, std::filesystem::file_size(t.path) / 2);
       }},
      {"header overwritten",
       [](DamagedFileTest& t) {
         t.make_good_file(10);
         std::fstream f(t.path, std::ios::in | std::ios::out | std::ios::binary);
         f.write("garbage garbage!", 16);
       }},
      {"someone else's database", [](DamagedFileTest& t) { raw_sql(t.path, "CREATE TABLE people(name TEXT)"); }},
      {"our mark but other columns",
       [](DamagedFileTest& t) {
         raw_sql(t.path, "PRAGMA application_id = 1364610614; CREATE TABLE records(DRIVENPATH TEXT, APPLICATION TEXT)");
       }},
      {"a column of the wrong type",
       [](DamagedFileTest& t) {
         t.make_good_file(1);
         raw_sql(t.path, "ALTER TABLE records RENAME COLUMN TAG TO OLDTAG; ALTER TABLE records ADD COLUMN TAG TEXT");
       }},
      {"a column that may hold no value at all (NULL)",
       [](DamagedFileTest& t) {
         t.make_good_file(3);
         raw_sql(t.path,
                 "CREATE TABLE copy(DRIVENPATH TEXT NOT NULL DEFAULT '', APPLICATION TEXT NOT NULL DEFAULT '',"
                 " TAG INTEGER, Priority INTEGER NOT NULL DEFAULT 0, TARGET TEXT NOT NULL DEFAULT '',"
                 " P_REF INTEGER NOT NULL DEFAULT 0);"
                 "INSERT INTO copy SELECT * FROM records; UPDATE copy SET TAG = NULL WHERE rowid = 2;"
                 "DROP TABLE records; ALTER TABLE copy RENAME TO records");
       }},
  };
  for (const BadFile& c : cases) {
    SCOPED_TRACE(c.title);
    std::filesystem::remove(path);
    c.make(*this);
    std::string before = contents(path);
    EXPECT_EQ(apps.open(), err::InvalidDataFile);
    EXPECT_EQ(error_text(), "Invalid Data File");
    EXPECT_FALSE(apps.is_open());
    EXPECT_EQ(contents(path), before);
    EXPECT_NE(apps.build_keys(), 0);
    EXPECT_EQ(contents(path), before);
  }
}

TEST_F(DamagedFileTest, CreateReplacesAnInvalidFile) {
  std::ofstream(path) << "not a database";
  ASSERT_EQ(apps.create(), 0);
  ASSERT_EQ(apps.open(), 0);
  EXPECT_EQ(apps.records(), 0);
}

TEST_F(DamagedFileTest, MissingOrChangedIndexesNeedRebuildingAndBuildKeysMendsThem) {
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"index dropped", "DROP INDEX PriorityKey"},
      {"index of another shape", "DROP INDEX P_RefKey; CREATE INDEX P_RefKey ON records(P_REF)"},
      {"an index of someone else", "CREATE INDEX extra ON records(TARGET)"},
      {"older key format", "PRAGMA user_version = 0"},
  };
  for (const auto& [title, damage] : cases) {
    SCOPED_TRACE(title);
    std::filesystem::remove(path);
    make_good_file(30);
    raw_sql(path, damage);
    EXPECT_EQ(apps.open(), err::InvalidKeyFile);
    EXPECT_EQ(error_text(), "Keys Need Rebuilding");
    ASSERT_EQ(apps.build_keys(), 0);
    ASSERT_EQ(apps.open(), 0);
    EXPECT_EQ(apps.records(), 30);
    apps.set_order(*def.key("APP:PriorityKey"));
    int n = 0, last = -1;
    while (apps.next() == 0) {
      EXPECT_GE(rec.priority, last);
      last = rec.priority;
      ++n;
    }
    EXPECT_EQ(n, 30);
    apps.close();
  }
}

TEST_F(DamagedFileTest, RebuildRefusesRecordsThatBreakAUniqueKey) {
  make_good_file(2);
  raw_sql(path, "DROP INDEX DriveKey; UPDATE records SET APPLICATION = 'SAME.APP', DRIVENPATH = 'C:\\'");
  EXPECT_EQ(apps.open(), err::InvalidKeyFile);
  EXPECT_EQ(apps.build_keys(), err::CreatesDuplicateKey);
  EXPECT_EQ(apps.open(), err::InvalidKeyFile);
}

}  // namespace
}  // namespace qvn::storage::testing
