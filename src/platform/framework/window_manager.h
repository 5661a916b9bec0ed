#pragma once
// The window manager: the skeleton of every window procedure. Run calls
// Init, then Ask (the event loop), then Kill, and returns the response. Ask
// hands each event to TakeEvent, which dispatches it to the steps below; a
// procedure's own behaviour lives in its overrides of these steps, each of
// which calls the base step where the procedure wants the default.
//
// Steps answer a level (error_manager.h and below): 0 lets the dispatch go
// on; any other value ends the dispatch of that event; level::Fatal ends the
// event loop; level::Notify skips the event's default action (a close
// answered Notify keeps the window open).
//
// A procedure declares what the shared steps below work on, best when it is
// made: its relation managers, its record (the update file), its captions
// per request, its history key and the update procedures its browses run.
//
// Init takes the request the caller left in GlobalRequest and clears both
// globals, so that no other procedure takes them; it then opens the relation
// managers the procedure declared (AddRelation), and Kill closes those it
// opened, once, also when Init stopped half-way.
//
// A form registers the file manager of its record (AddUpdateFile) and its
// primary relation manager. It then follows the form protocol: StartForm
// saves the record buffer as the caller left it and, but for a view, arms the
// Ok control and runs PrimeUpdate, which carries out a delete request without
// showing the window; the Ok control starts the window's Ok pass, whose
// Completed event stores the record by the request; a change is stored only
// when the record differs from the copy taken when the form started. A form
// that was shown and ends without a save gets the caller's buffer back. A
// view stores nothing and answers cancelled; its Ok closes it and keeps what
// the buffer holds.

#include <vector>

#include "platform/framework/error_manager.h"
#include "platform/framework/file_manager.h"
#include "platform/framework/level.h"
#include "platform/framework/procedure.h"
#include "platform/framework/relation_manager.h"
#include "platform/framework/request.h"
#include "platform/framework/window_component.h"
#include "platform/ui/window.h"

namespace qvn::framework {

// What a form does when it is closed without Ok.
namespace cancel_action {
inline constexpr int Close = 0;    // drop the changes without a question
inline constexpr int AskSave = 1;  // "Save Record" when the record was changed
}  // namespace cancel_action

// The caption a form shows for its request; a null one keeps the caption
// of the window's structure.
struct RequestCaptions {
  const char* view = nullptr;
  const char* insert = nullptr;
  const char* change = nullptr;
  const char* other = nullptr;  // any other request
};

class WindowManager {
 public:
  // The window is built from its structure by the procedure; it is opened by
  // Open and closed by Kill.
  explicit WindowManager(ui::Window& window);
  virtual ~WindowManager() = default;
  WindowManager(const WindowManager&) = delete;
  WindowManager& operator=(const WindowManager&) = delete;

  ui::Window& window() { return window_; }

  // Init, then Ask unless Init failed, then Kill; the response, cancelled
  // when none was set and always for a view.
  virtual int Run();
  // Runs update procedure `number` with `request` for a browse of this
  // window (the procedure's RunProcedure): the one declared for the number
  // (AddUpdateProcedure), answering its response. A view runs none, nor
  // does a number without one; both answer cancelled.
  virtual int Run(int number, int request);

  // Takes the request and opens the declared relation managers; the first
  // failure's level when one cannot be opened.
  virtual int Init();
  // Shows the caption declared for the request, then runs the event loop.
  virtual void Ask();
  // Kills the components and closes the window; puts the caller's buffer
  // back for a form shown and left without a save; closes the relation
  // managers Init opened. level::Notify when the manager was already killed.
  virtual int Kill();

  virtual int TakeEvent();
  virtual int TakeWindowEvent();
  virtual int TakeAccepted();
  virtual int TakeRejected();
  virtual int TakeSelected();
  virtual int TakeNewSelection();
  virtual int TakeFieldEvent();
  virtual int TakeCompleted();
  virtual int TakeCloseEvent();
  // Readies the form's record for its request. A delete is carried out here
  // ("Confirm Delete" first); the answer is then level::Notify, meaning the
  // work is done and the window need not open.
  virtual int PrimeUpdate();
  // Controls' contents to their variables, then every component updates the
  // record buffers it serves.
  virtual void Update();
  // Every component is reset (a browse refills when what it watches changed,
  // or always when forced); then the controls show their variables again.
  virtual void Reset(bool force = false);

