#include <gtest/gtest.h>

#include "main_window_fixture.h"

namespace qvn::automation::testing {

namespace {

using ui::HeadlessUser;
using ui::WindowView;
using ui::button::No;
using ui::button::Yes;

const std::vector<AppOnFile> kThreeApps = {
    {.application = "PAYROLL.APP", .priority = 5},
    {.application = "LEDGER.APP", .priority = 1},
    {.application = "STOCK.APP", .priority = 3},
};

TEST(MainWindowStructure, FieldNumbersFollowTheStructure) {
  MainLocals Loc;
  std::string error;
  auto window = ui::Window::create(P1_WINDOW(Loc), &error);
  ASSERT_NE(window, nullptr) << error;
  const std::vector<std::pair<int, int>> known = {
      {SHEET1, 1},     {RELTREE, 10},   {INSERT_2, 13}, {CHANGE_2, 14},   {DELETE_2, 15},  {BUTTON23, 21},
      {IMPORTDCT, 22}, {IMPORTAPP, 23}, {GROUP1, 33},   {EXECUTEAPP, 34}, {EXPORTDCT, 37},
  };
  for (const auto& [field, number] : known) EXPECT_EQ(field, number);
  // Every control declares its number, so the window checks the enum against the structure.
  for (int f = 1; f <= window->controls(); ++f) EXPECT_EQ(window->control(f).id, f);
  EXPECT_EQ(window->controls(), static_cast<int>(BUTTON7));
}

TEST_F(MainWindowTest, OpensWithTheListsFilledInTheirOrders) {
  seed({{.application = "PAYROLL.APP", .folder = "/dev/payroll/", .priority = 5, .project = 2, .tag = 1},
        {.application = "LEDGER.APP", .folder = "/dev/ledger/", .priority = 1, .project = 1},
        {.application = "JOURNAL.APP", .folder = "/dev/journal/", .priority = 0, .project = 1},
        {.application = "CASH.APP", .folder = "/dev/cash/", .priority = 7, .project = 1}},
       {{1, "Accounting"}, {2, "Payroll"}});
  HeadlessUser user;
  bool was_hidden = true;
  user.on_window(kCaption, [&](WindowView& w) {
    was_hidden = w.window_hidden();
    const auto rows = w.list_rows(LIST);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"", "", "/dev/journal/", "JOURNAL.APP"})) << "priority 0 is blank";
    EXPECT_EQ(rows[1][3], "LEDGER.APP");
    EXPECT_EQ(rows[2][3], "PAYROLL.APP");
    EXPECT_EQ(rows[3][3], "CASH.APP");
    EXPECT_EQ(tick_icons(w, LIST), (std::vector<int>{0, 0, 1, 0}));
    const auto priority = w.list_cells(LIST)[1][1];
    EXPECT_EQ(priority.fg, 0xFF) << "the format's colours apply";
    EXPECT_EQ(priority.sel_fg, 0xFFFF);
    EXPECT_TRUE(w.has_focus(LIST));
    EXPECT_EQ(w.text(STATUSMSG), "Connected to Clarion");
    EXPECT_EQ(w.text(TIMEOUT), "3");

    EXPECT_EQ(w.list_rows(LIST_2), (std::vector<std::vector<std::string>>{{"1", "Accounting"}, {"2", "Payroll"}}));
    // The subset list holds the selected project's applications by priority.
    EXPECT_EQ(column(w, LIST_3, 3), (std::vector<std::string>{"JOURNAL.APP", "LEDGER.APP", "CASH.APP"}));
    w.choose_tab(TAB4);
  });
  user.then([&](WindowView& w) { w.select_row(LIST_2, 2); });
  user.then([&](WindowView& w) {
    EXPECT_EQ(column(w, LIST_3, 3), (std::vector<std::string>{"PAYROLL.APP"}));
    EXPECT_EQ(w.list_rows(RELTREE), (std::vector<std::vector<std::string>>{{"PROJECTS"}, {"Accounting"}, {"Payroll"}}));
    w.press(BUTTON7);
  });
  Main();
  EXPECT_FALSE(was_hidden) << "shown when the window opened";
  EXPECT_TRUE(user.messages().empty());
}

