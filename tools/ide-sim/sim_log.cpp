#include "sim_log.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace idesim {

std::string escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u != 0x7F) {
      out += c;
      continue;
    }
    char hex[5];
    std::snprintf(hex, sizeof hex, "\\x%02x", u);
    out += hex;
  }
  return out;
}

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
  const std::string shown = escaped(text);
  std::lock_guard lock(mutex_);
  FILE* out = file_ ? file_ : stderr;
  std::fprintf(out, "ide-sim %s.%03d %.*s\n", stamp, ms, static_cast<int>(shown.size()), shown.data());
  std::fflush(out);
}

}  // namespace idesim
