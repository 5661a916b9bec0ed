#include "platform/ui/backend.h"

#include <filesystem>
#include <system_error>

#include "platform/core/error_state.h"
#include "platform/ui/window.h"

namespace qvn::ui {

namespace {

namespace fs = std::filesystem;

// Stands in until a backend is installed: nobody is there to answer.
class AbsentBackend final : public Backend {
 public:
  void window_opened(Window&) override {}
  void window_closed(Window&) override {}
  void wait_for_event(Window& w) override { w.close(); }
  void refresh(Window&, int) override {}
  void repaint_only() override {}
  void to_front(Window&) override {}
  int message(const MessageBoxDef& box) override { return answer_without_choice(box); }
  std::string open_file(const FileDialogDef&) override { return {}; }
  std::string choose_folder(const FolderDialogDef&) override { return {}; }
  int popup(Window&, const std::string&) override { return 0; }
  void beep() override {}
};

AbsentBackend absent;
Backend* installed = nullptr;

// The current folder as it stood, put back when the object goes unless released.
class KeepFolder {
 public:
  KeepFolder() { folder_ = fs::current_path(ec_); }
  ~KeepFolder() {
    std::error_code ec;
    if (!ec_ && !released_ && fs::current_path(ec) != folder_) fs::current_path(folder_, ec);
  }
  void release() { released_ = true; }
  KeepFolder(const KeepFolder&) = delete;
  KeepFolder& operator=(const KeepFolder&) = delete;

 private:
  fs::path folder_;
  std::error_code ec_;
  bool released_ = false;
};

// A start folder given with "\" between its parts is taken as if with "/".
std::string existing_folder(std::string_view name) {
  if (name.empty()) return {};
  std::string native(name);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  std::error_code ec;
  return fs::is_directory(native, ec) ? native : std::string();
}

bool single_button_of(int b, int buttons) { return b > 0 && (b & (b - 1)) == 0 && (b & buttons) != 0; }

}  // namespace

Backend& backend() { return installed ? *installed : absent; }
void install_backend(Backend* b) { installed = b; }
Backend* installed_backend() { return installed; }

int answer_without_choice(const MessageBoxDef& box) {
  const int buttons = box.buttons == 0 ? button::Ok : box.buttons;
  if (single_button_of(box.default_button, buttons)) return box.default_button;
  for (int b : {button::Cancel, button::No, button::Ok}) {
    if (buttons & b) return b;
  }
  return buttons & -buttons;
}

int message(MessageBoxDef box) {
  if (box.buttons == 0) box.buttons = button::Ok;
  if (!single_button_of(box.default_button, box.buttons)) box.default_button = 0;
  KeepLastError keep;
  int pressed = backend().message(box);
  return single_button_of(pressed, box.buttons) ? pressed : answer_without_choice(box);
}

int message(const std::string& text, const std::string& caption, MessageIcon icon, int buttons, int default_button) {
  return message(MessageBoxDef{text, caption, icon, buttons, default_button});
}

void beep() { backend().beep(); }

PreviewResult Backend::preview(const report::ReportDocument&, const PreviewDef&) { return {}; }

PreviewResult preview(const report::ReportDocument& document, const PreviewDef& def) {
  KeepLastError keep;
  return backend().preview(document, def);
}

std::string open_file(const FileDialogDef& dialog) {
  KeepLastError keep;
  KeepFolder folder;
  FileDialogDef native = dialog;
  native.start_folder = existing_folder(dialog.start_folder);
  const std::string chosen = backend().open_file(native);
  if (chosen.empty()) return {};
  std::error_code ec;
  const fs::path file = fs::absolute(chosen, ec);
  if (ec || !fs::exists(file, ec) || fs::is_directory(file, ec)) return {};
  if (!dialog.keep_folder) {
    fs::current_path(file.parent_path(), ec);
    if (!ec) folder.release();
  }
  return file.string();
}

std::string choose_folder(const FolderDialogDef& dialog) {
  KeepLastError keep;
  KeepFolder folder;
  FolderDialogDef native = dialog;
  native.start_folder = existing_folder(dialog.start_folder);
  const std::string chosen = backend().choose_folder(native);
  if (chosen.empty()) return {};
  std::error_code ec;
  const fs::path dir = fs::absolute(chosen, ec);
  if (ec || !fs::is_directory(dir, ec)) return {};
  std::string name = dir.lexically_normal().string();
  if (name.empty() || name.back() != '/') name += '/';
  return name;
}

std::vector<PopupItem> popup_items(std::string_view menu) {
  std::vector<PopupItem> items;
  if (menu.empty()) return items;
  int number = 0;
  size_t start = 0;
  while (true) {
    const size_t bar = menu.find('|', start);
    std::string_view part = menu.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start);
    PopupItem item;
    if (part == "-") {
      item.text = "-";
    } else {
      if (!part.empty() && part.front() == '~') {
        item.disabled = true;
        part.remove_prefix(1);
      }
      item.text = std::string(part);
      item.number = ++number;
    }
    items.push_back(std::move(item));
    if (bar == std::string_view::npos) break;
    start = bar + 1;
  }
  return items;
}

}  // namespace qvn::ui
