// The application picker, run headless: the two orders, the ways to pick,
// closing without a pick, and the application form run from it.

#include "windows/select_app.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms_fixture.h"
#include "support/headless.h"
#include "support/window_structure.h"
#include "windows/update_apps.h"

namespace qvn::windows::testing {

namespace {

using namespace select_app;
using ui::HeadlessUser;
using ui::WindowView;
using K = ui::ControlKind;
using test_support::check_window_structure;
using test_support::ExpectedWindow;

constexpr const char* kCaption = "Select Application";
constexpr int kList = BROWSE_1;

class SelectAppTest : public FormsTest {
 protected:
  // Name order: CASH.APP in /dev/a/, CASH.APP in /dev/b/, LEDGER, PAYROLL,
  // STOCK. Priority order: CASH.APP (/dev/b/), LEDGER (both 1), STOCK,
  // PAYROLL, CASH.APP (/dev/a/).
  void seed_five() {
    seed_apps({{"PAYROLL.APP", "/dev/payroll/", 5, 2, "PAYROLL.EXE", 1},
               {"LEDGER.APP", "/dev/ledger/", 1, 1, "LEDGER.EXE", 0},
               {"CASH.APP", "/dev/b/", 1, 0, "CASHB.EXE", 0},
               {"CASH.APP", "/dev/a/", 7, 3, "CASHA.EXE", 1},
               {"STOCK.APP", "/dev/stock/", 3, 0, "STOCK.EXE", 0}});
  }

  // The buffer as the project form leaves it before it opens the picker:
  // the key blank, the other fields as the last record read left them.
  static void blank_key_over(const AppOnFile& stale) {
    data::Apps.clear_buffer();
    data::APP.TARGET = stale.target;
    data::APP.TAG = static_cast<int16_t>(stale.tag);
    data::APP.Priority = static_cast<uint8_t>(stale.priority);
    data::APP.P_REF = stale.project;
  }

  // Priority, folder and name of each row.
  static std::vector<std::string> rows(WindowView& w) {
    std::vector<std::string> out;
    for (const auto& row : w.list_rows(kList)) out.push_back(row[0] + " " + row[1] + " " + row[2]);
    return out;
  }

  // The four fields a pick leaves in the buffer.
  static std::string picked() {
    return std::to_string(data::APP.Priority) + " " + data::APP.DRIVENPATH.str() + " " + data::APP.APPLICATION.str() +
           " " + std::to_string(data::APP.P_REF);
  }
};

const std::vector<std::string> kByName = {"7 /dev/a/ CASH.APP", "1 /dev/b/ CASH.APP", "1 /dev/ledger/ LEDGER.APP",
                                          "5 /dev/payroll/ PAYROLL.APP", "3 /dev/stock/ STOCK.APP"};
const std::vector<std::string> kByPriority = {"1 /dev/b/ CASH.APP", "1 /dev/ledger/ LEDGER.APP",
                                              "3 /dev/stock/ STOCK.APP", "5 /dev/payroll/ PAYROLL.APP",
                                              "7 /dev/a/ CASH.APP"};

// The picker as laid out.
// clang-format off
const ExpectedWindow kLayout{
    .label = "P1$QUICKWINDOW",
    .caption = "Select Application",
    .width = 358,
    .height = 171,
    .font = {"MS Sans Serif", 8, false},
    .controls = {
        {.field = BROWSE_1, .kind = K::List, .msg = "Browsing Records",
         .at = {{8, 20, 342, 124}}, .attributes = "vscroll immediate",
         .format = "27R(2)|M~Priority~C(0)@n3@175L(2)|M~Drive & P ath~@s80@80L(2)|M~Application~@s50@"},
        {.field = SELECT_2, .kind = K::Button, .text = "&Add to Project", .icon = "ICON:Paste",
         .at = {{82, 147, 52, 18}}, .attributes = "flat icon-left"},
        {.field = INSERT_3, .kind = K::Button, .text = "&Insert",
         .icon = "C:\\ICONS\\INSERT.ICO", .at = {{134, 147, 52, 18}}, .attributes = "flat icon-left"},
        {.field = CHANGE_3, .kind = K::Button, .text = "Chan&ge", .icon = "Quill.ico",
         .at = {{186, 147, 52, 18}}, .attributes = "default flat icon-left"},
        {.field = DELETE_3, .kind = K::Button, .text = "&Delete",
         .icon = "C:\\ICONS\\DELETE.ICO", .at = {{239, 147, 52, 18}}, .attributes = "flat icon-left"},
        {.field = CURRENTTAB, .kind = K::Sheet, .at = {{4, 4, 350, 162}}},
        {.field = TAB_2, .kind = K::Tab, .text = "APP &Name", .parent = CURRENTTAB},
        {.field = TAB_3, .kind = K::Tab, .text = "&Priority", .parent = CURRENTTAB},
        {.field = CLOSE, .kind = K::Button, .text = "&Close", .icon = "Exit3.ico",
         .at = {{291, 147, 52, 18}}, .attributes = "flat icon-left"},
    },
    .complete = true};
// clang-format on

TEST_F(SelectAppTest, TheWindowIsBuiltAsLaidOut) {
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) {
    const ui::WindowDef& def = w.window().def();
    EXPECT_TRUE(def.resizable);
    EXPECT_TRUE(def.system_menu);
    EXPECT_EQ(def.help, "SelectApp");
    check_window_structure(w.window(), kLayout);
    w.close();
  });
  seed_five();
  EXPECT_EQ(run(SelectApp, Select), Cancelled);
}

