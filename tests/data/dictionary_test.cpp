#include "data/dictionary.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "../platform/framework/other_program.h"
#include "data_fixture.h"

using namespace qvn;
using namespace qvn::data;
using namespace qvn::data::testing;
using framework::level::Benign;
using framework::level::Cancel;
using framework::level::Fatal;
using framework::level::Notify;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

std::array<framework::FileManager*, 6> file_managers() {
  return {apps_file_manager,     dosfile_file_manager, tempfile_file_manager,
          projects_file_manager, tagfile_file_manager, projectapps_file_manager};
}
std::array<framework::RelationManager*, 6> relation_managers() {
  return {apps_relation_manager,     dosfile_relation_manager, tempfile_relation_manager,
          projects_relation_manager, tagfile_relation_manager, projectapps_relation_manager};
}

using DictionaryTest = DataTest;

TEST_F(DictionaryTest, InitBuildsSixPairsBoundToTheThreadsFiles) {
  const char* labels[] = {"Apps", "Dosfile", "TempFile", "Projects", "TagFile", "ProjectApps"};
  storage::RecordFile* files[] = {&Apps, &Dosfile, &TempFile, &Projects, &TagFile, &ProjectApps};
  auto fms = file_managers();
  auto rms = relation_managers();
  for (size_t i = 0; i < 6; ++i) {
    SCOPED_TRACE(labels[i]);
    ASSERT_NE(fms[i], nullptr);
    ASSERT_NE(rms[i], nullptr);
    EXPECT_EQ(rms[i]->ME, fms[i]);
    EXPECT_EQ(fms[i]->FILE, files[i]);
    EXPECT_EQ(fms[i]->BUFFER, files[i]->buffer());
    EXPECT_EQ(fms[i]->FILENAMEVALUE, labels[i]);
    EXPECT_EQ(fms[i]->ERRORS, &error_manager);
    EXPECT_EQ(fms[i]->LAZYOPEN, 1);
    EXPECT_EQ(rms[i]->USELOGOUT, 1);
    EXPECT_EQ(rms[i]->LOGOUTTIMEOUT, 2);
    EXPECT_EQ(rms[i]->DEFEREDRELATIONSDONE, 0);
    EXPECT_FALSE(files[i]->is_open());
  }
  EXPECT_EQ(projectapps_file_manager->ALIASEDFILE, apps_file_manager);
  EXPECT_EQ(projectapps_relation_manager->ALIASFILE, apps_relation_manager);
  EXPECT_EQ(projectapps_file_manager->GetName(), apps_file_manager->GetName());

  framework::FileManager* before = apps_file_manager;
  dct_init();
  EXPECT_EQ(apps_file_manager, before) << "a second dct_init builds nothing";

  ASSERT_EQ(apps_relation_manager->Open(), 0);
  dct_kill();
  for (auto* fm : file_managers()) EXPECT_EQ(fm, nullptr);
  for (auto* rm : relation_managers()) EXPECT_EQ(rm, nullptr);
  EXPECT_FALSE(Apps.is_open()) << "killing the managers closes their files";
}

TEST_F(DictionaryTest, FirstUseSetsUpKeysAndLockRecovery) {
  ASSERT_EQ(projects_file_manager->UseFile(framework::use::Initialize), 0);
  EXPECT_EQ(projects_file_manager->CREATE, 1);
  EXPECT_EQ(projects_file_manager->LOCKRECOVER, 10);
  EXPECT_EQ(projects_file_manager->OPENMODE, 0x42);
  ASSERT_EQ(projects_file_manager->KEYS.size(), 2u);
  EXPECT_EQ(projects_file_manager->KEYS[0].name, "PRO:ProjectNameKey");
  EXPECT_FALSE(projects_file_manager->KEYS[0].auto_number);
  EXPECT_EQ(projects_file_manager->KEYS[1].name, "PRO:ProjectIDKey");
  EXPECT_TRUE(projects_file_manager->KEYS[1].auto_number);
}

