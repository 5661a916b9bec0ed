// Records that another program (or damage) stored with values that do not
// fit their fields: they are read clipped, every read in key order visits
// each record once and ends, and a watched write of a clipped record is not
// taken for a change by another station.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "storage_test_support.h"

namespace qvn::storage::testing {
namespace {

constexpr int kRecords = 7;
// Far more reads than the file has records: a loop that gets here never ends.
constexpr int kReadLimit = 10 * kRecords;

struct BadValue {
  const char* title;
  // An UPDATE of the records 2, 4 and 6 (rowid) that stores the bad values.
  const char* sql;
  // What record 2 reads as.
  std::function<void(const AppRecord&)> expect_read;
};

void PrintTo(const BadValue& v, std::ostream* out) { *out << v.title; }

const std::string kSixtyX = "replace(hex(zeroblob(30)), '0', 'x')";

std::vector<BadValue> bad_values() {
  static const std::string too_long = "UPDATE records SET APPLICATION = APPLICATION || " + kSixtyX;
  return {
      {"a text longer than its field", too_long.c_str(),
       [](const AppRecord& r) { EXPECT_EQ(r.application.str(), "APP2.APP" + std::string(42, 'x')); }},
      {"a text with trailing blanks", "UPDATE records SET APPLICATION = APPLICATION || '   '",
       [](const AppRecord& r) { EXPECT_EQ(r.application.str(), "APP2.APP"); }},
      {"a blob in a text column", "UPDATE records SET APPLICATION = CAST(APPLICATION AS BLOB)",
       [](const AppRecord& r) { EXPECT_EQ(r.application.str(), "APP2.APP"); }},
      {"a BYTE above its range", "UPDATE records SET Priority = 200 + rowid * 30",
       [](const AppRecord& r) { EXPECT_EQ(r.priority, 255); }},
      {"a BYTE below its range", "UPDATE records SET Priority = -rowid",
       [](const AppRecord& r) { EXPECT_EQ(r.priority, 0); }},
      {"a SHORT out of its range",
       "UPDATE records SET TAG = CASE rowid WHEN 2 THEN 40000 WHEN 4 THEN -40000 ELSE 70000 END",
       [](const AppRecord& r) { EXPECT_EQ(r.tag, INT16_MAX); }},
      {"a LONG above its range", "UPDATE records SET P_REF = 3000000000 + rowid",
       [](const AppRecord& r) { EXPECT_EQ(r.p_ref, INT32_MAX); }},
      {"a LONG below its range", "UPDATE records SET P_REF = -3000000000 - rowid",
       [](const AppRecord& r) { EXPECT_EQ(r.p_ref, INT32_MIN); }},
      // A text sorts after every number, so it reads as the highest value.
      {"a text in a BYTE column", "UPDATE records SET Priority = 'high' || rowid",
       [](const AppRecord& r) { EXPECT_EQ(r.priority, 255); }},
      {"a text in a LONG column", "UPDATE records SET P_REF = 'project ' || rowid",
       [](const AppRecord& r) { EXPECT_EQ(r.p_ref, INT32_MAX); }},
      {"a fraction in a number column", "UPDATE records SET Priority = rowid + 0.5",
       [](const AppRecord& r) { EXPECT_EQ(r.priority, 2); }},
  };
}

struct Reading {
  const char* title;
  size_t key;
  bool forward;
};

std::vector<Reading> readings() {
  std::vector<Reading> out;
  for (size_t key = 0; key < 3; ++key)
    for (bool forward : {true, false}) out.push_back({forward ? "forward" : "backward", key, forward});
  return out;
}

class StoredValuesTest : public ::testing::TestWithParam<BadValue> {
 protected:
  void SetUp() override { name = dir.file("APPS.TPS"); }

  // A fresh file of seven records, 2, 4 and 6 holding the bad values, open.
  void craft() {
    apps.close();
    ASSERT_EQ(apps.create(), 0);
    ASSERT_EQ(apps.open(), 0);
    for (int i = 1; i <= kRecords; ++i) {
      ASSERT_EQ(add_app(apps, rec, "APP" + std::to_string(i) + ".APP", "C:\\", i % 3 + 1, i), 0);
      ASSERT_EQ(apps.pointer(), i);
    }
    ASSERT_EQ(apps.close(), 0);
    raw_sql(name.str(), std::string(GetParam().sql) + " WHERE rowid IN (2, 4, 6)");
    ASSERT_EQ(apps.open(), 0);
  }

  // Reads the whole key in one direction; with `write`, every record read
  // is untagged and stored, the way Untag All does.
  std::vector<int64_t> read_all(const Reading& r, bool write) {
    std::vector<int64_t> seen;
    EXPECT_EQ(apps.set_order(def.keys[r.key]), 0);
    while (seen.size() < kReadLimit && (r.forward ? apps.next() : apps.previous()) == 0) {
      seen.push_back(apps.pointer());
      if (write) {
        rec.tag = 0;
        EXPECT_EQ(apps.put(), 0) << error_text() << " for record " << apps.pointer();
      }
    }
    EXPECT_EQ(error_code(), err::RecordNotAvailable) << "the reading did not end";
    return seen;
  }

