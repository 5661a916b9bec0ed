#include "qt_test_support.h"

namespace qvn::ui::qt::test {

namespace {

using values::VarRef;

constexpr const char* kAppsFormat = "10C*I@s1@11C*@n3B@E(0FFH,,0FFFFH,)71L|M~Path~L(2)S(88)@s80@200L(1)~.App~L(2)@s50@";
constexpr const char* kTreeFormat = "800L*IT@s200@";
constexpr const char* kProjectsFormat = "35R(3)|M~Project ID~R(2)@n-14@200L(2)|M~Project Name~@s50@";
constexpr const char* kSubsetFormat =
    "10C*I@s1@E(0800080H,,0FFFFH,)11C*@n3@E(0FFH,,0FFFFH,)70L(2)|M*~Path~@s80@200L(2)|M*~Application~@s50@";

ControlDef button(std::string equate, Rect at, std::string text, std::string tip = {}, std::string icon = {},
                  int parent = 0) {
  ControlDef c = control(std::move(equate), ControlKind::Button, at, std::move(text), parent);
  c.tip = std::move(tip);
  c.icon = std::move(icon);
  return c;
}

std::vector<std::string> app_row(const std::string& tag_icon, const std::string& priority, const std::string& path,
                                 const std::string& app) {
  return {"", "-1", "-1", "-1", "-1", tag_icon, priority, "-1", "-1", "-1", "-1", path, app};
}

std::vector<std::string> tree_row(const std::string& text, int icon, int level) {
  return {text, "-1", "-1", "-1", "-1", std::to_string(icon), std::to_string(level)};
}

}  // namespace

WindowDef MainSample::def() {
  WindowDef d;
  d.label = "P1$WINDOW";
  d.caption = "Lorvane --  QVN v.6.1";
  d.icon = "CLOCK.ICO";
  d.at = {0, 0, 291, 200};
  d.font = {"MS Sans Serif", 8, false};
  d.modal = false;
  auto& c = d.controls;

  ControlDef prompt = control("?TIMEOUT:PROMPT", ControlKind::Prompt, {4, 6, 88, 10}, "DDE Time Out (in minutes):");
  c.push_back(prompt);
  ControlDef spin = control("?TIMEOUT", ControlKind::Spin, {94, 5, 22, 11});
  spin.picture = "@n3";
  spin.range_low = 1;
  spin.range_high = 99;
  spin.use = VarRef::of(timeout);
  spin.tip = "DDE time out period - set higher\n for slower machines and/or large .Apps.";
  c.push_back(spin);

  c.push_back(control("?GROUP1", ControlKind::Group, {2, 18, 115, 66}, " Applications "));
  c.push_back(button("?EXECUTEAPP", {8, 28, 103, 12}, "&Gen && Make    (.APP)",
                     "Generate, compile \n and link an .EXE.", {}, 3));
  ControlDef generate = button("?GENERATE", {8, 41, 103, 12}, "Gen && &Make  (Project)",
                               "Generate, make \n and compile a .DLL", "COMPUTER.ICO", 3);
  generate.disabled = true;
  c.push_back(generate);
  c.push_back(button("?EXPORTAPP", {8, 54, 103, 12}, "Export APP",
                     "Export to .TXA in same \n directory and with same name.", {}, 3));
  c.push_back(button("?EXPORTDCT", {8, 67, 103, 12}, "Export DCT",
                     "Export Dictionary to .TXD \n with same name and directory", {}, 3));

  c.push_back(control("?GROUP4", ControlKind::Group, {2, 85, 115, 44}, " Brasset Menu "));
  c.push_back(button("?BUTTON16", {8, 95, 51, 14}, "Configure QVN", {}, {}, 8));
  c.push_back(button("?BUTTON17", {61, 95, 50, 14}, "Empty Log", {}, {}, 8));
  c.push_back(
      button("?EVENT", {8, 111, 51, 14}, "View &Log", "List of actions completed.", "C:\\ICONS\\INVOICE.ICO", 8));
  c.push_back(button("?BUTTON21", {61, 111, 50, 14}, "&Print Log", {}, {}, 8));

  c.push_back(control("?GROUP3", ControlKind::Group, {2, 130, 115, 31}));
  ControlDef status2 = control("?STATUSMSG:2", ControlKind::String, {7, 137, 105, 8}, {}, 13);
  status2.picture = "@s30";
  status2.use = VarRef::of(status);
  c.push_back(status2);
  c.push_back(button("?CONNECTTOCW", {7, 145, 51, 13}, "Start Clarion",
                     "Establish DDE session,\n starting Clarion if necessary.", "clarion.ico", 13));
  c.push_back(button("?DISCONNECTFROMCW", {61, 145, 51, 13}, "Disconnect",
                     "Disconnect from Clarion,\n ending DDE session.", {}, 13));

  c.push_back(control("?PROMPT1", ControlKind::Prompt, {4, 165, 40, 10}, "Last Action:"));
  ControlDef status = control("?STATUSMSG", ControlKind::Entry, {44, 164, 73, 11});
  status.picture = "@s30";
  status.use = VarRef::of(this->status);
  c.push_back(status);
  c.push_back(control("?IMAGE1", ControlKind::Image, {4, 178, 60, 20}, "softvelocity.gif"));
  c.push_back(button("?BUTTON7", {70, 181, 47, 16}, "Close", "Bye bye", "EXIT4.ICO"));

  c.push_back(control("?SHEET1", ControlKind::Sheet, {119, 2, 171, 182}));
  c.push_back(control("?TAB1", ControlKind::Tab, {}, "&Applications", 21));
  ControlDef list = control("?LIST", ControlKind::List, {123, 18, 163, 162}, {}, 22);
  list.format = kAppsFormat;
  list.font = {"Arial", 9, false};
  list.msg = "Browsing Records";
  list.vscroll = true;
  c.push_back(list);
  c.push_back(
      button("?BUTTON13", {119, 185, 34, 14}, "&Tag", "Tag/Untag application for processing.", "Check1.ico", 22));
  c.push_back(button("?INSERT", {155, 185, 32, 14}, "&Insert", "Add an application to the list.", {}, 22));
  c.push_back(button("?CHANGE", {189, 185, 34, 14}, "Chan&ge", "Change application information.", "Quill.ico", 22));
  c.push_back(button("?DELETE", {225, 185, 32, 14}, "&Delete", "Remove application from list.", {}, 22));
  c.push_back(button("?UNTAGALLBUTTON", {259, 185, 31, 14}, "&Untag All", {}, {}, 22));

  c.push_back(control("?TAB2", ControlKind::Tab, {}, "&Projects", 21));
  ControlDef tree = control("?RELTREE", ControlKind::List, {123, 18, 163, 162}, {}, 29);
  tree.format = kTreeFormat;
  tree.tree = true;
  tree.alert_keys = {key::MouseRight};
  c.push_back(tree);
  c.push_back(button("?EXPAND", {119, 185, 40, 14}, "&Expand All", {}, {}, 29));
  c.push_back(button("?CONTRACT", {161, 185, 42, 14}, "Co&ntract All", {}, {}, 29));

  c.push_back(control("?TAB3", ControlKind::Tab, {}, "Imports", 21));
  ControlDef sure = control("?STRING4", ControlKind::String, {150, 40, 110, 14}, "Have you backed up?", 33);
  sure.font = {"Arial Black", 10, false};
  c.push_back(sure);
  c.push_back(button("?BUTTON23", {170, 100, 60, 14}, "I'm Sure", {}, {}, 33));
  ControlDef import_dct = button("?IMPORTDCT", {140, 130, 55, 14}, "Import DCT",
                                 "Import .TXD to .DCT with same name, from same directory", {}, 33);
  import_dct.disabled = true;
  c.push_back(import_dct);

  c.push_back(control("?TAB4", ControlKind::Tab, {}, "Project &Subsets", 21));
  ControlDef projects = control("?LIST:2", ControlKind::List, {123, 18, 163, 60}, {}, 37);
  projects.format = kProjectsFormat;
  c.push_back(projects);
  ControlDef subset = control("?LIST:3", ControlKind::List, {123, 82, 163, 98}, {}, 37);
  subset.format = kSubsetFormat;
  c.push_back(subset);
  ControlDef gen_subset = button("?GENERATESUBSET", {26, 23, 71, 14}, "Gen && &Make  (Project Subset)",
                                 "Generate, make \n and compile a .DLL", "COMPUTER.ICO", 37);
  gen_subset.disabled = true;
  c.push_back(gen_subset);
  c.push_back(button("?TOGGLE", {119, 185, 40, 14}, "&Toggle", {}, "Check1.ico", 37));
  return d;
}

void MainSample::fill_lists() {
  status = "Connected to Clarion";
  apps.data() = {
      app_row("1", "1", "C:\\DEV\\ACCT\\", "ACCT.APP"),
      app_row("0", "5", "C:\\DEV\\PAYROLL\\", "PAYROLL.APP"),
      app_row("1", "0", "C:\\DEV\\STOCK\\", "STOCK.PRJ"),
  };
  tree.data() = {
      tree_row("PROJECTS", 2, 0),   tree_row("Accounting", 1, 1), tree_row("ACCT.APP", 3, 2),
      tree_row("LEDGER.APP", 3, 2), tree_row("Payroll", 2, -1),   tree_row("Warehouse", 2, 1),
  };
  projects.data() = {{"1", "Accounting"}, {"2", "Payroll"}};
  subset.data() = {{"",   "-1", "-1", "-1", "-1",       "1",  "1",  "-1", "-1", "-1", "-1", "C:\\DEV\\ACCT\\",
                    "-1", "-1", "-1", "-1", "ACCT.APP", "-1", "-1", "-1", "-1"}};
}

void MainSample::attach(Window& w) {
  const int list = w.field("?LIST");
  w.state(list).icons = {"~c:\\Clarion6\\Images\\CHECK.ICO"};
  w.set_list(list, &apps);
  const int reltree = w.field("?RELTREE");
  w.state(reltree).icons = {"~open.ico", "~pick.ico", "~shutfold.ico"};
  w.set_list(reltree, &tree);
  w.set_list(w.field("?LIST:2"), &projects);
  const int sub = w.field("?LIST:3");
  w.state(sub).icons = {"~c:\\Clarion6\\Images\\CHECK.ICO"};
  w.set_list(sub, &subset);
  w.display();
}

}  // namespace qvn::ui::qt::test
