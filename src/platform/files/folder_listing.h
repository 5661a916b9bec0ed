#pragma once
// The folder listing (the runtime's DIRECTORY): the regular files of one
// folder whose names fit a pattern, each with its date, time, size and
// attributes.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qvn::files {

// Attribute bits of a listed file.
inline constexpr uint8_t kReadOnly = 0x01;  // the owner may not write it

struct FolderEntry {
  std::string name;        // the whole file name as spelled on disk
  int32_t date = 0;        // standard date of its last change, local time
  int32_t time = 0;        // standard time of its last change, local time
  int64_t size = 0;        // bytes
  uint8_t attributes = 0;  // kReadOnly or 0
  friend bool operator==(const FolderEntry&, const FolderEntry&) = default;
};

// Lists the files a pattern names: a folder followed by a file name or a
// wildcard pattern (trailing blanks do not count, "\" or "/" between the
// parts; no folder means the current one). Folders, hidden files (names
// starting with ".") and anything that is not a regular file are left out.
// Names fit the pattern without regard to the case of their letters, and
// so is the folder found, part by part, as the development environment
// finds it. Sorted by name without regard to case, then byte by byte, so
// the order is the same on every run. Nothing matching, or no such folder,
// gives an empty list. Sets no error code.
std::vector<FolderEntry> list_folder(std::string_view spec);

// True when the name fits the pattern: "*" stands for any run of
// characters (none included), "?" for exactly one; letters are compared
// without regard to case. "*.*" fits every name, as it does in the
// environment, dot or no dot.
bool name_matches(std::string_view name, std::string_view pattern);

}  // namespace qvn::files
