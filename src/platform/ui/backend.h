#pragma once
// What a window needs from whoever shows it: the Qt renderer for a person,
// the headless driver for tests. Only the window layer calls these.

#include <string>
#include <utility>
#include <vector>

namespace qvn::ui {

class Window;

enum class MessageIcon { None, Stop, Question, Exclamation, Information };

// Buttons are a sum of these values; the pressed one is returned.
namespace button {
inline constexpr int Ok = 1;
inline constexpr int Yes = 2;
inline constexpr int No = 4;
inline constexpr int Abort = 8;
inline constexpr int Retry = 16;
inline constexpr int Ignore = 32;
inline constexpr int Cancel = 64;
inline constexpr int Help = 128;
}  // namespace button

struct MessageBoxDef {
  std::string text;      // "|" starts a new line, "||" leaves an empty line
  std::string caption;
  MessageIcon icon = MessageIcon::None;
  int buttons = 0;       // 0: OK alone
  int default_button = 0;  // 0: none marked
};

struct FileDialogDef {
  std::string title;
  // (description, patterns) pairs, e.g. {"Clarion apps", "*.APP;*.PRJ"}.
  std::vector<std::pair<std::string, std::string>> filters;
  std::string start_folder;   // ignored when it does not exist
  bool keep_folder = false;   // false: the current folder moves to the chosen file's folder
};

struct FolderDialogDef {
  std::string title;
  std::string start_folder;
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

  virtual int message(const MessageBoxDef& box) = 0;
  // The chosen file's full name, or "" when cancelled.
  virtual std::string open_file(const FileDialogDef& dialog) = 0;
  virtual std::string choose_folder(const FolderDialogDef& dialog) = 0;
  // The 1-based item chosen from a popup menu ("|" between items, "-" a separator), 0 none.
  virtual int popup(Window& w, const std::string& menu) = 0;
  virtual void beep() = 0;
};

// The backend in force. The program installs the Qt one; tests a headless one.
Backend& backend();
void install_backend(Backend* b);

// MESSAGE(): shows a message box through the backend; leaves the last error as it was.
int message(const std::string& text, const std::string& caption = {}, MessageIcon icon = MessageIcon::None,
            int buttons = 0, int default_button = 0);
void beep();

}  // namespace qvn::ui
