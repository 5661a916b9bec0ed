#include "platform/profile/profile_string.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>

#include <sys/file.h>
#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/error_state.h"
#include "platform/profile/ini_text.h"
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
  std::string text = std::string("garbage without equals\r\n") + "\x01\x02\xff=\xfe\r\n" + "[Preserved]\r\n" +
                     "=no key\r\n" + "[broken header\r\n" + "NewLog=Y\r\n" + "Long=" + long_value + "\r\n" +
                     std::string("Nul=ab\0cd\r\n", 11) + std::string("Bin\0ary=1\r\n", 11) + "; Comment=1\r\n" +
                     "FilePath=C:\\DATA\\";
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
  const Case refused[] = {{"", "Key"},
                          {"Preserved", "   "},
                          {"Pre]served", "Key"},
                          {"Preserved", "a=b"},
                          {"Preserved", "two\nlines"},
                          {"two\rlines", "Key"},
                          {"Preserved", "[Other]"},
                          {"Preserved", "; note"},
                          {"Preserved", "#x"}};
  for (const Case& c : refused) {
    EXPECT_EQ(put_ini(c.section, c.key, "v", ini()), err::InvalidFileName) << c.section << "/" << c.key;
    EXPECT_EQ(error_code(), err::InvalidFileName);
  }
  EXPECT_EQ(slurp(ini()), after);
}

TEST_F(ProfileStringTest, SeveralKeysOfASectionGoInOneWrite) {
  spit(ini(), "; kept\n[Preserved]\nFilePath=old\n[Other]\nx=1\n");
  const IniEntry keys[] = {
      {"NewLog", "Y  "}, {"CL_Command", "run.exe \"a b\"\nNewLog=N"}, {"filepath", "new"}, {"RetainTags", "1"}};
  set_error(err::FileNotFound);
  ASSERT_EQ(put_ini_keys("Preserved", keys, ini()), 0);
  EXPECT_EQ(error_code(), 0);
  EXPECT_EQ(slurp(ini()),
            "; kept\n[Preserved]\nfilepath=new\nNewLog=Y\nCL_Command=run.exe \"a b\"\nRetainTags=1\n[Other]\nx=1\n");

  // One key that cannot be written refuses the others with it.
  const std::string before = slurp(ini());
  const IniEntry with_a_bad_key[] = {{"NewLog", "N"}, {"a=b", "v"}};
  EXPECT_EQ(put_ini_keys("Preserved", with_a_bad_key, ini()), err::InvalidFileName);
  EXPECT_EQ(put_ini_keys("Pre]served", std::span<const IniEntry>(keys, 1), ini()), err::InvalidFileName);
  EXPECT_EQ(slurp(ini()), before);
  const std::string no_folder = (dir_ / "missing" / "QVN.INI").string();
  EXPECT_EQ(put_ini_keys("Preserved", keys, no_folder), err::PathNotFound);
}

