#include "platform/storage/record_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <thread>

#include "storage_test_support.h"

namespace qvn::storage::testing {
namespace {

class RecordFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir.path().empty());
    apps_name = dir.file("APPS.TPS");
  }
  TempDir dir;
  FixedString<64> apps_name;
  FileDef def = apps_def(apps_name);
  AppRecord rec{};
  RecordFile apps{def, &rec};
};

TEST(RecordLayout, PackedSizesOfTheFourFiles) {
  FixedString<64> n;
  EXPECT_EQ(apps_def(n).record_size(), 387u);
  EXPECT_EQ(projects_def(n).record_size(), 54u);
  EXPECT_EQ(log_def(n).record_size(), 128u);
  EXPECT_EQ(tag_def(n).record_size(), 381u);
}

TEST(RecordLayout, PackIsFieldsInOrderLittleEndianAndRoundTrips) {
  FixedString<64> n;
  FileDef def = apps_def(n);
  AppRecord rec{};
  rec.drivenpath = "C:\\DEV\\";
  rec.application = "MAIN.APP";
  rec.tag = -2;
  rec.priority = 200;
  rec.target = "MAIN.EXE";
  rec.p_ref = 0x01020304;
  std::vector<uint8_t> packed(def.record_size());
  pack_record(def, &rec, packed.data());
  EXPECT_EQ(std::string(reinterpret_cast<char*>(packed.data()), 80), rec.drivenpath.raw());
  EXPECT_EQ(packed[130], 0xFE);
  EXPECT_EQ(packed[131], 0xFF);
  EXPECT_EQ(packed[132], 200);
  EXPECT_EQ(packed[133], 'M');
  EXPECT_EQ(packed[383], 0x04);
  EXPECT_EQ(packed[386], 0x01);
  AppRecord back{};
  unpack_record(def, packed.data(), &back);
  EXPECT_EQ(back.drivenpath, "C:\\DEV\\");
  EXPECT_EQ(back.tag, -2);
  EXPECT_EQ(back.priority, 200);
  EXPECT_EQ(back.target, "MAIN.EXE");
  EXPECT_EQ(back.p_ref, 0x01020304);
}

TEST_F(RecordFileTest, MissingFileThenCreateThenOpenEmpty) {
  EXPECT_EQ(apps.open(), err::FileNotFound);
  EXPECT_EQ(error_code(), err::FileNotFound);
  EXPECT_EQ(error_text(), "File Not Found");
  EXPECT_EQ(apps.create(), 0);
  EXPECT_FALSE(apps.is_open());
  EXPECT_EQ(apps.open(kReadWrite | kDenyNone), 0);
  EXPECT_EQ(apps.open_name(), apps_name.str());
  EXPECT_EQ(apps.records(), 0);
  EXPECT_EQ(apps.open(), err::FileAlreadyOpen);
  EXPECT_EQ(apps.close(), 0);
  EXPECT_EQ(apps.close(), err::FileNotOpen);
}

TEST_F(RecordFileTest, MissingFolderIsPathNotFound) {
  apps_name = dir.file("no-such-folder/APPS.TPS");
  EXPECT_EQ(apps.open(), err::PathNotFound);
  EXPECT_EQ(apps.create(), err::PathNotFound);
  EXPECT_EQ(remove_file(apps_name.str()), err::PathNotFound);
}

TEST_F(RecordFileTest, NameIsReadAtEachOpenAndCreate) {
  ASSERT_EQ(apps.create(), 0);
  ASSERT_EQ(apps.open(), 0);
  ASSERT_EQ(add_app(apps, rec, "ONE.APP", "C:\\A\\"), 0);
  apps_name = dir.file("OTHER.TPS");
  // The open file does not move.
  EXPECT_EQ(apps.records(), 1);
  EXPECT_EQ(apps.open_name(), dir.file("APPS.TPS"));
  apps.close();
  EXPECT_EQ(apps.open(), err::FileNotFound);
  ASSERT_EQ(apps.create(), 0);
  ASSERT_EQ(apps.open(), 0);
  EXPECT_EQ(apps.records(), 0);
}

