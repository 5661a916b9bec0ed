#pragma once
// The window layer shown with Qt widgets: windows as real widgets, the
// person's input as window events, message boxes, file and folder dialogs
// and popup menus. This header needs no Qt; the program makes the backend,
// installs it (install_backend) and runs its windows.

#include <memory>
#include <string>

#include "platform/ui/backend.h"

namespace qvn::ui::qt {

class QtBackend final : public Backend {
 public:
  // Uses the application object there is, or makes one for the process.
  static std::unique_ptr<QtBackend> create();
  ~QtBackend() override;
  QtBackend(const QtBackend&) = delete;
  QtBackend& operator=(const QtBackend&) = delete;

  void window_opened(Window& w) override;
  void window_closed(Window& w) override;
  // Runs the event loop until input reached the window, its timer is due by
  // the process clock, a folder it watches changed, or it closed.
  void wait_for_event(Window& w) override;
  void refresh(Window& w, int field) override;
  // Repaints; input that arrives meanwhile is dropped, not kept for later.
  void repaint_only() override;
  void to_front(Window& w) override;

  int message(const MessageBoxDef& box) override;
  std::string open_file(const FileDialogDef& dialog) override;
  std::string choose_folder(const FolderDialogDef& dialog) override;
  int popup(Window& w, const std::string& menu) override;
  void beep() override;
  // QPrintPreviewDialog over a Letter page; its Print button offers the
  // printers there are (with none, printing to a PDF file) and the pages.
  PreviewResult preview(const report::ReportDocument& document, const PreviewDef& def) override;

  // Writes a PNG picture of the window as it shows now; false when the
  // window is not open here or the file cannot be written.
  bool save_picture(Window& w, const std::string& path);

  struct Impl;

 private:
  QtBackend();
  std::unique_ptr<Impl> impl_;
};

}  // namespace qvn::ui::qt
