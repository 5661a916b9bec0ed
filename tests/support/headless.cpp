#include "support/headless.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/core/fixed_string.h"
#include "platform/ui/folder_watch.h"
#include "support/wait.h"

namespace qvn::ui {

namespace {

std::string trimmed(std::string_view s) {
  s = clip(s);
  size_t b = 0;
  while (b < s.size() && s[b] == ' ') ++b;
  return std::string(s.substr(b));
}

// What was typed shows even without a variable; other kinds show a value
// only from their variable.
bool shows_value(const ControlDef& c) {
  const ControlTraits& t = traits(c.kind);
  return t.typed || (t.shows_value && c.use.bound());
}

}  // namespace

// WindowView

int WindowView::field(Control control) const {
  if (control.field != 0) {
    if (control.field > 0 && control.field <= window_.controls()) return control.field;
    ADD_FAILURE() << "Window \"" << caption() << "\" has no control " << control.field;
    return 0;
  }
  const std::string_view name = control.text;
  if (!name.empty() && name.front() == '?') {
    const int f = window_.field(name);
    if (f == 0) ADD_FAILURE() << "Window \"" << caption() << "\" has no control " << name;
    return f;
  }
  std::vector<int> found;
  for (int f = 1; f <= window_.controls(); ++f) {
    const std::string& t = window_.state(f).text;
    if (t == name || visible_text(t) == name) found.push_back(f);
  }
  if (found.size() > 1) {
    std::vector<int> shown;
    for (int f : found) {
      if (!window_.is_hidden(f)) shown.push_back(f);
    }
    if (shown.size() == 1) return shown.front();
  }
  if (found.size() == 1) return found.front();
  if (found.empty()) {
    ADD_FAILURE() << "Window \"" << caption() << "\" has no control showing \"" << name << "\"";
  } else {
    ADD_FAILURE() << "Window \"" << caption() << "\" has " << found.size() << " controls showing \"" << name << "\"";
  }
  return 0;
}

bool WindowView::has(Control control) const {
  if (control.field != 0) return control.field > 0 && control.field <= window_.controls();
  const std::string_view name = control.text;
  if (!name.empty() && name.front() == '?') return window_.field(name) != 0;
  for (int f = 1; f <= window_.controls(); ++f) {
    const std::string& t = window_.state(f).text;
    if (t == name || visible_text(t) == name) return true;
  }
  return false;
}

std::string WindowView::text(Control control) const {
  const int f = field(control);
  if (f == 0) return {};
  if (shows_value(window_.control(f))) return trimmed(window_.state(f).shown);
  return trimmed(visible_text(window_.state(f).text));
}

bool WindowView::is_hidden(Control control) const {
  const int f = field(control);
  return f == 0 || window_.is_hidden(f);
}

bool WindowView::is_disabled(Control control) const {
  const int f = field(control);
  return f == 0 || window_.is_disabled(f);
}

bool WindowView::is_checked(Control control) const {
  const int f = field(control);
  return f != 0 && window_.state(f).checked;
}

bool WindowView::has_focus(Control control) const {
  const int f = field(control);
  return f != 0 && window_.focus() == f;
}

std::string WindowView::focus() const {
  const int f = window_.focus();
  if (f == 0) return {};
  const std::string& equate = window_.control(f).equate;
  return equate.empty() ? "field " + std::to_string(f) : equate;
}

int WindowView::choice(Control control) const {
  const int f = field(control);
  return f == 0 ? 0 : window_.choice(f);
}

std::vector<std::vector<std::string>> WindowView::list_rows(Control control) const {
  std::vector<std::vector<std::string>> rows;
  for (const auto& cells : list_cells(control)) {
    std::vector<std::string> texts;
    for (const ListCell& c : cells) texts.push_back(trimmed(c.text));
    rows.push_back(std::move(texts));
  }
  return rows;
}

std::vector<std::vector<ListCell>> WindowView::list_cells(Control control) const {
  std::vector<std::vector<ListCell>> rows;
  const int f = field(control);
  if (f == 0) return rows;
  const ListModel* model = window_.state(f).list;
  if (!model) return rows;
  for (size_t r = 0; r < model->rows(); ++r) rows.push_back(window_.cells(f, r));
  return rows;
}

void WindowView::refused(Control control, const char* action) const {
  ADD_FAILURE() << "Window \"" << caption() << "\": cannot " << action << " "
                << (control.field != 0 ? "control " + std::to_string(control.field) : std::string(control.text))
                << " (hidden, disabled, read-only, out of range, or not the top window)";
}

void WindowView::press(Control control) {
  const int f = field(control);
  if (f != 0 && !window_.user_press(f)) refused(control, "press");
}

void WindowView::type(Control control, std::string_view text) {
  const int f = field(control);
  if (f != 0 && !window_.user_type(f, text)) refused(control, "type into");
}

void WindowView::select_row(Control list, int row) {
  const int f = field(list);
  if (f != 0 && !window_.user_select_row(f, row)) refused(list, "select that row of");
}

void WindowView::right_click_row(Control list, int row) {
  const int f = field(list);
  if (f != 0 && !window_.user_select_row(f, row, key::MouseRight)) refused(list, "right-click that row of");
}

void WindowView::accept_row(Control list, int row) {
  const int f = field(list);
  if (f != 0 && !window_.user_accept_row(f, row)) refused(list, "double-click that row of");
}

void WindowView::choose_tab(Control tab) {
  const int f = field(tab);
  if (f == 0) return;
  const int sheet = window_.control(f).parent;
  if (!window_.user_choose_tab(sheet, f)) refused(tab, "choose");
}

void WindowView::press_key(Control control, int keycode) {
  const int f = field(control);
  if (f != 0 && !window_.user_key(f, keycode)) refused(control, "press a key on");
}

void WindowView::press_key(int keycode) {
  if (!window_.user_key(0, keycode)) refused("the focused control", "press a key on");
}

void WindowView::scroll(Control list, ScrollMove move) {
  const int f = field(list);
  if (f != 0 && !window_.user_scroll(f, move)) refused(list, "scroll");
}

void WindowView::drag_thumb(Control list, int position) {
  const int f = field(list);
  if (f != 0 && !window_.user_scroll(f, ScrollMove::Thumb, position)) refused(list, "drag the thumb of");
}

void WindowView::wheel(Control list, int rows) {
  const int f = field(list);
  if (f != 0 && !window_.user_wheel(f, rows)) refused(list, "turn the wheel over");
}

int WindowView::thumb(Control list) const {
  const int f = field(list);
  return f == 0 ? 0 : window_.state(f).thumb;
}

void WindowView::expand(Control list, int row) {
  const int f = field(list);
  if (f != 0 && !window_.user_expand(f, row, true)) refused(list, "expand that row of");
}

void WindowView::contract(Control list, int row) {
  const int f = field(list);
  if (f != 0 && !window_.user_expand(f, row, false)) refused(list, "contract that row of");
}

void WindowView::spin_up(Control spin) {
  const int f = field(spin);
  if (f != 0 && !window_.user_spin(f, true)) refused(spin, "spin");
}

void WindowView::spin_down(Control spin) {
  const int f = field(spin);
  if (f != 0 && !window_.user_spin(f, false)) refused(spin, "spin");
}

void WindowView::close() {
  if (!window_.user_close()) refused("the window", "close");
}

void WindowView::advance_time(int64_t ms) { user_.advance_time(ms); }

bool WindowView::wait_for(const std::function<bool()>& condition, int real_ms) {
  return test_support::eventually(condition, real_ms);
}

bool WindowView::wait_for_folder_change(int real_ms, const std::function<bool()>& until) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(real_ms);
  while (true) {
    if (folder_change_pending(window_) && (!until || until())) return true;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
    if (left <= 0) return false;
    // A condition can come true without a change of its own (the writer
    // ended, say), so it is looked at again every few milliseconds.
    wait_for_folder_report(window_, static_cast<int>(std::min<long long>(left, 10)));
  }
}