TEST_F(RecordFileTest, ARelativeNameKeepsNamingTheFileOfItsFirstOpen) {
  namespace fs = std::filesystem;
  ASSERT_TRUE(fs::create_directory(dir.file("elsewhere")));
  WorkingFolder here(dir.path());
  apps_name = "APPS.TPS";
  ASSERT_EQ(apps.create(), 0);
  ASSERT_EQ(apps.open(), 0);
  EXPECT_EQ(apps.open_name(), "APPS.TPS");
  EXPECT_EQ(apps.open_path(), dir.file("APPS.TPS"));
  ASSERT_EQ(add_app(apps, rec, "ONE.APP", "C:\\A\\"), 0);
  ASSERT_EQ(apps.close(), 0);
  EXPECT_EQ(apps.open_path(), "");

  // A file dialog moves the working folder; the name still means that file.
  here.move(dir.file("elsewhere"));
  ASSERT_EQ(apps.open(), 0) << error_text();
  EXPECT_EQ(apps.open_path(), dir.file("APPS.TPS"));
  EXPECT_EQ(apps.records(), 1);
  EXPECT_EQ(apps.create(), 0);
  EXPECT_EQ(apps.records(), 0) << "the open file was made anew";
  ASSERT_EQ(add_app(apps, rec, "TWO.APP", "C:\\A\\"), 0);
  ASSERT_EQ(apps.close(), 0);
  EXPECT_EQ(apps.build_keys(), 0);
  EXPECT_FALSE(fs::exists(dir.file("elsewhere/APPS.TPS")));

  // Another name is resolved where the working folder is now.
  apps_name = "OTHER.TPS";
  ASSERT_EQ(apps.create(), 0);
  ASSERT_EQ(apps.open(), 0);
  EXPECT_EQ(apps.open_path(), dir.file("elsewhere/OTHER.TPS"));
  ASSERT_EQ(apps.close(), 0);
  apps_name = "APPS.TPS";
  ASSERT_EQ(apps.open(), 0);
  EXPECT_EQ(apps.open_path(), dir.file("APPS.TPS"));
  EXPECT_EQ(apps.records(), 1);
}

TEST_F(RecordFileTest, CreateReplacesAFileThatIsOpen) {
  ASSERT_EQ(apps.create(), 0);
  ASSERT_EQ(apps.open(), 0);
  ASSERT_EQ(add_app(apps, rec, "ONE.APP", "C:\\A\\"), 0);
  AppRecord other_rec{};
  RecordFile other(def, &other_rec);
  ASSERT_EQ(other.open(), 0);
  EXPECT_EQ(other.records(), 1);
  EXPECT_EQ(apps.create(), 0);
  EXPECT_TRUE(apps.is_open());
  EXPECT_EQ(apps.records(), 0);
  EXPECT_EQ(other.records(), 0);
  EXPECT_EQ(add_app(apps, rec, "ONE.APP", "C:\\A\\"), 0);
  EXPECT_EQ(other.records(), 1);
}

TEST_F(RecordFileTest, AddGetPutEraseKeepTheCurrentRecord) {
  ASSERT_EQ(apps.create(), 0);
  ASSERT_EQ(apps.open(), 0);
  EXPECT_EQ(apps.put(), err::RecordNotAvailable);
  ASSERT_EQ(add_app(apps, rec, "MAIN.APP", "C:\\DEV\\", 5, 3), 0);
  int64_t ptr = apps.pointer();
  EXPECT_GT(ptr, 0);

  apps.clear_buffer();
  EXPECT_TRUE(rec.application.blank());
  EXPECT_EQ(rec.priority, 0);
  rec.application = "main.app";
  rec.drivenpath = "c:\\dev\\   ";
  ASSERT_EQ(apps.get(*def.key("APP:DriveKey")), 0);
  EXPECT_EQ(rec.application, "MAIN.APP");
  EXPECT_EQ(rec.priority, 5);
  EXPECT_EQ(rec.p_ref, 3);
  EXPECT_EQ(apps.pointer(), ptr);

  rec.target = "NEW.EXE";
  ASSERT_EQ(apps.put(), 0);
  apps.clear_buffer();
  ASSERT_EQ(apps.get_pointer(ptr), 0);
  EXPECT_EQ(rec.target, "NEW.EXE");

  ASSERT_EQ(apps.erase(), 0);
  EXPECT_EQ(apps.pointer(), 0);
  EXPECT_EQ(apps.records(), 0);
  EXPECT_EQ(apps.get_pointer(ptr), err::RecordNotFound);
}

