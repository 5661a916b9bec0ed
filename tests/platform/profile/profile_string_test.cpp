#include "platform/profile/profile_string.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/error_state.h"
#include "profile_fixture.h"

namespace qvn::profile {
namespace {

namespace fs = std::filesystem;
using testing::ProfileTest;

class ProfileStringTest : public ProfileTest {
 protected:
  std::string ini() const { return (dir_ / "QVN.INI").string(); }
};

TEST_F(ProfileStringTest, MissingFileSectionOrKeyGiveTheDefault) {
  EXPECT_EQ(get_ini("Preserved", "NewLog", "dflt   ", ini()), "dflt");
  spit(ini(), "[Other]\nNewLog=Y\n[Preserved]\nFilePath=C:\\DATA\\\nEmpty=\n");
  EXPECT_EQ(get_ini("Missing", "NewLog", "d", ini()), "d");
  EXPECT_EQ(get_ini("Preserved", "NewLog", "d", ini()), "d");
  EXPECT_EQ(get_ini("Preserved", "Empty", "d", ini()), "") << "a key that is there, even empty, is no default";
  EXPECT_EQ(get_ini("Preserved", "FilePath", "", ini()), "C:\\DATA\\");
}

TEST_F(ProfileStringTest, SectionsAndKeysAreFoundWithoutRegardToCase) {
  spit(ini(), "  [ PreSERVED ]  \n  newlog  =  Y  \nCL_COMMAND=c:\\clarion6\\bin\\c60ee.exe\n");
  EXPECT_EQ(get_ini("Preserved", "NewLog", "", ini()), "Y");
  EXPECT_EQ(get_ini("PRESERVED   ", "cl_command   ", "", ini()), "c:\\clarion6\\bin\\c60ee.exe");
}

TEST_F(ProfileStringTest, HostileFilesGiveClearResults) {
  const std::string long_value(3000, 'x');
  std::string text = std::string("garbage without equals\r\n") + "\x01\x02\xff=\xfe\r\n" +
                     "[Preserved]\r\n" + "=no key\r\n" + "[broken header\r\n" + "NewLog=Y\r\n" +
                     "Long=" + long_value + "\r\n" + std::string("Nul=ab\0cd\r\n", 11) +
                     std::string("Bin\0ary=1\r\n", 11) + "; Comment=1\r\n" + "FilePath=C:\\DATA\\";
  spit(ini(), text);
  struct Case {
    const char* key;
    std::string expected;
  };
  const Case cases[] = {
      {"NewLog", "Y"},
      {"Long", std::string(kMaxValueLength, 'x')},
      {"Nul", "ab"},
      {"Bin", "none"},
      {"; Comment", "none"},
      {"FilePath", "C:\\DATA\\"},
      {"garbage without equals", "none"},
  };
  for (const Case& c : cases) EXPECT_EQ(get_ini("Preserved", c.key, "none", ini()), c.expected) << c.key;
}

TEST_F(ProfileStringTest, ValuesAreReadIntoTheirBuffer) {
  spit(ini(), "[S]\nExact=" + std::string(1023, 'a') + "\nOver=" + std::string(1024, 'b') + "\n");
  EXPECT_EQ(get_ini("S", "Exact", "", ini()), std::string(1023, 'a'));
  EXPECT_EQ(get_ini("S", "Over", "", ini()), std::string(1023, 'b'));
  EXPECT_EQ(get_ini("S", "Missing", std::string(2000, 'c'), ini()), std::string(1023, 'c'));
}

TEST_F(ProfileStringTest, WritingCreatesFileAndSectionWithTrailingBlanksRemoved) {
  set_error(err::FileNotFound);
  EXPECT_EQ(put_ini("Preserved", "NewLog", "Y   ", ini()), 0);
  EXPECT_EQ(error_code(), 0);
  EXPECT_EQ(put_ini("Preserved", "FilePath", "  C:\\DATA\\  ", ini()), 0);
  EXPECT_EQ(put_ini("Preserved", "CL_Command", "   ", ini()), 0);
  EXPECT_EQ(slurp(ini()), "[Preserved]\nNewLog=Y\nFilePath=  C:\\DATA\\\nCL_Command=\n");
  EXPECT_EQ(get_ini("Preserved", "CL_Command", "d", ini()), "");
  EXPECT_EQ(put_ini("Preserved", "CL_Command", "c60ee.exe /define=a=b", ini()), 0);
  EXPECT_EQ(get_ini("Preserved", "CL_Command", "", ini()), "c60ee.exe /define=a=b");
}

TEST_F(ProfileStringTest, WritingOneKeyKeepsEverythingElse) {
  const std::string before =
      "; settings of QVN\n"
      "[Other]\n"
      "FilePath=keep me\n"
      "stray line\n"
      "\n"
      "[Preserved]\n"
      "NewLog=N\n"
      "# note\n"
      "FilePath=old\n"
      "\n"
      "[Last]\n"
      "x=1";
  spit(ini(), before);
  ASSERT_EQ(put_ini("preserved", "FILEPATH", "new", ini()), 0);
  ASSERT_EQ(put_ini("Preserved", "RetainTags", "1", ini()), 0);
  ASSERT_EQ(put_ini("Last", "y", "2", ini()), 0);
  EXPECT_EQ(slurp(ini()),
            "; settings of QVN\n"
            "[Other]\n"
            "FilePath=keep me\n"
            "stray line\n"
            "\n"
            "[Preserved]\n"
            "NewLog=N\n"
            "# note\n"
            "FILEPATH=new\n"
            "RetainTags=1\n"
            "\n"
            "[Last]\n"
            "x=1\n"
            "y=2\n");
  EXPECT_EQ(get_ini("Other", "FilePath", "", ini()), "keep me");
}

TEST_F(ProfileStringTest, CrlfFilesStayCrlf) {
  spit(ini(), "[Preserved]\r\nNewLog=N\r\n");
  ASSERT_EQ(put_ini("Preserved", "NewLog", "Y", ini()), 0);
  ASSERT_EQ(put_ini("New", "Key", "v", ini()), 0);
  EXPECT_EQ(slurp(ini()), "[Preserved]\r\nNewLog=Y\r\n[New]\r\nKey=v\r\n");
}

TEST_F(ProfileStringTest, ValuesCannotAddLinesAndBadNamesAreRefused) {
  spit(ini(), "[Preserved]\nNewLog=N\n");
  ASSERT_EQ(put_ini("Preserved", "CL_Command", "run.exe  \n[Preserved]\nNewLog=Y", ini()), 0);
  EXPECT_EQ(get_ini("Preserved", "CL_Command", "", ini()), "run.exe");
  EXPECT_EQ(get_ini("Preserved", "NewLog", "", ini()), "N");
  const std::string after = slurp(ini());

  struct Case {
    const char* section;
    const char* key;
  };
  const Case refused[] = {{"", "Key"}, {"Preserved", "   "}, {"Pre]served", "Key"},
                          {"Preserved", "a=b"}, {"Preserved", "two\nlines"}, {"two\rlines", "Key"},
                          {"Preserved", "[Other]"}, {"Preserved", "; note"}, {"Preserved", "#x"}};
  for (const Case& c : refused) {
    EXPECT_EQ(put_ini(c.section, c.key, "v", ini()), err::InvalidFileName) << c.section << "/" << c.key;
    EXPECT_EQ(error_code(), err::InvalidFileName);
  }
  EXPECT_EQ(slurp(ini()), after);
}

TEST_F(ProfileStringTest, AWriteReplacesTheFileAsAWhole) {
  spit(ini(), "[Preserved]\nNewLog=N\n");
  ::chmod(ini().c_str(), 0640);
  // A reader that opened the old file keeps seeing the old, complete text:
  // the new one was written beside it and renamed over it.
  int old_fd = ::open(ini().c_str(), O_RDONLY);
  ASSERT_GE(old_fd, 0);
  ASSERT_EQ(put_ini("Preserved", "NewLog", "Y", ini()), 0);
  char buf[64] = {};
  ssize_t n = ::pread(old_fd, buf, sizeof buf - 1, 0);
  ::close(old_fd);
  EXPECT_EQ(std::string(buf, static_cast<size_t>(n)), "[Preserved]\nNewLog=N\n");
  EXPECT_EQ(slurp(ini()), "[Preserved]\nNewLog=Y\n");

  struct stat st{};
  ASSERT_EQ(::stat(ini().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u) << "the new copy keeps the file's permissions";
  size_t entries = 0;
  for (const auto& e : fs::directory_iterator(dir_)) {
    ++entries;
    EXPECT_EQ(e.path().filename(), "QVN.INI") << "no temporary file is left behind";
  }
  EXPECT_EQ(entries, 1u);
}

TEST_F(ProfileStringTest, AWriteThroughALinkChangesTheFileItNames) {
  spit(dir_ / "real.ini", "[S]\nk=1\n");
  fs::create_symlink(dir_ / "real.ini", dir_ / "link.ini");
  ASSERT_EQ(put_ini("S", "k", "2", (dir_ / "link.ini").string()), 0);
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.ini"));
  EXPECT_EQ(slurp(dir_ / "real.ini"), "[S]\nk=2\n");
}

TEST_F(ProfileStringTest, FailedWritesLeaveEverythingAsItWas) {
  const std::string no_folder = (dir_ / "missing" / "QVN.INI").string();
  EXPECT_EQ(put_ini("Preserved", "NewLog", "Y", no_folder), err::PathNotFound);
  EXPECT_EQ(error_code(), err::PathNotFound);
  EXPECT_FALSE(fs::exists(dir_ / "missing"));

  // A name that is not a file cannot be read, so it is not replaced either.
  fs::create_directory(dir_ / "dir.ini");
  spit(dir_ / "dir.ini" / "inside", "x");
  EXPECT_NE(put_ini("Preserved", "NewLog", "Y", (dir_ / "dir.ini").string()), 0);
  EXPECT_TRUE(fs::is_directory(dir_ / "dir.ini"));
  EXPECT_EQ(slurp(dir_ / "dir.ini" / "inside"), "x");
  EXPECT_EQ(get_ini("Preserved", "NewLog", "d", (dir_ / "dir.ini").string()), "d");
}

TEST_F(ProfileStringTest, ARelativeNameWithBackslashesLiesInTheCurrentFolder) {
  const fs::path previous = fs::current_path();
  fs::current_path(dir_);
  int written = put_ini("Preserved", "FilePath", "C:\\DATA\\", ".\\QVN.INI");
  std::string read = get_ini("Preserved", "FilePath", "", ".\\QVN.INI   ");
  fs::current_path(previous);
  EXPECT_EQ(written, 0);
  EXPECT_EQ(read, "C:\\DATA\\");
  EXPECT_EQ(slurp(dir_ / "QVN.INI"), "[Preserved]\nFilePath=C:\\DATA\\\n");
}

TEST_F(ProfileStringTest, NoFileNameMeansThePerUserProfile) {
  ASSERT_EQ(put_ini("Preserved", "GLO:UseNewLog", "Y", ""), 0);
  EXPECT_EQ(slurp(profile_), "[Preserved]\nGLO:UseNewLog=Y\n");
  EXPECT_EQ(get_ini("Preserved", "GLO:UseNewLog", "", "    "), "Y");
}

TEST_F(ProfileStringTest, ThePerUserProfileLiesInTheUsersConfigFolder) {
  ::unsetenv("QVN_PROFILE");
  ::setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
  ::setenv("HOME", (dir_ / "home").c_str(), 1);
  EXPECT_EQ(user_profile_path(), (dir_ / "config" / "qvn" / "profile.ini").string());
  ASSERT_EQ(put_ini("Preserved", "GLO:FilePath", "x"), 0) << "missing folders are made";
  EXPECT_EQ(slurp(dir_ / "config" / "qvn" / "profile.ini"), "[Preserved]\nGLO:FilePath=x\n");

  ::setenv("XDG_CONFIG_HOME", "relative/config", 1);
  EXPECT_EQ(user_profile_path(), (dir_ / "home" / ".config" / "qvn" / "profile.ini").string());
  ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(user_profile_path(), (dir_ / "home" / ".config" / "qvn" / "profile.ini").string());
}

TEST_F(ProfileStringTest, WritersOnSeveralThreadsLoseNoKey) {
  constexpr int kThreads = 4;
  constexpr int kKeys = 8;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([this, t] {
      for (int k = 0; k < kKeys; ++k) {
        put_ini("S" + std::to_string(t % 2), "k" + std::to_string(t) + "_" + std::to_string(k), "v", ini());
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) {
    for (int k = 0; k < kKeys; ++k) {
      EXPECT_EQ(get_ini("S" + std::to_string(t % 2), "k" + std::to_string(t) + "_" + std::to_string(k), "", ini()),
                "v");
    }
  }
}

}  // namespace
}  // namespace qvn::profile