// HeadlessUser

HeadlessUser::HeadlessUser(int64_t start_ms) : clock_(start_ms), scoped_clock_(clock_), previous_(installed_backend()) {
  install_backend(this);
}

HeadlessUser::~HeadlessUser() {
  for (const Step& step : steps_) ADD_FAILURE() << "The script's step never ran: " << describe(step);
  install_backend(previous_);
}

HeadlessUser::Step HeadlessUser::make_step(StepKind kind, bool any, std::string text, int number, WindowStep action) {
  Step step;
  step.kind = kind;
  step.any = any;
  step.text = std::move(text);
  step.number = number;
  step.action = std::move(action);
  return step;
}

HeadlessUser& HeadlessUser::on_window(std::string caption, WindowStep step) {
  steps_.push_back(make_step(StepKind::Window, false, std::move(caption), 0, std::move(step)));
  return *this;
}

HeadlessUser& HeadlessUser::then(WindowStep step) {
  steps_.push_back(make_step(StepKind::Window, true, {}, 0, std::move(step)));
  return *this;
}

HeadlessUser& HeadlessUser::keep_on_window(std::string caption, WindowStep step) {
  steps_.push_back(make_step(StepKind::Repeat, false, std::move(caption), 0, std::move(step)));
  return *this;
}

HeadlessUser& HeadlessUser::answer_message(std::string text, int button) {
  steps_.push_back(make_step(StepKind::Message, false, std::move(text), button, {}));
  return *this;
}