TEST_F(ProfileStringTest, AReaderNeverSeesHalfOfAWriteOfSeveralKeys) {
  spit(ini(), "[S]\nA=0\nB=0\n");
  std::atomic<bool> done{false};
  std::atomic<int> mixed{0}, reads{0};
  std::thread reader([&] {
    while (!done) {
      const IniFile file = read_ini_file(ini());
      if (file.text.find("S", "A") != file.text.find("S", "B")) ++mixed;
      ++reads;
    }
  });
  for (int i = 1; i <= 100; ++i) {
    const std::string value = std::to_string(i);
    const IniEntry both[] = {{"A", value}, {"B", value}};
    ASSERT_EQ(put_ini_keys("S", both, ini()), 0);
  }
  done = true;
  reader.join();
  EXPECT_EQ(mixed, 0) << "of " << reads << " reads";
  EXPECT_EQ(get_ini("S", "B", "", ini()), "100");
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

  struct stat st {};
  ASSERT_EQ(::stat(ini().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u) << "the new copy keeps the file's permissions";
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir_)) names.insert(e.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"QVN.INI", ".QVN.INI.lock"}))
      << "no temporary file is left behind; the lock's companion stays for the next writer";
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
  int written = 0;
  std::string read;
  {
    test_support::WorkingFolder here(dir_);
    written = put_ini("Preserved", "FilePath", "C:\\DATA\\", ".\\QVN.INI");
    read = get_ini("Preserved", "FilePath", "", ".\\QVN.INI   ");
  }
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
  profile_variable_.unset();
  config_home_variable_.set(dir_ / "config");
  home_variable_.set(dir_ / "home");
  EXPECT_EQ(user_profile_path(), (dir_ / "config" / "qvn" / "profile.ini").string());
  ASSERT_EQ(put_ini("Preserved", "GLO:FilePath", "x"), 0) << "missing folders are made";
  EXPECT_EQ(slurp(dir_ / "config" / "qvn" / "profile.ini"), "[Preserved]\nGLO:FilePath=x\n");

  config_home_variable_.set("relative/config");
  EXPECT_EQ(user_profile_path(), (dir_ / "home" / ".config" / "qvn" / "profile.ini").string());
  config_home_variable_.unset();
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

TEST_F(ProfileStringTest, AByteOrderMarkIsSkippedAndKept) {
  const std::string bom = "\xEF\xBB\xBF";
  spit(ini(), bom + "[Preserved]\r\nNewLog=Y\r\n");
  EXPECT_EQ(get_ini("Preserved", "NewLog", "d", ini()), "Y");
  EXPECT_TRUE(read_ini_file(ini()).text.has_section("Preserved"));
  ASSERT_EQ(put_ini("Preserved", "FilePath", "C:\\DATA\\", ini()), 0);
  EXPECT_EQ(slurp(ini()), bom + "[Preserved]\r\nNewLog=Y\r\nFilePath=C:\\DATA\\\r\n");
  EXPECT_EQ(IniText("[S]\nk=v\n").text(), "[S]\nk=v\n") << "a mark is written only where one was read";
  EXPECT_EQ(IniText(bom).text(), bom);
}

// When the test is not done with the pipe after 20 seconds, opens and
// closes it for writing, again and again until it is, so that a reader
// waiting for a writer gets an end of file instead of keeping the test
// waiting for good; finish() tells whether that was needed.
class PipeWatchdog {
 public:
  explicit PipeWatchdog(std::string path)
      : thread_([this, path = std::move(path)] {
          const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
          while (!done_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            if (std::chrono::steady_clock::now() < until) continue;
            unblocked_ = true;
            int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
          }
        }) {}
  ~PipeWatchdog() { finish(); }
  // True when the watchdog had to let a reader go.
  bool finish() {
    done_ = true;
    if (thread_.joinable()) thread_.join();
    return unblocked_;
  }

 private:
  std::atomic<bool> done_{false};
  std::atomic<bool> unblocked_{false};
  std::thread thread_;
};

TEST_F(ProfileStringTest, OnlyRegularFilesAreRead) {
  const std::string fifo = (dir_ / "fifo.ini").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string folder = (dir_ / "folder.ini").string();
  fs::create_directory(folder);
  for (const std::string& name : {fifo, folder}) {
    SCOPED_TRACE(name);
    PipeWatchdog watchdog(fifo);
    const IniFile read = read_ini_file(name);
    EXPECT_EQ(get_ini("Preserved", "NewLog", "d", name), "d");
    EXPECT_EQ(put_ini("Preserved", "NewLog", "Y", name), err::AccessDenied);
    EXPECT_FALSE(watchdog.finish()) << "nothing waits for a writer of the pipe";
    EXPECT_EQ(read.status, IniStatus::NotRegular);
    EXPECT_EQ(read.code, err::AccessDenied);
  }
  struct stat st {};
  ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the pipe is not replaced";
  EXPECT_TRUE(fs::is_empty(folder));

  EXPECT_EQ(read_ini_file((dir_ / "missing.ini").string()).status, IniStatus::Missing);
  spit(ini(), "[Preserved]\nFilePath=" + std::string(2000, 'p') + "\n");
  const IniFile regular = read_ini_file(ini());
  EXPECT_EQ(regular.status, IniStatus::Read);
  EXPECT_EQ(regular.path, ini());
  EXPECT_EQ(regular.text.find("Preserved", "FilePath"), std::string(2000, 'p')) << "read whole, not cut to a buffer";
}

