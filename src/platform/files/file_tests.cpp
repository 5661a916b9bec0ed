#include "platform/files/file_tests.h"

#include <sys/stat.h>

#include "platform/core/fixed_string.h"
#include "platform/files/name_lookup.h"
#include "platform/files/native_path.h"

namespace qvn::files {

std::string native_name(std::string_view name) { return native_path(clip(name)); }

bool file_exists(std::string_view name) {
  const std::string path = native_name(name);
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool regular_file_exists(std::string_view name) {
  const std::string path = native_name(name);
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<std::string> find_regular_file(std::string_view name) {
  return detail::find_without_case(native_name(name), detail::Kind::RegularFile);
}

std::optional<FileStamp> file_stamp(std::string_view name) {
  const std::string path = native_name(name);
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  FileStamp s;
  s.size = static_cast<int64_t>(st.st_size);
  s.modified_ns = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  s.device = static_cast<uint64_t>(st.st_dev);
  s.inode = static_cast<uint64_t>(st.st_ino);
  return s;
}

}  // namespace qvn::files
