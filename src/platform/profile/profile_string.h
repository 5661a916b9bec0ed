#pragma once
// The profile-string services: one value of one key of one section, read
// from or written to a named INI file or, when no file name is given, the
// per-user profile.
//
// The per-user profile is the INI file named by the environment variable
// QVN_PROFILE when it is set, otherwise $XDG_CONFIG_HOME/qvn/profile.ini
// (~/.config/qvn/profile.ini when that is unset).
//
// Section, key, default and file name are used without trailing blanks; a
// file name given with "\" (".\QVN.INI") is made a name of this platform, a
// relative one lying in the current folder. Sections and keys are found
// without regard to case.
//
// Only regular files are read: a folder, a pipe or a device of that name
// counts as a file that cannot be read, and is never waited on. Writes to one
// file are serialised across processes by an advisory lock on the companion
// file ".<name>.lock" beside it, so two programs that write keys of one file
// at once do not lose one another's change.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "platform/profile/ini_text.h"

namespace qvn::profile {

// A value is read into this many characters, so at most one less is seen.
inline constexpr size_t kValueBufferSize = 1024;
inline constexpr size_t kMaxValueLength = kValueBufferSize - 1;

inline constexpr const char* kProfileEnvVar = "QVN_PROFILE";

// A write waits at most this long for another program's write of the same
// file to end.
inline constexpr int kWriteLockWaitMs = 10000;

// The file of the per-user profile; empty when neither the environment nor
// the user database names a home folder.
std::string user_profile_path();

// What reading a settings file found.
enum class IniStatus {
  Read,        // the file was read
  Missing,     // there is no such file, or no such folder
  NotRegular,  // a folder, a pipe, a device...: not read
  Unreadable,  // it could not be read; the code says why
};

struct IniFile {
  std::string path;  // the file as this platform names it
  IniStatus status = IniStatus::Missing;
  int code = 0;  // NotRegular and Unreadable: the error code a write would give
  IniText text;  // what the file holds; empty unless Read
};

// Reads the whole file (the per-user profile when no name is given), with
// values of any length. Leaves the thread's last error as it was.
IniFile read_ini_file(std::string_view file = {});

// The stored value, or the default when the file, the section or the key is
// missing or the file cannot be read; at most kMaxValueLength characters.
// Leaves the thread's last error as it was: there is nothing to report.
std::string get_ini(std::string_view section, std::string_view key, std::string_view default_value = {},
                    std::string_view file = {});

// Stores the value, without trailing blanks and up to a line break or NUL it
// may hold, creating the file and the section as needed and keeping
// everything else the file holds. The file is replaced as a whole by a
// complete new copy, so it is never left half written. Sets the thread's last
// error and returns it: 0; InvalidFileName for an empty section or key or one
// that a file line cannot hold; PathNotFound when the file's folder is
// missing; AccessDenied, also for a name that is not a regular file and when
// another program's write holds the file for longer than kWriteLockWaitMs;
// FileSystemError for other failures. After a failure the file is unchanged.
// A write also removes the copies that writers killed half-way left beside
// the file (".<name>.<process>.<n>.tmp" of a process that is gone).
int put_ini(std::string_view section, std::string_view key, std::string_view value, std::string_view file = {});

// One key and its value, for put_ini_keys.
struct IniEntry {
  std::string_view key;
  std::string_view value;
};

// Stores several keys of one section as put_ini stores one, all in one
// replacement of the file: afterwards the file holds every one of them or,
// after a failure, none (it is unchanged). A key that put_ini would refuse
// refuses the whole write. The keys are added in the order given.
int put_ini_keys(std::string_view section, std::span<const IniEntry> entries, std::string_view file = {});

}  // namespace qvn::profile
