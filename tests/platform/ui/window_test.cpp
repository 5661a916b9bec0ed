#include "platform/ui/window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "platform/core/clock.h"
#include "platform/core/error_state.h"
#include "platform/core/fixed_string.h"
#include "platform/core/std_datetime.h"
#include "quiet_backend.h"

namespace qvn::ui {
namespace {

using testing::control;
using testing::pending;
using testing::QuietBackend;
using testing::Seen;
using values::VarRef;

// A window shaped like the main window: a sheet with three tabs, a spin
// box with its prompt, a group, a status line shown twice, a Close button.
class MainLikeWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    WindowDef def;
    def.caption = "Lorvane --  QVN v.6.1";
    def.timer = 500;
    // clang-format off
    def.controls = {
        control("?SHEET1", ControlKind::Sheet),
        control("?TAB1", ControlKind::Tab, 1, "&Applications"),
        control("?LIST", ControlKind::List, 2),
        control("?BUTTON13", ControlKind::Button, 2, "&Tag"),
        control("?TAB2", ControlKind::Tab, 1, "&Projects"),
        control("?RELTREE", ControlKind::List, 5),
        control("?TAB4", ControlKind::Tab, 1, "Project &Subsets"),
        control("?GENERATESUBSET", ControlKind::Button, 7, "Gen && &Make  (Project Subset)"),
        control("?TIMEOUT:PROMPT", ControlKind::Prompt, 0, "DDE Time Out (in minutes):"),
        control("?TIMEOUT", ControlKind::Spin),
        control("?GROUP1", ControlKind::Group, 0, " Applications "),
        control("?EXECUTEAPP", ControlKind::Button, 11, "&Gen && Make    (.APP)"),
        control("?STATUSMSG:2", ControlKind::String),
        control("?STATUSMSG", ControlKind::Entry),
        control("?BUTTON7", ControlKind::Button, 0, "Close"),
    };
    // clang-format on
    auto& c = def.controls;
    c[2].format = "10C*I@s1@11C*@n3B@E(0FFH,,0FFFFH,)71L|M~Path~L(2)S(88)@s80@200L(1)~.App~L(2)@s50@";
    c[5].format = "800L*IT@s200@";
    c[7].disabled = true;
    c[9].picture = "@n3";
    c[9].range_low = 1;
    c[9].range_high = 99;
    c[9].use = VarRef::of(timeout);
    c[12].picture = "@s30";
    c[12].use = VarRef::of(status);
    c[13].picture = "@s30";
    c[13].use = VarRef::of(status);
    std::string error;
    w = Window::create(std::move(def), &error);
    ASSERT_NE(w, nullptr) << error;
  }

  int f(const char* equate) const { return w->field(equate); }

  QuietBackend backend;
  uint8_t timeout = 3;
  FixedString<30> status;
  std::unique_ptr<Window> w;
};

TEST_F(MainLikeWindow, FindsControlsByEquateInFieldOrder) {
  EXPECT_EQ(w->controls(), 15);
  EXPECT_EQ(f("?SHEET1"), 1);
  EXPECT_EQ(f("?LIST"), 3);
  EXPECT_EQ(f("?BUTTON7"), 15);
  EXPECT_EQ(f("?StatusMsg:2"), 13) << "equates are not case-sensitive";
  EXPECT_EQ(f("?STATUSMSG"), 14) << "?STATUSMSG and ?STATUSMSG:2 are two controls";
  EXPECT_EQ(f("?LIST:2"), 0);
  EXPECT_EQ(f(""), 0);
  EXPECT_EQ(w->control(f("?EXECUTEAPP")).text, "&Gen && Make    (.APP)");
  EXPECT_EQ(visible_text(w->control(f("?EXECUTEAPP")).text), "Gen & Make    (.APP)");
}

TEST_F(MainLikeWindow, ControlsInAnUnchosenTabAreHidden) {
  EXPECT_FALSE(w->is_hidden(f("?LIST")));
  EXPECT_TRUE(w->is_hidden(f("?RELTREE")));
  EXPECT_TRUE(w->is_hidden(f("?GENERATESUBSET")));
  EXPECT_FALSE(w->is_hidden(f("?TAB2"))) << "an unchosen tab still shows its name";
  EXPECT_EQ(w->choice(f("?SHEET1")), 1);

  w->open();
  ASSERT_TRUE(w->user_choose_tab(f("?SHEET1"), f("?TAB4")));
  EXPECT_EQ(w->choice(f("?SHEET1")), 3);
  EXPECT_TRUE(w->is_hidden(f("?LIST")));
  EXPECT_FALSE(w->is_hidden(f("?GENERATESUBSET")));
  EXPECT_TRUE(w->is_disabled(f("?GENERATESUBSET"))) << "declared disabled, and no tab change enables it";

  w->select(f("?TAB2"));
  EXPECT_EQ(w->choice(f("?SHEET1")), 2);
  EXPECT_FALSE(w->is_hidden(f("?RELTREE")));
  EXPECT_TRUE(w->is_hidden(f("?GENERATESUBSET")));
}

TEST_F(MainLikeWindow, GroupsPassTheirStateToWhatTheyHold) {
  w->disable(f("?GROUP1"));
  EXPECT_TRUE(w->is_disabled(f("?EXECUTEAPP")));
  EXPECT_FALSE(w->state(f("?EXECUTEAPP")).disabled) << "the button's own state is unchanged";
  w->enable(f("?GROUP1"));
  w->hide(f("?GROUP1"));
  EXPECT_FALSE(w->is_disabled(f("?EXECUTEAPP")));
  EXPECT_TRUE(w->is_hidden(f("?EXECUTEAPP")));
  w->unhide(f("?GROUP1"));
  EXPECT_FALSE(w->is_hidden(f("?EXECUTEAPP")));
  w->hide(f("?SHEET1"));
  EXPECT_TRUE(w->is_hidden(f("?LIST")));
}

TEST_F(MainLikeWindow, OpenGivesOpenWindowThenGainFocus) {
  w->post(Event::Accepted, f("?BUTTON7"));  // posted before the window opened
  w->open();
  EXPECT_EQ(backend.opened, 1);
  EXPECT_EQ(
      pending(*w),
      (std::vector<Seen>{{Event::OpenWindow, 0, 0}, {Event::GainFocus, 0, 0}, {Event::Accepted, f("?BUTTON7"), 0}}));
  EXPECT_EQ(w->event(), Event::None);
}

