#include "sim_log.h"

#include <chrono>
#include <ctime>

namespace idesim {

bool SimLog::open(const std::string& path) {
  if (path.empty()) return true;
  file_ = std::fopen(path.c_str(), "a");
  return file_ != nullptr;
}

SimLog::~SimLog() {
  if (file_) std::fclose(file_);
}

void SimLog::line(std::string_view text) {
  using namespace std::chrono;
  auto now = system_clock::now();
  std::time_t t = system_clock::to_time_t(now);
  std::tm tm{};
  ::localtime_r(&t, &tm);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%H:%M:%S", &tm);
  int ms = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  std::lock_guard lock(mutex_);
  FILE* out = file_ ? file_ : stderr;
  std::fprintf(out, "ide-sim %s.%03d %.*s\n", stamp, ms, static_cast<int>(text.size()), text.data());
  std::fflush(out);
}

}  // namespace idesim
