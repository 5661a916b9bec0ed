#include "platform/files/native_path.h"

#include <gtest/gtest.h>

namespace qvn::files {
namespace {

TEST(NativePath, BackslashesBecomeSlashes) {
  struct Case {
    const char* given;
    const char* expected;
  };
  const Case cases[] = {
      {".\\QVN.INI", "./QVN.INI"},
      {"QVN.INI", "QVN.INI"},
      {"\\clarion6\\bin\\", "/clarion6/bin/"},
      {"data\\sub\\APPS.TPS", "data/sub/APPS.TPS"},
      {"/already/native.ini", "/already/native.ini"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(native_path(c.given), c.expected) << c.given;
}

}  // namespace
}  // namespace qvn::files
