#include "platform/dde/socket_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/core/error_state.h"
#include "support/environment.h"
#include "support/temp_folder.h"

using namespace qvn;
using namespace qvn::dde;

namespace {

class SocketFolder : public ::testing::Test {
 protected:
  void touch(const std::string& name) { ::close(::open((root_ + "/" + name).c_str(), O_CREAT | O_WRONLY, 0600)); }
  test_support::TempFolder root_folder_{"qvn-dde-folder"};
  const std::string root_ = root_folder_.string();
};

TEST_F(SocketFolder, OverrideThenRuntimeFolderThenTmp) {
  test_support::EnvironmentVariable dde_folder("QVN_DDE_DIR", "/somewhere/private");
  test_support::EnvironmentVariable runtime_folder("XDG_RUNTIME_DIR");
  EXPECT_EQ(socket_folder(), "/somewhere/private");
  dde_folder.unset();
  runtime_folder.set("/run/user/1234");
  EXPECT_EQ(socket_folder(), "/run/user/1234/qvn-dde");
  runtime_folder.unset();
  EXPECT_EQ(socket_folder(), "/tmp/qvn-dde-" + std::to_string(::geteuid()));
}

TEST_F(SocketFolder, OnlyAFolderOfThisUserClosedToOthersIsPrivate) {
  std::string dir = root_ + "/dir";
  EXPECT_FALSE(folder_is_private(dir)) << "missing";
  ASSERT_TRUE(make_private_folder(dir));
  EXPECT_TRUE(folder_is_private(dir));
  for (mode_t mode : {0750, 0705, 0770, 0701}) {
    ASSERT_EQ(::chmod(dir.c_str(), mode), 0);
    EXPECT_FALSE(folder_is_private(dir)) << std::oct << mode;
    clear_error();
    EXPECT_FALSE(make_private_folder(dir)) << "an existing open folder is not tightened silently";
    EXPECT_EQ(error_code(), err::AccessDenied);
  }
  ASSERT_EQ(::chmod(dir.c_str(), 0700), 0);
  std::string link = root_ + "/link";
  ASSERT_EQ(::symlink(dir.c_str(), link.c_str()), 0);
  EXPECT_FALSE(folder_is_private(link)) << "a link could be changed to point elsewhere";
  touch("file");
  EXPECT_FALSE(folder_is_private(root_ + "/file"));
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(dir.c_str(), 65534, 65534), 0);
    EXPECT_FALSE(folder_is_private(dir));
  }
}

TEST_F(SocketFolder, MissingParentIsPathNotFound) {
  clear_error();
  EXPECT_FALSE(make_private_folder(root_ + "/no/such"));
  EXPECT_EQ(error_code(), err::PathNotFound);
}

TEST_F(SocketFolder, ServiceSocketsMatchTheServiceWithoutCase) {
  for (const char* name : {"ClarionWin.12.0.sock", "CLARIONWIN.7.3.sock", "clarionwin.x.0.sock", "ClarionWin.12.sock",
                           "ClarionWinX.12.0.sock", "Clarion.Win.4.0.sock", "ClarionWin.12.0.sock.tmp", ".12.0.sock"})
    touch(name);
  std::vector<std::string> want = {root_ + "/CLARIONWIN.7.3.sock", root_ + "/ClarionWin.12.0.sock"};
  EXPECT_EQ(service_sockets(root_, "clarionWIN"), want);
  EXPECT_EQ(service_sockets(root_, "Clarion.Win"), std::vector<std::string>{root_ + "/Clarion.Win.4.0.sock"});
  EXPECT_TRUE(service_sockets(root_ + "/missing", "ClarionWin").empty());
}

TEST_F(SocketFolder, ServiceNamesThatCannotNameAFile) {
  EXPECT_EQ(socket_file_name("ClarionWin", 42, 3), "ClarionWin.42.3.sock");
  EXPECT_EQ(socket_file_name("", 42, 0), "");
  EXPECT_EQ(socket_file_name("../x", 42, 0), "");
  EXPECT_EQ(socket_file_name(".hidden", 42, 0), "");
  EXPECT_EQ(socket_file_name(std::string_view("a\0b", 3), 42, 0), "");
}

}  // namespace