// In name order on the first tab; the select button is enabled and the
// default, so Enter picks the selected row. Only the listed fields are
// set from the pick.
TEST_F(SelectAppTest, EnterPicksTheSelectedRow) {
  seed_five();
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_EQ(rows(w), kByName);
    EXPECT_EQ(w.choice(CURRENTTAB), 1);
    EXPECT_FALSE(w.is_hidden(SELECT_2));
    EXPECT_FALSE(w.is_disabled(SELECT_2));
    EXPECT_EQ(w.window().default_button(), SELECT_2);
    EXPECT_FALSE(w.is_disabled(INSERT_3));
    EXPECT_FALSE(w.is_disabled(CHANGE_3));
    EXPECT_FALSE(w.is_disabled(DELETE_3));
    EXPECT_TRUE(w.has_focus(kList));
    w.select_row(kList, 3);
  });
  user.then([&](WindowView& w) { w.press_key(kList, ui::key::Enter); });
  blank_key_over({"", "", 9, 9, "STALE.EXE", 1});
  EXPECT_EQ(run(SelectApp, Select), Completed);
  EXPECT_EQ(picked(), "1 /dev/ledger/ LEDGER.APP 1");
}

// "&Priority" orders by priority, then file name; "APP &Name" by file
// name, then folder.
TEST_F(SelectAppTest, TheTabsChooseTheOrder) {
  seed_five();
  HeadlessUser user;
  user.then([&](WindowView& w) { w.choose_tab(TAB_3); });
  user.then([&](WindowView& w) {
    EXPECT_EQ(rows(w), kByPriority);
    w.choose_tab(TAB_2);
  });
  user.then([&](WindowView& w) {
    EXPECT_EQ(rows(w), kByName);
    w.press(CLOSE);
  });
  blank_key_over({});
  EXPECT_EQ(run(SelectApp, Select), Cancelled);
}

// Each way of picking hands back that row's folder, name, priority and project.
enum class Pick { Button, DoubleClick, Popup };

struct PickCase {
  const char* what;
  Pick how;
  int row;
  std::string fields;
};

class SelectAppPick : public SelectAppTest, public ::testing::WithParamInterface<PickCase> {};

