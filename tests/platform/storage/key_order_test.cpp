// Key order, OPT, NOCASE and uniqueness checked against a reference model:
// a sorted list built from the rules of the keys, read forward, backward and
// from seeks, the way the layer is read.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "storage_test_support.h"

namespace qvn::storage::testing {
namespace {

struct KeyRecord {
  FixedString<8> name;
  FixedString<8> folder;
  int16_t num;
  CString<6> code;
  uint8_t small;
};

FileDef key_record_def(FixedString<64>& file_name, KeyDef key) {
  FileDef d;
  d.label = "KeyRecords";
  d.prefix = "KR";
  d.fields = {QVN_FIELD(KeyRecord, name, "KR:NAME"), QVN_FIELD(KeyRecord, folder, "KR:FOLDER"),
              QVN_FIELD(KeyRecord, num, "KR:NUM"), QVN_FIELD(KeyRecord, code, "KR:CODE"),
              QVN_FIELD(KeyRecord, small, "KR:SMALL")};
  d.keys = {std::move(key)};
  d.struct_size = sizeof(KeyRecord);
  bind_name(d, file_name);
  return d;
}

// The rules, written out independently of the layer.
std::string folded(std::string_view s, bool nocase) {
  std::string out(clip(s));
  if (nocase)
    for (char& c : out)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

struct Model {
  const FileDef& def;
  const KeyDef& key;

  std::string text(const KeyRecord& r, size_t field) const {
    switch (field) {
      case 0: return std::string(r.name.raw());
      case 1: return std::string(r.folder.raw());
      case 3: return r.code.str();
      default: return {};
    }
  }
  int64_t number(const KeyRecord& r, size_t field) const { return field == 2 ? r.num : r.small; }
  bool is_text(size_t field) const { return field == 0 || field == 1 || field == 3; }

  int compare(const KeyRecord& a, const KeyRecord& b) const {
    for (size_t c : key.components) {
      if (is_text(c)) {
        int r = folded(text(a, c), key.nocase).compare(folded(text(b, c), key.nocase));
        if (r) return r < 0 ? -1 : 1;
      } else if (number(a, c) != number(b, c)) {
        return number(a, c) < number(b, c) ? -1 : 1;
      }
    }
    return 0;
  }
  bool in_key(const KeyRecord& r) const {
    if (!key.opt) return true;
    for (size_t c : key.components)
      if (is_text(c) ? !clip(text(r, c)).empty() : number(r, c) != 0) return true;
    return false;
  }
};

struct Stored {
  KeyRecord rec;
  int64_t pointer;
};

struct KeyCase {
  const char* title;
  KeyDef key;
};

std::vector<KeyCase> key_cases() {
  return {
      {"unique opt nocase on two texts", make_key("KR:Pair", {0, 1}, false, true, true)},
      {"dup nocase number then text", make_key("KR:NumName", {2, 0}, true, false, true)},
      {"dup opt on a number", make_key("KR:Num", {2}, true, true, true)},
      {"dup case-sensitive text", make_key("KR:Name", {0}, true, false, false)},
      {"unique nocase cstring and byte", make_key("KR:Code", {3, 4}, false, false, true)},
      {"dup opt case-sensitive text and number", make_key("KR:FolderNum", {1, 2}, true, true, false)},
  };
}

KeyRecord random_record(std::mt19937& rng) {
  static const std::vector<std::string> texts = {"",   "a", "A", "b",  "B", "_", "a_b", "AB",  "ab ",
                                                 "Ab", "z", "Z", " a", "[", "`", "aa",  "a a", "~"};
  static const std::vector<int> numbers = {-3, 0, 0, 1, 2, 2, 300};
  auto pick = [&](const auto& v) { return v[std::uniform_int_distribution<size_t>(0, v.size() - 1)(rng)]; };
  KeyRecord r{};
  r.name = pick(texts);
  r.folder = pick(texts);
  r.num = static_cast<int16_t>(pick(numbers));
  r.code = pick(texts);
  r.small = static_cast<uint8_t>(pick(std::vector<int>{0, 1, 2}));
  return r;
}

class KeyOrderTest : public ::testing::TestWithParam<int> {};

TEST_P(KeyOrderTest, MatchesTheReferenceModel) {
  KeyCase kc = key_cases()[static_cast<size_t>(GetParam())];
  SCOPED_TRACE(kc.title);
  TempDir dir;
  FixedString<64> file_name;
  file_name = dir.file("KEYS.TPS");
  FileDef def = key_record_def(file_name, kc.key);
  const KeyDef& key = def.keys[0];
  Model model{def, key};
  KeyRecord buf{};
  RecordFile file(def, &buf);
  ASSERT_EQ(file.create(), 0);
  ASSERT_EQ(file.open(), 0);

  std::mt19937 rng(1234u + static_cast<unsigned>(GetParam()));
  std::vector<Stored> stored;
  for (int i = 0; i < 150; ++i) {
    KeyRecord r = random_record(rng);
    bool duplicate = !key.dup && model.in_key(r) && std::any_of(stored.begin(), stored.end(), [&](const Stored& s) {
      return model.in_key(s.rec) && model.compare(s.rec, r) == 0;
    });
    buf = r;
    int rc = file.add();
    ASSERT_EQ(rc, duplicate ? err::CreatesDuplicateKey : 0) << "record " << i;
    if (rc == 0) stored.push_back({r, file.pointer()});
  }
  ASSERT_EQ(file.records(), static_cast<int64_t>(stored.size()));

  std::vector<Stored> order;
  for (const Stored& s : stored)
    if (model.in_key(s.rec)) order.push_back(s);
  std::stable_sort(order.begin(), order.end(), [&](const Stored& a, const Stored& b) {
    int c = model.compare(a.rec, b.rec);
    return c != 0 ? c < 0 : a.pointer < b.pointer;
  });
  auto pointers = [](auto first, auto last) {
    std::vector<int64_t> out;
    for (; first != last; ++first) out.push_back(first->pointer);
    return out;
  };
  auto read_all = [&](int (RecordFile::*step)()) {
    std::vector<int64_t> out;
    while ((file.*step)() == 0) out.push_back(file.pointer());
    EXPECT_EQ(error_code(), err::RecordNotAvailable);
    return out;
  };

  ASSERT_EQ(file.set_order(key), 0);
  EXPECT_EQ(read_all(&RecordFile::next), pointers(order.begin(), order.end()));
  ASSERT_EQ(file.set_order(key), 0);
  EXPECT_EQ(read_all(&RecordFile::previous), pointers(order.rbegin(), order.rend()));

  for (int probe_no = 0; probe_no < 40; ++probe_no) {
    KeyRecord probe = random_record(rng);
    SCOPED_TRACE("probe " + std::to_string(probe_no));
    auto first_ge =
        std::find_if(order.begin(), order.end(), [&](const Stored& s) { return model.compare(s.rec, probe) >= 0; });
    auto first_gt =
        std::find_if(order.begin(), order.end(), [&](const Stored& s) { return model.compare(s.rec, probe) > 0; });

    buf = probe;
    ASSERT_EQ(file.set_order_from_buffer(key), 0);
    EXPECT_EQ(read_all(&RecordFile::next), pointers(first_ge, order.end()));

    buf = probe;
    ASSERT_EQ(file.set_order_from_buffer(key), 0);
    EXPECT_EQ(read_all(&RecordFile::previous), pointers(std::make_reverse_iterator(first_gt), order.rend()));

    // Turning round after three reads returns the records before the last one read.
    if (order.end() - first_ge >= 3) {
      buf = probe;
      ASSERT_EQ(file.set_order_from_buffer(key), 0);
      std::vector<int64_t> turned;
      for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(file.next(), 0);
        turned.push_back(file.pointer());
      }
      for (int i = 0; i < 2 && file.previous() == 0; ++i) turned.push_back(file.pointer());
      std::vector<int64_t> expected = pointers(first_ge, first_ge + 3);
      for (auto back = first_ge + 2; expected.size() < 5 && back != order.begin();)
        expected.push_back((--back)->pointer);
      EXPECT_EQ(turned, expected);
    }

    buf = probe;
    bool found = first_ge != order.end() && model.compare(first_ge->rec, probe) == 0;
    ASSERT_EQ(file.get(key), found ? 0 : err::RecordNotFound);
    if (found) {
      EXPECT_EQ(file.pointer(), first_ge->pointer);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyOrderTest, ::testing::Range(0, static_cast<int>(key_cases().size())));

class AppKeysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    name = dir.file("APPS.TPS");
    ASSERT_EQ(apps.create(), 0);
    ASSERT_EQ(apps.open(), 0);
  }
  std::vector<std::string> read(int (RecordFile::*step)() = &RecordFile::next) {
    std::vector<std::string> out;
    while ((apps.*step)() == 0) out.push_back(rec.application.str());
    return out;
  }
  TempDir dir;
  FixedString<64> name;
  FileDef def = apps_def(name);
  AppRecord rec{};
  RecordFile apps{def, &rec};
};

TEST_F(AppKeysTest, EqualPrioritiesComeOutByNameWithoutRegardToCase) {
  add_app(apps, rec, "zeta.app", "C:\\", 2);
  add_app(apps, rec, "Beta.APP", "C:\\", 2);
  add_app(apps, rec, "ALPHA.APP", "C:\\", 2);
  add_app(apps, rec, "FIRST.APP", "C:\\", 1);
  add_app(apps, rec, "A_B.APP", "C:\\", 3);
  add_app(apps, rec, "AB.APP", "C:\\", 3);
  apps.set_order(*def.key("APP:PriorityKey"));
  // Letters compare as upper case, so "B" comes before "_".
  EXPECT_EQ(read(), (std::vector<std::string>{"FIRST.APP", "ALPHA.APP", "Beta.APP", "zeta.app", "AB.APP", "A_B.APP"}));
}

TEST_F(AppKeysTest, ApplicationsOfNoProjectAreNotInTheProjectKey) {
  add_app(apps, rec, "LOOSE.APP", "C:\\", 1, 0);
  add_app(apps, rec, "P1.APP", "C:\\", 1, 1);
  add_app(apps, rec, "P2.APP", "C:\\", 1, 2);
  add_app(apps, rec, "ALSO-LOOSE.APP", "C:\\", 1, 0);
  apps.clear_buffer();
  rec.p_ref = 0;
  apps.set_order_from_buffer(*def.key("APP:P_RefKey"));
  EXPECT_EQ(read(), (std::vector<std::string>{"P1.APP", "P2.APP"}));
  apps.set_order(*def.key("APP:P_RefKey"));
  EXPECT_EQ(read(&RecordFile::previous), (std::vector<std::string>{"P2.APP", "P1.APP"}));
  apps.clear_buffer();
  EXPECT_EQ(apps.get(*def.key("APP:P_RefKey")), err::RecordNotFound);
}

TEST(ProjectNumbering, HighestNumberIsReadFromTheEndOfTheKey) {
  TempDir dir;
  FixedString<64> name;
  name = dir.file("PROJECTS.TPS");
  FileDef def = projects_def(name);
  ProjectRecord rec{};
  RecordFile projects(def, &rec);
  ASSERT_EQ(projects.create(), 0);
  ASSERT_EQ(projects.open(), 0);
  const KeyDef& id = *def.key("PRO:ProjectIDKey");
  ASSERT_EQ(projects.set_order(id), 0);
  EXPECT_EQ(projects.previous(), err::RecordNotAvailable);
  for (int n : {1, 5, 2}) {
    rec.projectname = "P" + std::to_string(n);
    rec.p_ref = n;
    ASSERT_EQ(projects.add(), 0);
  }
  ASSERT_EQ(projects.set_order(id), 0);
  ASSERT_EQ(projects.previous(), 0);
  EXPECT_EQ(rec.p_ref, 5);
  rec.p_ref = INT32_MAX;
  ASSERT_EQ(projects.set_order_from_buffer(id), 0);
  ASSERT_EQ(projects.previous(), 0);
  EXPECT_EQ(rec.p_ref, 5);
  rec.projectname = "p1";
  rec.p_ref = 6;
  EXPECT_EQ(projects.add(), err::CreatesDuplicateKey);
}

// A loop that writes every record it reads visits each exactly once, also
// when the field it writes is part of the key it reads by.
class WriteLoopTest : public AppKeysTest {
 protected:
  void SetUp() override {
    AppKeysTest::SetUp();
    for (int i = 0; i < 60; ++i)
      ASSERT_EQ(add_app(apps, rec, "APP" + std::to_string(100 + i) + ".APP", "C:\\", 1 + i % 7 + 100), 0);
  }
  void expect_each_once(const std::vector<std::string>& seen) {
    EXPECT_EQ(seen.size(), 60u);
    std::vector<std::string> sorted = seen;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::unique(sorted.begin(), sorted.end()), sorted.end());
  }
};

TEST_F(WriteLoopTest, RaisingTheKeyFieldForward) {
  std::vector<std::string> seen;
  apps.set_order(*def.key("APP:PriorityKey"));
  while (apps.next() == 0) {
    seen.push_back(rec.application.str());
    rec.priority = static_cast<uint8_t>(rec.priority + 100);
    ASSERT_EQ(apps.put(), 0);
  }
  expect_each_once(seen);
}

TEST_F(WriteLoopTest, LoweringTheKeyFieldBackward) {
  std::vector<std::string> seen;
  apps.set_order(*def.key("APP:PriorityKey"));
  while (apps.previous() == 0) {
    seen.push_back(rec.application.str());
    rec.priority = static_cast<uint8_t>(rec.priority - 100);
    ASSERT_EQ(apps.put(), 0);
  }
  expect_each_once(seen);
}

TEST_F(WriteLoopTest, RenamingAheadInTheUniqueKey) {
  std::vector<std::string> seen;
  apps.set_order(*def.key("APP:DriveKey"));
  while (apps.next() == 0) {
    seen.push_back(rec.application.str());
    rec.application = "Z" + rec.application.str();
    ASSERT_EQ(apps.put(), 0);
  }
  expect_each_once(seen);
}

TEST_F(WriteLoopTest, TaggingAndDeleting) {
  std::vector<std::string> seen;
  apps.set_order(*def.key("APP:PriorityKey"));
  while (apps.next() == 0) {
    seen.push_back(rec.application.str());
    rec.tag = 1;
    ASSERT_EQ(apps.put(), 0);
  }
  expect_each_once(seen);
  seen.clear();
  apps.set_order(*def.key("APP:DriveKey"));
  while (apps.next() == 0) {
    EXPECT_EQ(rec.tag, 1);
    seen.push_back(rec.application.str());
    ASSERT_EQ(apps.erase(), 0);
  }
  expect_each_once(seen);
  EXPECT_EQ(apps.records(), 0);
}

}  // namespace
}  // namespace qvn::storage::testing