TEST_F(MainWindowTest, TagTicksTheApplicationAndMovesToTheNextRow) {
  seed(kThreeApps);
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_EQ(w.choice(LIST), 1);
    w.press(BUTTON13);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tick_icons(w, LIST), (std::vector<int>{1, 0, 0}));
    EXPECT_EQ(w.choice(LIST), 2);
    EXPECT_TRUE(w.has_focus(LIST));
    w.press("&Tag");
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tick_icons(w, LIST), (std::vector<int>{1, 1, 0}));
    EXPECT_EQ(w.choice(LIST), 3);
    w.select_row(LIST, 1);
  });
  user.then([&](WindowView& w) { w.press(BUTTON13); });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tick_icons(w, LIST), (std::vector<int>{0, 1, 0})) << "a second Tag untags";
    EXPECT_EQ(w.choice(LIST), 2);
    w.select_row(LIST, 3);
  });
  user.then([&](WindowView& w) { w.press(BUTTON13); });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tick_icons(w, LIST), (std::vector<int>{0, 1, 1}));
    EXPECT_EQ(w.choice(LIST), 3) << "the last row has no next one";
    w.press(BUTTON7);
  });
  Main();
  EXPECT_EQ(tags_on_file(), (std::vector<int>{0, 1, 1}));
  EXPECT_TRUE(user.messages().empty());
}

// Forty applications, nineteen shown: Down at the last row shown and Tag
// tag the twentieth, whose Tag then moves the selection on to the next
// one, loaded for it; End and Tag tag the fortieth.
TEST_F(MainWindowTest, TagReachesTheApplicationsPastTheFirstPage) {
  std::vector<AppOnFile> apps;
  for (int i = 1; i <= 40; ++i) apps.push_back({.application = "A" + std::to_string(100 + i) + ".APP", .priority = i});
  seed(apps);
  auto selected_app = [](WindowView& w) { return w.list_rows(LIST).at(static_cast<size_t>(w.choice(LIST)) - 1)[3]; };
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) {
    ASSERT_EQ(w.list_rows(LIST).size(), 19u);
    w.select_row(LIST, 19);
    w.press_key(LIST, ui::key::Down);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(selected_app(w), "A120.APP");
    w.press("&Tag");
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(selected_app(w), "A121.APP") << "Tag's move down loads the next one";
    w.press_key(LIST, ui::key::End);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(selected_app(w), "A140.APP");
    w.press("&Tag");
  });
  user.then([&](WindowView& w) { w.press(BUTTON7); });
  Main();
  std::vector<int> tags(40, 0);
  tags[19] = tags[39] = 1;
  EXPECT_EQ(tags_on_file(), tags);
}

TEST_F(MainWindowTest, TagOnAnEmptyListDoesNothing) {
  seed({});
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) { w.press(BUTTON13); });
  user.then([&](WindowView& w) {
    EXPECT_TRUE(w.list_rows(LIST).empty());
    w.press(BUTTON7);
  });
  Main();
  EXPECT_TRUE(user.messages().empty()) << "no failed write is reported";
  EXPECT_TRUE(apps_on_file().empty());
}

TEST_F(MainWindowTest, UntagAllClearsEveryTagFromAnyRow) {
  seed({{.application = "A.APP", .priority = 1, .tag = 1},
        {.application = "B.APP", .priority = 2, .tag = 0},
        {.application = "C.APP", .priority = 3, .tag = 1},
        {.application = "D.APP", .priority = 4, .tag = 1}});
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) { w.select_row(LIST, 3); });
  user.then([&](WindowView& w) { w.press("&Untag All"); });
  user.then([&](WindowView& w) {
    EXPECT_EQ(tick_icons(w, LIST), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_TRUE(w.has_focus(LIST));
    w.press(BUTTON7);
  });
  Main();
  EXPECT_EQ(tags_on_file(), (std::vector<int>{0, 0, 0, 0}));
}

struct TabCase {
  int tab;
  bool shown;
  bool execute, generate, export_app, export_dct;
};

