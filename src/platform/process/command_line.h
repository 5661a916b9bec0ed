#pragma once
// Starting a program from a command line. The line is split into a program
// and its arguments the way a shell splits words, but no shell runs it: a
// ";" or "&&" in it is just text.

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qvn::process {

// Splits a command line into words. Blanks and tabs separate words; text in
// single quotes is taken as it stands; in double quotes a backslash keeps
// the next character when it is a double quote or another backslash (and is
// kept itself otherwise); outside quotes a backslash is an ordinary
// character, so "C:\TOOLS\IDE.EXE" stays one word. Quotes may join pieces of
// one word. nullopt when a quote is not closed.
std::optional<std::vector<std::string>> split_command_line(std::string_view line);

// The word as a command line holds it, so that split_command_line reads it
// back as one word, unchanged: as it stands when it holds no blank, tab or
// quote and is not empty; otherwise in double quotes, with a backslash in
// front of each double quote and backslash it holds.
std::string command_line_word(std::string_view word);

// Starts the program the command line names, without waiting for it: the
// program is looked for along PATH when its name holds no "/", reads its
// standard input from /dev/null and inherits no other open file of ours
// beyond standard output and error. Its exit is collected in the
// background, so it never lingers as a zombie.
//
// Clears the last error, and returns the program's process id. When it
// cannot be started, returns 0 with the last error set: 45 for a line
// with no program or an unclosed quote, 2 when the program does not exist,
// 5 when it may not be run, 90 (with the system's reason) otherwise.
pid_t start_program(std::string_view command_line);

}  // namespace qvn::process