TEST_F(ProfileStringTest, WritersInSeveralProcessesLoseNoKey) {
  constexpr int kProcesses = 4;
  constexpr int kKeys = 25;
  std::vector<pid_t> writers;
  for (int p = 0; p < kProcesses; ++p) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int failures = 0;
      for (int k = 0; k < kKeys; ++k) {
        if (put_ini("S", "p" + std::to_string(p) + "_" + std::to_string(k), "v", ini()) != 0) ++failures;
      }
      ::_exit(failures);
    }
    writers.push_back(pid);
  }
  for (pid_t pid : writers) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "every write reported success";
  }
  const IniText text = read_ini_file(ini()).text;
  int lost = 0;
  for (int p = 0; p < kProcesses; ++p) {
    for (int k = 0; k < kKeys; ++k) {
      if (!text.find("S", "p" + std::to_string(p) + "_" + std::to_string(k))) ++lost;
    }
  }
  EXPECT_EQ(lost, 0);
}

TEST_F(ProfileStringTest, AWriteWaitsForAnotherWriterOnlySoLong) {
  spit(ini(), "[S]\nk=1\n");
  // Another program that hangs in the middle of its write holds the lock.
  const int held = ::open((dir_ / ".QVN.INI.lock").c_str(), O_RDONLY | O_CREAT, 0600);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(put_ini("S", "k", "2", ini()), err::AccessDenied);
  const auto waited = std::chrono::steady_clock::now() - started;
  ::close(held);
  EXPECT_GE(waited, std::chrono::milliseconds(kWriteLockWaitMs));
  EXPECT_LT(waited, std::chrono::milliseconds(kWriteLockWaitMs + 20000));
  EXPECT_EQ(slurp(ini()), "[S]\nk=1\n");
  EXPECT_EQ(put_ini("S", "k", "2", ini()), 0) << "once the lock is free again";
  EXPECT_EQ(slurp(ini()), "[S]\nk=2\n");
}

TEST_F(ProfileStringTest, AWriteRemovesCopiesLeftByAKilledWriter) {
  // A process that has ended: its pid names no process now.
  const pid_t ended = ::fork();
  ASSERT_GE(ended, 0);
  if (ended == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(ended, nullptr, 0), ended);
  const std::string dead = ".QVN.INI." + std::to_string(ended) + ".3.tmp";
  const std::string own = ".QVN.INI." + std::to_string(::getpid()) + ".0.tmp";
  const std::string alive = ".QVN.INI.1.0.tmp";  // process 1 always runs
  const std::vector<std::string> kept = {alive, ".QVN.INI.x.0.tmp", ".OTHER.INI." + std::to_string(ended) + ".3.tmp",
                                         "QVN.INI." + std::to_string(ended) + ".3.tmp", "notes.tmp"};
  spit(ini(), "[S]\nk=1\n");
  for (const std::string& name : kept) spit(dir_ / name, "x");
  spit(dir_ / dead, "[S]\nk=half");
  spit(dir_ / own, "[S]\nk=half");
  ASSERT_EQ(put_ini("S", "k", "2", ini()), 0);
  EXPECT_FALSE(fs::exists(dir_ / dead));
  EXPECT_FALSE(fs::exists(dir_ / own)) << "none of this process's writes was under way";
  for (const std::string& name : kept) EXPECT_TRUE(fs::exists(dir_ / name)) << name;
  EXPECT_EQ(slurp(ini()), "[S]\nk=2\n");
}

}  // namespace
}  // namespace qvn::profile
