#pragma once
// A scripted user for tests: window procedures run without a screen while
// a script, written as a list of steps, sees each window as it waits and
// acts on it, answers message boxes, file dialogs and popup menus, and
// decides when the virtual clock moves.
//
//   HeadlessUser user;
//   user.on_window("Lorvane --  QVN v.6.1", [](WindowView& w) { w.press(automation::BUTTON17); });
//   user.answer_message("Are you entirely sure?", button::Yes);
//   user.then([](WindowView& w) { w.close(); });
//   Main();
//
// A window that works on its timer (a progress window) is best driven by
// keep_on_window, whose step runs at each of its waits until it closes:
//
//   user.keep_on_window("Report Progress...", [](WindowView& w) { w.advance_time(100); });
//   user.print_preview();
//
// Steps run in order, each when the program asks for what it expects: a
// window step when a window waits for input, a message step when a message
// box appears, and so on. A step that finds something else, a box nobody
// answers and a window that waits with no step left fail the test; the box
// is then answered as if closed and the window closed, so a test never
// hangs. Steps that never ran fail the test when the user goes. A change
// that a folder watch of the window reported reaches the window as
// FolderChanged before the next step runs (the accept loop takes it first).

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/clock.h"
#include "platform/report/report_document.h"
#include "platform/ui/backend.h"
#include "platform/ui/window.h"

namespace qvn::ui {

class HeadlessUser;

// A control as a script names it: by its field number (a procedure's enum
// gives it: `update_apps::OK`), by its equate ("?LIST:2", in windows that
// name their controls) or by the text it shows ("Close", "&Tag" or "Tag").
struct Control {
  Control(int field) : field(field) {}
  Control(const char* text) : text(text) {}
  Control(std::string_view text) : text(text) {}
  Control(const std::string& text) : text(text) {}

  int field = 0;  // 0: named by `text`
  std::string_view text;
};

// One window as the scripted user sees it. Every action fails the test
// when the control is not there or takes no input (hidden, disabled,
// read-only, or the window is not the top one).
class WindowView {
 public:
  WindowView(Window& window, HeadlessUser& user) : window_(window), user_(user) {}

  Window& window() { return window_; }
  const std::string& caption() const { return window_.caption(); }
  bool window_hidden() const { return window_.hidden(); }

  // The control's field; fails the test and gives 0 when there is none or
  // when its text names several controls.
  int field(Control control) const;
  bool has(Control control) const;

  // What the control shows, without leading and trailing blanks: an entry's,
  // spin box's or bound string's value through its picture, any other
  // control's text without its "&" marks.
  std::string text(Control control) const;
  bool is_hidden(Control control) const;
  bool is_disabled(Control control) const;
  bool is_checked(Control control) const;
  bool has_focus(Control control) const;
  // The focused control's equate, or "field N" in a window that names none;
  // "" when no control has the focus.
  std::string focus() const;
  int choice(Control control) const;
  // A list's rows as its cells' texts without leading and trailing blanks.
  std::vector<std::vector<std::string>> list_rows(Control control) const;
  std::vector<std::vector<ListCell>> list_cells(Control control) const;

  void press(Control control);
  void type(Control control, std::string_view text);
  void select_row(Control list, int row);
  void right_click_row(Control list, int row);
  void accept_row(Control list, int row);
  void choose_tab(Control tab);
  void press_key(Control control, int keycode);
  void press_key(int keycode);  // on the focused control
  // A paged list's scroll bar: an arrow or a click in its trough (a page),
  // its ends, or its thumb dragged to 0 (top) ... 100 (bottom); the wheel
  // turned by `rows` rows (negative: up).
  void scroll(Control list, ScrollMove move);
  void drag_thumb(Control list, int position);
  void wheel(Control list, int rows);
  // Where a paged list's thumb stands, 0 to 100.
  int thumb(Control list) const;
  void expand(Control list, int row);
  void contract(Control list, int row);
  void spin_up(Control spin);
  void spin_down(Control spin);
  void close();

  // Moves virtual time on; a window timer that falls due then fires.
  void advance_time(int64_t ms);
  // Waits in real time, at most real_ms, until the condition holds (see
  // support/wait.h).
  bool wait_for(const std::function<bool()>& condition, int real_ms);
  // Waits in real time, at most real_ms, until a folder the window watches
  // has reported a change (see folder_watch.h) and, when given, `until`
  // holds as well. The change stays pending, so the window gets its
  // FolderChanged as soon as the step returns. False when the time ran out
  // first.
  bool wait_for_folder_change(int real_ms, const std::function<bool()>& until = {});

 private:
  void refused(Control control, const char* action) const;

  Window& window_;
  HeadlessUser& user_;
};

// Installs itself as the backend and a virtual clock for its lifetime.
class HeadlessUser final : public Backend {
 public:
  // 1 March 2024, 10:00 UTC.
  static constexpr int64_t kDefaultStartMs = 1709287200000;

  explicit HeadlessUser(int64_t start_ms = kDefaultStartMs);
  ~HeadlessUser() override;
  HeadlessUser(const HeadlessUser&) = delete;
  HeadlessUser& operator=(const HeadlessUser&) = delete;

  using WindowStep = std::function<void(WindowView&)>;

