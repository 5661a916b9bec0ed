#include "platform/files/folder_listing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>

#include "platform/core/std_datetime.h"
#include "platform/files/file_tests.h"
#include "platform/files/name_lookup.h"

namespace qvn::files {

namespace {

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool same_letter(char a, char b) { return upper(a) == upper(b); }

bool by_name(const FolderEntry& a, const FolderEntry& b) {
  const bool less = std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                                                 [](char x, char y) { return upper(x) < upper(y); });
  if (less) return true;
  if (detail::same_without_case(a.name, b.name)) return a.name < b.name;
  return false;
}

FolderEntry entry_of(const std::string& name, const struct stat& st) {
  FolderEntry e;
  e.name = name;
  std::tm tm{};
  const time_t secs = st.st_mtim.tv_sec;
  if (localtime_r(&secs, &tm) != nullptr) {
    e.date = standard_date({tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday});
    e.time = standard_time(
        {tm.tm_hour, tm.tm_min, std::min(tm.tm_sec, 59), static_cast<int>(st.st_mtim.tv_nsec / 10000000)});
  }
  e.size = static_cast<int64_t>(st.st_size);
  e.attributes = (st.st_mode & S_IWUSR) == 0 ? kReadOnly : 0;
  return e;
}

}  // namespace

bool name_matches(std::string_view name, std::string_view pattern) {
  if (pattern == "*.*") return true;
  // Greedy match with one point to go back to: the last "*" seen.
  size_t n = 0, p = 0;
  size_t star = std::string_view::npos, star_n = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || (pattern[p] != '*' && same_letter(pattern[p], name[n])))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      star_n = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++star_n;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::vector<FolderEntry> list_folder(std::string_view spec) {
  std::vector<FolderEntry> entries;
  const std::string native = native_name(spec);
  const size_t slash = native.rfind('/');
  const std::string pattern = slash == std::string::npos ? native : native.substr(slash + 1);
  if (pattern.empty()) return entries;
  std::string folder = ".";
  if (slash != std::string::npos) {
    const std::string given = slash == 0 ? "/" : native.substr(0, slash);
    const auto found = detail::find_without_case(given, detail::Kind::Folder);
    if (!found) return entries;
    folder = *found;
  }
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return entries;
  const std::string prefix = folder.back() == '/' ? folder : folder + "/";
  while (const dirent* d = ::readdir(dir)) {
    const std::string name = d->d_name;
    if (name.empty() || name.front() == '.' || !name_matches(name, pattern)) continue;
    struct stat st {};
    if (::stat((prefix + name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    entries.push_back(entry_of(name, st));
  }
  ::closedir(dir);
  std::sort(entries.begin(), entries.end(), by_name);
  return entries;
}

}  // namespace qvn::files