  void expect_each_once(std::vector<int64_t> seen) {
    std::sort(seen.begin(), seen.end());
    std::vector<int64_t> all;
    for (int i = 1; i <= kRecords; ++i) all.push_back(i);
    EXPECT_EQ(seen, all);
  }

  TempDir dir;
  FixedString<64> name;
  FileDef def = apps_def(name);
  AppRecord rec{};
  RecordFile apps{def, &rec};
};

TEST_P(StoredValuesTest, IsReadClipped) {
  craft();
  ASSERT_EQ(apps.get_pointer(2), 0);
  GetParam().expect_read(rec);
}

TEST_P(StoredValuesTest, EveryReadInKeyOrderVisitsEachRecordOnce) {
  craft();
  for (const Reading& r : readings()) {
    SCOPED_TRACE(std::string(def.keys[r.key].name) + " " + r.title);
    expect_each_once(read_all(r, false));
  }
}

TEST_P(StoredValuesTest, AWatchedLoopThatStoresEveryRecordVisitsEachOnce) {
  for (const Reading& r : readings()) {
    SCOPED_TRACE(std::string(def.keys[r.key].name) + " " + r.title);
    craft();
    apps.watch();
    expect_each_once(read_all(r, true));
    // Every record was stored, clipped.
    ASSERT_EQ(apps.set_order_file(), 0);
    int n = 0;
    while (apps.next() == 0 && n < kReadLimit) {
      ++n;
      EXPECT_EQ(rec.tag, 0);
    }
    EXPECT_EQ(n, kRecords);
    expect_each_once(read_all(r, false));
  }
}

TEST_P(StoredValuesTest, AChangeByAnotherProgramIsStillDetected) {
  craft();
  apps.watch();
  ASSERT_EQ(apps.get_pointer(2), 0);
  raw_sql(name.str(), "UPDATE records SET TARGET = 'CHANGED.EXE' WHERE rowid = 2");
  rec.tag = 0;
  EXPECT_EQ(apps.put(), err::RecordChangedByAnotherStation);
  EXPECT_EQ(rec.target.str(), "CHANGED.EXE");
  // Read again, the record can be stored; its clipped values go with it.
  EXPECT_EQ(apps.put(), 0);
  ASSERT_EQ(apps.get_pointer(2), 0);
  GetParam().expect_read(rec);
  EXPECT_EQ(apps.erase(), 0);
  EXPECT_EQ(apps.records(), kRecords - 1);
}

TEST_P(StoredValuesTest, AWatchedDeleteOfAClippedRecordIsDone) {
  craft();
  apps.watch();
  ASSERT_EQ(apps.set_order(def.keys[1]), 0);
  int n = 0;
  while (n < kReadLimit && apps.next() == 0) {
    ++n;
    EXPECT_EQ(apps.erase(), 0) << error_text() << " for record " << apps.pointer();
  }
  EXPECT_EQ(n, kRecords);
  EXPECT_EQ(apps.records(), 0);
}

TEST_P(StoredValuesTest, AKeyPositionTakenOnAClippedRecordGoesOnFromIt) {
  craft();
  const KeyDef& key = def.keys[1];
  ASSERT_EQ(apps.set_order(key), 0);
  std::vector<int64_t> order;
  while (order.size() < kReadLimit && apps.next() == 0) order.push_back(apps.pointer());
  ASSERT_EQ(order.size(), static_cast<size_t>(kRecords));
  for (size_t at = 0; at < order.size(); ++at) {
    SCOPED_TRACE("from record " + std::to_string(order[at]));
    ASSERT_EQ(apps.get_pointer(order[at]), 0);
    std::string position = apps.position(key);
    ASSERT_EQ(apps.reget(key, position), 0);
    std::vector<int64_t> after;
    while (after.size() < kReadLimit && apps.next() == 0) after.push_back(apps.pointer());
    EXPECT_EQ(after, std::vector<int64_t>(order.begin() + static_cast<long>(at) + 1, order.end()));
    ASSERT_EQ(apps.reget(key, position), 0);
    std::vector<int64_t> before;
    while (before.size() < kReadLimit && apps.previous() == 0) before.push_back(apps.pointer());
    EXPECT_EQ(before, std::vector<int64_t>(order.rend() - static_cast<long>(at), order.rend()));
  }
}

INSTANTIATE_TEST_SUITE_P(BadValues, StoredValuesTest, ::testing::ValuesIn(bad_values()),
                         [](const ::testing::TestParamInfo<BadValue>& info) {
                           std::string out;
                           for (char c : std::string(info.param.title))
                             if (std::isalnum(static_cast<unsigned char>(c))) out += c;
                           return out;
                         });

}  // namespace
}  // namespace qvn::storage::testing
