// The settings as the settings window and the tests save and restore them:
// exactly as they were held, not as they are written (a folder with "/").

#include "data/globals.h"

#include <gtest/gtest.h>

#include <string>

#include "support/program_state.h"

namespace qvn::data {
namespace {

struct Held {
  std::string use_new_log, run_string, file_path;
  int retain_tags;
};

Held held() {
  return {std::string(GLO_UseNewLog.raw()), GLO_RunString.str(), std::string(GLO_FilePath.raw()), GLO_RETAINTAGS};
}

TEST(SettingsSnapshotTest, PutBackRestoresEachSettingAsItWasHeld) {
  const test_support::ProgramState program_state;
  const struct {
    const char* name;
    const char* use_new_log;
    const char* run_string;
    const char* file_path;
    uint8_t retain_tags;
  } cases[] = {
      {"a folder with backslashes and a command with trailing blanks", "Y", "c60ee.exe /nosplash  ", "C:\\DATA\\", 255},
      {"blank and empty", " ", "", "", 0},
      {"a folder's trailing blanks", "N", "ide", "data/  ", 1},
  };
  for (const auto& c : cases) {
    GLO_UseNewLog = c.use_new_log;
    GLO_RunString = c.run_string;
    GLO_FilePath = c.file_path;
    GLO_RETAINTAGS = c.retain_tags;
    const Held before = held();
    const SettingsSnapshot snapshot;
    GLO_UseNewLog = "X";
    GLO_RunString = "other.exe";
    GLO_FilePath = "/elsewhere/";
    GLO_RETAINTAGS = 7;
    snapshot.put_back();
    const Held after = held();
    EXPECT_EQ(after.use_new_log, before.use_new_log) << c.name;
    EXPECT_EQ(after.run_string, before.run_string) << c.name;
    EXPECT_EQ(after.file_path, before.file_path) << c.name;
    EXPECT_EQ(after.retain_tags, before.retain_tags) << c.name;
  }
}

}  // namespace
}  // namespace qvn::data
