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

// The settings file as this platform names it. The first call resolves it
// against the current folder, unless anchor_settings_file ran before.
const std::string& settings_file();
// The folder the settings file lies in: the folder the program started in.
const std::string& start_folder();
// Resolves the settings file against `folder` from now on.
void anchor_settings_file(const std::string& folder);

// Reads the four settings (kSettings) from their keys of section
// "Preserved", each with an empty default: a letter as its first character,
// a text or folder up to its width, a number as its low byte (a value that
// is no number gives 0). A missing key or file leaves its setting blank or 0. A byte-order mark at the start of the
// file does not count.
//
// Returns what the user must be told, one sentence each, naming the file:
// that it holds no "Preserved" section (text that is no settings file at
// all), that it is not a regular file or cannot be read (then it is taken
// as missing), and each value of GLO:RunString or GLO:FilePath longer than
// its setting, which is left blank rather than cut, so that it counts as
// missing. Empty when there is nothing to tell, also for a missing file.
std::vector<std::string> read_settings_file();

// The same read for the settings window, which shows the values to be
// edited: a value of GLO:RunString or GLO:FilePath longer than its setting
// is cut to it, as its entry holds it, rather than left blank. Returns the
// message for each such value, one sentence each, the start's message with
// what is kept; what else is wrong with the file the start has told.
std::vector<std::string> read_settings_to_edit();

// What a read found, as the text of the one "Settings" message that tells
// it: a line each.
std::string settings_message(const std::vector<std::string>& problems);

// Writes the four settings to their keys of section "Preserved" of the
// settings file in one replacement of it, so that it never holds some new
// values and some old ones: each as written_value gives it (a folder with
// "/" between its parts, a number in decimal digits), without trailing
// blanks. Returns what the user must be told when the file cannot be
// written, naming it and the reason (the file is then as it was); empty
// once the settings are written.
std::string write_settings_file();

// A whole number as the settings file holds it: blanks around it, an
// optional sign, digits and an optional fraction, which is dropped.
// Anything else gives 0.
long long settings_number(std::string_view text);

// True when GLO:UseNewLog or GLO:FilePath is blank or GLO:RunString holds
// nothing but blanks.
bool settings_missing();

// The data folder as a prefix of file names on this platform: GLO:FilePath
// without trailing blanks, "\" turned into "/", and a closing "/" added
// when it has none. A blank or relative folder is taken in the folder the
// program started in, so the prefix always names a folder absolutely and
// the names it makes do not move with the current folder.
std::string data_folder_prefix();

// The name of a data file in the data folder: the name itself when it names
// its folder already (prefix_data_file_names makes every name absolute),
// otherwise the data folder's prefix in front of it.
std::string in_data_folder(std::string_view name);

// What stands in the way of keeping the data files in GLO:FilePath, as a
// message for the user; empty when nothing does. The folder must exist and
// each data-file name must still fit its 64 characters with the folder in
// front (data_folder_too_long).
std::string data_folder_problem();

// The message that the data-file names would not fit their 64 characters
// with `folder` (a value of GLO:FilePath, which it need not fit) in front;
// empty when they fit.
std::string data_folder_too_long(std::string_view folder);

// Puts the data folder in front of the names of the four data files; a
// name that already names its folder is kept.
// REQUIRES: data_folder_problem() is empty.
void prefix_data_file_names();

}  // namespace qvn::data