  // Opens the window and arms the history key.
  void Open();
  bool Opened() const { return opened_; }
  bool Dead() const { return dead_; }

  void AddItem(WindowComponent& component);
  // A relation manager the procedure works with, opened by Init (`forcing`
  // opens its related files at once as well) and closed by Kill. A manager
  // declared twice counts once.
  void AddRelation(RelationManager& relation, bool forcing = false);
  // Opens the declared relation managers not yet open, in the order
  // declared, stopping at the first that fails and answering its level. Init
  // calls it; a procedure that opens its files later declares them later and
  // calls it then.
  int OpenRelations();
  // The update procedure a browse of this window runs for its procedure
  // number `number`; declared again, the number takes the new one.
  void AddUpdateProcedure(int number, Procedure procedure);
  // The file manager whose record the form edits.
  void AddUpdateFile(FileManager& file);
  // Starts the form on its record: saves the buffer as the caller left it,
  // then, but for a view, makes `ok_control` the Ok control and runs
  // PrimeUpdate. For a view `ok_control` only closes the window, keeping
  // what the buffer holds. level::Notify when PrimeUpdate carried out the
  // request (a delete) and the window need not open.
  int StartForm(int ok_control);
  // Copies the buffer StartForm saved to `record`, laid out as the update
  // file's record; false when none was saved.
  bool CallersRecord(void* record) const;
  // The Init of a form with nothing more to ready: the base Init, StartForm
  // with `ok_control`, then Open; level::Notify when the window need not
  // open (a delete carried out).
  int InitForm(int ok_control);
  // The history copy: a record laid out as the update file's, which takes
  // the record at each completed Ok; the history key copies a field back.
  void AddHistoryFile(void* history_record);
  // `record_field` counts the record's fields from 1.
  void AddHistoryField(int control, int record_field);

  // The Ok pass: Accepted for every control with a variable, then Completed.
  void StartCompletion();
  // True when the form's record differs from the copy taken by PrimeUpdate.
  bool RecordChanged() const;

  int Request = request::None;
  int Response = response::None;
  int OkControl = 0;
  int CancelControl = 0;
  int FirstField = 0;
  int CancelAction = cancel_action::AskSave;
  // After each event, components whose watched values changed are reset.
  bool AutoRefresh = true;
  int HistoryKey = 0;
  RelationManager* Primary = nullptr;
  RequestCaptions Captions;

 protected:
  // Removes the record that priming added to hold its number, when an
  // insert ends without Ok. Records already linked to the reserved number
  // keep their place but lose the link (the primary's rules for a change of
  // number); the record itself goes through the file manager, so no delete
  // rule reaches them.
  virtual void DropPrimedRecord();

 private:
  struct HistoryField {
    int control;
    int record_field;
  };
  struct UpdateProcedure {
    int number;
    Procedure procedure;
  };
  struct DeclaredRelation {
    RelationManager* relation;
    bool forcing;
    bool opened;
  };

  int StoreInsert();
  int StoreChange();
  void CloseWithResponse(int response);
  bool TakeHistoryKey(int control);
  const char* CaptionForRequest() const;
  void PutBackBuffer();
  void CloseRelations();

  ui::Window& window_;
  std::vector<WindowComponent*> components_;
  FileManager* update_file_ = nullptr;
  std::vector<DeclaredRelation> relations_;
  std::vector<UpdateProcedure> update_procedures_;
  std::vector<char> start_copy_;
  // The buffer as the caller left it (StartForm), and whether it stays as the
  // form leaves it (a view closed by its Ok).
  std::vector<char> callers_copy_;
  bool keep_buffer_ = false;
  int view_ok_control_ = 0;
  void* history_ = nullptr;
  std::vector<HistoryField> history_fields_;
  bool opened_ = false;
  bool dead_ = false;
  // The form posted its own close with its response (CloseWithResponse).
  bool close_decided_ = false;
};

}  // namespace qvn::framework
