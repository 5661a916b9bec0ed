#include "data/files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "data_fixture.h"

using namespace qvn;
using namespace qvn::data;
using namespace qvn::data::testing;
using ::testing::ElementsAre;

namespace {

TEST(DataFiles, DeclarationsHaveTheRecordLayoutsAndInitialNames) {
  struct Row {
    const storage::FileDef& def;
    const char* label;
    size_t record_size;
    size_t fields;
    size_t keys;
    std::string initial_name;
  };
  const Row rows[] = {
      {AppsDef, "Apps", 387, 6, 3, "APPS.TPS"},
      {ProjectAppsDef, "ProjectApps", 387, 6, 3, "APPS.TPS"},
      {ProjectsDef, "Projects", 54, 2, 2, "PROJECTS.TPS"},
      {TempFileDef, "TempFile", 128, 4, 1, "TEMPFILE.TPS"},
      {TagFileDef, "TagFile", 381, 4, 1, "TF.TPS"},
      {DosfileDef, "Dosfile", 0, 0, 0, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    EXPECT_EQ(row.def.label, row.label);
    EXPECT_EQ(row.def.record_size(), row.record_size);
    EXPECT_EQ(row.def.fields.size(), row.fields);
    EXPECT_EQ(row.def.keys.size(), row.keys);
    std::string_view name(row.def.name_var, row.def.name_width);
    EXPECT_EQ(clip(name), row.initial_name);
    EXPECT_EQ(name.size(), row.def.driver == storage::Driver::Dos ? 80u : 64u) << "stored blank-padded";
  }
  EXPECT_EQ(AppsDef.name_var, ProjectAppsDef.name_var) << "one name serves both declarations";
  EXPECT_EQ(AppsDef.fields[3].name, "APP:Priority");
  EXPECT_EQ(ProjectAppsDef.fields[5].name, "APPS1:P_REF");
}

TEST(DataFiles, EachThreadHasItsOwnBuffers) {
  APP.APPLICATION = "MAIN.APP";
  AppRecord* mine = &APP;
  AppRecord* theirs = nullptr;
  std::string seen;
  std::thread([&] {
    theirs = &APP;
    seen = APP.APPLICATION.str();
  }).join();
  EXPECT_NE(mine, theirs);
  EXPECT_EQ(seen, "");
  EXPECT_NE(&APP, &APPS1);
  EXPECT_EQ(Apps.buffer(), &APP);
  EXPECT_EQ(ProjectApps.buffer(), &APPS1);
  Apps.clear_buffer();
}

using DataKeys = DataTest;

TEST_F(DataKeys, ApplicationsAreUniqueByNameAndFolderWhateverTheCase) {
  add_app("MAKE.APP", "C:\\WORK\\", 0);
  add_app("MAKE.APP", "C:\\OTHER\\", 0);
  add_app("BUILD.APP", "C:\\WORK\\", 0);

  Apps.clear_buffer();
  APP.APPLICATION = "make.app";
  APP.DRIVENPATH = "c:\\work\\";
  EXPECT_EQ(apps_file_manager->Insert(), framework::level::Notify);
  ASSERT_THAT(presenter.titles(), ElementsAre("Duplicate Key Error"));
  EXPECT_EQ(presenter.shown[0].text, "Adding this record creates a duplicate entry for the key: APP:DriveKey");
  EXPECT_THAT(apps_on_file(), ElementsAre("BUILD.APP:0", "MAKE.APP:0", "MAKE.APP:0"));
}

TEST_F(DataKeys, BatchOrderIsPriorityThenNameAndProjectlessAppsStayOutOfTheProjectKey) {
  add_app("ZETA.APP", "C:\\A\\", 3, 2);
  add_app("beta.app", "C:\\A\\", 0, 1);
  add_app("ALPHA.APP", "C:\\A\\", 3, 2);
  add_app("GAMMA.APP", "C:\\A\\", 4, 1);

  std::vector<std::string> batch;
  Apps.set_order(APP_PriorityKey);
  while (apps_file_manager->Next() == 0) batch.push_back(APP.APPLICATION.str());
  EXPECT_THAT(batch, ElementsAre("beta.app", "GAMMA.APP", "ALPHA.APP", "ZETA.APP"));

  std::vector<int32_t> projects;
  Apps.clear_buffer();
  Apps.set_order_from_buffer(APP_P_RefKey);
  while (apps_file_manager->Next() == 0) projects.push_back(APP.P_REF);
  EXPECT_THAT(projects, ElementsAre(3, 3, 4));
}

TEST_F(DataKeys, AppsAndProjectAppsAreOneFileWithTwoBuffers) {
  add_app("MAKE.APP", "C:\\WORK\\", 2);
  ASSERT_EQ(projectapps_file_manager->UseFile(framework::use::Benign), 0);
  ProjectApps.clear_buffer();
  APPS1.P_REF = 2;
  ASSERT_EQ(ProjectApps.set_order_from_buffer(APPS1_P_RefKey), 0);
  ASSERT_EQ(projectapps_file_manager->Next(), 0);
  EXPECT_EQ(APPS1.APPLICATION, "MAKE.APP");
  Apps.clear_buffer();
  EXPECT_TRUE(APP.APPLICATION.blank()) << "each declaration keeps its own buffer";
  EXPECT_EQ(APPS1.APPLICATION, "MAKE.APP");
}

}  // namespace
