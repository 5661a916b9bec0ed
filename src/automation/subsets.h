#pragma once
// The project subsets of the main window's "Project Subsets" tab: the user
// toggles applications of the project selected in ?LIST:2 into the
// hand-picked subset SQ, which "Gen && Make (Project Subset)" builds. An
// application is in the subset when an entry with its file name is; an
// entry is a copy of the application's fields when it was toggled in.
//
// With the setting "RetainTags" 1 the subset is kept between runs in
// TagFile, TF.TPS in the data folder: it is loaded when the window opens
// and written back when it closes. It is written back only when TF.TPS was
// opened in this run, by the load or by the settings window's Ok with the
// option ticked, so a retained subset is never replaced while the option
// was never on.

namespace qvn::automation {

class MainWindow;

class ProjectSubsets {
 public:
  explicit ProjectSubsets(MainWindow& main);

  // ?TOGGLE: the application of the row selected in ?LIST:3 (the
  // ProjectApps buffer holds it) goes into the subset or out of it, and the
  // selection moves to the next row. Nothing without a selected row.
  void Toggle();
  // ?CLEARSUBTAGS: the subset is emptied.
  void UntagAll();
  // Row formatting of ?LIST:3: SubTagFlag := 1 when the application in the
  // ProjectApps buffer is in the subset, else 0; true when it is.
  bool MarkRow();

  // The load at open, when RetainTags is 1, after the data-file names carry
  // the data folder. TagFile stays open until the write-back.
  void Load();
  // The write-back at Kill, before the window's own Kill: when RetainTags is
  // 1 and TagFile was opened in this run, TagFile is rewritten with the
  // subset's entries in one transaction. TagFile is closed either way.
  void WriteBack();

 private:
  // ?GENERATESUBSET is enabled exactly while the subset holds an entry.
  void SetGenerateButton();

  MainWindow& main_;
  // True from the load at open until the write-back.
  bool loaded_ = false;
};

}  // namespace qvn::automation
