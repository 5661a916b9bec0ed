#include "platform/framework/report_manager.h"

namespace qvn::framework {

ReportManager::ReportManager(ui::Window& progress_window) : WindowManager(progress_window) {}

void ReportManager::Bind(ProcessManager& process, report::Report& report) {
  process_ = &process;
  report_ = &report;
}

int ReportManager::TakeRecord() { return process_->TakeRecord(); }

int ReportManager::TakeNoRecords() { return level::Benign; }

int ReportManager::TakeWindowEvent() {
  switch (window().event()) {
    case ui::Event::OpenWindow:
      if (int rc = WindowManager::TakeWindowEvent(); rc != level::Benign) return rc;
      return OpenReport();
    case ui::Event::Timer: return TakeTimer();
    default: return WindowManager::TakeWindowEvent();
  }
}

int ReportManager::OpenReport() {
  answer_ = {};
  if (process_ == nullptr || report_ == nullptr) return Stop();
  report_->open();
  if (process_->Open() != level::Benign) return Stop();
  reading_ = true;
  switch (process_->TakeOne([this] { return TakeRecord(); })) {
    case level::Benign: return level::Benign;
    case level::Notify:
      if (process_->RecordsRead() > 0) return Finish();
      TakeNoRecords();
      return Stop();
    default: return Stop();
  }
}

int ReportManager::TakeTimer() {
  // A Cancel already taken has set the response; the window is closing.
  if (!reading_ || Response != response::None) return level::Benign;
  switch (process_->TakeBatch([this] { return TakeRecord(); })) {
    case level::Benign: return level::Benign;
    case level::Notify: return Finish();
    default: return Stop();
  }
}

int ReportManager::Finish() {
  reading_ = false;
  Response = response::Completed;
  window().close();
  report_->end_page();
  answer_ = ui::preview(report_->document(), Preview);
  return level::Notify;
}

int ReportManager::Stop() {
  reading_ = false;
  Response = response::Cancelled;
  window().close();
  return level::Notify;
}

int ReportManager::Kill() {
  if (Dead()) return level::Notify;
  reading_ = false;
  if (report_ != nullptr) report_->close();
  if (process_ != nullptr) process_->Kill();
  return WindowManager::Kill();
}

}  // namespace qvn::framework
