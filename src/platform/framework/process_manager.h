#pragma once
// The process manager: reads a file from its first record to its last in
// storage order, one record at a time into the file's buffer, for a process
// or report procedure, and shows how far it has come in a progress bar and
// a "<n>% Complete" text of the procedure's window.
//
// The procedure's window drives it: the first record is read when the
// window opens, the rest in batches, one batch on each timer event, so the
// window takes its events (a Cancel button) between batches. A batch starts
// as one record and doubles while it takes less than half of the time slice
// on the process clock; one that takes longer than the slice is halved.
//
// Results: Open answers level::Benign, or the file manager's level when the
// file cannot be used. Next, TakeOne and TakeBatch answer level::Benign when
// there is more to read, level::Notify at the end of the file (or when a
// step asked to end as there), level::Fatal after a failure that has been
// reported (or when a step asked to stop).

#include <cstdint>
#include <functional>

#include "platform/framework/file_manager.h"
#include "platform/ui/window.h"

namespace qvn::framework {

class ProcessManager {
 public:
  ProcessManager() = default;
  virtual ~ProcessManager() = default;
  ProcessManager(const ProcessManager&) = delete;
  ProcessManager& operator=(const ProcessManager&) = delete;

  // The file to read, and the fields of the window's progress bar and its
  // percentage text (0: none).
  void Init(FileManager& file, ui::Window& window, int progress_field = 0, int pct_field = 0);
  virtual void Kill() {}

  // Starts at the file's first record in storage order. The file's number
  // of records now is the 100 %.
  virtual int Open();
  // Reads the next record. The end of the file is no failure and shows no
  // message; any other failure is reported through the file manager.
  virtual int Next();
  // Each record read is handed to TakeRecord, unless the caller of TakeOne
  // or TakeBatch gives a step of its own. Answer level::Benign to go on,
  // level::Notify to end as at the end of the file, level::Fatal to stop.
  virtual int TakeRecord() { return level::Benign; }

  using Step = std::function<int()>;
  // Reads one record and hands it on.
  int TakeOne(const Step& take = {});
  // One batch of BatchSize() records, for one timer event.
  int TakeBatch(const Step& take = {});

  // Records read so far, and of how many when reading started.
  int64_t RecordsRead() const { return read_; }
  int64_t RecordsToRead() const { return total_; }
  // The share read, 0 to 100.
  int Progress() const { return progress_; }
  int BatchSize() const { return batch_; }

  // The time a batch may take on the process clock, in milliseconds, and
  // the largest batch (a clock that does not move never slows the growth).
  int64_t TimeSlice = 1000;
  int MaxBatch = 65536;

 private:
  void ShowProgress(bool force);

  FileManager* file_ = nullptr;
  ui::Window* window_ = nullptr;
  int progress_field_ = 0;
  int pct_field_ = 0;
  int64_t read_ = 0;
  int64_t total_ = 0;
  int progress_ = 0;
  int shown_ = -1;
  int batch_ = 1;
};

}  // namespace qvn::framework
