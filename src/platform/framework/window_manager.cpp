#include "platform/framework/window_manager.h"

#include <cstring>
#include <utility>

#include "platform/core/error_state.h"
#include "platform/framework/record_fields.h"
#include "platform/ui/backend.h"

namespace qvn::framework {

namespace {

const storage::FileDef& def_of(const FileManager& file) { return file.FILE->def(); }

}  // namespace

WindowManager::WindowManager(ui::Window& window) : window_(window) {}

int WindowManager::Run() {
  if (Init() == level::Benign) Ask();
  Kill();
  if (Request == request::View) return response::Cancelled;
  return Response == response::None ? response::Cancelled : Response;
}

int WindowManager::Run(int number, int request) {
  if (Request == request::View) return response::Cancelled;
  for (const UpdateProcedure& update : update_procedures_) {
    if (update.number == number) return call_procedure(update.procedure, request);
  }
  return response::Cancelled;
}

int WindowManager::Init() {
  Request = GlobalRequest;
  GlobalRequest = request::None;
  GlobalResponse = response::None;
  dead_ = false;
  opened_ = false;
  close_decided_ = false;
  keep_buffer_ = false;
  callers_copy_.clear();
  view_ok_control_ = 0;
  Response = response::None;
  return OpenRelations();
}

void WindowManager::Ask() {
  if (dead_) return;
  if (const char* caption = CaptionForRequest()) window_.set_caption(caption);
  while (window_.accept()) {
    int result = TakeEvent();
    if (result == level::Fatal) break;
    if (result == level::Notify) continue;
    // A close only asks; the window closes once nothing kept it open.
    if (window_.field() == 0 && window_.event() == ui::Event::CloseWindow) window_.close();
  }
}

int WindowManager::Kill() {
  if (dead_) return level::Notify;
  dead_ = true;
  for (WindowComponent* component : components_) component->Kill();
  if (window_.is_open()) window_.close();
  PutBackBuffer();
  CloseRelations();
  return level::Benign;
}

int WindowManager::TakeEvent() {
  int result = level::Benign;
  if (window_.field() == 0) {
    result = TakeWindowEvent();
    if (result != level::Benign) return result;
  }
  switch (window_.event()) {
    case ui::Event::Accepted: result = TakeAccepted(); break;
    case ui::Event::Rejected: result = TakeRejected(); break;
    case ui::Event::Selected: result = TakeSelected(); break;
    case ui::Event::NewSelection: result = TakeNewSelection(); break;
    default: break;
  }
  if (result != level::Benign) return result;
  if (window_.field() != 0) {
    result = TakeFieldEvent();
    if (result != level::Benign) return result;
  }
  for (WindowComponent* component : components_) {
    result = component->TakeEvent();
    if (result != level::Benign) return result;
  }
  if (AutoRefresh) {
    for (WindowComponent* component : components_) {
      if (component->ResetRequired()) component->Reset(false);
    }
  }
  return level::Benign;
}

int WindowManager::TakeWindowEvent() {
  switch (window_.event()) {
    case ui::Event::OpenWindow:
      for (WindowComponent* component : components_) component->Open();
      Reset(true);
      if (FirstField) window_.select(FirstField);
      return level::Benign;
    case ui::Event::CloseWindow: return TakeCloseEvent();
    case ui::Event::Completed: return TakeCompleted();
    case ui::Event::AlertKey:
      if (TakeHistoryKey(window_.focus())) return level::Notify;
      return level::Benign;
    default: return level::Benign;
  }
}

int WindowManager::TakeAccepted() {
  int control = window_.accepted();
  if (control == 0) return level::Benign;
  if (control == OkControl) {
    StartCompletion();
  } else if (control == CancelControl) {
    Response = response::Cancelled;
    window_.post(ui::Event::CloseWindow);
  } else if (control == view_ok_control_ && Request == request::View) {
    keep_buffer_ = true;
    window_.post(ui::Event::CloseWindow);
  }
  return level::Benign;
}

int WindowManager::TakeRejected() {
  int control = window_.field();
  ui::beep();
  window_.display(control);
  window_.select(control);
  return level::Benign;
}

int WindowManager::TakeSelected() { return level::Benign; }

int WindowManager::TakeNewSelection() { return level::Benign; }

int WindowManager::TakeFieldEvent() {
  if (window_.event() == ui::Event::AlertKey && TakeHistoryKey(window_.field())) return level::Notify;
  return level::Benign;
}

int WindowManager::TakeCompleted() {
  if (Request == request::View) {
    CloseWithResponse(response::Cancelled);
    return level::Benign;
  }
  bool storing = update_file_ && (Request == request::Insert || Request == request::Change);
  if (!storing) {
    CloseWithResponse(response::Completed);
    return level::Benign;
  }
  if (history_) std::memcpy(history_, update_file_->BUFFER, def_of(*update_file_).struct_size);
  return Request == request::Insert ? StoreInsert() : StoreChange();
}

int WindowManager::StoreInsert() {
  if (update_file_->Insert() == level::Benign) {
    CloseWithResponse(response::Completed);
    return level::Benign;
  }
  if (FirstField) window_.select(FirstField);
  return level::Notify;
}

int WindowManager::StoreChange() {
  if (!RecordChanged()) {
    CloseWithResponse(response::Completed);
    return level::Benign;
  }
  // With a history key the message also tells how to get the user's own
  // values back after the stored ones are shown.
  const Msg changed_elsewhere = HistoryKey != 0 ? Msg::ConcurrencyFailedFromForm : Msg::ConcurrencyFailed;
  for (;;) {
    int result = Primary ? Primary->Update(changed_elsewhere) : update_file_->Update(changed_elsewhere);
    if (result == level::Benign) {
      CloseWithResponse(response::Completed);
      return level::Benign;
    }
    if (error_code() == err::RecordChangedByAnotherStation) {
      // The buffer now holds the stored version; show it and let the user decide.
      window_.display();
      return level::Notify;
    }
    int answer = ui::message("An error was experienced changing this record. Do you want to try to save again?",
                             "Record Update Error", ui::MessageIcon::Question,
                             ui::button::Yes | ui::button::No | ui::button::Cancel, ui::button::Cancel);
    if (answer == ui::button::Yes) continue;
    if (answer == ui::button::No) {
      CloseWithResponse(response::Cancelled);
      return level::Benign;
    }
    if (FirstField) window_.select(FirstField);
    return level::Notify;
  }
}

int WindowManager::TakeCloseEvent() {
  bool editing = update_file_ && (Request == request::Insert || Request == request::Change);
  if (Response == response::Completed || !editing) return level::Benign;
  // A close the form decided on itself (the user gave up a failed change)
  // asks nothing more.
  if (!close_decided_ && CancelAction == cancel_action::AskSave && RecordChanged()) {
    int answer =
        ui::message("Do you want to save the changes to this record?", "Save Record", ui::MessageIcon::Question,
                    ui::button::Yes | ui::button::No | ui::button::Cancel, ui::button::Cancel);
    if (answer == ui::button::Yes) {
      // As if Ok were pressed, so the procedure's own checks of Ok run too.
      if (OkControl) {
        window_.post(ui::Event::Accepted, OkControl);
      } else {
        StartCompletion();
      }
      return level::Notify;
    }
    if (answer != ui::button::No) {
      if (FirstField) window_.select(FirstField);
      return level::Notify;
    }
  }
  if (Request == request::Insert) DropPrimedRecord();
  Response = response::Cancelled;
  return level::Benign;
}

int WindowManager::PrimeUpdate() {
  if (!update_file_) return level::Benign;
  if (Request == request::Delete) {
    int result = Primary ? Primary->Delete(true) : update_file_->Delete(true);
    Response = result == level::Benign ? response::Completed : response::Cancelled;
    return level::Notify;
  }
  const char* buffer = static_cast<const char*>(update_file_->BUFFER);
  start_copy_.assign(buffer, buffer + def_of(*update_file_).struct_size);
  return level::Benign;
}

void WindowManager::Update() {
  window_.update();
  for (WindowComponent* component : components_) component->Update();
}

void WindowManager::Reset(bool force) {
  for (WindowComponent* component : components_) component->Reset(force);
  window_.display();
}

void WindowManager::Open() {
  if (FirstField) window_.set_first_field(FirstField);
  if (HistoryKey) window_.alert(0, HistoryKey);
  window_.open();
  opened_ = true;
}

void WindowManager::AddItem(WindowComponent& component) { components_.push_back(&component); }

void WindowManager::AddRelation(RelationManager& relation, bool forcing) {
  for (const DeclaredRelation& declared : relations_) {
    if (declared.relation == &relation) return;
  }
  relations_.push_back(DeclaredRelation{&relation, forcing, false});
}

int WindowManager::OpenRelations() {
  for (DeclaredRelation& declared : relations_) {
    if (declared.opened) continue;
    if (const int opened = declared.relation->Open(declared.forcing); opened != level::Benign) return opened;
    declared.opened = true;
  }
  return level::Benign;
}

void WindowManager::CloseRelations() {
  for (DeclaredRelation& declared : relations_) {
    if (!declared.opened) continue;
    declared.relation->Close();
    declared.opened = false;
  }
}

void WindowManager::AddUpdateProcedure(int number, Procedure procedure) {
  for (UpdateProcedure& update : update_procedures_) {
    if (update.number == number) {
      update.procedure = std::move(procedure);
      return;
    }
  }
  update_procedures_.push_back(UpdateProcedure{number, std::move(procedure)});
}

void WindowManager::AddUpdateFile(FileManager& file) { update_file_ = &file; }

// The caller's copy is taken before PrimeUpdate, so that a cancelled form
// gives back what the caller left rather than what priming made of it, and
// for a view as well, which is not primed.
int WindowManager::StartForm(int ok_control) {
  if (update_file_) {
    const char* buffer = static_cast<const char*>(update_file_->BUFFER);
    callers_copy_.assign(buffer, buffer + def_of(*update_file_).struct_size);
  }
  if (Request == request::View) {
    OkControl = 0;
    view_ok_control_ = ok_control;
    return level::Benign;
  }
  OkControl = ok_control;
  return PrimeUpdate() == level::Benign ? level::Benign : level::Notify;
}

int WindowManager::InitForm(int ok_control) {
  if (const int answer = WindowManager::Init(); answer != level::Benign) return answer;
  if (StartForm(ok_control) != level::Benign) return level::Notify;
  Open();
  return level::Benign;
}

bool WindowManager::CallersRecord(void* record) const {
  if (callers_copy_.empty()) return false;
  std::memcpy(record, callers_copy_.data(), callers_copy_.size());
  return true;
}

// A form never shown (a delete, an Init that stopped) leaves the buffer as
// its work left it.
void WindowManager::PutBackBuffer() {
  if (!update_file_ || callers_copy_.empty() || !opened_ || keep_buffer_) return;
  if (Response == response::Completed) return;
  std::memcpy(update_file_->BUFFER, callers_copy_.data(), callers_copy_.size());
}

const char* WindowManager::CaptionForRequest() const {
  switch (Request) {
    case request::View: return Captions.view;
    case request::Insert: return Captions.insert;
    case request::Change: return Captions.change;
    default: return Captions.other;
  }
}

void WindowManager::AddHistoryFile(void* history_record) { history_ = history_record; }

void WindowManager::AddHistoryField(int control, int record_field) {
  history_fields_.push_back(HistoryField{control, record_field});
}

void WindowManager::StartCompletion() { window_.accept_all(); }

bool WindowManager::RecordChanged() const {
  if (!update_file_ || start_copy_.empty()) return false;
  for (const storage::FieldDef& field : def_of(*update_file_).fields) {
    if (!fields_equal(field, update_file_->BUFFER, start_copy_.data(), false)) return true;
  }
  return false;
}

void WindowManager::DropPrimedRecord() {
  if (!update_file_) return;
  for (const FileManager::KeyEntry& entry : update_file_->KEYS) {
    if (!entry.auto_number) continue;
    // The number is not edited on the form, so the buffer still finds the reserved record.
    if (update_file_->FILE->get(*entry.key) != err::NoError) return;
    if (Primary) {
      // Records linked to the reserved number meanwhile let go of it, by the
      // rules of a change of number, so that the next record given the same
      // number does not take them over; a delete's rules could remove them.
      const storage::FieldDef& counter = def_of(*update_file_).fields[entry.key->components.back()];
      set_field_number(counter, update_file_->BUFFER, 0);
      Primary->Update();
    }
    update_file_->Delete(false);
    return;
  }
}

void WindowManager::CloseWithResponse(int response) {
  Response = response;
  close_decided_ = true;
  window_.post(ui::Event::CloseWindow);
}

bool WindowManager::TakeHistoryKey(int control) {
  if (!HistoryKey || window_.keycode() != HistoryKey || !history_ || !update_file_) return false;
  const storage::FileDef& def = def_of(*update_file_);
  for (const HistoryField& h : history_fields_) {
    if (h.control != control || h.record_field < 1 || static_cast<size_t>(h.record_field) > def.fields.size()) {
      continue;
    }
    const storage::FieldDef& field = def.fields[static_cast<size_t>(h.record_field) - 1];
    copy_field(field, history_, field, update_file_->BUFFER);
    window_.display(control);
    return true;
  }
  return false;
}

}  // namespace qvn::framework