TEST_F(RecordFileTest, FailedGetClearsTheBufferAndPointerZeroFindsNothing) {
  ASSERT_EQ(apps.create(), 0);
  ASSERT_EQ(apps.open(), 0);
  ASSERT_EQ(add_app(apps, rec, "MAIN.APP", "C:\\DEV\\", 5), 0);
  rec.application = "NONE.APP";
  rec.priority = 9;
  EXPECT_EQ(apps.get(*def.key("APP:DriveKey")), err::RecordNotFound);
  EXPECT_EQ(error_text(), "Record Not Found");
  EXPECT_TRUE(rec.application.blank());
  EXPECT_EQ(rec.priority, 0);
  EXPECT_EQ(apps.get_pointer(0), err::RecordNotFound);
  EXPECT_EQ(apps.reget(std::string_view("0")), err::RecordNotFound);
  EXPECT_EQ(apps.reget(std::string_view("junk")), err::RecordNotFound);
}

// A read by record pointer (or by a file position, which holds one) that
// finds nothing leaves no record current: neither a put nor an erase after it touches the record read
// before, and the buffer stays as the caller had it.
TEST_F(RecordFileTest, AReadThatFindsNothingLeavesNoRecordCurrent) {
  ASSERT_EQ(apps.create(), 0);
  ASSERT_EQ(apps.open(), 0);
  ASSERT_EQ(add_app(apps, rec, "FIRST.APP", "C:\\DEV\\", 1), 0);
  ASSERT_EQ(add_app(apps, rec, "GONE.APP", "C:\\DEV\\", 1), 0);
  const int64_t gone = apps.pointer();
  ASSERT_EQ(add_app(apps, rec, "SECOND.APP", "C:\\DEV\\", 2), 0);
  const int64_t second = apps.pointer();
  ASSERT_EQ(apps.get_pointer(gone), 0);
  ASSERT_EQ(apps.erase(), 0);
  struct Case {
    const char* what;
    std::function<int(RecordFile&)> read;
  };
  const Case cases[] = {
      {"pointer 0", [](RecordFile& f) { return f.get_pointer(0); }},
      {"the pointer of a deleted record", [gone](RecordFile& f) { return f.get_pointer(gone); }},
      {"position \"0\"", [](RecordFile& f) { return f.reget(std::string_view("0")); }},
      {"a position that is no number", [](RecordFile& f) { return f.reget(std::string_view("junk")); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(apps.get_pointer(second), 0);
    rec.priority = 77;
    EXPECT_EQ(c.read(apps), err::RecordNotFound);
    EXPECT_EQ(apps.pointer(), 0);
    EXPECT_EQ(apps.position(), "");
    EXPECT_EQ(rec.priority, 77) << "the buffer is the caller's";
    EXPECT_EQ(apps.put(), err::RecordNotAvailable);
    EXPECT_EQ(apps.erase(), err::RecordNotAvailable);
    EXPECT_EQ(apps.records(), 2);
    ASSERT_EQ(apps.get_pointer(second), 0);
    EXPECT_EQ(rec.application, "SECOND.APP");
    EXPECT_EQ(rec.priority, 2) << "the record read before is as it was";
  }
}

TEST_F(RecordFileTest, DuplicateUniqueKeyStoresNothing) {
  ASSERT_EQ(apps.create(), 0);
  ASSERT_EQ(apps.open(), 0);
  ASSERT_EQ(add_app(apps, rec, "MAIN.APP", "C:\\Dev\\"), 0);
  // Same name in a folder differing only in case.
  EXPECT_EQ(add_app(apps, rec, "main.app", "C:\\DEV\\"), err::CreatesDuplicateKey);
  EXPECT_EQ(error_text(), "Creates Duplicate Key");
  EXPECT_EQ(apps.records(), 1);
  EXPECT_EQ(add_app(apps, rec, "MAIN.APP", "C:\\OTHER\\"), 0);
  EXPECT_EQ(add_app(apps, rec, "SECOND.APP", "C:\\Dev\\"), 0);
  // A change that would duplicate fails and leaves the stored record alone.
  rec.application = "Main.App";
  EXPECT_EQ(apps.put(), err::CreatesDuplicateKey);
  EXPECT_EQ(apps.records(), 3);
  rec.application = "SECOND.APP";
  rec.drivenpath = "C:\\Dev\\";
  EXPECT_EQ(apps.get(*def.key("APP:DriveKey")), 0);
  // Records with both components blank escape the test.
  EXPECT_EQ(add_app(apps, rec, "", ""), 0);
  EXPECT_EQ(add_app(apps, rec, "", ""), 0);
  EXPECT_EQ(apps.records(), 5);
}

TEST_F(RecordFileTest, PositionsHoldTheKeyValueAndReadTheRecordAgain) {
  ASSERT_EQ(apps.create(), 0);
  ASSERT_EQ(apps.open(), 0);
  const KeyDef& drive = *def.key("APP:DriveKey");
  EXPECT_EQ(apps.position(drive), "");
  for (const char* name : {"A|B%.APP", "B.APP", "C.APP"}) ASSERT_EQ(add_app(apps, rec, name, "C:\\X\\"), 0);
  ASSERT_EQ(apps.set_order(drive), 0);
  ASSERT_EQ(apps.next(), 0);
  std::string first = apps.position(drive);
  std::string first_in_file = apps.position();
  EXPECT_LE(first.size(), 1024u);
  EXPECT_NE(first.find("C:\\X\\"), std::string::npos);
  ASSERT_EQ(apps.next(), 0);
  std::string second = apps.position(drive);
  EXPECT_NE(first, second);

  ASSERT_EQ(apps.reget(drive, first), 0);
  EXPECT_EQ(rec.application, "A|B%.APP");
  // Reading goes on after the record read again.
  ASSERT_EQ(apps.next(), 0);
  EXPECT_EQ(rec.application, "B.APP");
  ASSERT_EQ(apps.reget(first_in_file), 0);
  EXPECT_EQ(rec.application, "A|B%.APP");

  // Its key changes: the old key position no longer finds it, the file position does.
  ASSERT_EQ(apps.reget(drive, second), 0);
  rec.application = "Z.APP";
  ASSERT_EQ(apps.put(), 0);
  EXPECT_EQ(apps.reget(drive, second), err::RecordNotFound);
  EXPECT_EQ(apps.reget(drive, apps.position(drive)), 0);
  EXPECT_EQ(rec.application, "Z.APP");
  EXPECT_EQ(apps.reget(drive, "garbage"), err::RecordNotFound);
}

TEST_F(RecordFileTest, TwoDeclarationsOfOneFileHaveTheirOwnBuffersAndSeeEachOther) {
  FileDef project_apps_def = apps_def(apps_name, "APPS1");
  AppRecord rec1{};
  RecordFile project_apps(project_apps_def, &rec1);
  ASSERT_EQ(apps.create(), 0);
  ASSERT_EQ(apps.open(), 0);
  ASSERT_EQ(project_apps.open(), 0);
  ASSERT_EQ(add_app(apps, rec, "A.APP", "C:\\", 1, 7), 0);
  ASSERT_EQ(add_app(apps, rec, "B.APP", "C:\\", 2, 7), 0);
  EXPECT_TRUE(rec1.application.blank());

  const KeyDef& ref1 = *project_apps_def.key("APPS1:P_RefKey");
  rec1.p_ref = 7;
  ASSERT_EQ(project_apps.set_order_from_buffer(ref1), 0);
  ASSERT_EQ(project_apps.next(), 0);
  EXPECT_EQ(rec1.application, "A.APP");
  EXPECT_EQ(rec.application, "B.APP");
  rec1.tag = 1;
  ASSERT_EQ(project_apps.put(), 0);

  ASSERT_EQ(apps.set_order(*def.key("APP:PriorityKey")), 0);
  ASSERT_EQ(apps.next(), 0);
  EXPECT_EQ(rec.application, "A.APP");
  EXPECT_EQ(rec.tag, 1);
  ASSERT_EQ(project_apps.next(), 0);
  EXPECT_EQ(rec1.application, "B.APP");
  EXPECT_EQ(project_apps.next(), err::RecordNotAvailable);
}

TEST_F(RecordFileTest, EachThreadHasItsOwnInstanceAndSeesCommittedWrites) {
  ASSERT_EQ(apps.create(), 0);
  ASSERT_EQ(apps.open(), 0);
  ASSERT_EQ(add_app(apps, rec, "MAIN.APP", "C:\\"), 0);
  int other_open = -1, other_records = -1, other_error = -1;
  std::string other_app;
  std::thread([&] {
    AppRecord trec{};
    RecordFile tapps(def, &trec);
    other_open = tapps.open();
    other_records = static_cast<int>(tapps.records());
    tapps.set_order(*def.key("APP:DriveKey"));
    tapps.next();
    other_app = trec.application.str();
    add_app(tapps, trec, "THREAD.APP", "C:\\");
    tapps.erase();
    other_error = add_app(tapps, trec, "FROM-THREAD.APP", "C:\\");
    set_error(err::DriverError);
  }).join();
  EXPECT_EQ(other_open, 0);
  EXPECT_EQ(other_records, 1);
  EXPECT_EQ(other_app, "MAIN.APP");
  EXPECT_EQ(other_error, 0);
  EXPECT_EQ(error_code(), 0);
  EXPECT_EQ(rec.application, "MAIN.APP");
  EXPECT_EQ(apps.records(), 2);
}

TEST_F(RecordFileTest, ChangedByAnotherStationIsRefusedAndTheStoredVersionReadBack) {
  ASSERT_EQ(apps.create(), 0);
  ASSERT_EQ(apps.open(), 0);
  ASSERT_EQ(add_app(apps, rec, "MAIN.APP", "C:\\", 4), 0);
  ASSERT_EQ(add_app(apps, rec, "GONE.APP", "C:\\", 4), 0);
  apps.watch();
  rec.application = "MAIN.APP";
  rec.drivenpath = "C:\\";
  ASSERT_EQ(apps.get(*def.key("APP:DriveKey")), 0);
  std::thread([&] {
    AppRecord trec{};
    RecordFile station(def, &trec);
    station.open();
    trec.application = "MAIN.APP";
    trec.drivenpath = "C:\\";
    station.get(*def.key("APP:DriveKey"));
    trec.target = "THEIRS.EXE";
    station.put();
  }).join();
  rec.target = "MINE.EXE";
  EXPECT_EQ(apps.put(), err::RecordChangedByAnotherStation);
  EXPECT_EQ(error_text(), "Record Changed By Another Station");
  EXPECT_EQ(rec.target, "THEIRS.EXE");
  // Now the buffer holds the stored version, so the change goes through.
  rec.target = "MINE.EXE";
  EXPECT_EQ(apps.put(), 0);
  std::thread([&] {
    AppRecord trec{};
    RecordFile station(def, &trec);
    station.open();
    trec.application = "MAIN.APP";
    trec.drivenpath = "C:\\";
    station.get(*def.key("APP:DriveKey"));
    trec.priority = 9;
    station.put();
  }).join();
  rec.target = "ASIDE.EXE";
  EXPECT_EQ(apps.erase(), err::RecordChangedByAnotherStation);
  EXPECT_EQ(rec.priority, 4) << "a refused delete leaves the caller's buffer";
  EXPECT_EQ(rec.target, "ASIDE.EXE");
  EXPECT_EQ(apps.records(), 2);
  // The stored version now counts as read, so a deliberate second try goes through.
  EXPECT_EQ(apps.erase(), 0);
  EXPECT_EQ(apps.records(), 1);
}

TEST_F(RecordFileTest, ReadOnlyOpenRefusesWrites) {
  ASSERT_EQ(apps.create(), 0);
  ASSERT_EQ(apps.open(kReadOnly | kDenyNone), 0);
  EXPECT_TRUE(apps.read_only());
  EXPECT_EQ(add_app(apps, rec, "MAIN.APP", "C:\\"), err::AccessDenied);
  EXPECT_EQ(apps.empty(), err::AccessDenied);
  apps.close();
  chmod(apps_name.str().c_str(), 0444);
  if (access(apps_name.str().c_str(), W_OK) == 0) GTEST_SKIP() << "running as a user that ignores file modes";
  EXPECT_EQ(apps.open(), err::AccessDenied);
  EXPECT_EQ(apps.open(kReadOnly), 0);
}

TEST_F(RecordFileTest, EmptyAndRecordCount) {
  ASSERT_EQ(apps.create(), 0);
  ASSERT_EQ(apps.open(), 0);
  for (int i = 0; i < 20; ++i) ASSERT_EQ(add_app(apps, rec, "A" + std::to_string(i) + ".APP", "C:\\"), 0);
  EXPECT_EQ(apps.records(), 20);
  ASSERT_EQ(apps.empty(), 0);
  EXPECT_EQ(apps.records(), 0);
  ASSERT_EQ(apps.set_order_file(), 0);
  EXPECT_EQ(apps.next(), err::RecordNotAvailable);
}

TEST_F(RecordFileTest, StorageOrderBothWays) {
  ASSERT_EQ(apps.create(), 0);
  ASSERT_EQ(apps.open(), 0);
  for (const char* name : {"C.APP", "A.APP", "B.APP"}) ASSERT_EQ(add_app(apps, rec, name, "C:\\"), 0);
  std::vector<std::string> forward, backward;
  apps.set_order_file();
  while (apps.next() == 0) forward.push_back(rec.application.str());
  EXPECT_EQ(error_code(), err::RecordNotAvailable);
  apps.set_order_file();
  while (apps.previous() == 0) backward.push_back(rec.application.str());
  EXPECT_EQ(forward, (std::vector<std::string>{"C.APP", "A.APP", "B.APP"}));
  EXPECT_EQ(backward, (std::vector<std::string>{"B.APP", "A.APP", "C.APP"}));
}

TEST_F(RecordFileTest, StreamBatchesWritesUntilFlush) {
  ASSERT_EQ(apps.create(), 0);
  ASSERT_EQ(apps.open(), 0);
  ASSERT_EQ(apps.stream(), 0);
  for (int i = 0; i < 50; ++i) ASSERT_EQ(add_app(apps, rec, "A" + std::to_string(i) + ".APP", "C:\\"), 0);
  int64_t seen_by_other_thread = -1;
  auto count_elsewhere = [&] {
    std::thread([&] {
      AppRecord trec{};
      RecordFile other(def, &trec);
      other.open();
      seen_by_other_thread = other.records();
    }).join();
  };
  count_elsewhere();
  EXPECT_EQ(seen_by_other_thread, 0);
  ASSERT_EQ(apps.flush(), 0);
  count_elsewhere();
  EXPECT_EQ(seen_by_other_thread, 50);
}

TEST_F(RecordFileTest, UnknownDriverInstructionIsAnError) {
  EXPECT_EQ(apps.send("Recover=10"), 0);
  EXPECT_EQ(apps.send("recover=2"), 0);
  EXPECT_EQ(apps.send("Recover=x"), err::DriverError);
  EXPECT_EQ(apps.send("Frobnicate"), err::DriverError);
  EXPECT_NE(driver_error_text().find("Frobnicate"), std::string::npos);
}

TEST_F(RecordFileTest, RemoveFileByName) {
  ASSERT_EQ(apps.create(), 0);
  ASSERT_EQ(apps.open(), 0);
  EXPECT_EQ(remove_file(apps_name.str()), err::AccessDenied);
  apps.close();
  EXPECT_EQ(remove_file(apps_name.str() + "   "), 0);
  EXPECT_EQ(apps.open(), err::FileNotFound);
  EXPECT_EQ(remove_file(apps_name.str()), err::FileNotFound);
}

TEST(DosFile, CreatesOpensAndDeletesPlainFiles) {
  TempDir dir;
  FixedString<80> dos_name;
  FileDef dos;
  dos.label = "Dosfile";
  dos.driver = Driver::Dos;
  bind_name(dos, dos_name);
  RecordFile file(dos, nullptr);
  std::string target = dir.file("OLD.EXE");
  { std::ofstream(target) << "binary"; }
  dos_name = target;
  ASSERT_EQ(file.open(), 0);
  EXPECT_EQ(file.close(), 0);
  EXPECT_EQ(remove_file(dos_name.str()), 0);
  EXPECT_FALSE(std::filesystem::exists(target));
  EXPECT_EQ(file.open(), err::FileNotFound);
  EXPECT_EQ(file.create(), 0);
  EXPECT_EQ(std::filesystem::file_size(target), 0u);
}

TEST_F(RecordFileTest, FileOpensInTheSqliteToolForSelect) {
  if (std::system("command -v sqlite3 >/dev/null 2>&1") != 0) GTEST_SKIP() << "no sqlite3 tool";
  ASSERT_EQ(apps.create(), 0);
  ASSERT_EQ(apps.open(), 0);
  ASSERT_EQ(add_app(apps, rec, "MAIN.APP", "C:\\DEV\\", 3, 2), 0);
  apps.close();
  std::string out_file = dir.file("out.txt");
  std::string cmd = "sqlite3 '" + apps_name.str() +
                    "' \"SELECT APPLICATION, DRIVENPATH, Priority, P_REF FROM records\" > '" + out_file + "' 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::ifstream in(out_file);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "MAIN.APP|C:\\DEV\\|3|2");
}

}  // namespace
}  // namespace qvn::storage::testing
