#pragma once
// What the environment received and did, one line each, for a person
// watching a demonstration: to standard error or appended to a file.

#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace idesim {

// The text with every control character, a NUL included, written as \xNN
// (DEL as \x7f), so a line shows all that was received and stays one line.
std::string escaped(std::string_view text);

class SimLog {
 public:
  // An empty path logs to standard error. False when the file cannot be opened.
  bool open(const std::string& path);
  ~SimLog();
  // Writes the text escaped, after the time of day.
  void line(std::string_view text);

 private:
  std::mutex mutex_;
  FILE* file_ = nullptr;
};

}  // namespace idesim
