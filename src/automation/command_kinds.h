#pragma once
// The five commands the runs send to the development environment, and all
// that a run needs to know of each: the files it reads and writes, the
// command's text, the status line and the log entries along the way, the
// question asked first and the test that its output is complete.

#include <string>
#include <string_view>

namespace qvn::automation {

// The five commands, each with the name it carries: the application's path
// (folder and file name) for a make, its folder and base name for the others.
enum class Command { GenerateAndMake, ImportDictionary, ImportApplication, ExportApplication, ExportDictionary };

// When a command's output is complete.
enum class FinishTest {
  Appears,      // the output is there (the old one was removed first)
  Changes,      // the output changed since before the command, or appeared; the old one stays
  SizeSettles,  // the output's size is the same on two timer events running (the old one was removed first)
};

// When a completion wait makes its finish test.
enum class WaitOn { AnyEvent, TimerEvent };

// In the texts below "@" stands for the application's name and "#" for its
// priority.
struct CommandKind {
  Command command;
  const char* text;          // the command, "@" the name it carries
  bool bare_name;            // the name stands once without quotes in the command
  const char* source_ext;    // the file converted; empty for the application itself
  const char* output_ext;    // the file written; empty for the application's target
  const char* question;      // asked before the run; nullptr none
  const char* sending;       // the status line before the command; nullptr none
  bool repaint_first;        // the window repaints before the command goes
  const char* acknowledged;  // the status line once the command was taken
  const char* made;          // the status line when the output is there; nullptr none
  const char* not_found;     // the entry when the source is missing
  const char* begin;         // the entry before the command
  const char* finished;      // the entry when the output is there
  const char* error_text;    // the error path's box, before the code
  FinishTest finish;
  WaitOn wait_on;  // when the finish test is made

  bool keeps_old_output() const { return finish == FinishTest::Changes; }
};

const CommandKind& command_kind(Command command);

// The command's text, not yet cut to the command field; trailing blanks of
// the name do not count.
std::string command_text(Command command, std::string_view name);

// False when the name would change what the command means: it holds a
// double quote, "[", "]" or a control character, or, where it stands
// without quotes, a comma or ")".
bool fits_command(Command command, std::string_view name);

// A status or command text with "@" and "#" filled in.
std::string fill(std::string_view pattern, std::string_view name, std::string_view priority = {});

}  // namespace qvn::automation
