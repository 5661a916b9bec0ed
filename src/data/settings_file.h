#pragma once
// The settings file ".\QVN.INI" and the data folder it names.
//
// ".\QVN.INI" is a name relative to the current folder. It is resolved once,
// against the folder the program started in, so that a file dialog that
// later moves the current folder does not move the settings file with it.

#include <string>
#include <string_view>
#include <vector>

namespace qvn::data {

inline constexpr const char* kSettingsFileName = ".\\QVN.INI";
inline constexpr const char* kSettingsSection = "Preserved";
inline constexpr const char* kNewLogKey = "NewLog";
inline constexpr const char* kRunStringKey = "CL_Command";
inline constexpr const char* kFilePathKey = "FilePath";
inline constexpr const char* kRetainTagsKey = "RetainTags";

// The settings file as this platform names it. The first call resolves it
// against the current folder, unless anchor_settings_file ran before.
const std::string& settings_file();
// Resolves the settings file against `folder` from now on.
void anchor_settings_file(const std::string& folder);

// Reads the four keys of section "Preserved", each with an empty default,
// into GLO:UseNewLog (first character), GLO:RunString (up to 254
// characters), GLO:FilePath (up to 64 characters) and GLO:RETAINTAGS (the
// number's low byte; a value that is no number gives 0). A missing key or
// file leaves its setting blank or 0. A byte-order mark at the start of the
// file does not count.
//
// Returns what the user must be told, one sentence each, naming the file:
// that it holds no "Preserved" section (text that is no settings file at
// all), that it is not a regular file or cannot be read (then it is taken
// as missing), and each value of GLO:RunString or GLO:FilePath longer than
// its setting, which is left blank rather than cut, so that it counts as
// missing. Empty when there is nothing to tell, also for a missing file.
std::vector<std::string> read_settings_file();

// A whole number as the settings file holds it: blanks around it, an
// optional sign, digits and an optional fraction, which is dropped.
// Anything else gives 0.
long long settings_number(std::string_view text);

// True when GLO:UseNewLog or GLO:FilePath is blank or GLO:RunString holds
// nothing but blanks.
bool settings_missing();

// The data folder as a prefix of file names on this platform: GLO:FilePath
// without trailing blanks, "\" turned into "/", and a closing "/" added
// when it has none. Empty when GLO:FilePath is blank.
std::string data_folder_prefix();

// What stands in the way of keeping the data files in GLO:FilePath, as a
// message for the user; empty when nothing does. A blank folder is the
// current one and always usable; otherwise the folder must exist and each
// data-file name must still fit its 64 characters with the folder in front.
std::string data_folder_problem();

// Puts the data folder in front of the names of the four data files.
// REQUIRES: data_folder_problem() is empty.
void prefix_data_file_names();

}  // namespace qvn::data