TEST_F(MainLikeWindow, OpenShowsTheBoundVariables) {
  status = "Connected to Clarion";
  w->open();
  EXPECT_EQ(w->state(f("?TIMEOUT")).shown, "  3");
  EXPECT_EQ(clip(w->state(f("?STATUSMSG")).shown), "Connected to Clarion");
  EXPECT_EQ(w->state(f("?STATUSMSG:2")).shown.size(), 30u);

  status = "Clarion disconnected";
  EXPECT_EQ(clip(w->state(f("?STATUSMSG:2")).shown), "Connected to Clarion") << "only DISPLAY shows it again";
  w->display(f("?STATUSMSG:2"));
  EXPECT_EQ(clip(w->state(f("?STATUSMSG:2")).shown), "Clarion disconnected");
  EXPECT_EQ(clip(w->state(f("?STATUSMSG")).shown), "Connected to Clarion");
  w->display();
  EXPECT_EQ(clip(w->state(f("?STATUSMSG")).shown), "Clarion disconnected");
}

// A list a browse pages: the keys and the scroll bar that move past the
// rows shown become the scroll events the browse takes; within the rows
// Up and Down move the selection as on any list. The tree beside it, which
// the program fills itself, keeps its keys and has no such scroll bar.
TEST_F(MainLikeWindow, APagedListTurnsMovesPastItsRowsIntoScrollEvents) {
  VectorListModel rows;
  rows.data() = {{"A.APP"}, {"B.APP"}, {"C.APP"}};
  w->set_list(f("?LIST"), &rows);
  w->set_list(f("?RELTREE"), &rows);
  w->state(f("?LIST")).paged = true;
  w->open();
  pending(*w);
  const int list = f("?LIST");
  struct Case {
    const char* what;
    int row;  // selected before
    std::function<bool(Window&)> act;
    std::vector<Seen> seen;
  };
  auto key_on = [list](int k) { return [list, k](Window& win) { return win.user_key(list, k); }; };
  auto bar = [list](ScrollMove m, int at = 0) {
    return [list, m, at](Window& win) { return win.user_scroll(list, m, at); };
  };
  const std::vector<Case> cases = {
      {"Down within the rows", 1, key_on(key::Down), {{Event::NewSelection, list, key::Down}}},
      {"Down at the last row", 3, key_on(key::Down), {{Event::ScrollDown, list, key::Down}}},
      {"Up within the rows", 2, key_on(key::Up), {{Event::NewSelection, list, key::Up}}},
      {"Up at the first row", 1, key_on(key::Up), {{Event::ScrollUp, list, key::Up}}},
      {"PageDown", 1, key_on(key::PageDown), {{Event::PageDown, list, key::PageDown}}},
      {"PageUp", 3, key_on(key::PageUp), {{Event::PageUp, list, key::PageUp}}},
      {"Home", 2, key_on(key::Home), {{Event::ScrollTop, list, key::Home}}},
      {"Ctrl+Home", 2, key_on(key::CtrlHome), {{Event::ScrollTop, list, key::CtrlHome}}},
      {"End", 2, key_on(key::End), {{Event::ScrollBottom, list, key::End}}},
      {"Ctrl+End", 2, key_on(key::CtrlEnd), {{Event::ScrollBottom, list, key::CtrlEnd}}},
      {"the bar's down arrow", 1, bar(ScrollMove::LineDown), {{Event::ScrollDown, list, 0}}},
      {"the bar's trough above the thumb", 1, bar(ScrollMove::PageUp), {{Event::PageUp, list, 0}}},
      {"the thumb dragged", 1, bar(ScrollMove::Thumb, 140), {{Event::ScrollDrag, list, 0}}},
      {"the wheel two rows up",
       2,
       [list](Window& win) { return win.user_wheel(list, -2); },
       {{Event::ScrollUp, list, 0}, {Event::ScrollUp, list, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    w->state(list).selected = c.row;
    EXPECT_TRUE(c.act(*w));
    std::vector<Seen> seen = pending(*w);
    // The focus came to the list with the first move.
    seen.erase(std::remove_if(seen.begin(), seen.end(), [](const Seen& s) { return s.event == Event::Selected; }),
               seen.end());
    EXPECT_EQ(seen, c.seen);
  }
  EXPECT_EQ(w->state(list).dragged_to, 100) << "a drag stays within the bar";

  ASSERT_TRUE(w->user_choose_tab(f("?SHEET1"), f("?TAB2")));
  pending(*w);
  EXPECT_FALSE(w->user_scroll(f("?RELTREE"), ScrollMove::LineDown));
  EXPECT_FALSE(w->user_wheel(f("?RELTREE"), 1));
  w->state(f("?RELTREE")).selected = 3;
  EXPECT_TRUE(w->user_key(f("?RELTREE"), key::End));
  EXPECT_TRUE(w->user_key(f("?RELTREE"), key::Down));
  const std::vector<Seen> tree = pending(*w);
  EXPECT_TRUE(std::none_of(tree.begin(), tree.end(), [](const Seen& s) { return s.event != Event::Selected; }))
      << "the tree's keys stay within its rows";
}

TEST_F(MainLikeWindow, PostedScrollDownMovesTheListSelection) {
  VectorListModel rows;
  rows.data() = {{"A.APP"}, {"B.APP"}, {"C.APP"}};
  w->set_list(f("?LIST"), &rows);
  w->open();
  pending(*w);
  EXPECT_EQ(w->choice(f("?LIST")), 1) << "a list with rows starts on its first";

  w->post(Event::ScrollDown, f("?LIST"));
  EXPECT_EQ(w->choice(f("?LIST")), 1) << "the move happens when the event is taken";
  ASSERT_TRUE(w->accept());
  EXPECT_EQ(w->event(), Event::ScrollDown);
  EXPECT_EQ(w->field(), f("?LIST"));
  EXPECT_EQ(w->choice(f("?LIST")), 2);

  w->post(Event::ScrollDown, f("?LIST"));
  w->post(Event::ScrollDown, f("?LIST"));
  pending(*w);
  EXPECT_EQ(w->choice(f("?LIST")), 3) << "the last row is as far as it goes";

  rows.data().pop_back();
  w->list_changed(f("?LIST"));
  EXPECT_EQ(w->choice(f("?LIST")), 2) << "a shorter queue pulls the selection in";
  rows.data().clear();
  w->list_changed(f("?LIST"));
  EXPECT_EQ(w->choice(f("?LIST")), 0);
}

TEST_F(MainLikeWindow, ListCellsFollowTheFormat) {
  VectorListModel rows;
  // Tag_, four colours, icon; priority, four colours; path; application.
  rows.data().push_back({"", "-1", "-1", "-1", "-1", "1", "7", "-1", "-1", "-1", "-1", "C:\\WORK\\", "MAIN.APP"});
  rows.data().push_back({"", "-1", "-1", "-1", "-1", "0", "0", "255", "-1", "-1", "-1", "C:\\DEV\\", "ACCT.APP"});
  w->set_list(f("?LIST"), &rows);
  const auto first = w->cells(f("?LIST"), 0);
  ASSERT_EQ(first.size(), 4u);
  EXPECT_EQ(first[0].icon, 1);
  EXPECT_EQ(first[1].text, "  7");
  EXPECT_EQ(first[1].fg, 0xFF) << "not set in the queue: the format's default";
  EXPECT_EQ(first[1].sel_fg, 0xFFFF);
  EXPECT_EQ(first[1].bg, -1);
  EXPECT_EQ(first[2].text, "C:\\WORK\\");
  EXPECT_EQ(first[3].text, "MAIN.APP");
  const auto second = w->cells(f("?LIST"), 1);
  EXPECT_EQ(second[0].icon, 0);
  EXPECT_EQ(second[1].text, "") << "@n3B is blank for 0";
  EXPECT_EQ(second[1].fg, 255) << "the queue's colour wins";
  EXPECT_TRUE(w->cells(f("?LIST"), 2).empty());

  VectorListModel tree;
  tree.data().push_back({"PROJECTS", "-1", "-1", "-1", "-1", "2", "0"});
  tree.data().push_back({"BILLING", "-1", "-1", "-1", "-1", "2", "-1"});
  w->set_list(f("?RELTREE"), &tree);
  EXPECT_EQ(w->cells(f("?RELTREE"), 1)[0].level, -1);
  EXPECT_EQ(w->cells(f("?RELTREE"), 1)[0].icon, 2);
  EXPECT_EQ(w->cells(f("?RELTREE"), 1)[0].text, "BILLING");
}

TEST_F(MainLikeWindow, SelectOnAPromptGoesToTheNextControlTabReaches) {
  w->open();
  pending(*w);
  w->select(f("?TIMEOUT:PROMPT"));
  EXPECT_EQ(w->focus(), f("?TIMEOUT"));
  EXPECT_EQ(pending(*w), (std::vector<Seen>{{Event::Selected, f("?TIMEOUT"), 0}}));

  w->select(f("?STATUSMSG:2"));
  EXPECT_EQ(w->focus(), f("?TIMEOUT")) << "a string cannot hold the focus";
  w->select(f("?GENERATESUBSET"));
  EXPECT_EQ(w->focus(), f("?TIMEOUT")) << "nor can a hidden, disabled button";
  w->select(f("?LIST"), 1);
  EXPECT_EQ(w->focus(), f("?LIST"));
}

TEST_F(MainLikeWindow, SpinBoxStaysInItsRange) {
  w->open();
  pending(*w);
  timeout = 0;
  w->display();
  ASSERT_TRUE(w->user_spin(f("?TIMEOUT"), false));
  EXPECT_EQ(timeout, 1) << "either arrow turns 0 into 1";
  timeout = 0;
  ASSERT_TRUE(w->user_spin(f("?TIMEOUT"), true));
  EXPECT_EQ(timeout, 1);
  timeout = 99;
  w->user_spin(f("?TIMEOUT"), true);
  EXPECT_EQ(timeout, 99);
  EXPECT_EQ(w->state(f("?TIMEOUT")).shown, " 99");
  EXPECT_EQ(pending(*w), (std::vector<Seen>{{Event::Selected, f("?TIMEOUT"), 0},
                                            {Event::NewSelection, f("?TIMEOUT"), 0},
                                            {Event::NewSelection, f("?TIMEOUT"), 0},
                                            {Event::NewSelection, f("?TIMEOUT"), 0}}));

  ASSERT_TRUE(w->user_type(f("?TIMEOUT"), "45"));
  EXPECT_EQ(timeout, 45);
  pending(*w);
  w->select(f("?TIMEOUT"));
  pending(*w);
  struct Case {
    const char* typed;
    const char* why;
  };
  for (const Case& c : {Case{"250", "above the range, though it fits the picture"}, Case{"0", "below the range"},
                        Case{"abc", "not a number"}, Case{"1000", "wider than @n3"}}) {
    ASSERT_TRUE(w->user_type(f("?TIMEOUT"), c.typed));
    EXPECT_EQ(timeout, 45) << c.why;
    EXPECT_EQ(w->state(f("?TIMEOUT")).shown, c.typed) << "the refused text stays for correcting";
    EXPECT_EQ(pending(*w), (std::vector<Seen>{{Event::Rejected, f("?TIMEOUT"), 0}})) << c.why;
  }
}

TEST_F(MainLikeWindow, TimerFiresOnlyWhenTimeHasPassed) {
  VirtualClock clock;
  ScopedClock scoped(clock);
  w->open();
  EXPECT_EQ(w->timer(), 500);
  EXPECT_EQ(w->next_timer_ms(), 5000);
  pending(*w);
  clock.advance_ms(4999);
  EXPECT_TRUE(pending(*w).empty());
  clock.advance_ms(1);
  EXPECT_EQ(pending(*w), (std::vector<Seen>{{Event::Timer, 0, 0}}));
  clock.advance_ms(12000);
  EXPECT_EQ(pending(*w).size(), 1u) << "time that passed at once gives one Timer, not one per period";
  EXPECT_EQ(w->next_timer_ms(), 22000);
  w->set_timer(0);
  clock.advance_ms(60000);
  EXPECT_TRUE(pending(*w).empty());
  EXPECT_EQ(w->next_timer_ms(), -1);
}

TEST_F(MainLikeWindow, NestedLoopClearsTheErrorBeforeEachEventAndEndsOnClose) {
  VirtualClock clock;
  ScopedClock scoped(clock);
  w->open();
  pending(*w);
  w->post(Event::Accepted, f("?BUTTON13"));
  w->post(Event::Selected, f("?LIST"));
  std::vector<int> codes;
  std::vector<Event> events;
  set_error(err::DdeTimeout);
  w->nested_loop([&] {
    codes.push_back(error_code());
    events.push_back(w->event());
    set_error(err::FileNotFound);
    if (w->event() == Event::None) clock.advance_ms(5000);
    if (w->event() == Event::Timer) w->close();
    return true;
  });
  EXPECT_EQ(codes, (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(events, (std::vector<Event>{Event::Accepted, Event::Selected, Event::None, Event::Timer}));
  EXPECT_FALSE(w->is_open());
  EXPECT_EQ(error_code(), err::FileNotFound) << "the loop leaves the last body's error";

  int turns = 0;
  w->nested_loop([&] { return ++turns < 5; });
  EXPECT_EQ(turns, 0) << "a closed window has no events";
}

TEST_F(MainLikeWindow, NestedLoopEndsWhenTheBodySaysSo) {
  w->open();
  int turns = 0;
  w->nested_loop([&] { return ++turns < 2; });
  EXPECT_EQ(turns, 2);
  EXPECT_TRUE(w->is_open());
  ASSERT_TRUE(w->accept());
  EXPECT_EQ(w->event(), Event::None) << "OpenWindow and GainFocus went to the nested loop";
}

// The events of the person's input would go to the nested loop, which
// passes them on to nobody: so nothing is taken but the close box, and the
// tab, the list's row and the variables stay as the program left them.
TEST_F(MainLikeWindow, ANestedLoopTakesNoInputButTheCloseBox) {
  VectorListModel rows;
  rows.data() = {{"", "1", "/a/", "A.APP"}, {"", "2", "/b/", "B.APP"}};
  w->set_list(f("?LIST"), &rows);
  w->open();
  pending(*w);
  w->select(f("?LIST"), 1);
  pending(*w);
  const std::vector<std::pair<const char*, std::function<bool()>>> inputs = {
      {"a tab", [&] { return w->user_choose_tab(f("?SHEET1"), f("?TAB2")); }},
      {"a button", [&] { return w->user_press(f("?BUTTON13")); }},
      {"typing", [&] { return w->user_type(f("?TIMEOUT"), "7"); }},
      {"a spin arrow", [&] { return w->user_spin(f("?TIMEOUT"), true); }},
      {"a row", [&] { return w->user_select_row(f("?LIST"), 2); }},
      {"a double-click", [&] { return w->user_accept_row(f("?LIST"), 2); }},
      {"a key", [&] { return w->user_key(f("?LIST"), key::Down); }},
  };
  bool inside = false;
  bool closed = false;
  w->post(Event::Moved);
  w->nested_loop([&] {
    inside = w->in_nested_loop();
    for (const auto& [what, input] : inputs) EXPECT_FALSE(input()) << what;
    closed = w->user_close();
    return false;
  });
  EXPECT_TRUE(inside);
  EXPECT_FALSE(w->in_nested_loop());
  EXPECT_EQ(w->choice(f("?SHEET1")), 1);
  EXPECT_EQ(w->choice(f("?LIST")), 1);
  EXPECT_EQ(timeout, 3);
  EXPECT_TRUE(closed) << "the close box ends a program's wait";
  std::vector<Event> left;
  for (const auto& p : pending(*w)) left.push_back(p.event);
  EXPECT_EQ(left, std::vector<Event>{Event::CloseWindow}) << "only the close box's request";

  ASSERT_TRUE(w->user_choose_tab(f("?SHEET1"), f("?TAB2"))) << "once the loop is over, the tab can be chosen";
  EXPECT_EQ(w->choice(f("?SHEET1")), 2);
}

// Forms: required entries, upper case, pictures on typing, the Ok pass.
class FormWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    WindowDef def;
    def.caption = "Application Information";
    // clang-format off
    def.controls = {
        control("?FULLNAME:PROMPT", ControlKind::Prompt, 0, "App. &Name:"),
        control("?FULLNAME", ControlKind::Entry),
        control("?LOOKUPFILE", ControlKind::Button, 0, "..."),
        control("?APP:DRIVENPATH:PROMPT", ControlKind::Prompt, 0, "Drive N Path:"),
        control("?APP:DRIVENPATH", ControlKind::Entry),
        control("?APP:TARGET", ControlKind::Entry),
        control("?APP:PRIORITY", ControlKind::Spin),
        control("?APP:TAG", ControlKind::Check, 0, "Tag"),
        control("?OK", ControlKind::Button, 0, "&Ok"),
        control("?CANCEL", ControlKind::Button, 0, "&Cancel"),
    };
    // clang-format on
    auto& c = def.controls;
    c[1].picture = "@s130";
    c[1].upper = true;
    c[1].use = VarRef::of(fullname);
    c[2].skip = true;
    c[4].picture = "@s80";
    c[4].read_only = true;
    c[4].skip = true;
    c[4].use = VarRef::of(path);
    c[5].picture = "@s250";
    c[5].required = true;
    c[5].use = VarRef::of(target);
    c[6].picture = "@n3";
    c[6].required = true;
    c[6].range_low = 1;
    c[6].range_high = 255;
    c[6].use = VarRef::of(priority);
    c[7].use = VarRef::of(tag);
    c[8].is_default = true;
    c[9].std_cancel = true;
    std::string error;
    w = Window::create(std::move(def), &error);
    ASSERT_NE(w, nullptr) << error;
    w->set_first_field(1);
    w->open();
    pending(*w);
  }

  int f(const char* equate) const { return w->field(equate); }

  QuietBackend backend;
  FixedString<130> fullname;
  FixedString<80> path;
  FixedString<250> target;
  uint8_t priority = 0;
  int16_t tag = 0;
  std::unique_ptr<Window> w;
};

TEST_F(FormWindow, FirstFieldPromptPutsTheFocusIntoItsEntry) { EXPECT_EQ(w->focus(), f("?FULLNAME")); }

TEST_F(FormWindow, TypingGoesThroughUpperCaseAndPictureThenTabMovesOn) {
  ASSERT_TRUE(w->user_type(f("?FULLNAME"), "c:\\dev\\acct\\acct.app"));
  EXPECT_EQ(fullname, "C:\\DEV\\ACCT\\ACCT.APP");
  EXPECT_EQ(w->focus(), f("?FULLNAME"));
  EXPECT_EQ(pending(*w),
            (std::vector<Seen>{{Event::Accepted, f("?FULLNAME"), 0}, {Event::Selected, f("?APP:TARGET"), 0}}))
      << "Tab skips the button and the read-only entry left out of the Tab order";
  EXPECT_EQ(w->focus(), f("?APP:TARGET"));

  ASSERT_TRUE(w->user_type(f("?FULLNAME"), std::string(140, 'x')));
  EXPECT_EQ(fullname.clipped().size(), 130u) << "an entry holds no more than its picture";
  EXPECT_EQ(fullname[0], 'X');
  pending(*w);

  EXPECT_FALSE(w->user_type(f("?APP:DRIVENPATH"), "C:\\")) << "read-only";
  EXPECT_FALSE(w->user_type(f("?LOOKUPFILE"), "C:\\")) << "a button takes no typing";
  EXPECT_TRUE(pending(*w).empty());
}

TEST_F(FormWindow, ASelectInTheAcceptedHandlerWinsOverTab) {
  w->user_type(f("?FULLNAME"), "C:\\A.APP");
  ASSERT_TRUE(w->accept());
  ASSERT_EQ(w->accepted(), f("?FULLNAME"));
  w->select(f("?OK"));
  EXPECT_EQ(pending(*w), (std::vector<Seen>{{Event::Selected, f("?OK"), 0}}));
  EXPECT_EQ(w->focus(), f("?OK"));
}

TEST_F(FormWindow, IncompleteNamesTheFirstBlankRequiredControlAndFocusesIt) {
  EXPECT_EQ(w->incomplete(), f("?APP:TARGET"));
  EXPECT_EQ(w->focus(), f("?APP:TARGET"));
  target = "ACCT.EXE";
  EXPECT_EQ(w->incomplete(), f("?APP:TARGET")) << "what counts is what the control shows";
  w->display();
  EXPECT_EQ(w->incomplete(), 0) << "a priority of 0 shows \"  0\", which is text";
  w->user_type(f("?APP:PRIORITY"), "");
  EXPECT_EQ(w->incomplete(), f("?APP:PRIORITY")) << "blank is 0 to @n3, which the range refuses: it shows nothing";
  w->disable(f("?APP:PRIORITY"));
  EXPECT_EQ(w->incomplete(), 0) << "a disabled control does not count";
}

TEST_F(FormWindow, HotKeyPressesItsButtonFromAnywhere) {
  WindowDef def = w->def();
  def.controls[f("?LOOKUPFILE") - 1].hot_key = key::Insert;
  w = Window::create(def, nullptr);
  ASSERT_NE(w, nullptr);
  w->open();
  pending(*w);
  w->user_key(f("?APP:TARGET"), key::Insert);
  EXPECT_EQ(pending(*w), (std::vector<Seen>{{Event::Selected, f("?APP:TARGET"), 0},
                                            {Event::Accepted, f("?LOOKUPFILE"), key::Insert}}));
}

TEST_F(FormWindow, OkPassAcceptsEveryControlWithAVariableThenCompletes) {
  target = "ACCT.EXE";
  w->display();
  w->accept_all();
  EXPECT_TRUE(w->accepting_all());
  std::vector<int> accepted;
  while (w->accept() && w->event() == Event::Accepted) {
    accepted.push_back(w->field());
    w->select(f("?LOOKUPFILE"));  // ignored during the pass
  }
  EXPECT_EQ(accepted, (std::vector<int>{f("?FULLNAME"), f("?APP:DRIVENPATH"), f("?APP:TARGET"), f("?APP:PRIORITY"),
                                        f("?APP:TAG")}));
  EXPECT_EQ(w->event(), Event::Completed);
  EXPECT_FALSE(w->accepting_all());
  EXPECT_EQ(w->focus(), f("?FULLNAME"));
}

TEST_F(FormWindow, OkPassStopsAtABlankRequiredControl) {
  w->post(Event::Accepted, f("?CANCEL"));
  w->accept_all();
  std::vector<Seen> seen = pending(*w);
  EXPECT_EQ(seen, (std::vector<Seen>{{Event::Accepted, f("?FULLNAME"), 0},
                                     {Event::Accepted, f("?APP:DRIVENPATH"), 0},
                                     {Event::Accepted, f("?CANCEL"), 0},
                                     {Event::Selected, f("?APP:TARGET"), 0}}))
      << "no Completed; the pass goes before what was queued";
  EXPECT_EQ(w->focus(), f("?APP:TARGET"));
}

TEST_F(FormWindow, OkPassStopsAtTypedTextThatWasRefused) {
  target = "ACCT.EXE";
  priority = 7;
  w->display();
  w->user_type(f("?APP:PRIORITY"), "x1");
  pending(*w);
  w->select(f("?OK"));
  pending(*w);
  w->accept_all();
  EXPECT_EQ(pending(*w), (std::vector<Seen>{{Event::Accepted, f("?FULLNAME"), 0},
                                            {Event::Accepted, f("?APP:DRIVENPATH"), 0},
                                            {Event::Accepted, f("?APP:TARGET"), 0},
                                            {Event::Rejected, f("?APP:PRIORITY"), 0}}));
  EXPECT_EQ(w->focus(), f("?APP:PRIORITY"));
  EXPECT_EQ(priority, 7);

  w->display(f("?APP:PRIORITY"));
  w->accept_all();
  EXPECT_EQ(pending(*w).back(), (Seen{Event::Completed, 0, 0})) << "DISPLAY replaced the refused text";
}

TEST_F(FormWindow, OkPassSeesWhatHandlersChangeOnTheWay) {
  w->accept_all();
  while (w->accept() && w->event() == Event::Accepted) {
    if (w->field() == f("?APP:DRIVENPATH")) {
      target = "C:\\OUT\\ACCT.EXE";
      w->display(f("?APP:TARGET"));
    }
  }
  EXPECT_EQ(w->event(), Event::Completed);
}

TEST_F(FormWindow, KeysPressTheDefaultAndCancelButtons) {
  w->user_key(f("?FULLNAME"), key::Enter);
  w->user_key(0, key::Escape);
  EXPECT_EQ(pending(*w),
            (std::vector<Seen>{{Event::Accepted, f("?OK"), key::Enter}, {Event::Accepted, f("?CANCEL"), key::Escape}}));
  w->disable(f("?OK"));
  w->user_key(0, key::Enter);
  EXPECT_TRUE(pending(*w).empty());
  w->enable(f("?OK"));
  w->set_default_button(f("?CANCEL"));
  w->user_key(0, key::Enter);
  EXPECT_EQ(pending(*w), (std::vector<Seen>{{Event::Accepted, f("?CANCEL"), key::Enter}}));

  w->alert(0, key::Insert);
  EXPECT_TRUE(w->alerted(0, key::Insert));
  w->user_key(f("?FULLNAME"), key::Insert);
  EXPECT_EQ(pending(*w), (std::vector<Seen>{{Event::AlertKey, f("?FULLNAME"), key::Insert}}))
      << "an alert wins over the hot key";

  w->alert(0, key::CtrlApostrophe);
  w->user_key(f("?FULLNAME"), key::CtrlApostrophe);
  EXPECT_EQ(pending(*w), (std::vector<Seen>{{Event::AlertKey, f("?FULLNAME"), key::CtrlApostrophe}}));
}

// Escape presses a cancel button the structure names; without one it asks
// the window to close, as its close box does, unless the window keeps
// Escape from closing it.
TEST_F(FormWindow, EscapeAsksTheWindowToCloseUnlessACancelButtonTakesIt) {
  struct Case {
    const char* what;
    bool cancel_button;
    bool escape_closes;
    std::vector<Seen> seen;
  };
  const int cancel = f("?CANCEL");
  const std::vector<Case> cases = {
      {"with a cancel button", true, true, {{Event::Accepted, cancel, key::Escape}}},
      {"without one", false, true, {{Event::CloseWindow, 0, 0}}},
      {"in a window that keeps Escape", false, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WindowDef def = w->def();
    def.controls[cancel - 1].std_cancel = c.cancel_button;
    def.escape_closes = c.escape_closes;
    w = Window::create(def, nullptr);
    ASSERT_NE(w, nullptr);
    w->set_first_field(1);
    w->open();
    pending(*w);
    EXPECT_TRUE(w->user_key(f("?FULLNAME"), key::Escape));
    EXPECT_EQ(pending(*w), c.seen);
    EXPECT_TRUE(w->is_open());
  }
}

// An Ok button that checks the required controls: however it is pressed,
// a blank required control takes the focus and Ok is not pressed; once the
// controls are filled in, the same press is.
TEST_F(FormWindow, AButtonThatChecksRequiredControlsIsNotPressedWhileOneIsBlank) {
  struct Press {
    const char* how;
    std::function<bool(Window&, int ok)> press;
    int keycode;
  };
  const Press presses[] = {
      {"with the mouse", [](Window& w, int ok) { return w.user_press(ok); }, key::MouseLeft},
      {"by Enter as the default button", [](Window& w, int) { return w.user_key(0, key::Enter); }, key::Enter},
      {"by its key", [](Window& w, int) { return w.user_key(0, key::Insert); }, key::Insert},
  };
  WindowDef def = w->def();
  def.controls[f("?OK") - 1].req = true;
  def.controls[f("?OK") - 1].hot_key = key::Insert;
  for (const Press& p : presses) {
    SCOPED_TRACE(p.how);
    target = "";
    priority = 0;
    w = Window::create(def, nullptr);
    ASSERT_NE(w, nullptr);
    w->set_first_field(1);
    w->open();
    pending(*w);
    EXPECT_TRUE(p.press(*w, f("?OK")));
    EXPECT_EQ(pending(*w), (std::vector<Seen>{{Event::Selected, f("?APP:TARGET"), 0}}))
        << "the first blank required control takes the focus; Ok is not accepted";
    EXPECT_EQ(w->focus(), f("?APP:TARGET"));

    w->user_type(f("?APP:TARGET"), "ACCT.EXE");
    w->select(f("?FULLNAME"));
    pending(*w);
    p.press(*w, f("?OK"));
    std::vector<Seen> seen = pending(*w);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), (Seen{Event::Accepted, f("?OK"), p.keycode})) << "the priority shows 0, which is text";
  }
  // Cancel checks nothing.
  w->user_type(f("?APP:TARGET"), "");
  pending(*w);
  w->user_key(0, key::Escape);
  EXPECT_EQ(pending(*w), (std::vector<Seen>{{Event::Accepted, f("?CANCEL"), key::Escape}}));
}

TEST_F(FormWindow, CheckBoxTakesItsValues) {
  tag = 1;
  w->display();
  EXPECT_TRUE(w->state(f("?APP:TAG")).checked);
  ASSERT_TRUE(w->user_press(f("?APP:TAG")));
  EXPECT_EQ(tag, 0);
  EXPECT_EQ(pending(*w),
            (std::vector<Seen>{{Event::Selected, f("?APP:TAG"), 0}, {Event::Accepted, f("?APP:TAG"), key::MouseLeft}}));
  w->state(f("?APP:TAG")).checked = true;
  w->update(f("?APP:TAG"));
  EXPECT_EQ(tag, 1);
}

TEST(WindowUpdate, ReadsControlsBackThroughTheirPictures) {
  QuietBackend backend;
  int32_t date = 0;
  long long number = 0;
  FixedString<5> code;
  WindowDef def;
  def.controls = {control("?DATE", ControlKind::Entry), control("?NUMBER", ControlKind::Entry),
                  control("?CODE", ControlKind::Entry)};
  def.controls[0].picture = "@d1";
  def.controls[0].use = VarRef::of(date);
  def.controls[1].picture = "@n-14";
  def.controls[1].use = VarRef::of(number);
  def.controls[2].picture = "@s5";
  def.controls[2].use = VarRef::of(code);
  auto w = Window::create(std::move(def), nullptr);
  ASSERT_NE(w, nullptr);
  date = standard_date(CivilDate{2024, 3, 1});
  number = -42;
  code = "ab";
  w->display();
  EXPECT_EQ(w->state(1).shown, " 3/01/24");
  EXPECT_EQ(w->state(2).shown, std::string(11, ' ') + "-42");
  EXPECT_EQ(w->state(3).shown, "ab   ");

  w->state(1).shown = "12/25/24";
  w->state(2).shown = "  17";
  w->state(3).shown = "xyz";
  w->update();
  EXPECT_EQ(civil_date(date), (CivilDate{2024, 12, 25}));
  EXPECT_EQ(number, 17);
  EXPECT_EQ(code, "xyz");

  w->state(1).shown = "13/45/24";
  w->update(1);
  EXPECT_EQ(civil_date(date), (CivilDate{2024, 12, 25})) << "text the picture refuses leaves the variable";
}

TEST(WindowProgress, ShowsItsVariableWithinZeroToHundred) {
  QuietBackend backend;
  long long percent = 0;
  WindowDef def;
  def.controls = {control("?PROGRESS:THERMOMETER", ControlKind::Progress)};
  def.controls[0].use = VarRef::of(percent);
  auto w = Window::create(std::move(def), nullptr);
  ASSERT_NE(w, nullptr);
  for (auto [value, shown] : {std::pair{42LL, 42}, {150LL, 100}, {-5LL, 0}}) {
    percent = value;
    w->display();
    EXPECT_EQ(w->state(1).progress, shown) << value;
  }
}

TEST(WindowOption, GroupVariableTakesTheChosenRadiosValue) {
  QuietBackend backend;
  FixedString<1> new_log = "Y";
  WindowDef def;
  // clang-format off
  def.controls = {control("?GLO:USENEWLOG", ControlKind::Option),
                  control("?GLO:USENEWLOG:RADIO1", ControlKind::Radio, 1, "No"),
                  control("?GLO:USENEWLOG:RADIO2", ControlKind::Radio, 1, "Yes")};
  // clang-format on
  def.controls[0].use = VarRef::of(new_log);
  def.controls[1].value_on = "N";
  def.controls[2].value_on = "Y";
  auto w = Window::create(std::move(def), nullptr);
  ASSERT_NE(w, nullptr);
  w->open();
  pending(*w);
  EXPECT_TRUE(w->state(3).checked);
  EXPECT_FALSE(w->state(2).checked);
  EXPECT_EQ(w->choice(1), 2);

  ASSERT_TRUE(w->user_press(2));
  EXPECT_EQ(new_log, "N");
  EXPECT_EQ(w->choice(1), 1);
  EXPECT_EQ(pending(*w), (std::vector<Seen>{{Event::Accepted, 1, key::MouseLeft}})) << "the option group is accepted";

  new_log = "y";
  w->display();
  EXPECT_FALSE(w->state(2).checked);
  EXPECT_FALSE(w->state(3).checked) << "a value no radio has selects none";
  EXPECT_EQ(w->choice(1), 0);
  w->update();
  EXPECT_EQ(new_log, "y") << "with none chosen the variable keeps its value";
}

TEST(WindowLists, MouseAndKeysOnAList) {
  QuietBackend backend;
  VectorListModel rows;
  rows.data() = {{"one"}, {"two"}, {"three"}};
  WindowDef def;
  def.controls = {control("?RELTREE", ControlKind::List), control("?BROWSE", ControlKind::List)};
  def.controls[0].alert_keys = {key::MouseLeft2, key::Right};
  auto w = Window::create(std::move(def), nullptr);
  ASSERT_NE(w, nullptr);
  w->set_list(1, &rows);
  w->set_list(2, &rows);
  w->open();
  pending(*w);

  w->user_select_row(1, 1);
  EXPECT_TRUE(pending(*w).empty()) << "a click on the selected row is no new selection";
  w->user_select_row(1, 1, key::MouseRight);
  EXPECT_EQ(pending(*w), (std::vector<Seen>{{Event::NewSelection, 1, key::MouseRight}}));
  w->user_select_row(1, 3, key::MouseRight);
  EXPECT_EQ(w->state(1).mouse_row, 3);
  EXPECT_EQ(pending(*w), (std::vector<Seen>{{Event::NewSelection, 1, key::MouseRight}}));

  w->user_accept_row(1, 2);
  w->user_key(1, key::Right);
  w->user_expand(1, 1, true);
  w->user_key(1, key::Down);
  EXPECT_EQ(pending(*w), (std::vector<Seen>{{Event::NewSelection, 1, key::MouseLeft},
                                            {Event::AlertKey, 1, key::MouseLeft2},
                                            {Event::AlertKey, 1, key::Right},
                                            {Event::Expanded, 1, 0},
                                            {Event::NewSelection, 1, key::Down}}));
  EXPECT_EQ(w->choice(1), 3);
  EXPECT_EQ(w->state(1).mouse_row, 1);

  w->user_accept_row(2, 1);
  EXPECT_EQ(pending(*w), (std::vector<Seen>{{Event::Selected, 2, 0}, {Event::Accepted, 2, key::MouseLeft2}}))
      << "without the alert a double-click accepts the row";
  EXPECT_FALSE(w->user_select_row(2, 4));
  EXPECT_FALSE(w->user_select_row(2, 0));
}

// A window of one button, as the tests of the stack of windows need.
WindowDef one_button_window(const char* caption) {
  WindowDef d;
  d.caption = caption;
  d.controls = {control("?GO", ControlKind::Button, 0, "Go")};
  return d;
}

TEST(WindowStack, AModalWindowBlocksTheOneBelow) {
  QuietBackend backend;
  auto main = Window::create(one_button_window("Main"), nullptr);
  auto form = Window::create(one_button_window("Form"), nullptr);
  main->open();
  pending(*main);
  form->open();
  EXPECT_EQ(top_window(), form.get());
  EXPECT_EQ(open_windows().size(), 2u);

  EXPECT_FALSE(main->user_press(1));
  EXPECT_FALSE(main->user_close());
  EXPECT_TRUE(form->user_press(1));
  form->close();
  EXPECT_EQ(top_window(), main.get());
  EXPECT_EQ(pending(*main), (std::vector<Seen>{{Event::GainFocus, 0, 0}})) << "no input arrived while it was below";
  EXPECT_TRUE(main->user_press(1));

  main->set_hidden(true);
  EXPECT_FALSE(main->user_press(1)) << "a hidden window takes no input";
  main.reset();
  EXPECT_TRUE(open_windows().empty()) << "a window that goes closes";
}

// The desktop's activation of a window is its gain of focus, once each
// time; the activations that follow its opening and the close of the
// window above it add nothing to the GainFocus those post themselves.
TEST(WindowStack, AnActivationByTheDesktopGivesGainFocusOnce) {
  QuietBackend backend;
  auto main = Window::create(one_button_window("Main"), nullptr);
  auto form = Window::create(one_button_window("Form"), nullptr);
  main->open();
  EXPECT_FALSE(main->user_activated()) << "the opening's activation";
  EXPECT_EQ(pending(*main), (std::vector<Seen>{{Event::OpenWindow, 0, 0}, {Event::GainFocus, 0, 0}}));

  EXPECT_TRUE(main->user_activated()) << "back from another program";
  EXPECT_EQ(pending(*main), (std::vector<Seen>{{Event::GainFocus, 0, 0}}));
  EXPECT_TRUE(main->user_activated());
  EXPECT_EQ(pending(*main), (std::vector<Seen>{{Event::GainFocus, 0, 0}}));

  form->open();
  pending(*form);
  EXPECT_FALSE(main->user_activated()) << "a window below a modal one is not activated";
  EXPECT_FALSE(form->user_activated());
  form->close();
  EXPECT_FALSE(main->user_activated()) << "the activation that follows the close of the window above";
  EXPECT_EQ(pending(*main), (std::vector<Seen>{{Event::GainFocus, 0, 0}}));
  EXPECT_TRUE(main->user_activated());
  EXPECT_EQ(pending(*main), (std::vector<Seen>{{Event::GainFocus, 0, 0}}));
}

// A structure in a procedure's manner: each control declares its number from
// the procedure's enum and names its container by that number.
TEST(WindowCreate, ControlsDeclaredAtTheirPlacesHoldByNumber) {
  enum Field : int { SHEET = 1, TAB_A, ENTRY, TAB_B, GROUP, BUTTON };
  WindowDef def;
  // clang-format off
  def.controls = {
      {.id = SHEET, .kind = ControlKind::Sheet},
      {.id = TAB_A, .kind = ControlKind::Tab, .parent = SHEET, .text = "A"},
      {.id = ENTRY, .kind = ControlKind::Entry, .parent = TAB_A},
      {.id = TAB_B, .kind = ControlKind::Tab, .parent = SHEET, .text = "B"},
      {.id = GROUP, .kind = ControlKind::Group, .parent = TAB_B},
      {.id = BUTTON, .kind = ControlKind::Button, .parent = GROUP, .text = "&Go"},
  };
  // clang-format on
  std::string error;
  auto w = Window::create(def, &error);
  ASSERT_NE(w, nullptr) << error;
  EXPECT_FALSE(w->is_hidden(ENTRY)) << "the first tab is chosen";
  EXPECT_TRUE(w->is_hidden(BUTTON)) << "on the tab not chosen";
  w->select(TAB_B);
  EXPECT_TRUE(w->is_hidden(ENTRY));
  EXPECT_FALSE(w->is_hidden(BUTTON));
  w->hide(GROUP);
  EXPECT_TRUE(w->is_hidden(BUTTON)) << "inside a hidden group";
  w->disable(TAB_B);
  EXPECT_TRUE(w->is_disabled(BUTTON)) << "inside a disabled tab";
  EXPECT_FALSE(w->is_disabled(ENTRY));
}

TEST(WindowCreate, RefusesStructuresItCannotUse) {
  struct Case {
    const char* what;
    std::vector<ControlDef> controls;
    const char* reason;
  };
  auto with = [](ControlDef c, auto change) {
    change(c);
    return c;
  };
  const Case cases[] = {
      {"two controls of one equate",
       {control("?LIST", ControlKind::List), control("?list", ControlKind::Button)},
       "Two controls are named ?list"},
      {"unknown parent", {control("?B", ControlKind::Button, 9)}, "?B: no container at field 9"},
      {"a parent number below the first field",
       {control("?B", ControlKind::Button, -1)},
       "?B: no container at field -1"},
      {"an unnamed control that cannot hold controls",
       {ControlDef{.kind = ControlKind::Button}, ControlDef{.kind = ControlKind::Entry, .parent = 1}},
       "Control 2: field 1 cannot hold controls"},
      {"a control declared past its place (a control left out of the structure)",
       {ControlDef{.id = 1, .kind = ControlKind::Prompt}, ControlDef{.id = 3, .kind = ControlKind::Entry},
        ControlDef{.id = 4, .kind = ControlKind::Button}},
       "Control 2: declared as field 3 but stands at place 2 of the structure"},
      {"a control declared before its place (a control the enum lacks)",
       {control("?A", ControlKind::Button), with(control("?B", ControlKind::Button), [](ControlDef& c) { c.id = 1; })},
       "?B: declared as field 1 but stands at place 2 of the structure"},
      {"container after its control",
       {control("?B", ControlKind::Button, 2), control("?G", ControlKind::Group)},
       "?B: its container ?G must come before it"},
      {"a button holding controls",
       {control("?A", ControlKind::Button), control("?B", ControlKind::Button, 1)},
       "?B: ?A cannot hold controls"},
      {"tab outside a sheet", {control("?TAB1", ControlKind::Tab)}, "?TAB1: a tab must lie in a sheet"},
      {"radio outside an option",
       {control("?R", ControlKind::Radio)},
       "?R: a radio button must lie in an option group"},
      {"a button straight in a sheet",
       {control("?S", ControlKind::Sheet), control("?B", ControlKind::Button, 1)},
       "?B: a sheet holds only tabs"},
      {"a picture it does not know",
       {with(control("?E", ControlKind::Entry), [](ControlDef& c) { c.picture = "@q9"; })},
       "?E: picture \"@q9\""},
      {"a list format it does not know",
       {with(control("?L", ControlKind::List), [](ControlDef& c) { c.format = "10Q@s1@"; })},
       "?L: list format at"},
      {"two default buttons",
       {with(control("?A", ControlKind::Button), [](ControlDef& c) { c.is_default = true; }),
        with(control("?B", ControlKind::Button), [](ControlDef& c) { c.is_default = true; })},
       "?B: a window has one default button"},
  };
  for (const Case& c : cases) {
    WindowDef def;
    def.controls = c.controls;
    std::string error;
    EXPECT_EQ(Window::create(def, &error), nullptr) << c.what;
    EXPECT_EQ(error.rfind(c.reason, 0), 0u) << c.what << ": " << error;
  }
}

}  // namespace
}  // namespace qvn::ui
