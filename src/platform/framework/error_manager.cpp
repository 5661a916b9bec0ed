#include "platform/framework/error_manager.h"

#include <cstdio>
#include <cstdlib>

#include "platform/core/error_state.h"

namespace qvn {
framework::ErrorManager error_manager;
}  // namespace qvn

namespace qvn::framework {

namespace {

constexpr std::string_view kFatalSuffix = "  Press OK to end this application";

const std::vector<MessageEntry> kTable = {
    {Msg::OpenFailed, "File Access Error", "File %File could not be opened.  Error: %ErrorText.", MessageKind::Fatal},
    {Msg::CreateFailed, "File Creation Error", "Error: (%ErrorText) creating %File.", MessageKind::Fatal},
    {Msg::OpenReadOnly, "Access Denied", "Could not get write access to %File so trying read-only.",
     MessageKind::Notice},
    {Msg::RebuildKey, "Invalid Key", "%File key file is invalid. Key must be rebuilt.", MessageKind::Notice},
    {Msg::RebuildFailed, "Key was not built", "Error: (%ErrorText) repairing key for %File.", MessageKind::Fatal},
    {Msg::AbortReading, "Record Retrieval Error",
     "Error: (%ErrorText) attempting to access a record from the %File file.  Returning to previous window.",
     MessageKind::Notice},
    {Msg::RecordHeldByAnother, "Record not read",
     "A record held by another station was encountered reading from the %File file.", MessageKind::Notice},
    {Msg::AddFailed, "Record Insert Error",
     "An error was experienced during the creation of a record.|File: %File|Error: %ErrorText.", MessageKind::Notice},
    {Msg::DuplicateKey, "Duplicate Key Error", "Adding this record creates a duplicate entry for the key: %Message",
     MessageKind::Notice},
    {Msg::RetryAutoInc, "Auto Increment Error",
     "Attempts to automatically number this record have failed.|File: %File|Key: %Key|Error: %ErrorText.|Try "
     "Again?",
     MessageKind::Question},
    {Msg::ConcurrencyFailed, "Record Was Not Updated", "This record was changed by another station.",
     MessageKind::Notice},
    {Msg::ConcurrencyFailedFromForm, "Record Was Not Updated",
     "This record was changed by another station. Those changes will now be displayed. Use the Ditto Button or "
     "Ctrl+H to recall your changes.",
     MessageKind::Notice},
    {Msg::PutFailed, "Record was not updated",
     "An error (%ErrorText) was experienced when making changes to the %File file.", MessageKind::Notice},
    {Msg::ConfirmDelete, "Confirm Delete", "Are you sure you want to delete the highlighted record?",
     MessageKind::Question},
    {Msg::DeleteFailed, "Record was not deleted",
     "An error (%ErrorText) was experienced when deleting a record from the %File file.", MessageKind::Notice},
    {Msg::RetryDelete, "Record Delete Error",
     "An error was experienced deleting this record. Do you want to try to delete it again?", MessageKind::Question},
    {Msg::LogoutFailed, "Transaction cancelled", "Error: (%ErrorText) attempting to frame the transaction on %File.",
     MessageKind::Notice},
};

class StderrPresenter final : public ErrorPresenter {
 public:
  int show(const MessageBox& box) override {
    std::fprintf(stderr, "%s: %s\n", box.caption().c_str(), box.text.c_str());
    return box.kind == MessageKind::Question ? ui::button::No : ui::button::Ok;
  }
};

StderrPresenter stderr_presenter;

}  // namespace

const std::vector<MessageEntry>& message_table() { return kTable; }

const MessageEntry& message_entry(Msg id) { return kTable.at(static_cast<size_t>(id)); }

std::string ErrorSnapshot::error_text() const {
  if (code == err::FileSystemError || code == err::DriverError) {
    return driver_text + " (" + std::to_string(driver_code) + ")";
  }
  return text + " (" + std::to_string(code) + ")";
}

std::string fill_placeholders(std::string_view text, const MessageContext& ctx) {
  struct Placeholder {
    std::string_view name;
    std::string value;
  };
  const Placeholder placeholders[] = {
      {"%ErrorText", ctx.error.error_text()},
      {"%Message", ctx.message},
      {"%File", ctx.file},
      {"%Key", ctx.key},
  };
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    bool replaced = false;
    if (text[i] == '%') {
      for (const auto& p : placeholders) {
        if (text.substr(i, p.name.size()) == p.name) {
          out += p.value;
          i += p.name.size();
          replaced = true;
          break;
        }
      }
    }
    if (!replaced) out += text[i++];
  }
  return out;
}

std::string MessageBox::caption() const { return procedure.empty() ? title : procedure + ": " + title; }

ErrorManager::ErrorManager() = default;

void ErrorManager::Init() {
  std::lock_guard lock(mutex_);
  procedures_.clear();
}

void ErrorManager::Kill() {
  std::lock_guard lock(mutex_);
  procedures_.clear();
}

void ErrorManager::SetPresenter(ErrorPresenter* presenter) {
  std::lock_guard lock(mutex_);
  presenter_ = presenter;
}

void ErrorManager::SetHaltHook(HaltHook hook) {
  std::lock_guard lock(mutex_);
  halt_ = std::move(hook);
}

MessageBox ErrorManager::Compose(Msg id, const MessageContext& ctx) const {
  const MessageEntry& entry = message_entry(id);
  MessageBox box;
  box.title = std::string(entry.title);
  box.procedure = CurrentProcedure();
  box.text = fill_placeholders(entry.text, ctx);
  box.kind = entry.kind;
  switch (entry.kind) {
    case MessageKind::Notice: break;
    case MessageKind::Question:
      box.icon = ui::MessageIcon::Question;
      box.buttons = ui::button::Yes + ui::button::No;
      box.default_button = ui::button::Yes;
      break;
    case MessageKind::Fatal: box.text += kFatalSuffix; break;
  }
  return box;
}

int ErrorManager::Throw(Msg id, const MessageContext& ctx) {
  MessageBox box = Compose(id, ctx);
  ErrorPresenter* presenter;
  HaltHook halt;
  {
    std::lock_guard lock(mutex_);
    presenter = presenter_ ? presenter_ : &stderr_presenter;
    halt = halt_;
  }
  int pressed = presenter->show(box);
  switch (box.kind) {
    case MessageKind::Notice: return level::Notify;
    case MessageKind::Question: return pressed == ui::button::Yes ? level::Benign : level::Cancel;
    case MessageKind::Fatal:
      if (halt) {
        halt(kFatalExitCode);
      } else {
        std::exit(kFatalExitCode);
      }
      return level::Fatal;
  }
  return level::Notify;
}

void ErrorManager::PushProcedure(std::string_view name) {
  std::lock_guard lock(mutex_);
  procedures_[std::this_thread::get_id()].emplace_back(name);
}

void ErrorManager::PopProcedure() {
  std::lock_guard lock(mutex_);
  auto it = procedures_.find(std::this_thread::get_id());
  if (it == procedures_.end()) return;
  if (!it->second.empty()) it->second.pop_back();
  if (it->second.empty()) procedures_.erase(it);
}

std::string ErrorManager::CurrentProcedure() const {
  std::lock_guard lock(mutex_);
  auto it = procedures_.find(std::this_thread::get_id());
  return it == procedures_.end() || it->second.empty() ? std::string() : it->second.back();
}

}  // namespace qvn::framework