TEST_P(SelectAppPick, HandsBackTheRow) {
  const PickCase& c = GetParam();
  seed_five();
  HeadlessUser user;
  user.then([&](WindowView& w) {
    switch (c.how) {
      case Pick::Button: w.select_row(kList, c.row); break;
      case Pick::DoubleClick: w.accept_row(kList, c.row); break;
      case Pick::Popup: w.right_click_row(kList, c.row); break;
    }
  });
  if (c.how == Pick::Popup) user.choose_popup("&Select");
  if (c.how == Pick::Button) user.then([&](WindowView& w) { w.press("&Add to Project"); });
  blank_key_over({});
  EXPECT_EQ(run(SelectApp, Select), Completed);
  EXPECT_EQ(picked(), c.fields);
  if (c.how == Pick::Popup) {
    EXPECT_EQ(user.popups(), std::vector<std::string>{"&Insert|&Change|&Delete|&Select"});
  }
}

INSTANTIATE_TEST_SUITE_P(Ways, SelectAppPick,
                         ::testing::Values(PickCase{"button", Pick::Button, 4, "5 /dev/payroll/ PAYROLL.APP 2"},
                                           PickCase{"double_click", Pick::DoubleClick, 1, "7 /dev/a/ CASH.APP 3"},
                                           PickCase{"popup", Pick::Popup, 2, "1 /dev/b/ CASH.APP 0"}),
                         [](const auto& info) { return std::string(info.param.what); });

// Closing without a pick answers cancelled and puts the whole buffer back.
class SelectAppClose : public SelectAppTest, public ::testing::WithParamInterface<bool> {};

TEST_P(SelectAppClose, PutsTheBufferBack) {
  const bool close_box = GetParam();
  seed_five();
  HeadlessUser user;
  user.then([&](WindowView& w) { w.select_row(kList, 4); });
  user.then([&](WindowView& w) {
    if (close_box) {
      w.close();
    } else {
      w.press(CLOSE);
    }
  });
  make_current({"STOCK.APP", "/dev/stock/"});
  const std::string before = buffer_line();
  EXPECT_EQ(run(SelectApp, Select), Cancelled);
  EXPECT_EQ(buffer_line(), before);
}

INSTANTIATE_TEST_SUITE_P(Ways, SelectAppClose, ::testing::Bool(),
                         [](const auto& info) { return std::string(info.param ? "close_box" : "close_button"); });

// In select mode the list opens at the record the buffer holds.
TEST_F(SelectAppTest, OpensAtTheBuffersRecord) {
  seed_five();
  HeadlessUser user;
  user.then([&](WindowView& w) {
    const int row = w.choice(kList);
    ASSERT_GE(row, 1);
    EXPECT_EQ(rows(w)[static_cast<size_t>(row) - 1], "5 /dev/payroll/ PAYROLL.APP");
    w.press(CLOSE);
  });
  make_current({"PAYROLL.APP", "/dev/payroll/"});
  EXPECT_EQ(run(SelectApp, Select), Cancelled);
}

// An empty file: only Insert works, and the Insert key works on the empty
// list too. The application added is the selected row afterwards and is
// picked at once.
TEST_F(SelectAppTest, InsertsThroughTheFormAndPicksAtOnce) {
  const fs::path source = make_file("dev/new/NEW.APP");
  const fs::path target = make_file("dev/new/NEW.EXE");
  seed_apps({});
  HeadlessUser user;
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_TRUE(w.list_rows(kList).empty());
    EXPECT_TRUE(w.is_disabled(SELECT_2));
    EXPECT_TRUE(w.is_disabled(CHANGE_3));
    EXPECT_TRUE(w.is_disabled(DELETE_3));
    EXPECT_FALSE(w.is_disabled(INSERT_3));
    w.press_key(kList, ui::key::Insert);
  });
  user.on_window("Record will be Added", [&](WindowView& w) {
    EXPECT_EQ(w.text(update_apps::FULLNAME), "") << "the browse primed a cleared record";
    w.type(update_apps::FULLNAME, source.string());
    w.type(update_apps::APP_TARGET, target.string());
  });
  user.then([&](WindowView& w) { w.press(update_apps::OK); });
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_EQ(rows(w), std::vector<std::string>{"0 " + folder_of(dir / "dev/new") + " NEW.APP"});
    EXPECT_EQ(w.choice(kList), 1);
    EXPECT_FALSE(w.is_disabled(SELECT_2));
    EXPECT_TRUE(w.has_focus(kList));
    w.press(SELECT_2);
  });
  blank_key_over({});
  EXPECT_EQ(run(SelectApp, Select), Completed);
  EXPECT_EQ(picked(), "0 " + folder_of(dir / "dev/new") + " NEW.APP 0");
}