TEST_F(DictionaryTest, ANewDataFolderGetsEveryFileWhenFirstOpened) {
  for (auto* rm : {apps_relation_manager, projectapps_relation_manager, projects_relation_manager,
                   tempfile_relation_manager, tagfile_relation_manager}) {
    ASSERT_EQ(rm->Open(), 0);
  }
  for (const char* name : {"APPS.TPS", "PROJECTS.TPS", "TEMPFILE.TPS", "TF.TPS"}) {
    EXPECT_TRUE(std::filesystem::exists(dir / name)) << name;
  }
  EXPECT_EQ(Apps.records(), 0);
  EXPECT_EQ(TagFile.records(), 0);
  EXPECT_THAT(presenter.shown, IsEmpty());
}

TEST_F(DictionaryTest, ReadingWithNothingOpenOpensTheFileAndKeepsItOpen) {
  EXPECT_FALSE(std::filesystem::exists(dir / "TEMPFILE.TPS"));
  ASSERT_EQ(tempfile_file_manager->UseFile(framework::use::Initialize), 0);
  EXPECT_EQ(TempFile.set_order(tmp_clockkey), 0);
  EXPECT_EQ(tempfile_file_manager->Next(), Notify);
  EXPECT_TRUE(TempFile.is_open());
  EXPECT_EQ(tempfile_file_manager->OPENED, 1);
  EXPECT_EQ(tempfile_file_manager->Close(), 0);
  EXPECT_FALSE(TempFile.is_open());
}

TEST_F(DictionaryTest, OpeningTheApplicationsOpensThemAndCountsTheProjects) {
  ASSERT_EQ(apps_relation_manager->Open(), 0);
  EXPECT_TRUE(Apps.is_open());
  EXPECT_EQ(Apps.open_name(), (dir / "APPS.TPS").string());
  EXPECT_EQ(projects_file_manager->OPENED, 1);
  EXPECT_FALSE(Projects.is_open()) << "related files wait for their first use";
  EXPECT_EQ(apps_relation_manager->Close(), 0);
  EXPECT_EQ(projects_file_manager->OPENED, 0);
}

TEST_F(DictionaryTest, AMissingDataFolderEndsTheProgram) {
  AppsFileName = (dir / "gone" / "APPS.TPS").string();
  EXPECT_EQ(apps_relation_manager->Open(), Fatal);
  ASSERT_THAT(presenter.titles(), ElementsAre("File Access Error"));
  EXPECT_EQ(presenter.shown[0].text, "File " + (dir / "gone" / "APPS.TPS").string() +
                                         " could not be opened.  Error: Path Not Found (3).  Press OK to end "
                                         "this application");
  EXPECT_EQ(halts, std::vector<int>{framework::kFatalExitCode});
  EXPECT_FALSE(std::filesystem::exists(dir / "gone"));
}

TEST_F(DictionaryTest, AMissingDataFolderReallyEndsTheProgram) {
  AppsFileName = (dir / "gone" / "APPS.TPS").string();
  error_manager.SetHaltHook({});
  error_manager.SetPresenter(nullptr);
  EXPECT_EXIT(apps_relation_manager->Open(), ::testing::ExitedWithCode(framework::kFatalExitCode),
              HasSubstr("File Access Error: File "));
}

TEST_F(DictionaryTest, ANewNameTakesEffectOnlyAtTheNextPhysicalOpen) {
  ASSERT_EQ(apps_relation_manager->Open(), 0);
  std::filesystem::create_directory(dir / "moved");
  AppsFileName = (dir / "moved" / "APPS.TPS").string();
  add_app("STAYS.APP", "C:\\", 0);
  EXPECT_EQ(Apps.open_name(), (dir / "APPS.TPS").string());
  ASSERT_EQ(apps_relation_manager->Close(), 0);

  ASSERT_EQ(apps_relation_manager->Open(), 0);
  EXPECT_EQ(Apps.open_name(), (dir / "moved" / "APPS.TPS").string());
  EXPECT_THAT(apps_on_file(), IsEmpty());
  ASSERT_EQ(apps_relation_manager->Close(), 0);

  AppsFileName = (dir / "APPS.TPS").string();
  EXPECT_THAT(apps_on_file(), ElementsAre("STAYS.APP:0"));
}

