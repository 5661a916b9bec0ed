#include "platform/framework/process_manager.h"

#include <algorithm>
#include <string>

#include "platform/core/clock.h"
#include "platform/core/error_state.h"

namespace qvn::framework {

void ProcessManager::Init(FileManager& file, ui::Window& window, int progress_field, int pct_field) {
  file_ = &file;
  window_ = &window;
  progress_field_ = progress_field;
  pct_field_ = pct_field;
  read_ = 0;
  total_ = 0;
  progress_ = 0;
  shown_ = -1;
  batch_ = 1;
}

int ProcessManager::Open() {
  read_ = 0;
  total_ = 0;
  progress_ = 0;
  batch_ = 1;
  if (int rc = file_->UseFile(use::Returns); rc != level::Benign) return rc;
  if (file_->FILE->set_order_file() != err::NoError) {
    file_->Throw(Msg::AbortReading);
    return level::Fatal;
  }
  total_ = file_->FILE->records();
  ShowProgress(true);
  return level::Benign;
}

int ProcessManager::Next() {
  const int rc = file_->Next();
  if (rc == level::Benign) {
    ++read_;
    progress_ = total_ > 0 ? static_cast<int>(std::min<int64_t>(100, read_ * 100 / total_)) : 100;
    ShowProgress(false);
    return level::Benign;
  }
  // The file manager answers Notify both at the end of the file and after a
  // failure it has reported; the last error tells them apart.
  if (rc == level::Notify && error_code() == err::RecordNotAvailable) return level::Notify;
  return level::Fatal;
}

int ProcessManager::TakeOne(const Step& take) {
  if (int rc = Next(); rc != level::Benign) return rc;
  const int rc = take ? take() : TakeRecord();
  return rc == level::Benign || rc == level::Notify ? rc : level::Fatal;
}

int ProcessManager::TakeBatch(const Step& take) {
  const int64_t start = current_clock().steady_ms();
  int rc = level::Benign;
  for (int i = 0; i < batch_ && rc == level::Benign; ++i) rc = TakeOne(take);
  const int64_t took = current_clock().steady_ms() - start;
  if (took > TimeSlice) {
    batch_ = std::max(1, batch_ / 2);
  } else if (took * 2 < TimeSlice) {
    const int most = std::max(MaxBatch, 1);
    batch_ = batch_ > most / 2 ? most : batch_ * 2;
  }
  return rc;
}

void ProcessManager::ShowProgress(bool force) {
  if (window_ == nullptr || (!force && progress_ == shown_)) return;
  shown_ = progress_;
  if (progress_field_ != 0) {
    const values::VarRef& use = window_->control(progress_field_).use;
    if (use.bound()) {
      use.set_number(progress_);
    } else {
      window_->state(progress_field_).progress = progress_;
    }
    window_->display(progress_field_);
  }
  if (pct_field_ != 0) window_->set_text(pct_field_, std::to_string(progress_) + "% Complete");
}

}  // namespace qvn::framework
