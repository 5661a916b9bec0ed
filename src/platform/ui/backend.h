#pragma once
// What a window needs from whoever shows it: the Qt renderer for a person,
// the headless driver for tests. Only the window layer calls these.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/ui/message_box.h"

namespace qvn::report {
class ReportDocument;
}  // namespace qvn::report

namespace qvn::ui {

class Window;

struct FileDialogDef {
  std::string title;
  // (description, patterns) pairs, e.g. {"Clarion apps", "*.APP;*.PRJ"};
  // patterns match without regard to case. The first pair is selected.
  std::vector<std::pair<std::string, std::string>> filters;
  std::string start_folder;  // ignored when it does not exist
  bool keep_folder = false;  // false: the current folder moves to the chosen file's folder
};

struct FolderDialogDef {
  std::string title;
  std::string start_folder;  // empty or missing: the current folder
};

// One entry of a popup menu text.
struct PopupItem {
  std::string text;       // as written, "&" marking the mnemonic
  int number = 0;         // 1-based among the items; 0 for a separator
  bool disabled = false;  // written with a leading "~"
};

// A print preview of a report's pages. It always offers zoom.
struct PreviewDef {
  std::string title = "Report Preview";
  bool maximized = true;
};

// What the user did in a print preview: printed the pages listed (1-based,
// in order; all of them or those chosen), or left without printing.
struct PreviewResult {
  bool printed = false;
  std::vector<int> pages;
};

class Backend {
 public:
  virtual ~Backend() = default;

  virtual void window_opened(Window& w) = 0;
  virtual void window_closed(Window& w) = 0;
  // The window's event queue is empty: deliver at least one event (user
  // input, or let time pass so a timer fires) or close the window. Must not
  // return with nothing done, or the accept loop would spin.
  virtual void wait_for_event(Window& w) = 0;
  // The program changed what controls show (DISPLAY, a property, a list's rows).
  virtual void refresh(Window& w, int field) = 0;  // field 0: every control
  // A long call is waiting: repaint, take no input.
  virtual void repaint_only() = 0;
  virtual void to_front(Window& w) = 0;

  // Shows the box (buttons already 1 for OK alone) and returns the button pressed.
  virtual int message(const MessageBoxDef& box) = 0;
  // The chosen file's full name as this platform spells it, or "" when
  // cancelled. The start folder is given in this platform's spelling too.
  virtual std::string open_file(const FileDialogDef& dialog) = 0;
  // The chosen folder as this platform spells it, or "" when cancelled.
  virtual std::string choose_folder(const FolderDialogDef& dialog) = 0;
  // The 1-based item chosen from a popup menu ("|" between items, "-" a separator), 0 none.
  virtual int popup(Window& w, const std::string& menu) = 0;
  virtual void beep() = 0;
  // Shows the pages in a print preview until the user prints them or
  // leaves. A backend with nobody to look leaves without printing.
  virtual PreviewResult preview(const report::ReportDocument& document, const PreviewDef& def);
};

// The backend in force. The program installs the Qt one; tests a headless
// one. With none installed, windows close at their first wait and every
// dialog is cancelled, so nothing waits for a person who is not there.
Backend& backend();
void install_backend(Backend* b);  // nullptr: none
Backend* installed_backend();

// MESSAGE(): shows a message box through the backend and returns the button
// pressed; no buttons given means OK alone. Leaves the last error as it was.
int message(const std::string& text, const std::string& caption = {}, MessageIcon icon = MessageIcon::None,
            int buttons = 0, int default_button = 0);
int message(MessageBoxDef box);
// The answer of a box closed without a choice: its default button, else
// Cancel, No or OK, whichever it has, in that order.
int answer_without_choice(const MessageBoxDef& box);
void beep();
// The print preview: the user prints the document's pages (all or chosen
// ones) or leaves. Leaves the last error as it was.
PreviewResult preview(const report::ReportDocument& document, const PreviewDef& def = {});

// The open-file dialog. Returns the chosen file's full name as this
// platform spells it ("/" between folders, as the program writes names), ""
// when cancelled or when the file chosen does not exist. A start folder may
// be given with "\" between folders as well. Unless keep_folder, the current
// folder moves to the chosen file's folder; a cancel leaves it.
std::string open_file(const FileDialogDef& dialog);
// The folder dialog: the chosen folder as this platform spells it, with a
// closing "/"; "" when cancelled. The current folder stays where it was.
std::string choose_folder(const FolderDialogDef& dialog);

// The items of a popup menu text: "|" between items, "-" a separator that
// takes no number, a leading "~" a disabled item.
std::vector<PopupItem> popup_items(std::string_view menu);

}  // namespace qvn::ui
