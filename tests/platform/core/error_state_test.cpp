#include "platform/core/error_state.h"

#include <gtest/gtest.h>

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