class ProjectRules : public DataTest {
 protected:
  // Projects 1 and 2; A and B belong to 1, C to 2, D to none.
  void SetUp() override {
    DataTest::SetUp();
    ASSERT_EQ(apps_relation_manager->Open(), 0);
    ASSERT_EQ(projects_relation_manager->Open(), 0);
    add_project("First", 1);
    add_project("Second", 2);
    add_app("A.APP", "C:\\P\\", 1);
    add_app("B.APP", "C:\\P\\", 1);
    add_app("C.APP", "C:\\P\\", 2);
    add_app("D.APP", "C:\\P\\", 0);
  }
  void TearDown() override {
    projects_relation_manager->Close();
    apps_relation_manager->Close();
    DataTest::TearDown();
  }
};

TEST_F(ProjectRules, DeletingAProjectDeletesExactlyItsApplications) {
  ASSERT_TRUE(read_project(1));
  presenter.answers = {ui::button::Yes};
  EXPECT_EQ(projects_relation_manager->Delete(true), Benign);
  EXPECT_THAT(presenter.titles(), ElementsAre("Confirm Delete"));
  EXPECT_THAT(projects_on_file(), ElementsAre(2));
  EXPECT_THAT(apps_on_file(), ElementsAre("C.APP:2", "D.APP:0"));
}

TEST_F(ProjectRules, DeletingThroughTheFileManagerLeavesTheApplications) {
  ASSERT_TRUE(read_project(1));
  EXPECT_EQ(projects_file_manager->Delete(false), Benign);
  EXPECT_THAT(projects_on_file(), ElementsAre(2));
  EXPECT_THAT(apps_on_file(), ElementsAre("A.APP:1", "B.APP:1", "C.APP:2", "D.APP:0"));
}

TEST_F(ProjectRules, ANewProjectNumberClearsTheApplicationsLink) {
  ASSERT_TRUE(read_project(1));
  PRO.P_REF = 9;
  EXPECT_EQ(projects_relation_manager->Update(), Benign);
  EXPECT_THAT(projects_on_file(), ElementsAre(2, 9));
  EXPECT_THAT(apps_on_file(), ElementsAre("A.APP:0", "B.APP:0", "C.APP:2", "D.APP:0"));
  EXPECT_THAT(presenter.shown, IsEmpty());
}

TEST_F(ProjectRules, ADeleteThatFailsAtTheProjectRestoresItsApplications) {
  ASSERT_TRUE(read_project(1));
  {
    // Another program renames the project after it was read here.
    ProjectRecord theirs;
    storage::RecordFile other(ProjectsDef, &theirs);
    ASSERT_EQ(other.open(), 0);
    theirs.P_REF = 1;
    ASSERT_EQ(other.get(PRO_ProjectIDKey), 0);
    theirs.PROJECTNAME = "Renamed elsewhere";
    ASSERT_EQ(other.put(), 0);
  }
  presenter.answers = {ui::button::No};
  EXPECT_EQ(projects_relation_manager->Delete(false), Notify);
  ASSERT_THAT(presenter.titles(), ElementsAre("Record was not deleted", "Record Delete Error"));
  EXPECT_EQ(presenter.shown[0].text,
            "An error (Record Changed By Another Station (89)) was experienced when "
            "deleting a record from the " +
                ProjectsFileName.str() + " file.");
  EXPECT_THAT(projects_on_file(), ElementsAre(1, 2));
  EXPECT_THAT(apps_on_file(), ElementsAre("A.APP:1", "B.APP:1", "C.APP:2", "D.APP:0"));
}