TEST_F(MainWindowTest, EachTabSetsTheRunButtonsAndDisarmsTheImports) {
  seed(kThreeApps);
  const std::vector<TabCase> cases = {
      {TAB2, true, false, true, false, false},
      {TAB3, true, false, false, false, false},
      {TAB4, false, false, false, false, false},
      {TAB1, true, true, false, true, true},
  };
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_TRUE(w.is_disabled(GENERATE));
    EXPECT_FALSE(w.is_disabled(EXECUTEAPP));
    w.choose_tab(TAB3);
  });
  user.then([&](WindowView& w) {
    EXPECT_TRUE(w.is_disabled(IMPORTDCT));
    EXPECT_TRUE(w.is_disabled(IMPORTAPP));
    w.press("I'm Sure");
  });
  user.then([&](WindowView& w) {
    EXPECT_FALSE(w.is_disabled(IMPORTDCT));
    EXPECT_FALSE(w.is_disabled(IMPORTAPP));
    EXPECT_TRUE(w.is_disabled(BUTTON23));
  });
  for (const TabCase& c : cases) {
    user.then([&c](WindowView& w) { w.choose_tab(c.tab); });
    user.then([&c](WindowView& w) {
      SCOPED_TRACE(c.tab);
      const std::pair<int, bool> buttons[] = {
          {EXECUTEAPP, c.execute}, {GENERATE, c.generate}, {EXPORTAPP, c.export_app}, {EXPORTDCT, c.export_dct}};
      for (const auto& [button, enabled] : buttons) {
        EXPECT_EQ(w.window().state(button).hidden, !c.shown) << "control " << button;
        EXPECT_EQ(w.window().state(button).disabled, !enabled) << "control " << button;
      }
      EXPECT_TRUE(w.window().state(IMPORTDCT).disabled);
      EXPECT_TRUE(w.window().state(IMPORTAPP).disabled);
      EXPECT_FALSE(w.window().state(BUTTON23).disabled);
    });
  }
  user.then([&](WindowView& w) {
    // Tab 4 put the subset button in the run buttons' place.
    w.choose_tab(TAB4);
  });
  user.then([&](WindowView& w) {
    EXPECT_FALSE(w.is_hidden(GENERATESUBSET));
    EXPECT_TRUE(w.is_disabled(GENERATESUBSET)) << "no subset yet";
    EXPECT_TRUE(w.is_hidden(EXECUTEAPP));
    w.press(BUTTON7);
  });
  Main();
}

struct EmptyLogCase {
  int answer;
  int64_t entries_after;
};

TEST_F(MainWindowTest, EmptyLogAsksFirstAndEmptiesOnlyOnYes) {
  for (const EmptyLogCase& c : {EmptyLogCase{No, 3}, EmptyLogCase{Yes, 0}}) {
    SCOPED_TRACE(c.answer == Yes ? "Yes" : "No");
    seed(kThreeApps, {}, {"Begin Make", "Make Finished", "Begin Make"});
    ASSERT_EQ(log_entries_on_file(), 3);
    bare_names();
    HeadlessUser user;
    user.on_window(kCaption, [&](WindowView& w) { w.press("Empty Log"); });
    user.answer_message("Are you entirely sure?", c.answer);
    user.then([&](WindowView& w) {
      EXPECT_TRUE(w.has_focus(SHEET1));
      w.press(BUTTON7);
    });
    Main();
    ASSERT_EQ(user.messages().size(), 1u);
    const ui::MessageBoxDef& box = user.messages()[0].box;
    EXPECT_EQ(box.caption, "Best be sure, chaver");
    EXPECT_EQ(box.icon, ui::MessageIcon::Question);
    EXPECT_EQ(box.buttons, Yes | No);
    EXPECT_EQ(box.default_button, 0);
    EXPECT_EQ(log_entries_on_file(), c.entries_after);
    bare_names();
  }
}