HeadlessUser& HeadlessUser::answer_any_message(int button) {
  steps_.push_back(make_step(StepKind::Message, true, {}, button, {}));
  return *this;
}

HeadlessUser& HeadlessUser::choose_file(std::string path) {
  steps_.push_back(make_step(StepKind::File, false, std::move(path), 0, {}));
  return *this;
}

HeadlessUser& HeadlessUser::choose_folder(std::string path) {
  steps_.push_back(make_step(StepKind::Folder, false, std::move(path), 0, {}));
  return *this;
}

HeadlessUser& HeadlessUser::choose_popup(int item) {
  steps_.push_back(make_step(StepKind::Popup, true, {}, item, {}));
  return *this;
}

HeadlessUser& HeadlessUser::choose_popup(std::string item_text) {
  steps_.push_back(make_step(StepKind::Popup, false, std::move(item_text), 0, {}));
  return *this;
}

HeadlessUser& HeadlessUser::print_preview() {
  steps_.push_back(make_step(StepKind::Preview, true, {}, 1, {}));
  return *this;
}

HeadlessUser& HeadlessUser::print_preview(std::vector<int> pages) {
  Step step = make_step(StepKind::Preview, false, {}, 1, {});
  step.pages = std::move(pages);
  steps_.push_back(std::move(step));
  return *this;
}

HeadlessUser& HeadlessUser::leave_preview() {
  steps_.push_back(make_step(StepKind::Preview, true, {}, 0, {}));
  return *this;
}

std::string HeadlessUser::describe(const Step& step) {
  switch (step.kind) {
    case StepKind::Window: return step.any ? "a step for any window" : "a step for window \"" + step.text + "\"";
    case StepKind::Repeat: return "a step at each wait of window \"" + step.text + "\" until it closes";
    case StepKind::Preview:
      return step.number == 0 ? std::string("leaving a print preview") : std::string("printing from a print preview");
    case StepKind::Message:
      return step.any ? "an answer to any message" : "an answer to the message \"" + step.text + "\"";
    case StepKind::File: return step.text.empty() ? "cancelling a file dialog" : "choosing the file " + step.text;
    case StepKind::Folder: return step.text.empty() ? "cancelling a folder dialog" : "choosing the folder " + step.text;
    case StepKind::Popup:
      return step.any ? "choosing popup item " + std::to_string(step.number)
                      : "choosing popup item \"" + step.text + "\"";
  }
  return "?";
}

std::string HeadlessUser::next_step_text() const {
  return steps_.empty() ? std::string("the script has no step left") : "the next step is " + describe(steps_.front());
}

size_t HeadlessUser::answering_step() const {
  return !steps_.empty() && steps_.front().kind == StepKind::Repeat ? 1 : 0;
}

bool HeadlessUser::answers(StepKind kind) const {
  const size_t at = answering_step();
  return at < steps_.size() && steps_[at].kind == kind;
}

HeadlessUser::Step HeadlessUser::take_answer() {
  const auto at = steps_.begin() + static_cast<std::ptrdiff_t>(answering_step());
  Step step = std::move(*at);
  steps_.erase(at);
  return step;
}

void HeadlessUser::window_opened(Window& w) { windows_opened_.push_back(w.caption()); }

void HeadlessUser::window_closed(Window& w) {
  if (gave_up_on_ == &w) gave_up_on_ = nullptr;
  if (!steps_.empty() && steps_.front().kind == StepKind::Repeat && steps_.front().runs > 0 &&
      steps_.front().text == w.caption()) {
    steps_.pop_front();
  }
}

void HeadlessUser::give_up(Window& w) {
  if (gave_up_on_ == &w) {
    w.close();
    return;
  }
  gave_up_on_ = &w;
  w.post(Event::CloseWindow);
}

