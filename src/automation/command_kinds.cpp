#include "automation/command_kinds.h"

#include "platform/core/fixed_string.h"

namespace qvn::automation {

namespace {

// In the order of Command.
const CommandKind kKinds[] = {
    {.command = Command::GenerateAndMake,
     .text = "[ExecuteProject(\"@\")]",
     .bare_name = false,
     .source_ext = "",
     .output_ext = "",
     .question = nullptr,
     .sending = nullptr,
     .repaint_first = true,
     .acknowledged = "@ DDE Ack. #",
     .made = "@ Compiled & Made #",
     .not_found = ".APP not found",
     .begin = "Begin Make",
     .finished = "Make Finished",
     .error_text = "Error Making .App ",
     .finish = FinishTest::Appears,
     .wait_on = WaitOn::AnyEvent},
    {.command = Command::ImportDictionary,
     .text = "[ImportDCT(\"@.TXD\",@.DCT,0)]",
     .bare_name = true,
     .source_ext = ".TXD",
     .output_ext = ".DCT",
     .question = "Are you sure you want to import .TXD?",
     .sending = "Importing @",
     .repaint_first = false,
     .acknowledged = "@ Imported.",
     .made = nullptr,
     .not_found = ".TXD not found",
     .begin = "Begin DCT Import",
     .finished = "Import DCT Finished",
     .error_text = "Error Importing .DCT ",
     .finish = FinishTest::Changes,
     .wait_on = WaitOn::TimerEvent},
    {.command = Command::ImportApplication,
     .text = "[ImportApp(\"@.TXA\",@.APP,0,Replace)]",
     .bare_name = true,
     .source_ext = ".TXA",
     .output_ext = ".APP",
     .question = "Are you sure you want to import .TXA into .APP?",
     .sending = "Importing @",
     .repaint_first = false,
     .acknowledged = "@ Imported.",
     .made = nullptr,
     .not_found = ".TXA not found",
     .begin = "Begin APP Import",
     .finished = "Import APP Finished",
     .error_text = "Error Making .App ",
     .finish = FinishTest::Changes,
     .wait_on = WaitOn::TimerEvent},
    {.command = Command::ExportApplication,
     .text = "[ExportApp(\"@.App\",\"@.TXA\",0)]",
     .bare_name = false,
     .source_ext = ".APP",
     .output_ext = ".TXA",
     .question = nullptr,
     .sending = "Exporting @: #",
     .repaint_first = true,
     .acknowledged = "@ DDE Ack: #",
     .made = nullptr,
     .not_found = ".APP not found",
     .begin = "Begin APP Export",
     .finished = "Export APP Finished",
     .error_text = "Error Exporting .App ",
     .finish = FinishTest::SizeSettles,
     .wait_on = WaitOn::TimerEvent},
    {.command = Command::ExportDictionary,
     .text = "[ExportDCT(\"@.DCT\",\"@.TXD\",0)]",
     .bare_name = false,
     .source_ext = ".DCT",
     .output_ext = ".TXD",
     .question = nullptr,
     .sending = "Exporting @: #",
     .repaint_first = true,
     .acknowledged = "@ Exported.",
     .made = nullptr,
     .not_found = ".DCT not found",
     .begin = "Begin DCT Export",
     .finished = "Export DCT Finished",
     .error_text = "Error Exporting .DCT ",
     .finish = FinishTest::SizeSettles,
     .wait_on = WaitOn::TimerEvent},
};

}  // namespace

const CommandKind& command_kind(Command command) { return kKinds[static_cast<int>(command)]; }

std::string fill(std::string_view pattern, std::string_view name, std::string_view priority) {
  std::string out;
  for (char c : pattern) {
    if (c == '@') {
      out += name;
    } else if (c == '#') {
      out += priority;
    } else {
      out += c;
    }
  }
  return out;
}

std::string command_text(Command command, std::string_view name) {
  return fill(command_kind(command).text, clip(name));
}

bool fits_command(Command command, std::string_view name) {
  const bool bare = command_kind(command).bare_name;
  for (char c : clip(name)) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F || c == '"' || c == '[' || c == ']') return false;
    if (bare && (c == ',' || c == ')')) return false;
  }
  return true;
}

}  // namespace qvn::automation
