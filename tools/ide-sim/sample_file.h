#pragma once
// The text form of the sample application (.APP, .PRJ) and dictionary (.DCT)
// files: one "KEY=value" a line, keys without regard to case; lines starting
// with ";" and lines of any other form are kept as content and otherwise
// ignored. The exported .TXA/.TXD is the same text after a header line.

#include <optional>
#include <string>
#include <string_view>

namespace idesim {

// OUTPUT-CASE=: the letter case of the output's file name.
enum class OutputCase { AsNamed, Lower, Upper };

struct SampleFile {
  std::string target;                   // TARGET=: the file a make writes
  std::optional<double> build_seconds;  // BUILD-SECONDS=: time the work takes
  std::optional<double> write_seconds;  // WRITE-SECONDS=: the output is written in pieces over this time
  std::optional<double> ack_seconds;    // ACK-SECONDS=: the acknowledgement comes this late
  std::string fail;                     // FAIL=: acknowledged, but the work fails and writes nothing
  std::string refuse;                   // REFUSE=: the command is refused with this text
  bool no_ack = false;                  // NO-ACK=1: the command is never acknowledged
  bool exit = false;                    // EXIT=1: the environment exits when it gets the command
  bool exit_after = false;              // EXIT-AFTER=1: the environment stops serving, then writes, then exits
  OutputCase output_case = OutputCase::AsNamed;
};

SampleFile read_sample(std::string_view text);

inline constexpr std::string_view application_header = "[APPLICATION]";
inline constexpr std::string_view dictionary_header = "[DICTIONARY]";

// The text form written by an export: the header line, then the file's lines.
std::string export_text(std::string_view header, std::string_view content);
// The file written back by an import: the text without its header line.
std::string import_text(std::string_view header, std::string_view text);

}  // namespace idesim
