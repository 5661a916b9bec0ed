#pragma once
// The activity log, TEMPFILE.TPS: one entry for each step of a run, written
// by the runs and the connection to the development environment, emptied
// or started afresh by the main window.

#include <string_view>

namespace qvn::data {

class ActivityLog {
 public:
  // The start of a run's log: opens the log through its relation manager
  // (not tested), and a failed entry will be told again.
  void Open();
  // An entry: the application's name (40 characters), today, the time of
  // day, the text (80 characters), added to the log. The first entry of a
  // run that cannot be added (a full disk) is told in the file manager's
  // "Record Insert Error", with the file and the reason; the run goes on
  // without its entries. The last error stays as it was.
  void Entry(std::string_view app, std::string_view text);
  // The entry "Error " code " " text of the last error.
  void Error(std::string_view app);
  // Clears the log's record buffer, as every run does at its end.
  static void ClearRecord();

  // A fresh log at start, when the settings ask for one.
  static void StartFresh();
  // Removes every entry ("Empty Log").
  static void Empty();

 private:
  bool failure_told_ = false;  // a failed entry was told in this run
};

}  // namespace qvn::data
