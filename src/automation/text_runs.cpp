#include "automation/text_runs.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string>

#include "automation/main_window.h"
#include "automation/record_buffers.h"
#include "automation/split_step.h"
#include "data/files.h"
#include "platform/core/error_state.h"
#include "platform/ui/backend.h"

namespace qvn::automation {

namespace {

bool is_import(const TextRuns::Kind& kind) { return kind.question != nullptr; }

const TextRuns::Kind kImportDct{"Are you sure you want to import .TXD?",
                                Command::ImportDictionary,
                                ".TXD",
                                ".DCT",
                                ".TXD not found",
                                "Begin DCT Import",
                                "Import DCT Finished",
                                "Error Importing .DCT "};
const TextRuns::Kind kImportApp{"Are you sure you want to import .TXA into .APP?",
                                Command::ImportApplication,
                                ".TXA",
                                ".APP",
                                ".TXA not found",
                                "Begin APP Import",
                                "Import APP Finished",
                                "Error Making .App "};
const TextRuns::Kind kExportApp{nullptr,
                                Command::ExportApplication,
                                ".APP",
                                ".TXA",
                                ".APP not found",
                                "Begin APP Export",
                                "Export APP Finished",
                                "Error Exporting .App "};
const TextRuns::Kind kExportDct{nullptr,
                                Command::ExportDictionary,
                                ".DCT",
                                ".TXD",
                                ".DCT not found",
                                "Begin DCT Export",
                                "Export DCT Finished",
                                "Error Exporting .DCT "};

}  // namespace

TextRuns::TextRuns(MainWindow& main, Conversation& conversation, data::ActivityLog& log)
    : steps_(main, conversation, log) {}

void TextRuns::ImportDct() { Run(kImportDct); }
void TextRuns::ImportApp() { Run(kImportApp); }
void TextRuns::ExportApp() { Run(kExportApp); }
void TextRuns::ExportDct() { Run(kExportDct); }

void TextRuns::Run(const Kind& kind) {
  ui::Window& window = steps_.main().window();
  if (is_import(kind) && ui::message(kind.question, "Confirm", ui::MessageIcon::Question,
                                     ui::button::Yes | ui::button::No, ui::button::No) != ui::button::Yes) {
    window.select(LIST);
    return;
  }
  KeepBuffers keep;
  if (!steps_.Begin()) return;
  TaggedApps tagged;
  while (tagged.Next()) {
    const Outcome outcome = Convert(kind);
    if (outcome == Outcome::Stop) return steps_.Stop(false);
    if (outcome == Outcome::EndRun) break;
  }
  steps_.End({.focus_list = true});
}

Outcome TextRuns::Convert(const Kind& kind) {
  Conversation& conversation = steps_.conversation();
  MainLocals& Loc = steps_.main().Loc;
  split_step(Loc);
  const std::string app = data::APP.APPLICATION.str();
  const std::string priority = std::to_string(data::APP.Priority);
  const std::string full = data::APP.DRIVENPATH.str() + Loc.BaseName.str();
  if (!regular_file_found(full + kind.source_ext)) {
    steps_.Log(app, kind.not_found);
    return Outcome::Next;
  }
  steps_.SetTimeOut();
  steps_.Log(app, kind.begin);
  const std::string output = full + kind.output_ext;
  if (!steps_.Prepare(app, is_import(kind) ? std::string() : output, kind.command, full)) return Outcome::Next;
  Loc.FullName = full;

  // An import replaces its output, so the old one is kept (a failed import
  // would lose the only copy) and noted: only a changed one is the import.
  // An export's old output goes first.
  std::optional<files::FileStamp> before;
  if (is_import(kind)) {
    before = stamp_of(output);
  } else if (!steps_.RemoveOldOutput(app)) {
    return Outcome::Next;
  }

  steps_.Status(is_import(kind) ? "Importing " + app : "Exporting " + app + ": " + priority);
  conversation.Send(!is_import(kind));
  conversation.ErrorCheck();
  if (error_code() != 0) {
    steps_.ErrorPath(app, kind.error_text);
    return Outcome::EndRun;
  }
  if (is_import(kind)) {
    steps_.Status(app + " Imported.");
  } else if (kind.command == Command::ExportApplication) {
    steps_.Status(app + " DDE Ack: " + priority);
  } else {
    steps_.Status(app + " Exported.");
  }

  // An export is complete when its size has not changed since the timer
  // event before; the first look only notes it.
  std::optional<int64_t> last_size;
  const auto finished = [&] {
    const std::optional<files::FileStamp> now = stamp_of(output);
    if (!now) return false;
    if (is_import(kind)) return !before || *now != *before;
    if (last_size == now->size) return true;
    last_size = now->size;
    Loc.LastSize = static_cast<int32_t>(std::min<int64_t>(now->size, std::numeric_limits<int32_t>::max()));
    return false;
  };
  const WaitEnd end =
      conversation.CompletionWait(app, WaitOn::TimerEvent, finished, [&] { steps_.Log(app, kind.finished); });
  if (end == WaitEnd::CloseRequested || end == WaitEnd::WindowClosed) return Outcome::Stop;
  return Outcome::Next;
}

}  // namespace qvn::automation