TEST_F(MainWindowTest, CloseAndTheSystemMenuBothEndTheWindowAndCloseTheFiles) {
  for (bool by_button : {true, false}) {
    SCOPED_TRACE(by_button ? "Close button" : "system menu");
    seed(kThreeApps);
    HeadlessUser user;
    std::string procedure_while_open;
    user.on_window(kCaption, [&](WindowView& w) {
      procedure_while_open = error_manager.CurrentProcedure();
      if (by_button) {
        w.press("Close");
      } else {
        w.close();
      }
    });
    Main();
    EXPECT_EQ(procedure_while_open, "Main");
    EXPECT_EQ(error_manager.CurrentProcedure(), "");
    EXPECT_FALSE(data::Apps.is_open());
    EXPECT_FALSE(data::ProjectApps.is_open());
    EXPECT_FALSE(data::TempFile.is_open());
    EXPECT_EQ(framework::GlobalResponse, framework::response::Cancelled);
    bare_names();
  }
}

TEST_F(MainWindowTest, TheTimeOutStaysWithinOneToNinetyNine) {
  seed(kThreeApps);
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) { w.type(TIMEOUT, "0"); });
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text(TIMEOUT), "3") << "0 would time out every command";
    w.type(TIMEOUT, "300");
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text(TIMEOUT), "3");
    w.type(TIMEOUT, "99");
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text(TIMEOUT), "99");
    w.spin_up(TIMEOUT);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text(TIMEOUT), "99");
    w.type(TIMEOUT, "1");
  });
  user.then([&](WindowView& w) { w.spin_down(TIMEOUT); });
  user.then([&](WindowView& w) {
    EXPECT_EQ(w.text(TIMEOUT), "1");
    w.press(BUTTON7);
  });
  Main();
  EXPECT_GE(user.beeps(), 2) << "a refused value beeps";
}

TEST_F(MainWindowTest, UpdateButtonsRunTheApplicationFormWithTheirRequest) {
  seed(kThreeApps);
  std::vector<int> requests;
  main_calls().UpdateApps = [&] {
    requests.push_back(framework::GlobalRequest);
    framework::GlobalRequest = framework::request::None;
    framework::GlobalResponse = framework::response::Cancelled;
  };
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) { w.press(INSERT); });
  user.then([&](WindowView& w) { w.press(CHANGE); });
  user.then([&](WindowView& w) { w.press(DELETE); });
  user.then([&](WindowView& w) { w.press(BUTTON7); });
  Main();
  EXPECT_EQ(requests,
            (std::vector<int>{framework::request::Insert, framework::request::Change, framework::request::Delete}));
}

TEST_F(MainWindowTest, AnUpdateWithoutItsFormLeavesNoRequestBehind) {
  seed(kThreeApps, {{1, "Accounting"}});
  int view_request = -1;
  main_calls().ViewEvents = [&] { view_request = framework::GlobalRequest; };
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) { w.press(CHANGE); });
  user.then([&](WindowView& w) { w.choose_tab(TAB4); });
  user.then([&](WindowView& w) { w.press("Edit Project"); });
  user.then([&](WindowView& w) { w.press("View &Log"); });
  user.then([&](WindowView& w) { w.press(BUTTON7); });
  Main();
  EXPECT_EQ(view_request, framework::request::None);
}

TEST_F(MainWindowTest, ConfigureViewLogAndPrintLogRunTheirWindows) {
  seed(kThreeApps);
  std::vector<std::string> ran;
  main_calls().GetConfig = [&] { ran.push_back("GetConfig"); };
  main_calls().ViewEvents = [&] {
    ran.push_back(data::TempFile.is_open() ? "ViewEvents" : "ViewEvents without the log open");
  };
  main_calls().PrintLog = [&] { ran.push_back("PrintLog"); };
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) { w.press("Configure QVN"); });
  user.then([&](WindowView& w) {
    EXPECT_TRUE(w.has_focus(SHEET1));
    w.press("View &Log");
  });
  user.then([&](WindowView& w) {
    EXPECT_TRUE(w.has_focus(SHEET1));
    w.press("&Print Log");
  });
  user.then([&](WindowView& w) {
    EXPECT_TRUE(w.has_focus(LIST));
    w.press(BUTTON7);
  });
  Main();
  EXPECT_EQ(ran, (std::vector<std::string>{"GetConfig", "ViewEvents", "PrintLog"}));
}

}  // namespace

}  // namespace qvn::automation::testing
