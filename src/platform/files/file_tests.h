#pragma once
// Tests on one file by name, as the program spells names: trailing blanks do
// not count and "\" separates folders as "/" does; a name without a folder
// lies in the current folder. None of them touches the last error.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qvn::files {

// The name as this platform's file calls take it: trailing blanks removed
// and every "\" turned into "/".
std::string native_name(std::string_view name);

// True when a file or a folder of that name exists.
bool file_exists(std::string_view name);

// True when a regular file of that name exists. A folder, a device or a
// link that leads nowhere does not count; a link to a regular file does.
bool regular_file_exists(std::string_view name);

// The regular file of that name, each part of the name (every folder and
// the file name) matched without regard to the case of its letters, as the
// development environment finds files on its own system. Gives the name as
// spelled on disk ("/" between folders, relative when the name was), or
// nothing. Where several spellings fit, the exact one wins, then the first
// in byte order.
std::optional<std::string> find_regular_file(std::string_view name);

// What a regular file is like at a moment, to tell whether it changed
// between two looks: its size, its modification time, and which file it
// is (a file put in place by a rename is another file, even when its size
// and time happen to match the one it replaced).
struct FileStamp {
  int64_t size = 0;         // bytes
  int64_t modified_ns = 0;  // modification time, nanoseconds since the epoch
  uint64_t device = 0;
  uint64_t inode = 0;
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The stamp of the regular file of that name (exact spelling); nothing when
// there is none.
std::optional<FileStamp> file_stamp(std::string_view name);

}  // namespace qvn::files
