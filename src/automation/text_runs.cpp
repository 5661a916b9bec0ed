#include "automation/text_runs.h"

#include <optional>
#include <string>

#include "automation/split_step.h"
#include "data/files.h"
#include "platform/core/error_state.h"
#include "platform/ui/backend.h"

namespace qvn::automation {

TextRuns::TextRuns(RunHost& host, Conversation& conversation, data::ActivityLog& log)
    : steps_(host, conversation, log) {}

void TextRuns::ImportDct() { Run(command_kind(Command::ImportDictionary)); }
void TextRuns::ImportApp() { Run(command_kind(Command::ImportApplication)); }
void TextRuns::ExportApp() { Run(command_kind(Command::ExportApplication)); }
void TextRuns::ExportDct() { Run(command_kind(Command::ExportDictionary)); }

void TextRuns::Run(const CommandKind& kind) {
  if (kind.question && ui::message(kind.question, "Confirm", ui::MessageIcon::Question,
                                   ui::button::Yes | ui::button::No, ui::button::No) != ui::button::Yes) {
    steps_.host().FocusApplications();
    return;
  }
  steps_.Go(
      {.applications = tagged_apps, .step = [this, &kind] { return Convert(kind); }, .end = {.focus_list = true}});
}

Outcome TextRuns::Convert(const CommandKind& kind) {
  Conversation& conversation = steps_.conversation();
  RunValues& Loc = steps_.host().values();
  split_step(Loc);
  const std::string app = data::APP.APPLICATION.str();
  const std::string priority = std::to_string(data::APP.Priority);
  const std::string full = data::APP.DRIVENPATH.str() + Loc.BaseName.str();
  if (!regular_file_found(full + kind.source_ext)) {
    steps_.Log(app, kind.not_found);
    return Outcome::Next;
  }
  conversation.SetTimeOut();
  steps_.Log(app, kind.begin);
  const std::string output = full + kind.output_ext;
  if (!steps_.Prepare(app, kind.keeps_old_output() ? std::string() : output, kind.command, full)) return Outcome::Next;
  Loc.FullName = full;

  // An import replaces its output, so the old one is kept (a failed import
  // would lose the only copy) and noted: only a changed one is the import.
  // An export's old output goes first.
  std::optional<files::FileStamp> before;
  if (kind.keeps_old_output()) {
    before = stamp_of(output);
  } else if (!steps_.RemoveOldOutput(app)) {
    return Outcome::Next;
  }

  conversation.ShowStatus(fill(kind.sending, app, priority));
  conversation.Send(kind.repaint_first);
  conversation.ErrorCheck();
  if (error_code() != 0) {
    steps_.ErrorPath(app, kind.error_text);
    return Outcome::EndRun;
  }
  conversation.ShowStatus(fill(kind.acknowledged, app, priority));

  const WaitEnd end = conversation.CompletionWait(app, kind.wait_on, steps_.Finished(kind, output, before),
                                                  [&] { steps_.Log(app, kind.finished); });
  if (end == WaitEnd::CloseRequested || end == WaitEnd::WindowClosed) return Outcome::Stop;
  return Outcome::Next;
}

}  // namespace qvn::automation
