#pragma once
// What the environment received and did, one line each, for a person
// watching a demonstration: to standard error or appended to a file.

#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace idesim {

class SimLog {
 public:
  // An empty path logs to standard error. False when the file cannot be opened.
  bool open(const std::string& path);
  ~SimLog();
  void line(std::string_view text);

 private:
  std::mutex mutex_;
  FILE* file_ = nullptr;
};

}  // namespace idesim
