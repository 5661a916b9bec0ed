#include "platform/files/name_lookup.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <vector>

namespace qvn::files::detail {

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool is_kind(const std::string& path, Kind kind) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  return kind == Kind::Folder ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode);
}

std::string join(const std::string& base, const std::string& part) {
  if (base.empty()) return part;
  return base.back() == '/' ? base + part : base + "/" + part;
}

// The entries of the folder that spell `part` without regard to case: the
// exact spelling first, then the others in byte order. "." and ".." stand
// only for themselves.
std::vector<std::string> spellings(const std::string& base, const std::string& part) {
  std::vector<std::string> found;
  if (part == "." || part == "..") {
    found.push_back(part);
    return found;
  }
  DIR* dir = ::opendir(base.empty() ? "." : base.c_str());
  if (dir == nullptr) return found;
  bool exact = false;
  while (const dirent* e = ::readdir(dir)) {
    const std::string_view name = e->d_name;
    if (name == part) {
      exact = true;
    } else if (same_without_case(name, part)) {
      found.emplace_back(name);
    }
  }
  ::closedir(dir);
  std::sort(found.begin(), found.end());
  if (exact) found.insert(found.begin(), part);
  return found;
}

// Follows the parts from `base`, trying each spelling in turn, so that a
// folder spelled two ways on disk does not hide the file in the second.
bool follow(const std::string& base, const std::vector<std::string>& parts, size_t i, Kind kind, std::string& out) {
  const bool last = i + 1 == parts.size();
  for (const std::string& spelling : spellings(base, parts[i])) {
    const std::string path = join(base, spelling);
    if (!is_kind(path, last ? kind : Kind::Folder)) continue;
    if (last) {
      out = path;
      return true;
    }
    if (follow(path, parts, i + 1, kind, out)) return true;
  }
  return false;
}

}  // namespace

bool same_without_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::optional<std::string> find_without_case(const std::string& native, Kind kind) {
  if (native.empty()) return std::nullopt;
  if (is_kind(native, kind)) return native;
  // A closing "/" names a folder; a regular file never has one.
  if (native.back() == '/' && kind == Kind::RegularFile) return std::nullopt;
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= native.size()) {
    const size_t slash = native.find('/', start);
    const size_t end = slash == std::string::npos ? native.size() : slash;
    if (end > start) parts.push_back(native.substr(start, end - start));
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  if (parts.empty()) return std::nullopt;
  const std::string root = native.front() == '/' ? "/" : "";
  std::string out;
  if (!follow(root, parts, 0, kind, out)) return std::nullopt;
  return out;
}

}  // namespace qvn::files::detail