TEST_F(SelectAppTest, InsertingBetweenOthersSelectsTheNewRecord) {
  const fs::path source = make_file("dev/new/MIDDLE.APP");
  seed_five();
  HeadlessUser user;
  user.then([&](WindowView& w) { w.press(INSERT_3); });
  user.on_window("Record will be Added", [&](WindowView& w) {
    w.type(update_apps::FULLNAME, source.string());
    w.type(update_apps::APP_TARGET, source.string());
  });
  user.then([&](WindowView& w) { w.press(update_apps::OK); });
  user.on_window(kCaption, [&](WindowView& w) {
    const int row = w.choice(kList);
    ASSERT_GE(row, 1);
    EXPECT_EQ(w.list_rows(kList)[static_cast<size_t>(row) - 1][2], "MIDDLE.APP");
    w.press_key(kList, ui::key::Enter);
  });
  blank_key_over({});
  EXPECT_EQ(run(SelectApp, Select), Completed);
  EXPECT_EQ(data::APP.APPLICATION.str(), "MIDDLE.APP");
}

// Ctrl+Enter changes the selected row's record, Delete deletes it after
// "Confirm Delete"; the list is refreshed after each.
TEST_F(SelectAppTest, TheKeysChangeAndDelete) {
  seed_five();
  HeadlessUser user;
  user.then([&](WindowView& w) { w.select_row(kList, 3); });
  user.then([&](WindowView& w) { w.press_key(kList, ui::key::CtrlEnter); });
  user.on_window("Record will be Changed", [&](WindowView& w) {
    EXPECT_EQ(w.text(update_apps::APP_APPLICATION), "LEDGER.APP");
    w.press(update_apps::CANCEL);
  });
  user.on_window(kCaption, [&](WindowView& w) { w.press_key(kList, ui::key::Delete); });
  user.answer_message("Are you sure you want to delete the highlighted record?", ui::button::Yes);
  user.on_window(kCaption, [&](WindowView& w) {
    EXPECT_EQ(rows(w), (std::vector<std::string>{kByName[0], kByName[1], kByName[3], kByName[4]}));
    w.press(CLOSE);
  });
  blank_key_over({});
  EXPECT_EQ(run(SelectApp, Select), Cancelled);
  EXPECT_EQ(apps_on_file().size(), 4u);
}

// A typed letter moves the list to the first file name that starts with it
// or comes after it, in either case; not when the selected row already
// starts with it.
TEST_F(SelectAppTest, ALetterLocatesTheFileName) {
  seed_five();
  struct Step {
    int key;
    int row;
  };
  HeadlessUser user;
  user.then([&](WindowView& w) { w.select_row(kList, 2); });
  for (const Step& step : {Step{'c', 2}, Step{'l', 3}, Step{'M', 4}, Step{'s', 5}}) {
    user.then([&, step](WindowView& w) { w.press_key(kList, step.key); });
    user.then([&, step](WindowView& w) { EXPECT_EQ(w.choice(kList), step.row) << static_cast<char>(step.key); });
  }
  user.then([&](WindowView& w) { w.press(CLOSE); });
  blank_key_over({});
  EXPECT_EQ(run(SelectApp, Select), Cancelled);
}

// A view offers no insert, change or delete and no pick.
TEST_F(SelectAppTest, AViewRunsNoForm) {
  seed_five();
  HeadlessUser user;
  user.then([&](WindowView& w) {
    EXPECT_TRUE(w.is_hidden(SELECT_2));
    w.press(INSERT_3);
    w.press_key(kList, ui::key::Insert);
    w.press_key(kList, ui::key::CtrlEnter);
  });
  user.on_window(kCaption, [&](WindowView& w) { w.press(CLOSE); });
  EXPECT_EQ(run(SelectApp, View), Cancelled);
  EXPECT_EQ(user.windows_opened(), std::vector<std::string>{kCaption});
}

}  // namespace

}  // namespace qvn::windows::testing
