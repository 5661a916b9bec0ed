#pragma once
// A person in front of the Qt rendering (Qt's offscreen platform) for the
// tests that picture a window: the window is shown by the Qt backend, every
// message is noted and answered as a box without a choice is, dialogs and
// popups are declined, and a window can be looked at (its layout faults
// noted) and its picture saved into every folder given. What the person
// does when a window waits is each test's own.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <QtWidgets/QApplication>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "layout_faults.h"
#include "platform/ui/backend.h"
#include "platform/ui/qt/qt_backend.h"
#include "platform/ui/qt/window_widget.h"
#include "platform/ui/window.h"
#include "window_view.h"

namespace qvn::ui::qt::test {

// The Qt backend on the offscreen platform, unless a platform is named.
inline std::unique_ptr<QtBackend> offscreen_backend() {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  return QtBackend::create();
}

// The folders a test's pictures go into: its own, and the one `variable`
// names when it is set.
inline std::vector<std::filesystem::path> picture_folders(const std::filesystem::path& own, const char* variable) {
  std::vector<std::filesystem::path> folders = {own};
  if (const char* wanted = std::getenv(variable); wanted && *wanted) folders.push_back(wanted);
  return folders;
}

// A copy of the picture `png` as `name` in the folder `variable` names,
// when it is set.
inline void copy_picture(const std::filesystem::path& png, const char* variable, const std::string& name) {
  const char* wanted = std::getenv(variable);
  if (wanted == nullptr || *wanted == 0) return;
  std::error_code ec;
  std::filesystem::create_directories(wanted, ec);
  std::filesystem::copy_file(png, std::filesystem::path(wanted) / name,
                             std::filesystem::copy_options::overwrite_existing, ec);
  EXPECT_FALSE(ec) << ec.message();
}

// The file holds a picture in PNG of some size.
inline ::testing::AssertionResult is_png(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() <= 1000u) {
    return ::testing::AssertionFailure() << path << " holds " << bytes.size() << " bytes";
  }
  if (bytes.substr(0, 8) != std::string("\x89PNG\r\n\x1a\n", 8)) {
    return ::testing::AssertionFailure() << path << " is not a PNG file";
  }
  return ::testing::AssertionSuccess();
}

// Installed while it lives; the backend that was installed before comes back.
class PictureBackend : public Backend {
 public:
  PictureBackend(QtBackend& qt, std::vector<std::filesystem::path> folders)
      : qt_(qt), folders_(std::move(folders)), previous_(installed_backend()) {
    for (const std::filesystem::path& folder : folders_) {
      std::error_code ec;
      std::filesystem::create_directories(folder, ec);
    }
    install_backend(this);
  }
  ~PictureBackend() override { install_backend(previous_); }
  PictureBackend(const PictureBackend&) = delete;
  PictureBackend& operator=(const PictureBackend&) = delete;

  void window_opened(Window& w) override { qt_.window_opened(w); }
  void window_closed(Window& w) override { qt_.window_closed(w); }
  void refresh(Window& w, int field) override { qt_.refresh(w, field); }
  void repaint_only() override { qt_.repaint_only(); }
  void to_front(Window& w) override { qt_.to_front(w); }
  int message(const MessageBoxDef& box) override {
    messages.push_back(box.text);
    return answer_without_choice(box);
  }
  std::string open_file(const FileDialogDef&) override { return {}; }
  std::string choose_folder(const FolderDialogDef&) override { return {}; }
  int popup(Window&, const std::string&) override { return 0; }
  void beep() override {}

  const std::vector<std::filesystem::path>& folders() const { return folders_; }

  std::vector<std::string> messages;
  std::vector<std::string> faults;  // each behind the label it was looked at with
  std::vector<bool> saved;          // one a picture and folder

 protected:
  QtBackend& qt() { return qt_; }

  // The window's layout faults are noted behind `label`, and its picture
  // saved as `file`.
  void picture(Window& w, const std::string& file, const std::string& label = {}) {
    if (WindowWidget* v = view_of(w); v != nullptr) {
      for (const std::string& f : layout_faults(v)) faults.push_back(label + f);
    }
    save(w, file);
  }

  // The window's picture, as `file` in every folder.
  void save(Window& w, const std::string& file) {
    for (const std::filesystem::path& folder : folders_) saved.push_back(qt_.save_picture(w, (folder / file).string()));
  }

 private:
  QtBackend& qt_;
  std::vector<std::filesystem::path> folders_;
  Backend* previous_;
};

// A person who does its one thing at a window's first wait and closes the
// window at the next.
class LookOnce : public PictureBackend {
 public:
  using PictureBackend::PictureBackend;

  void wait_for_event(Window& w) final {
    if (looked_) {
      w.close();
      return;
    }
    looked_ = true;
    first_wait(w);
  }

 protected:
  virtual void first_wait(Window& w) = 0;
  // The next window that waits is looked at too.
  void look_again() { looked_ = false; }

 private:
  bool looked_ = false;
};

}  // namespace qvn::ui::qt::test