TEST_F(DictionaryTest, ProjectsAreNumberedFromOneAfterTheHighest) {
  struct Case {
    std::vector<int32_t> existing;
    int32_t next;
  };
  const Case cases[] = {{{}, 1}, {{1, 2, 5}, 6}, {{3}, 4}};
  int folder = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.existing));
    std::filesystem::path own = dir / std::to_string(++folder);
    std::filesystem::create_directory(own);
    ProjectsFileName = (own / "PROJECTS.TPS").string();
    for (int32_t n : c.existing) add_project(("P" + std::to_string(n)).c_str(), n);
    ASSERT_EQ(projects_file_manager->PrimeRecord(), Benign);
    EXPECT_EQ(PRO.P_REF, c.next);
    EXPECT_TRUE(PRO.PROJECTNAME.blank());
    PRO.PROJECTNAME = "New";
    EXPECT_EQ(projects_file_manager->Insert(), Benign);
    std::vector<int32_t> expected = c.existing;
    expected.push_back(c.next);
    EXPECT_EQ(projects_on_file(), expected);
    projects_file_manager->Close();
    ASSERT_FALSE(Projects.is_open());
  }
  EXPECT_THAT(presenter.shown, IsEmpty());
}

TEST_F(DictionaryTest, LockRecoveryWaitsForAnotherProgramHoldingTheApplications) {
  ASSERT_EQ(Apps.create(), 0);
  framework::testing::OtherProgram other(AppsDef, 30);
  ASSERT_TRUE(other.holds());
  EXPECT_EQ(apps_relation_manager->Open(), Benign);
  EXPECT_TRUE(Apps.is_open());
  EXPECT_FALSE(Apps.read_only());
  EXPECT_THAT(presenter.shown, IsEmpty());
  apps_relation_manager->Close();
}

TEST(DictionaryThreads, AnotherThreadBuildsAndFreesItsOwnManagers) {
  ASSERT_TRUE(on_first_thread());
  {
    Dictionary first;  // builds nothing on the program's first thread
    EXPECT_EQ(apps_file_manager, nullptr);
  }
  dct_init();
  framework::FileManager* mine = apps_file_manager;

  framework::FileManager* theirs = nullptr;
  bool built_at_start = false;
  bool freed_at_end = false;
  std::thread([&] {
    EXPECT_FALSE(on_first_thread());
    EXPECT_EQ(apps_file_manager, nullptr);
    {
      Dictionary dictionary;
      theirs = apps_file_manager;
      built_at_start = theirs != nullptr && projects_relation_manager != nullptr &&
                       projectapps_file_manager->ALIASEDFILE == apps_file_manager && apps_file_manager->FILE == &Apps;
    }
    freed_at_end = apps_file_manager == nullptr && projects_relation_manager == nullptr;
    thread_dictionary();  // the thread's own, torn down as the thread ends
    EXPECT_NE(apps_file_manager, nullptr);
  }).join();

  EXPECT_TRUE(built_at_start);
  EXPECT_TRUE(freed_at_end);
  EXPECT_NE(theirs, mine);
  EXPECT_EQ(apps_file_manager, mine) << "the first thread's managers are untouched";
  dct_kill();
}

// A thread may end with a file still open; its managers close it as the
// thread's state is torn down, and closing sets the thread's error status,
// which must still be there. Run in a child, where a write into freed
// memory cannot harm this process.
TEST_F(DictionaryTest, AThreadThatEndsWithAFileOpenEndsCleanly) {
  TMP.APPS = "LEDGER.APP";
  TMP.EVENT = "Make started";
  TMP.DATE = 80000;
  TMP.CLOCK = 100;
  ASSERT_EQ(tempfile_file_manager->Insert(), 0) << error_text();
  ASSERT_EQ(tempfile_file_manager->Close(), 0);
  EXPECT_EXIT(
      {
        std::vector<std::string> read;
        bool open_at_end = false;
        std::thread([&] {
          thread_dictionary();
          if (tempfile_file_manager->UseFile(framework::use::Benign) != 0) return;
          if (TempFile.set_order(tmp_clockkey) != 0) return;
          // To the end, which leaves "Record Not Available" as the last error.
          while (tempfile_file_manager->Next() == 0) read.push_back(TMP.APPS.str());
          open_at_end = TempFile.is_open() && error_code() == err::RecordNotAvailable;
        }).join();
        std::exit(read == std::vector<std::string>{"LEDGER.APP"} && open_at_end ? 0 : 2);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