  // The next window that waits must bear this caption.
  HeadlessUser& on_window(std::string caption, WindowStep step);
  // The next window that waits, whatever its caption.
  HeadlessUser& then(WindowStep step);
  // The window of this caption: the step runs each time it waits, until it
  // closes. Boxes and dialogs that show meanwhile are answered by the steps
  // after it. A window that waits more than 100,000 times fails the test.
  HeadlessUser& keep_on_window(std::string caption, WindowStep step);
  // The next message box must show this text ("|" as written) and offer the button.
  HeadlessUser& answer_message(std::string text, int button);
  HeadlessUser& answer_any_message(int button);
  // The next file dialog: the file (as this platform spells it) or "" to cancel.
  HeadlessUser& choose_file(std::string path);
  HeadlessUser& choose_folder(std::string path);
  // The next popup menu: the item by number or by its text; 0 or "" dismisses it.
  HeadlessUser& choose_popup(int item);
  HeadlessUser& choose_popup(std::string item_text);
  // The next print preview: print every page, print the pages listed
  // (1-based), or leave without printing.
  HeadlessUser& print_preview();
  HeadlessUser& print_preview(std::vector<int> pages);
  HeadlessUser& leave_preview();

  VirtualClock& clock() { return clock_; }
  void advance_time(int64_t ms) { clock_.advance_ms(ms); }

  struct ShownMessage {
    MessageBoxDef box;
    int answer = 0;
  };
  const std::vector<ShownMessage>& messages() const { return messages_; }
  const std::vector<FileDialogDef>& file_dialogs() const { return file_dialogs_; }
  const std::vector<FolderDialogDef>& folder_dialogs() const { return folder_dialogs_; }
  const std::vector<std::string>& popups() const { return popups_; }
  // Each preview shown, with a copy of its pages and the answer given.
  struct ShownPreview {
    PreviewDef def;
    report::ReportDocument document;
    PreviewResult result;
  };
  const std::vector<ShownPreview>& previews() const { return previews_; }
  // Captions of the windows in the order they opened.
  const std::vector<std::string>& windows_opened() const { return windows_opened_; }
  int beeps() const { return beeps_; }
  int repaints() const { return repaints_; }
  int brought_to_front() const { return to_front_; }
  size_t steps_left() const { return steps_.size(); }

  // Backend.
  void window_opened(Window& w) override;
  void window_closed(Window& w) override;
  void wait_for_event(Window& w) override;
  void refresh(Window&, int) override {}
  void repaint_only() override { ++repaints_; }
  void to_front(Window&) override { ++to_front_; }
  int message(const MessageBoxDef& box) override;
  std::string open_file(const FileDialogDef& dialog) override;
  std::string choose_folder(const FolderDialogDef& dialog) override;
  int popup(Window& w, const std::string& menu) override;
  void beep() override { ++beeps_; }
  PreviewResult preview(const report::ReportDocument& document, const PreviewDef& def) override;

 private:
  enum class StepKind { Window, Repeat, Message, File, Folder, Popup, Preview };
  struct Step {
    StepKind kind = StepKind::Window;
    bool any = true;   // window: any caption; message: any text; popup: by number
    std::string text;  // caption, message text, path or popup item text
    int number = 0;    // button or popup item; preview: 1 print, 0 leave
    WindowStep action;
    std::vector<int> pages;  // preview: the pages to print, empty for all
    int runs = 0;            // repeat: waits so far
  };
  // A box or dialog is answered by the next step, or by the one after a
  // step that repeats while its window is open.
  size_t answering_step() const;
  bool answers(StepKind kind) const;
  Step take_answer();
  static Step make_step(StepKind kind, bool any, std::string text, int number, WindowStep action);
  static std::string describe(const Step& step);
  std::string next_step_text() const;
  // The window waits and the script has nothing for it: close it, and
  // close it outright when it waits again without a step between.
  void give_up(Window& w);

  VirtualClock clock_;
  ScopedClock scoped_clock_;
  Backend* previous_;
  std::deque<Step> steps_;
  std::vector<ShownMessage> messages_;
  std::vector<FileDialogDef> file_dialogs_;
  std::vector<FolderDialogDef> folder_dialogs_;
  std::vector<std::string> popups_;
  std::vector<ShownPreview> previews_;
  std::vector<std::string> windows_opened_;
  int beeps_ = 0;
  int repaints_ = 0;
  int to_front_ = 0;
  const Window* gave_up_on_ = nullptr;
};

// A backend that passes every call on to the scripted user, installed in
// the user's place for its lifetime. A test derives from it to watch some
// calls (a window opening, a control redrawn) and passes them on as well.
class UserWatcher : public Backend {
 public:
  explicit UserWatcher(HeadlessUser& user) : user_(user) { install_backend(this); }
  ~UserWatcher() override { install_backend(&user_); }
  UserWatcher(const UserWatcher&) = delete;
  UserWatcher& operator=(const UserWatcher&) = delete;

  void window_opened(Window& w) override { user_.window_opened(w); }
  void window_closed(Window& w) override { user_.window_closed(w); }
  void wait_for_event(Window& w) override { user_.wait_for_event(w); }
  void refresh(Window& w, int field) override { user_.refresh(w, field); }
  void repaint_only() override { user_.repaint_only(); }
  void to_front(Window& w) override { user_.to_front(w); }
  int message(const MessageBoxDef& box) override { return user_.message(box); }
  std::string open_file(const FileDialogDef& d) override { return user_.open_file(d); }
  std::string choose_folder(const FolderDialogDef& d) override { return user_.choose_folder(d); }
  int popup(Window& w, const std::string& menu) override { return user_.popup(w, menu); }
  void beep() override { user_.beep(); }
  PreviewResult preview(const report::ReportDocument& doc, const PreviewDef& def) override {
    return user_.preview(doc, def);
  }

 private:
  HeadlessUser& user_;
};

}  // namespace qvn::ui
