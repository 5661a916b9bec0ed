#include "automation/main_window.h"

#include <cstdlib>

#include "data/dictionary.h"
#include "data/files.h"
#include "data/globals.h"
#include "data/settings_file.h"
#include "platform/core/error_state.h"
#include "platform/core/process_priority.h"
#include "platform/framework/error_manager.h"
#include "platform/framework/procedure.h"
#include "platform/framework/request.h"
#include "platform/ui/backend.h"
#include "platform/ui/event.h"

namespace qvn::automation {

using ui::ControlKind;
using values::VarRef;

// A structure names only the attributes its controls have; the others keep
// their defaults.
ui::WindowDef P1_WINDOW(MainLocals& Loc) {
  using K = ControlKind;
  const values::Font sans{"MS Sans Serif", 8, false};
  // clang-format off
  return ui::WindowDef{
      .label = "P1$WINDOW",
      .caption = "Lorvane --  QVN v.6.1",
      .icon = "CLOCK.ICO",
      .at = {0, 0, 291, 200},
      .font = sans,
      .timer = 500,
      .hidden_at_start = true,
      .modal = false,
      // A stray Escape never ends the program or a run.
      .escape_closes = false,
      .controls = {
          {.id = SHEET1, .kind = K::Sheet, .at = {119, 2, 171, 182}, .font = sans},
          {.id = TAB1, .kind = K::Tab, .parent = SHEET1, .text = "&Applications"},
          {.id = LIST, .kind = K::List, .parent = TAB1, .at = {123, 18, 163, 162},
           .font = {"Arial", 9, false},
           .format = "10C*I@s1@11C*@n3B@E(0FFH,,0FFFFH,)71L|M~Path~L(2)S(88)@s80@200L(1)~.App~L(2)@s50@",
           .msg = "Browsing Records", .vscroll = true, .immediate = true},
          {.id = BUTTON13, .kind = K::Button, .parent = TAB1, .at = {119, 185, 30, 13}, .text = "&Tag",
           .tip = "Tag/Untag application for processing.", .icon = "Check1.ico", .font = sans, .icon_left = true},
          {.id = INSERT, .kind = K::Button, .parent = TAB1, .at = {150, 185, 30, 13}, .text = "&Insert",
           .tip = "Add an application to the list.", .font = sans},
          {.id = CHANGE, .kind = K::Button, .parent = TAB1, .at = {181, 185, 38, 13}, .text = "Chan&ge",
           .tip = "Change application information.", .icon = "Quill.ico", .font = sans, .icon_left = true},
          {.id = DELETE, .kind = K::Button, .parent = TAB1, .at = {220, 185, 32, 13}, .text = "&Delete",
           .tip = "Remove application from list.", .font = sans},
          {.id = UNTAGALLBUTTON, .kind = K::Button, .parent = TAB1, .at = {253, 185, 37, 13},
           .text = "&Untag All", .font = sans},

          {.id = TAB2, .kind = K::Tab, .parent = SHEET1, .text = "&Projects"},
          {.id = RELTREE, .kind = K::List, .parent = TAB2, .at = {123, 18, 163, 162},
           .format = "800L*IT@s200@", .msg = "Browsing Records", .tree = true, .vscroll = true},
          {.id = EXPAND, .kind = K::Button, .parent = TAB2, .at = {119, 185, 35, 13},
           .text = "&Expand All", .font = sans},
          {.id = CONTRACT, .kind = K::Button, .parent = TAB2, .at = {155, 185, 39, 13},
           .text = "Co&ntract All", .font = sans},
          {.id = INSERT_2, .kind = K::Button, .parent = TAB2, .at = {195, 185, 28, 13}, .text = "&Insert",
           .font = sans},
          {.id = CHANGE_2, .kind = K::Button, .parent = TAB2, .at = {224, 185, 36, 13},
           .text = "Chan&ge", .icon = "Quill.ico", .font = sans, .icon_left = true},
          {.id = DELETE_2, .kind = K::Button, .parent = TAB2, .at = {261, 185, 29, 13},
           .text = "&Delete", .font = sans},

          {.id = TAB3, .kind = K::Tab, .parent = SHEET1, .text = "Imports"},
          {.id = STRING4, .kind = K::String, .parent = TAB3, .at = {141, 30, 130, 14},
           .text = "Have you backed up?", .font = {"Arial Black", 10, false}},
          {.id = GROUP5, .kind = K::Group, .parent = TAB3, .at = {127, 52, 155, 38}, .font = sans},
          {.id = STRING5, .kind = K::String, .parent = GROUP5, .at = {133, 60, 144, 10},
           .text = "Importing will destroy the .APP or .DCT file.", .font = sans},
          {.id = STRING6, .kind = K::String, .parent = GROUP5, .at = {133, 74, 144, 10},
           .text = "Any errors can result in the loss of a file.", .font = sans},
          {.id = BUTTON23, .kind = K::Button, .parent = TAB3, .at = {175, 102, 60, 14},
           .text = "I'm Sure", .font = sans},
          {.id = IMPORTDCT, .kind = K::Button, .parent = TAB3, .at = {139, 130, 60, 14},
           .text = "Import DCT", .tip = "Import .TXD to .DCT with same name, from same directory", .font = sans,
           .disabled = true},
          {.id = IMPORTAPP, .kind = K::Button, .parent = TAB3, .at = {211, 130, 60, 14},
           .text = "Import APP", .tip = "Import .TXA from same directory and name.", .font = sans,
           .disabled = true},

          {.id = TAB4, .kind = K::Tab, .parent = SHEET1, .text = "Project &Subsets"},
          {.id = LIST_2, .kind = K::List, .parent = TAB4, .at = {123, 18, 163, 62},
           .format = "35R(3)|M~Project ID~R(2)@n-14@200L(2)|M~Project Name~@s50@", .msg = "Browsing Records",
           .vscroll = true, .immediate = true},
          {.id = LIST_3, .kind = K::List, .parent = TAB4, .at = {123, 84, 163, 96},
           .format = "10C*I@s1@E(0800080H,,0FFFFH,)11C*@n3@E(0FFH,,0FFFFH,)70L(2)|M*~Path~@s80@"
                     "200L(2)|M*~Application~@s50@",
           .msg = "Browsing Records", .vscroll = true, .immediate = true},
          {.id = CLEARSUBTAGS, .kind = K::Button, .parent = TAB4, .at = {156, 185, 37, 13},
           .text = "Untag All", .font = sans},
          {.id = GENERATESUBSET, .kind = K::Button, .parent = TAB4, .at = {26, 23, 71, 14},
           .text = "Gen && &Make  (Project Subset)", .tip = "Generate, make \n and compile a .DLL",
           .icon = "COMPUTER.ICO", .font = sans, .disabled = true, .icon_left = true},
          {.id = INSERT_3, .kind = K::Button, .parent = TAB4, .at = {245, 185, 22, 13}, .text = "&Insert",
           .font = sans, .hidden = true, .disabled = true},
          {.id = DELETE_3, .kind = K::Button, .parent = TAB4, .at = {268, 185, 22, 13}, .text = "&Delete",
           .font = sans, .hidden = true, .disabled = true},
          {.id = CHANGE_3, .kind = K::Button, .parent = TAB4, .at = {194, 185, 50, 13},
           .text = "Edit Project", .icon = "Quill.ico", .font = sans, .icon_left = true},
          {.id = TOGGLE, .kind = K::Button, .parent = TAB4, .at = {119, 185, 36, 13}, .text = "&Toggle",
           .icon = "Check1.ico", .font = sans, .icon_left = true},

          {.id = GROUP1, .kind = K::Group, .at = {2, 16, 115, 57}, .text = " Applications ", .font = sans},
          {.id = EXECUTEAPP, .kind = K::Button, .parent = GROUP1, .at = {8, 25, 103, 13},
           .text = "&Gen && Make    (.APP)", .tip = "Generate, compile \n and link an .EXE.", .font = sans},
          {.id = GENERATE, .kind = K::Button, .parent = GROUP1, .at = {8, 40, 103, 13},
           .text = "Gen && &Make  (Project)", .tip = "Generate, make \n and compile a .DLL", .icon = "COMPUTER.ICO",
           .font = sans, .disabled = true, .icon_left = true},
          {.id = EXPORTAPP, .kind = K::Button, .parent = GROUP1, .at = {8, 55, 50, 13},
           .text = "Export APP", .tip = "Export to .TXA in same \n directory and with same name.", .font = sans},
          {.id = EXPORTDCT, .kind = K::Button, .parent = GROUP1, .at = {61, 55, 50, 13},
           .text = "Export DCT", .tip = "Export Dictionary to .TXD \n with same name and directory", .font = sans},

          {.id = GROUP4, .kind = K::Group, .at = {2, 75, 115, 45}, .text = " Brasset Menu ", .font = sans},
          {.id = BUTTON16, .kind = K::Button, .parent = GROUP4, .at = {8, 85, 50, 14},
           .text = "Configure QVN", .font = sans},
          {.id = BUTTON17, .kind = K::Button, .parent = GROUP4, .at = {61, 85, 50, 14},
           .text = "Empty Log", .font = sans},
          {.id = EVENT, .kind = K::Button, .parent = GROUP4, .at = {8, 101, 50, 14}, .text = "View &Log",
           .tip = "List of actions completed.", .icon = "C:\\ICONS\\INVOICE.ICO", .font = sans, .icon_left = true},
          {.id = BUTTON21, .kind = K::Button, .parent = GROUP4, .at = {61, 101, 50, 14},
           .text = "&Print Log", .font = sans},

          {.id = GROUP3, .kind = K::Group, .at = {2, 122, 115, 33}, .font = sans},
          {.id = STATUSMSG_2, .kind = K::String, .parent = GROUP3, .at = {8, 127, 103, 10}, .font = sans,
           .picture = "@s30", .use = VarRef::of(Loc.StatusMsg)},
          {.id = CONNECTTOCW, .kind = K::Button, .parent = GROUP3, .at = {8, 139, 50, 13},
           .text = "Start Clarion", .tip = "Establish DDE session,\n starting Clarion if necessary.",
           .icon = "clarion.ico", .font = sans, .icon_left = true},
          {.id = DISCONNECTFROMCW, .kind = K::Button, .parent = GROUP3, .at = {61, 139, 50, 13},
           .text = "Disconnect", .tip = "Disconnect from Clarion,\n ending DDE session.", .font = sans},

          {.id = TIMEOUT_PROMPT, .kind = K::Prompt, .at = {4, 5, 90, 10},
           .text = "DDE Time Out (in minutes):", .font = sans},
          {.id = TIMEOUT, .kind = K::Spin, .at = {95, 4, 22, 10},
           .tip = "DDE time out period - set higher\n for slower machines and/or large .Apps.", .font = sans,
           .picture = "@n3", .use = VarRef::of(Loc.TimeOut), .range_low = 1, .range_high = 99},
          {.id = PROMPT1, .kind = K::Prompt, .at = {4, 159, 42, 10}, .text = "Last Action:", .font = sans},
          {.id = STATUSMSG, .kind = K::Entry, .at = {46, 158, 71, 10}, .font = sans, .picture = "@s30",
           .use = VarRef::of(Loc.StatusMsg)},
          {.id = IMAGE1, .kind = K::Image, .at = {4, 171, 62, 26}, .text = "softvelocity.gif"},
          {.id = BUTTON7, .kind = K::Button, .at = {70, 182, 47, 15}, .text = "Close", .tip = "Bye bye",
           .icon = "EXIT4.ICO", .font = sans, .icon_left = true},
      },
  };
  // clang-format on
}

namespace {

constexpr const char* kCheckIcon = "~c:\\Clarion6\\Images\\CHECK.ICO";

}  // namespace

MainCalls& main_calls() {
  static MainCalls calls;
  return calls;
}

// ?LIST: the tick of a tagged application.
class MainWindow::AppsBrowse final : public framework::BrowseManager {
 public:
  void SetQueueRecord() override {
    BrowseManager::SetQueueRecord();
    Q.cells[0].icon = data::APP.TAG != 0 ? 1 : 0;
  }
};

// ?LIST:3: the tick of an application in the hand-picked subset.
class MainWindow::SubsetBrowse final : public framework::BrowseManager {
 public:
  explicit SubsetBrowse(ProjectSubsets& subsets) : subsets_(subsets) {}
  void SetQueueRecord() override {
    const bool in_subset = subsets_.MarkRow();
    BrowseManager::SetQueueRecord();
    Q.cells[0].icon = in_subset ? 1 : 0;
  }

