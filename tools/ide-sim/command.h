#pragma once
// The commands the stand-in environment understands, parsed from the text a
// client executes: "[Name(arg,arg,...)]", trailing blanks ignored, names of
// commands matched without regard to case, arguments either in double quotes
// or bare up to the next comma.

#include <optional>
#include <string>
#include <string_view>

namespace idesim {

enum class CommandKind { ExecuteProject, ImportDct, ImportApp, ExportApp, ExportDct };

struct Command {
  CommandKind kind = CommandKind::ExecuteProject;
  std::string source;  // the file the command reads
  std::string output;  // the file it writes; empty for a make, whose target the application names
};

std::optional<Command> parse_command(std::string_view text);

}  // namespace idesim
