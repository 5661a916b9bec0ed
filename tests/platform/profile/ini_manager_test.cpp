#include "platform/profile/ini_manager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/profile/profile_string.h"
#include "profile_fixture.h"

namespace qvn::profile {
namespace {

namespace fs = std::filesystem;
using testing::ProfileTest;

// Records what its hooks saw, to show when Init runs them.
class RecordingManager : public IniManager {
 public:
  void Fetch() override {
    calls.push_back("fetch");
    fetched = Read("Preserved", "GLO:FilePath");
    sectors_during_fetch = Sectors();
    IniManager::Fetch();
  }
  void Update() override {
    calls.push_back("update");
    IniManager::Update();
  }
  std::vector<std::string> calls;
  std::string fetched;
  int sectors_during_fetch = -1;
};

using IniManagerTest = ProfileTest;

TEST_F(IniManagerTest, InitKeepsTheStoreRunsFetchThenReadsTheBookkeeping) {
  spit(profile_, "[Preserved]\nGLO:FilePath=C:\\DATA\\\n[__Dont_Touch_Me__]\nSectors=2\n");
  RecordingManager m;
  m.Init("", kProfileStringStore);
  EXPECT_EQ(m.calls, std::vector<std::string>{"fetch"}) << "Init runs the fetch hook, never update";
  EXPECT_EQ(m.fetched, "C:\\DATA\\");
  EXPECT_EQ(m.sectors_during_fetch, 0) << "the bookkeeping entry is read after the fetch hook";
  EXPECT_EQ(m.Sectors(), 2);
  EXPECT_EQ(m.FileName(), "");
  EXPECT_EQ(m.Kind(), kProfileStringStore);
  m.Kill();
  EXPECT_EQ(get_ini("__Dont_Touch_Me__", "Sectors"), "2");
}

TEST_F(IniManagerTest, KillWritesZeroSectorsWhenItKeepsNone) {
  IniManager m;
  m.Init("");
  EXPECT_FALSE(fs::exists(profile_)) << "the base hooks neither read nor write settings";
  m.Update();
  EXPECT_FALSE(fs::exists(profile_));
  m.Kill();
  EXPECT_EQ(slurp(profile_), "[__Dont_Touch_Me__]\nSectors=0\n");
}

TEST_F(IniManagerTest, ABookkeepingEntryThatIsNoCountReadsAsNone) {
  for (const char* value : {"abc", "-4", "", "99999999999999999999"}) {
    spit(profile_, std::string("[__Dont_Touch_Me__]\nSectors=") + value + "\n");
    IniManager m;
    m.Init("");
    EXPECT_EQ(m.Sectors(), 0) << value;
    m.Kill();
    EXPECT_EQ(get_ini("__Dont_Touch_Me__", "Sectors"), "0") << value;
  }
}

TEST_F(IniManagerTest, KillWithoutInitWritesNothing) {
  {
    IniManager never_initialised;
    never_initialised.Kill();
  }
  EXPECT_FALSE(fs::exists(profile_));
  IniManager m;
  m.Init("");
  m.Kill();
  fs::remove(profile_);
  m.Kill();
  EXPECT_FALSE(fs::exists(profile_)) << "a second Kill writes nothing";
}

TEST_F(IniManagerTest, ANamedStoreIsUsedInsteadOfTheProfile) {
  const std::string named = (dir_ / "named.ini").string();
  IniManager m;
  m.Init(named, kProfileStringStore);
  EXPECT_EQ(m.Write("Preserved", "GLO:RunString", "c60ee.exe   "), 0);
  EXPECT_EQ(m.Read("preserved", "glo:runstring", "d"), "c60ee.exe");
  m.Kill();
  EXPECT_EQ(slurp(named), "[Preserved]\nGLO:RunString=c60ee.exe\n[__Dont_Touch_Me__]\nSectors=0\n");
  EXPECT_FALSE(fs::exists(profile_));
}

}  // namespace
}  // namespace qvn::profile
