#pragma once
// A backend for model tests: when a window waits, it queues an empty event
// instead of waiting, so a test can take every pending event and stop.

#include <ostream>
#include <string>
#include <vector>

#include "platform/ui/backend.h"
#include "platform/ui/window.h"

namespace qvn::ui::testing {

class QuietBackend final : public Backend {
 public:
  QuietBackend() : previous_(installed_backend()) { install_backend(this); }
  ~QuietBackend() override { install_backend(previous_); }

  void window_opened(Window&) override { ++opened; }
  void window_closed(Window&) override { ++closed; }
  void wait_for_event(Window& w) override { w.post(Event::None); }
  void refresh(Window&, int) override {}
  void repaint_only() override {}
  void to_front(Window&) override {}
  int message(const MessageBoxDef& box) override {
    shown.push_back(box);
    return answer;
  }
  std::string open_file(const FileDialogDef& d) override {
    file_dialogs.push_back(d);
    return file;
  }
  std::string choose_folder(const FolderDialogDef& d) override {
    folder_dialogs.push_back(d);
    return folder;
  }
  int popup(Window&, const std::string&) override { return popup_answer; }
  void beep() override {}

  int opened = 0, closed = 0;
  std::vector<MessageBoxDef> shown;
  int answer = button::Ok;
  std::vector<FileDialogDef> file_dialogs;
  std::vector<FolderDialogDef> folder_dialogs;
  std::string file, folder;
  int popup_answer = 0;

 private:
  Backend* previous_;
};

struct Seen {
  Event event;
  int field;
  int keycode;
  friend bool operator==(const Seen&, const Seen&) = default;
};

inline std::ostream& operator<<(std::ostream& os, const Seen& s) {
  return os << event_name(s.event) << "(" << s.field << ", key " << s.keycode << ")";
}

// Every event the window has for now.
inline std::vector<Seen> pending(Window& w) {
  std::vector<Seen> seen;
  while (w.accept() && w.event() != Event::None) seen.push_back(Seen{w.event(), w.field(), w.keycode()});
  return seen;
}

inline ControlDef control(std::string equate, ControlKind kind, int parent = 0, std::string text = {}) {
  ControlDef c;
  c.equate = std::move(equate);
  c.kind = kind;
  c.parent = parent;
  c.text = std::move(text);
  return c;
}

}  // namespace qvn::ui::testing
