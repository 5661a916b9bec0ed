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

#include <cstddef>
#include <string>
#include <string_view>

namespace qvn::profile {

// A value is read into this many characters, so at most one less is seen.
inline constexpr size_t kValueBufferSize = 1024;
inline constexpr size_t kMaxValueLength = kValueBufferSize - 1;

inline constexpr const char* kProfileEnvVar = "QVN_PROFILE";

// The file of the per-user profile; empty when neither the environment nor
// the user database names a home folder.
std::string user_profile_path();

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
// missing; AccessDenied; FileSystemError for other failures. After a failure
// the file is unchanged.
int put_ini(std::string_view section, std::string_view key, std::string_view value, std::string_view file = {});

}  // namespace qvn::profile
