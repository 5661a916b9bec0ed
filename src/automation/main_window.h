#pragma once
// Main, the program's main window: the application list with its tags, the
// project tree, the project subsets, the run buttons, the activity log's
// buttons and the connection to the development environment.
//
// Main opens other windows (the application and project forms, the
// settings window, the log browse and the log report) through MainCalls,
// which the program fills in at start; a procedure left empty is not run.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "automation/conversation.h"
#include "automation/make_runs.h"
#include "automation/project_tree.h"
#include "automation/run_host.h"
#include "automation/subsets.h"
#include "automation/text_runs.h"
#include "automation/tree_editing.h"
#include "data/activity_log.h"
#include "platform/core/fixed_string.h"
#include "platform/framework/browse_manager.h"
#include "platform/framework/window_manager.h"
#include "platform/ui/list_model.h"
#include "platform/ui/queue.h"
#include "platform/ui/window.h"
#include "platform/ui/window_def.h"

namespace qvn::automation {

// The procedures Main calls, all without parameters: UpdateApps and
// UpdateProjects with the request in GlobalRequest, the others with none.
struct MainCalls {
  std::function<void()> UpdateApps;
  std::function<void()> UpdateProjects;
  std::function<void()> GetConfig;
  std::function<void()> ViewEvents;
  std::function<void()> PrintLog;
};
MainCalls& main_calls();

// The procedure: builds the window, runs it until it closes, and leaves its
// response in GlobalResponse.
void Main();

// Field numbers of P1$WINDOW's controls, in the order of the structure:
// the sheet and its tabs' controls tab by tab, then the run buttons' group,
// then the rest of the left column. The structure declares each control by
// its name here.
// clang-format off
enum MainField : int {
  SHEET1 = 1,
  TAB1, LIST, BUTTON13, INSERT, CHANGE, DELETE, UNTAGALLBUTTON,
  TAB2, RELTREE, EXPAND, CONTRACT, INSERT_2, CHANGE_2, DELETE_2,
  TAB3, STRING4, GROUP5, STRING5, STRING6, BUTTON23, IMPORTDCT, IMPORTAPP,
  TAB4, LIST_2, LIST_3, CLEARSUBTAGS, GENERATESUBSET, INSERT_3, DELETE_3, CHANGE_3, TOGGLE,
  GROUP1, EXECUTEAPP, GENERATE, EXPORTAPP, EXPORTDCT,
  GROUP4, BUTTON16, BUTTON17, EVENT, BUTTON21,
  GROUP3, STATUSMSG_2, CONNECTTOCW, DISCONNECTFROMCW,
  TIMEOUT_PROMPT, TIMEOUT, PROMPT1, STATUSMSG, IMAGE1, BUTTON7,
};
// clang-format on

// The procedure's own variables that its window shows: the conversation's,
// then the runs'.
struct MainLocals : ConversationValues, RunValues {};

// The window structure, bound to the procedure's variables.
ui::WindowDef P1_WINDOW(MainLocals& Loc);

// One file of a directory listing.
struct DirEntry {
  FixedString<13> NAME;
  int32_t DATE = 0;
  int32_t TIME = 0;
  int32_t SIZE = 0;
  uint8_t ATTRIB = 0;
};

class MainWindow final : public framework::WindowManager {
 public:
  MainWindow(ui::Window& window, MainLocals& locals);
  ~MainWindow() override;

  int Init() override;
  int Kill() override;
  int TakeWindowEvent() override;
  int TakeAccepted() override;
  int TakeNewSelection() override;
  int TakeFieldEvent() override;

  MainLocals& Loc;
  FixedString<1> Tag_;
  FixedString<1> SubTag;
  uint8_t SubTagFlag = 0;
  ui::Queue<BuildEntry> SQ;
  ui::Queue<DirEntry> FIL;
  ui::Queue<TreeLine> REL6;

  // The project tree over REL6 and its editing, and the subsets over SQ.
  ProjectTree& tree() { return tree_; }
  TreeEditing& tree_editing() { return editing_; }
  ProjectSubsets& subsets() { return subsets_; }

 private:
  class AppsBrowse;
  class SubsetBrowse;
  class RunsView;

  // Reads the settings (telling the user in one "Settings" message what was
  // wrong with them, and asking for them when one is missing), puts the data
  // folder in front of the file names and opens the data files; a non-zero
  // level when the window cannot go on.
  int OpenDataFiles();
  // The settings name a data folder that can be used, asking once more
  // when they do not. False when they still do not.
  bool SettleDataFolder();
  void SetUpBrowses();

  void Tag();
  void UntagAll();
  void ImSure();
  void EmptyLog();
  void Configure();
  void ViewLog();
  void PrintLog();
  void Close();
  void SetRunButtons(int tab);

  ProjectTree tree_;
  TreeEditing editing_;
  ProjectSubsets subsets_;
  std::unique_ptr<AppsBrowse> apps_browse_;
  std::unique_ptr<framework::BrowseManager> projects_browse_;
  std::unique_ptr<SubsetBrowse> subset_browse_;
  data::ActivityLog log_;
  Conversation conversation_;
  ui::Queue<BuildEntry> PQ;  // the project run's applications
  std::unique_ptr<RunsView> runs_view_;
  MakeRuns make_runs_;
  TextRuns text_runs_;
  // OpenDataFiles came to open the data files; Kill then closes the files
  // themselves too, once their relation managers are closed.
  bool data_files_opened_ = false;
};

}  // namespace qvn::automation
