#include "platform/core/error_state.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <thread>

using namespace qvn;

TEST(ErrorState, PerThreadCodeAndStandardText) {
  set_error(err::FileNotFound);
  EXPECT_EQ(error_code(), 2);
  EXPECT_EQ(error_text(), "File Not Found");
  int other_thread_code = -1;
  std::thread([&] { other_thread_code = error_code(); }).join();
  EXPECT_EQ(other_thread_code, 0);
  set_error(err::DdeTimeout);
  EXPECT_EQ(error_text(), "DDE transaction timed out");
  clear_error();
  EXPECT_EQ(error_code(), 0);
  EXPECT_EQ(error_text(), "");
}

namespace {

struct ErrorCase {
  const char* name;
  void (*set)();
  LastError expected;
};

const ErrorCase kErrorCases[] = {
    {"none", [] { clear_error(); }, {0, "", 0, ""}},
    {"plain code with its own text",
     [] { set_error(err::AccessDenied, "held by LEDGER"); },
     {err::AccessDenied, "held by LEDGER", 0, ""}},
    {"driver error",
     [] { set_driver_error(err::DriverError, 14, "unable to open database file"); },
     {err::DriverError, "Driver Error", 14, "unable to open database file"}},
    // A storage-layer code without wording of its own: nothing of a later
    // driver error may stay behind.
    {"storage-layer code alone",
     [] {
       clear_error();
       set_error(err::FileSystemError);
     },
     {err::FileSystemError, "File System Error", 0, ""}},
};

void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.name; }

void expect_last_error(const LastError& expected) {
  EXPECT_EQ(error_code(), expected.code);
  EXPECT_EQ(error_text(), expected.text);
  EXPECT_EQ(driver_error_code(), expected.driver_code);
  EXPECT_EQ(driver_error_text(), expected.driver_text);
}

class KeepLastErrorTest : public ::testing::TestWithParam<ErrorCase> {
 protected:
  void TearDown() override { clear_error(); }
};

// Whatever the calls inside the guard leave behind, the error that stood
// when the guard was made is back, every part of it.
TEST_P(KeepLastErrorTest, PutsBackTheWholeErrorThatStoodBefore) {
  const ErrorCase& before = GetParam();
  for (const ErrorCase& inside : kErrorCases) {
    SCOPED_TRACE(inside.name);
    before.set();
    {
      KeepLastError keep;
      inside.set();
      expect_last_error(inside.expected);
    }
    expect_last_error(before.expected);
  }
}

INSTANTIATE_TEST_SUITE_P(Errors, KeepLastErrorTest, ::testing::ValuesIn(kErrorCases),
                         [](const ::testing::TestParamInfo<ErrorCase>& info) { return std::to_string(info.index); });

}  // namespace