 private:
  ProjectSubsets& subsets_;
};

// What the runs see of the window.
class MainWindow::RunsView final : public RunHost {
 public:
  explicit RunsView(MainWindow& main) : main_(main) {}
  ui::Window& window() override { return main_.window(); }
  RunValues& values() override { return main_.Loc; }
  ui::Queue<BuildEntry>& project_entries() override { return main_.PQ; }
  ui::Queue<BuildEntry>& subset_entries() override { return main_.SQ; }
  const TreeLine* selected_tree_line() const override { return main_.tree_.selected_line(); }
  void SelectSubsetsTab() override { main_.window().select(TAB4); }
  void FocusApplications() override { main_.window().select(LIST); }

 private:
  MainWindow& main_;
};

MainWindow::MainWindow(ui::Window& window, MainLocals& locals)
    : WindowManager(window),
      Loc(locals),
      tree_(window, RELTREE, REL6),
      editing_(window, tree_, REL6),
      subsets_(*this),
      apps_browse_(std::make_unique<AppsBrowse>()),
      projects_browse_(std::make_unique<framework::BrowseManager>()),
      subset_browse_(std::make_unique<SubsetBrowse>(subsets_)),
      conversation_(window, locals, log_),
      runs_view_(std::make_unique<RunsView>(*this)),
      make_runs_(*runs_view_, conversation_, log_),
      text_runs_(*runs_view_, conversation_, log_) {}

MainWindow::~MainWindow() = default;

int MainWindow::Init() {
  if (int answer = WindowManager::Init(); answer != framework::level::Benign) return answer;
  FirstField = LIST;
  set_idle_priority();
  Loc.StatusMsg = "";
  SetUpBrowses();
  Open();
  window().set_hidden(true);
  conversation_.FirstConnection();
  window().state(LIST).icons = {kCheckIcon};
  window().state(LIST_3).icons = {kCheckIcon};
  window().state(RELTREE).icons = {"~open.ico", "~pick.ico", "~shutfold.ico"};
  window().set_list(RELTREE, &tree_.list());
  window().state(RELTREE).selected = 1;
  editing_.SetUp();
  ui::set_program_icon("~clock.ico");
  return framework::level::Benign;
}

void MainWindow::SetUpBrowses() {
  using data::APP;
  using data::APPS1;
  using data::PRO;

  apps_browse_->Init(LIST, *data::apps_relation_manager, *this);
  apps_browse_->AddSortOrder(data::APP_PriorityKey);
  apps_browse_->AddResetField(VarRef::of(PRO.P_REF));
  apps_browse_->AddField(VarRef::of(Tag_));
  apps_browse_->AddField(VarRef::of(APP.Priority));
  apps_browse_->AddField(VarRef::of(APP.DRIVENPATH));
  apps_browse_->AddField(VarRef::of(APP.APPLICATION));
  apps_browse_->InsertControl = INSERT;
  apps_browse_->ChangeControl = CHANGE;
  apps_browse_->DeleteControl = DELETE;
  apps_browse_->ProcedureNumber = 1;
  AddUpdateProcedure(1, main_calls().UpdateApps);

  projects_browse_->Init(LIST_2, *data::projects_relation_manager, *this);
  projects_browse_->AddSortOrder(data::PRO_ProjectNameKey);
  projects_browse_->AddField(VarRef::of(PRO.P_REF));
  projects_browse_->AddField(VarRef::of(PRO.PROJECTNAME));
  projects_browse_->ChangeControl = CHANGE_3;
  projects_browse_->ProcedureNumber = 2;
  AddUpdateProcedure(2, main_calls().UpdateProjects);

  subset_browse_->Init(LIST_3, *data::projectapps_relation_manager, *this);
  subset_browse_->AddSortOrder(data::APPS1_P_RefKey);
  subset_browse_->AppendOrder("APPS1:Priority");
  subset_browse_->AddRange("APPS1:P_REF", VarRef::of(PRO.P_REF));
  subset_browse_->AddField(VarRef::of(SubTag));
  subset_browse_->AddField(VarRef::of(APPS1.Priority));
  subset_browse_->AddField(VarRef::of(APPS1.DRIVENPATH));
  subset_browse_->AddField(VarRef::of(APPS1.APPLICATION));
  subset_browse_->AddField(VarRef::of(SubTagFlag));
  subset_browse_->AddField(VarRef::of(APPS1.TARGET));
  subset_browse_->AddField(VarRef::of(APPS1.P_REF));
}

int MainWindow::TakeWindowEvent() {
  const ui::Event event = window().event();
  if (event == ui::Event::OpenWindow) {
    window().set_hidden(false);
    conversation_.WarnWhenNotRunning();
    if (int failed = OpenDataFiles(); failed != framework::level::Benign) return failed;
  }
  const int result = WindowManager::TakeWindowEvent();
  if (event == ui::Event::OpenWindow) window().select(LIST);
  if (event == ui::Event::GainFocus) tree_.GainFocus();
  return result;
}

// The settings are read and the file names prefixed before any data file
// is opened, so every file lies in the folder the settings name; the tree's
// first load and the retained subset follow once the files are open.
int MainWindow::OpenDataFiles() {
  if (const std::vector<std::string> problems = data::read_settings_file(); !problems.empty()) {
    ui::message(data::settings_message(problems), "Settings", ui::MessageIcon::Stop);
  }
  if (data::settings_missing() && main_calls().GetConfig) main_calls().GetConfig();
  if (!SettleDataFolder()) return framework::level::Fatal;
  data::prefix_data_file_names();
  data::ActivityLog::StartFresh();
  data_files_opened_ = true;
  AddRelation(*data::apps_relation_manager);
  AddRelation(*data::projectapps_relation_manager);
  AddRelation(*data::tempfile_relation_manager);
  if (OpenRelations() != framework::level::Benign) return framework::level::Fatal;
  tree_.reltree_contract_all();
  subsets_.Load();
  return framework::level::Benign;
}

bool MainWindow::SettleDataFolder() {
  std::string problem = data::data_folder_problem();
  if (problem.empty()) return true;
  ui::message(problem + "||Choose the folder of the data files in the settings.", "Data Folder", ui::MessageIcon::Stop);
  if (main_calls().GetConfig) main_calls().GetConfig();
  problem = data::data_folder_problem();
  if (problem.empty()) return true;
  ui::message(problem + "||QVN cannot open its data files and will close.", "Data Folder", ui::MessageIcon::Stop);
  return false;
}

int MainWindow::Kill() {
  subsets_.WriteBack();
  if (int answer = WindowManager::Kill(); answer != framework::level::Benign) return answer;
  if (data_files_opened_) {
    data::Apps.close();
    data::ProjectApps.close();
    data::TempFile.close();
    data_files_opened_ = false;
  }
  window().set_list(RELTREE, nullptr);
  return framework::level::Benign;
}

int MainWindow::TakeAccepted() {
  const int control = window().accepted();
  switch (control) {
    case CHANGE: Update(); break;
    case BUTTON17: EmptyLog(); break;
    case EVENT: data::tempfile_file_manager->UseFile(framework::use::Benign); break;
    case CONNECTTOCW:
      conversation_.StartClarion();
      window().select(LIST);
      break;
    case DISCONNECTFROMCW:
      conversation_.Disconnect();
      window().select(LIST);
      break;
    case BUTTON7: Close(); break;
    case TOGGLE: subsets_.Toggle(); break;
    case CLEARSUBTAGS: subsets_.UntagAll(); break;
    case EXECUTEAPP: make_runs_.ExecuteApp(); break;
    case GENERATE: make_runs_.Generate(); break;
    case GENERATESUBSET: make_runs_.GenerateSubset(); break;
    case IMPORTDCT: text_runs_.ImportDct(); break;
    case IMPORTAPP: text_runs_.ImportApp(); break;
    case EXPORTAPP: text_runs_.ExportApp(); break;
    case EXPORTDCT: text_runs_.ExportDct(); break;
    default: break;
  }

  const int result = WindowManager::TakeAccepted();

  switch (control) {
    case BUTTON13:
      Update();
      Tag();
      break;
    case UNTAGALLBUTTON:
      Update();
      UntagAll();
      break;
    case EXPAND:
      Update();
      tree_.ExpandAll();
      break;
    case CONTRACT:
      Update();
      tree_.ContractAll();
      break;
    case INSERT_2:
    case CHANGE_2:
    case DELETE_2:
      Update();
      editing_.TakeAccepted(control);
      break;
    case BUTTON23:
      Update();
      ImSure();
      break;
    case BUTTON16:
      Update();
      Configure();
      break;
    case EVENT:
      Update();
      ViewLog();
      break;
    case BUTTON21:
      Update();
      PrintLog();
      break;
    default: break;
  }
  return result;
}

int MainWindow::TakeNewSelection() {
  const int result = WindowManager::TakeNewSelection();
  if (window().field() == SHEET1) {
    SetRunButtons(window().choice(SHEET1));
    window().disable(IMPORTDCT);
    window().disable(IMPORTAPP);
    window().enable(BUTTON23);
    Reset(true);
  }
  if (window().field() == RELTREE && window().keycode() == ui::key::MouseRight) editing_.TakePopup();
  return result;
}

int MainWindow::TakeFieldEvent() {
  const bool on_tree = window().field() == RELTREE;
  if (on_tree && window().event() == ui::Event::AlertKey) editing_.TakeAlertKey(window().keycode());
  const int result = WindowManager::TakeFieldEvent();
  if (on_tree) tree_.TakeFieldEvent(window().event());
  return result;
}

void MainWindow::SetRunButtons(int tab) {
  struct Row {
    bool shown;
    bool execute, generate, export_app, export_dct;
  };
  static constexpr Row rows[] = {
      {true, true, false, true, true},
      {true, false, true, false, false},
      {true, false, false, false, false},
      {false, false, false, false, false},
  };
  if (tab < 1 || tab > 4) return;
  const Row& row = rows[tab - 1];
  const std::pair<int, bool> buttons[] = {
      {EXECUTEAPP, row.execute}, {GENERATE, row.generate}, {EXPORTAPP, row.export_app}, {EXPORTDCT, row.export_dct}};
  for (const auto& [control, enabled] : buttons) {
    if (row.shown) {
      window().unhide(control);
    } else {
      window().hide(control);
    }
    if (enabled) {
      window().enable(control);
    } else {
      window().disable(control);
    }
  }
}

void MainWindow::Tag() {
  // With no application listed there is no record to tag.
  if (window().choice(LIST) == 0) return;
  data::APP.TAG = static_cast<int16_t>(std::abs(data::APP.TAG - 1));
  data::apps_file_manager->Update();
  window().select(LIST);
  window().post(ui::Event::ScrollDown, LIST);
  Reset(true);
}

void MainWindow::UntagAll() {
  data::apps_file_manager->UseFile(framework::use::Corrupts);
  data::Apps.set_order(data::APP_PriorityKey);
  while (data::apps_file_manager->Next() == framework::level::Benign) {
    data::APP.TAG = 0;
    data::apps_file_manager->Update();
  }
  Reset(true);
  window().select(LIST);
}

void MainWindow::ImSure() {
  window().enable(IMPORTDCT);
  window().enable(IMPORTAPP);
  window().disable(BUTTON23);
  Reset(true);
}

void MainWindow::EmptyLog() {
  const int answer = ui::message("Are you entirely sure?", "Best be sure, chaver", ui::MessageIcon::Question,
                                 ui::button::Yes | ui::button::No);
  if (answer == ui::button::Yes) {
    data::ActivityLog::Empty();
  }
  window().select(SHEET1);
}

void MainWindow::Configure() {
  if (main_calls().GetConfig) main_calls().GetConfig();
  window().select(SHEET1);
}

void MainWindow::ViewLog() {
  if (main_calls().ViewEvents) main_calls().ViewEvents();
  Reset(false);
  window().select(SHEET1);
}

void MainWindow::PrintLog() {
  if (main_calls().PrintLog) main_calls().PrintLog();
  Reset(false);
  window().select(LIST);
}

void MainWindow::Close() {
  PQ.free();
  FIL.free();
  window().post(ui::Event::CloseWindow);
}

void Main() {
  MainLocals Loc;
  framework::run_window_procedure("Main", "The main window", P1_WINDOW(Loc),
                                  [&Loc](ui::Window& w) { return MainWindow(w, Loc); });
}

}  // namespace qvn::automation
