#pragma once
// The split step of the runs, on the Apps record buffer: the application
// file's base name, the target's type, and the target with the
// application's folder in front when it names none. The make run over the
// tagged applications uses all three; the import and export runs only the
// base name.

#include <string>
#include <string_view>

namespace qvn::automation {

struct RunValues;

// 1. Loc:BaseName := APP:APPLICATION up to, not including, its first "."
//    (the whole name when it holds none).
// 2. Loc:TargetExt := the (up to) three characters after the first "." of
//    APP:TARGET; blank when the target is blank or that "." is its last
//    character. A target without "." gives its first three characters, so
//    it counts as one with a type.
// 3. When the target and its type are not blank and the target names no
//    folder, APP:TARGET := APP:DRIVENPATH & APP:TARGET (cut to 250), in the
//    buffer only.
void split_step(RunValues& Loc);

// True when the target names a folder: it holds "\" or "/".
bool names_folder(std::string_view target);

// The target with the folder in front when it names none; a blank target
// stays blank. Trailing blanks of both do not count.
std::string with_folder(std::string_view folder, std::string_view target);

}  // namespace qvn::automation