void HeadlessUser::wait_for_event(Window& w) {
  if (!steps_.empty() && steps_.front().kind == StepKind::Repeat && steps_.front().text == w.caption()) {
    constexpr int kMostWaits = 100000;
    Step& step = steps_.front();
    if (++step.runs > kMostWaits) {
      ADD_FAILURE() << "Window \"" << w.caption() << "\" still waits after " << kMostWaits << " runs of its step";
      steps_.pop_front();
      give_up(w);
      return;
    }
    gave_up_on_ = nullptr;
    WindowView view(w, *this);
    // A copy, since the step may close the window and so end the repeat.
    WindowStep action = step.action;
    if (action) action(view);
    return;
  }
  if (steps_.empty() || steps_.front().kind != StepKind::Window) {
    ADD_FAILURE() << "Window \"" << w.caption() << "\" waits for input, but " << next_step_text();
    give_up(w);
    return;
  }
  if (!steps_.front().any && steps_.front().text != w.caption()) {
    ADD_FAILURE() << "Window \"" << w.caption() << "\" waits for input, but " << next_step_text();
    give_up(w);
    return;
  }
  Step step = std::move(steps_.front());
  steps_.pop_front();
  gave_up_on_ = nullptr;
  WindowView view(w, *this);
  if (step.action) step.action(view);
}

int HeadlessUser::message(const MessageBoxDef& box) {
  messages_.push_back(ShownMessage{box, 0});
  int answer = answer_without_choice(box);
  if (!answers(StepKind::Message) || (!steps_[answering_step()].any && steps_[answering_step()].text != box.text)) {
    ADD_FAILURE() << "Message \"" << box.text << "\" (caption \"" << box.caption
                  << "\") is not answered: " << next_step_text();
  } else {
    const Step step = take_answer();
    if ((step.number & box.buttons) == 0 || (step.number & (step.number - 1)) != 0) {
      ADD_FAILURE() << "Message \"" << box.text << "\" offers no button " << step.number;
    } else {
      answer = step.number;
    }
  }
  messages_.back().answer = answer;
  return answer;
}

std::string HeadlessUser::open_file(const FileDialogDef& dialog) {
  file_dialogs_.push_back(dialog);
  if (!answers(StepKind::File)) {
    ADD_FAILURE() << "File dialog \"" << dialog.title << "\" is not answered: " << next_step_text();
    return {};
  }
  const std::string path = take_answer().text;
  std::error_code ec;
  if (!path.empty() && !std::filesystem::is_regular_file(path, ec)) {
    ADD_FAILURE() << "File dialog \"" << dialog.title << "\": no file " << path << " to choose";
    return {};
  }
  return path;
}

std::string HeadlessUser::choose_folder(const FolderDialogDef& dialog) {
  folder_dialogs_.push_back(dialog);
  if (!answers(StepKind::Folder)) {
    ADD_FAILURE() << "Folder dialog \"" << dialog.title << "\" is not answered: " << next_step_text();
    return {};
  }
  const std::string path = take_answer().text;
  std::error_code ec;
  if (!path.empty() && !std::filesystem::is_directory(path, ec)) {
    ADD_FAILURE() << "Folder dialog \"" << dialog.title << "\": no folder " << path << " to choose";
    return {};
  }
  return path;
}

int HeadlessUser::popup(Window&, const std::string& menu) {
  popups_.push_back(menu);
  if (!answers(StepKind::Popup)) {
    ADD_FAILURE() << "Popup menu \"" << menu << "\" is not answered: " << next_step_text();
    return 0;
  }
  const Step step = take_answer();
  if (step.any) return step.number;
  if (step.text.empty()) return 0;
  for (const PopupItem& item : popup_items(menu)) {
    if (item.number != 0 && (item.text == step.text || visible_text(item.text) == step.text)) return item.number;
  }
  ADD_FAILURE() << "Popup menu \"" << menu << "\" has no item \"" << step.text << "\"";
  return 0;
}

PreviewResult HeadlessUser::preview(const report::ReportDocument& document, const PreviewDef& def) {
  previews_.push_back(ShownPreview{def, document, {}});
  PreviewResult result;
  if (!answers(StepKind::Preview)) {
    ADD_FAILURE() << "Print preview \"" << def.title << "\" of " << document.page_count()
                  << " pages is not answered: " << next_step_text();
    return result;
  }
  const Step step = take_answer();
  if (step.number != 0) {
    result.printed = true;
    if (step.any) {
      for (const report::Page& page : document.pages()) result.pages.push_back(page.number);
    } else {
      for (int page : step.pages) {
        if (page < 1 || static_cast<size_t>(page) > document.page_count()) {
          ADD_FAILURE() << "Print preview \"" << def.title << "\" has no page " << page;
          continue;
        }
        result.pages.push_back(page);
      }
    }
  }
  previews_.back().result = result;
  return result;
}

}  // namespace qvn::ui
