#include "platform/framework/browse_manager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "../storage/raw_sql.h"
#include "support/headless.h"
#include "window_test_support.h"

namespace qvn::framework::wm_testing {
namespace {

using ui::ControlKind;
using ui::Event;
using ui::WindowView;

constexpr size_t kPage = 5;

// Icon 1 on rows with a priority, a red text on rows with a priority over 2;
// remembers the names in the order the rows were loaded. With chain_rows
// each row also names the row above it ("above>this", in `chain`), made
// again from the top whenever rows came or went.
class ItemBrowse final : public BrowseManager {
 public:
  explicit ItemBrowse(ItemRec& rec) : rec_(rec) {}
  std::vector<std::string> loaded;
  std::function<void(ItemBrowse&)> choose_sort;
  bool chain_rows = false;
  FixedString<20> chain;
  int changes = 0;

  void RowsChanged() override {
    if (!chain_rows) return;
    ++changes;
    previous_.clear();
    RequeueRows();
  }
  // The chain of every row, from its queue field after the four standard ones.
  std::vector<std::string> chains() const {
    std::vector<std::string> out;
    for (size_t row = 1; row <= Records(); ++row) out.push_back(std::string(clip(Entry(row).values[4])));
    return out;
  }

  void ResetSort(bool force) override {
    if (choose_sort) choose_sort(*this);
    BrowseManager::ResetSort(force);
  }

  void SetQueueRecord() override {
    loaded.push_back(rec_.NAME.str());
    if (chain_rows) {
      chain = previous_ + ">" + rec_.NAME.str();
      previous_ = rec_.NAME.str();
    }
    BrowseManager::SetQueueRecord();
    Q.cells[0].icon = rec_.PRI > 0 ? 1 : 0;
    if (rec_.PRI > 2) Q.cells[0].fg = 0xFF;
  }

  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (size_t row = 1; row <= Records(); ++row) out.push_back(std::string(clip(Entry(row).values[1])));
    return out;
  }
  std::string selected_name() const {
    return Selected() >= 1 ? std::string(clip(Entry(static_cast<size_t>(Selected())).values[1])) : std::string();
  }

 private:
  ItemRec& rec_;
  std::string previous_;
};

// A browse procedure: the list, its update buttons, and an update
// procedure the test plays itself.
class BrowseProc final : public WindowManager {
 public:
  BrowseProc(ui::Window& w, ItemBrowse& browse, FileManager& file) : WindowManager(w), browse_(browse), file_(file) {}
  using WindowManager::Run;

  std::function<void(ItemBrowse&, ui::Window&)> setup;
  std::function<int(int request)> update;
  std::vector<std::pair<int, int>> calls;  // (number, request) of Run(number, request)

  int Init() override {
    Request = GlobalRequest;
    if (int rc = WindowManager::Init()) return rc;
    GlobalRequest = request::None;
    CancelControl = window().field("?CLOSE");
    browse_.Init(window().field("?LIST"), file_, *this);
    if (setup) setup(browse_, window());
    Open();
    return level::Benign;
  }

  int Run(int number, int request) override {
    calls.emplace_back(number, request);
    return update ? update(request) : response::Cancelled;
  }

 private:
  ItemBrowse& browse_;
  FileManager& file_;
};

class BrowseTest : public ItemFileTest {
 protected:
  ui::WindowDef browse_window() {
    ui::WindowDef def;
    def.caption = "Items";
    // clang-format off
    def.controls = {control("?LIST", ControlKind::List),       control("?INSERT", ControlKind::Button, "&Insert"),
                    control("?CHANGE", ControlKind::Button, "Chan&ge"), control("?DELETE", ControlKind::Button, "&Delete"),
                    control("?SELECT", ControlKind::Button, "&Select"), control("?CLOSE", ControlKind::Button, "&Close")};
    // clang-format on
    // A header line and five rows.
    def.controls[0].at = ui::Rect{0, 0, 200, 8 * (1 + static_cast<int>(kPage))};
    def.controls[0].format = "10L*I@s1@80L(2)~Name~@s20@30R(2)~Group~@n-7@";
    if (insert_hidden_) def.controls[1].hidden = def.controls[1].disabled = true;
    return def;
  }

  // Sets the browse up with one sort order, its queue fields (a tag column,
  // name and group, then the priority without a column) and its controls.
  void standard(ItemBrowse& b, ui::Window& w, size_t key, const char* appended = nullptr) {
    b.AddSortOrder(def_.keys[key]);
    if (appended) b.AppendOrder(appended);
    b.AddField(values::VarRef::of(tag_));
    b.AddField(values::VarRef::of(rec_.NAME));
    b.AddField(values::VarRef::of(rec_.GRP));
    b.AddField(values::VarRef::of(rec_.PRI));
    b.InsertControl = w.field("?INSERT");
    b.ChangeControl = w.field("?CHANGE");
    b.DeleteControl = w.field("?DELETE");
    b.SelectControl = w.field("?SELECT");
    b.ProcedureNumber = 7;
  }

  // Runs the browse procedure with the script given to `user` beforehand.
  int run(ItemBrowse& browse, std::function<void(ItemBrowse&, ui::Window&)> setup,
          std::function<int(int)> update = nullptr, BrowseProc** out = nullptr) {
    window_ = make_window(browse_window());
    BrowseProc proc(*window_, browse, *manager_);
    proc.setup = std::move(setup);
    proc.update = std::move(update);
    proc_ = &proc;
    if (out) *out = &proc;
    int answer = proc.Run();
    calls_ = proc.calls;
    proc_ = nullptr;
    return answer;
  }

  void add_names(std::initializer_list<const char*> names) {
    for (const char* n : names) add(n);
  }

  FixedString<1> tag_;
  // The window declares its insert button hidden and disabled.
  bool insert_hidden_ = false;
  std::unique_ptr<ui::Window> window_;
  BrowseProc* proc_ = nullptr;
  std::vector<std::pair<int, int>> calls_;
};

// ---------------------------------------------------------------------------
// Order and paging.

struct Item {
  std::string name;
  int32_t grp;
  uint8_t pri;
};

struct WalkCase {
  const char* name;
  size_t key;
  const char* appended;
};
// Test names show the case by its name.
void PrintTo(const WalkCase& c, std::ostream* os) { *os << c.name; }

class BrowseWalkTest : public BrowseTest, public ::testing::WithParamInterface<WalkCase> {};

// Walks the whole view one row at a time, down from the top and up from the
// bottom, across page boundaries that fall inside runs of equal key values,
// and compares it with the order worked out from the records themselves.
TEST_P(BrowseWalkTest, ScrollingRowByRowMeetsEveryRecordInViewOrder) {
  const WalkCase& c = GetParam();
  std::vector<Item> items;
  const char* names[] = {"kilo",  "Alpha", "juliet", "Bravo",   "india", "Charlie", "hotel",
                         "Delta", "golf",  "Echo",   "foxtrot", "Lima",  "Mike"};
  for (size_t i = 0; i < std::size(names); ++i) {
    items.push_back(Item{names[i], static_cast<int32_t>(i % 3 == 0 ? 1 : 2), static_cast<uint8_t>((i * 7) % 5)});
  }
  std::vector<std::pair<std::string, int64_t>> order;  // name and pointer
  for (const Item& it : items) order.emplace_back(it.name, add(it.name, it.grp, it.pri));
  auto item_of = [&](const std::string& n) {
    return *std::find_if(items.begin(), items.end(), [&](const Item& it) { return it.name == n; });
  };
  std::stable_sort(order.begin(), order.end(), [&](const auto& a, const auto& b) {
    Item x = item_of(a.first), y = item_of(b.first);
    if (c.key == 0) {
      std::string ux = x.name, uy = y.name;
      for (char& ch : ux) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
      for (char& ch : uy) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
      return ux < uy;
    }
    if (x.grp != y.grp) return x.grp < y.grp;
    if (c.appended && x.pri != y.pri) return x.pri < y.pri;
    return a.second < b.second;
  });
  std::vector<std::string> expected;
  for (const auto& o : order) expected.push_back(o.first);

  ui::HeadlessUser user;
  ItemBrowse browse(rec_);
  std::vector<std::string> down, up;
  for (size_t i = 0; i < expected.size(); ++i) {
    user.then([&](WindowView& v) {
      down.push_back(rec_.NAME.str());
      EXPECT_LE(browse.Records(), kPage);
      v.window().post(Event::ScrollDown, v.field("?LIST"));
    });
  }
  user.then([&](WindowView& v) {
    // Past the last record the selection stays where it is.
    EXPECT_EQ(rec_.NAME.str(), expected.back());
    v.window().post(Event::ScrollBottom, v.field("?LIST"));
  });
  for (size_t i = 0; i < expected.size(); ++i) {
    user.then([&](WindowView& v) {
      up.push_back(rec_.NAME.str());
      v.window().post(Event::ScrollUp, v.field("?LIST"));
    });
  }
  user.then([&](WindowView& v) {
    EXPECT_EQ(rec_.NAME.str(), expected.front());
    v.close();
  });
  run(browse, [&](ItemBrowse& b, ui::Window& w) { standard(b, w, c.key, c.appended); });
  EXPECT_EQ(down, expected);
  std::reverse(up.begin(), up.end());
  EXPECT_EQ(up, expected);
}

INSTANTIATE_TEST_SUITE_P(Orders, BrowseWalkTest,
                         ::testing::Values(WalkCase{"UniqueNoCaseKey", 0, nullptr},
                                           WalkCase{"DuplicateKey", 1, nullptr},
                                           WalkCase{"DuplicateKeyWithAppendedField", 1, "ITM:PRI"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct UnfitCase {
  const char* name;
  size_t key;
  const char* sql;  // stores values that do not fit their fields in some records
};
void PrintTo(const UnfitCase& c, std::ostream* os) { *os << c.name; }

class BrowseUnfitTest : public BrowseTest, public ::testing::WithParamInterface<UnfitCase> {};

// A file written by another program, whose values do not fit the fields: the
// browse lists every record once, scrolling down and up, across pages.
TEST_P(BrowseUnfitTest, ScrollingMeetsEveryRecordOnce) {
  const UnfitCase& c = GetParam();
  const char* names[] = {"kilo",  "Alpha", "juliet", "Bravo",   "india", "Charlie", "hotel",
                         "Delta", "golf",  "Echo",   "foxtrot", "Lima",  "Mike"};
  for (size_t i = 0; i < std::size(names); ++i) add(names[i], static_cast<int32_t>(i % 4), 0);
  storage::testing::raw_sql(name_.str(), c.sql);
  std::vector<std::string> expected;
  {
    ItemRec r;
    storage::RecordFile other(def_, &r);
    ASSERT_EQ(other.open(), 0);
    ASSERT_EQ(other.set_order_file(), 0);
    while (other.next() == 0) expected.push_back(r.NAME.str());
  }
  ASSERT_EQ(expected.size(), std::size(names));
  std::sort(expected.begin(), expected.end());

  ui::HeadlessUser user;
  ItemBrowse browse(rec_);
  std::vector<std::string> down, up;
  // More steps than records: past the last record the selection stays.
  for (size_t i = 0; i < expected.size() + 2; ++i) {
    user.then([&](WindowView& v) {
      if (down.empty() || down.back() != rec_.NAME.str()) down.push_back(rec_.NAME.str());
      v.window().post(Event::ScrollDown, v.field("?LIST"));
    });
  }
  user.then([&](WindowView& v) { v.window().post(Event::ScrollBottom, v.field("?LIST")); });
  for (size_t i = 0; i < expected.size() + 2; ++i) {
    user.then([&](WindowView& v) {
      if (up.empty() || up.back() != rec_.NAME.str()) up.push_back(rec_.NAME.str());
      v.window().post(Event::ScrollUp, v.field("?LIST"));
    });
  }
  user.then([](WindowView& v) { v.close(); });
  run(browse, [&](ItemBrowse& b, ui::Window& w) { standard(b, w, c.key); });
  std::reverse(up.begin(), up.end());
  EXPECT_EQ(up, down);
  std::sort(down.begin(), down.end());
  EXPECT_EQ(down, expected);
}

INSTANTIATE_TEST_SUITE_P(
    StoredValues, BrowseUnfitTest,
    ::testing::Values(UnfitCase{"NamesLongerThanTheField", 0,
                                "UPDATE records SET NAME = NAME || '-and-much-more-than-twenty' WHERE rowid % 3 = 0"},
                      UnfitCase{"GroupsOutOfRange", 1,
                                "UPDATE records SET GRP = CASE rowid % 3 WHEN 0 THEN 5000000000 + rowid WHEN 1 THEN "
                                "-5000000000 - rowid ELSE GRP END WHERE rowid % 2 = 0"},
                      UnfitCase{"TextsInTheGroupColumn", 1,
                                "UPDATE records SET GRP = 'group ' || rowid WHERE rowid % 3 = 0"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BrowseTest, OpensWithOnePageInKeyOrderWithTheAppendedFieldBreakingTies) {
  add("A", 2, 3);
  add("B", 1, 5);
  add("C", 2, 1);
  add("D", 1, 2);
  add("E", 2, 2);
  for (int i = 0; i < 40; ++i) add("Z" + std::to_string(100 + i), 3, 0);
  ui::HeadlessUser user;
  ItemBrowse browse(rec_);
  user.then([&](WindowView& v) {
    EXPECT_EQ(browse.names(), (std::vector<std::string>{"D", "B", "C", "E", "A"}));
    // Only the page shown was read.
    EXPECT_EQ(browse.loaded.size(), kPage);
    EXPECT_EQ(v.choice("?LIST"), 1);
    EXPECT_EQ(rec_.NAME, "D");
    v.close();
  });
  run(browse, [&](ItemBrowse& b, ui::Window& w) { standard(b, w, 1, "ITM:PRI"); });
}

struct PageStep {
  Event event;
  const char* first;     // first row after the event
  const char* selected;  // selected row after the event
};

TEST_F(BrowseTest, PagesMoveThroughTheFileByKey) {
  add_names({"n01", "n02", "n03", "n04", "n05", "n06", "n07", "n08", "n09", "n10", "n11", "n12"});
  const std::vector<PageStep> steps = {
      {Event::ScrollDown, "n01", "n02"}, {Event::PageDown, "n06", "n07"},     {Event::PageDown, "n08", "n09"},
      {Event::PageDown, "n08", "n12"},   {Event::PageUp, "n03", "n07"},       {Event::ScrollTop, "n01", "n01"},
      {Event::PageUp, "n01", "n01"},     {Event::ScrollBottom, "n08", "n12"}, {Event::ScrollUp, "n08", "n11"},
  };
  ui::HeadlessUser user;
  ItemBrowse browse(rec_);
  for (const PageStep& s : steps) {
    user.then([&](WindowView& v) { v.window().post(s.event, v.field("?LIST")); });
    user.then([&](WindowView&) {
      SCOPED_TRACE(ui::event_name(s.event));
      ASSERT_EQ(browse.Records(), kPage);
      EXPECT_EQ(browse.names().front(), s.first);
      EXPECT_EQ(browse.selected_name(), s.selected);
      EXPECT_EQ(rec_.NAME, s.selected);
    });
  }
  user.then([](WindowView& v) { v.close(); });
  run(browse, [&](ItemBrowse& b, ui::Window& w) { standard(b, w, 0); });
}

// The person's moves on a paged list, through the window's input (keys,
// wheel, scroll bar), over twelve records a page of five shows: every
// record is reached both ways, and the thumb stands by the sort order's
// step. The records' names and groups rise evenly (a to l, 10 to 120), so
// the thumb stands alike by position, by the group's number and by the
// name's first letter.
struct PagingStepCase {
  const char* name;
  size_t key;
  ThumbStep step;
};
void PrintTo(const PagingStepCase& c, std::ostream* os) { *os << c.name; }

class BrowsePagingTest : public BrowseTest, public ::testing::WithParamInterface<PagingStepCase> {};

TEST_P(BrowsePagingTest, EveryMoveOfThePersonReachesTheWholeFile) {
  const PagingStepCase& c = GetParam();
  const char* names[] = {"a", "B", "c", "D", "e", "F", "g", "H", "i", "J", "k", "L"};
  for (size_t i = 0; i < std::size(names); ++i) add(names[i], static_cast<int32_t>(10 * (i + 1)), 0);
  using ui::ScrollMove;
  namespace key = ui::key;
  struct Move {
    const char* what;
    std::function<void(WindowView&)> act;
    const char* first;     // first row shown afterwards
    const char* selected;  // selected row afterwards
    int thumb;
  };
  auto press = [](int k) { return [k](WindowView& v) { v.press_key("?LIST", k); }; };
  auto scroll = [](ScrollMove m) { return [m](WindowView& v) { v.scroll("?LIST", m); }; };
  auto wheel = [](int rows) { return [rows](WindowView& v) { v.wheel("?LIST", rows); }; };
  auto drag = [](int at) { return [at](WindowView& v) { v.drag_thumb("?LIST", at); }; };
  auto click = [](int row) { return [row](WindowView& v) { v.select_row("?LIST", row); }; };
  // Thumbs: the selected record's place, 0 to 11, over 11.
  const std::vector<Move> moves = {
      {"End", press(key::End), "H", "L", 100},
      {"Down at the last record", press(key::Down), "H", "L", 100},
      {"Home", press(key::Home), "a", "a", 0},
      {"a click on the last row", click(5), "a", "e", 36},
      {"Down at the last row", press(key::Down), "B", "F", 45},
      {"a click on the first row", click(1), "B", "B", 9},
      {"Up at the first row", press(key::Up), "a", "a", 0},
      {"Up at the first record", press(key::Up), "a", "a", 0},
      {"PageDown", press(key::PageDown), "F", "F", 45},
      {"PageDown to the end", press(key::PageDown), "H", "H", 64},
      {"PageUp", press(key::PageUp), "c", "c", 18},
      {"Ctrl+End", press(key::CtrlEnd), "H", "L", 100},
      {"Ctrl+Home", press(key::CtrlHome), "a", "a", 0},
      {"the wheel down within the page", wheel(3), "a", "D", 27},
      {"the wheel down past the page", wheel(3), "c", "g", 55},
      {"the wheel up past the first record", wheel(-7), "a", "a", 0},
      {"the scroll bar's down arrow", scroll(ScrollMove::LineDown), "a", "B", 9},
      {"a click in the trough below the thumb", scroll(ScrollMove::PageDown), "F", "g", 55},
      {"a click in the trough above the thumb", scroll(ScrollMove::PageUp), "a", "B", 9},
      {"the scroll bar's up arrow", scroll(ScrollMove::LineUp), "a", "a", 0},
      {"the scroll bar to its bottom", scroll(ScrollMove::Bottom), "H", "L", 100},
      {"the scroll bar to its top", scroll(ScrollMove::Top), "a", "a", 0},
      {"the thumb dragged to the middle", drag(50), "g", "g", 55},
      {"the thumb dragged near the top from the last row",
       [](WindowView& v) {
         v.select_row("?LIST", 5);
         v.drag_thumb("?LIST", 9);
       },
       "a", "B", 9},
      {"the thumb dragged to the bottom", drag(100), "H", "L", 100},
      {"the thumb dragged to the top", drag(0), "a", "a", 0},
  };
  ui::HeadlessUser user;
  ItemBrowse browse(rec_);
  user.then([&](WindowView& v) { EXPECT_EQ(v.thumb("?LIST"), 0); });
  for (const Move& m : moves) {
    user.then([&](WindowView& v) { m.act(v); });
    user.then([&](WindowView& v) {
      SCOPED_TRACE(m.what);
      ASSERT_EQ(browse.Records(), kPage);
      EXPECT_EQ(browse.names().front(), m.first);
      EXPECT_EQ(browse.selected_name(), m.selected);
      EXPECT_EQ(v.choice("?LIST"), browse.Selected());
      EXPECT_EQ(rec_.NAME.str(), m.selected);
      EXPECT_EQ(v.thumb("?LIST"), m.thumb);
    });
  }
  user.then([](WindowView& v) { v.close(); });
  run(browse, [&](ItemBrowse& b, ui::Window& w) {
    standard(b, w, c.key);
    b.SetThumbStep(c.step);
  });
}

INSTANTIATE_TEST_SUITE_P(ThumbSteps, BrowsePagingTest,
                         ::testing::Values(PagingStepCase{"ByPosition", 0, ThumbStep::ByPosition},
                                           PagingStepCase{"AlphabeticOverTheName", 0, ThumbStep::Alphabetic},
                                           PagingStepCase{"NumericOverTheGroup", 1, ThumbStep::Numeric}),
                         [](const auto& info) { return std::string(info.param.name); });

// A list the program fills itself is not paged: the keys of a browse keep
// their own meaning there, and its scroll bar is the list's own.
TEST_F(BrowseTest, OnlyTheBrowsesListIsPagedAndOnlyWhileItLives) {
  add_names({"n01", "n02"});
  ui::HeadlessUser user;
  ItemBrowse browse(rec_);
  user.then([&](WindowView& v) {
    EXPECT_TRUE(v.window().state(v.field("?LIST")).paged);
    v.close();
  });
  run(browse, [&](ItemBrowse& b, ui::Window& w) { standard(b, w, 0); });
  EXPECT_FALSE(window_->state(window_->field("?LIST")).paged);
  EXPECT_FALSE(window_->user_scroll(window_->field("?LIST"), ui::ScrollMove::LineDown));
}

TEST_F(BrowseTest, ARefillKeepsTheHighlightedRecordLoadingForwardThenBackward) {
  add_names({"Bravo", "Charlie", "Delta", "Echo", "Foxtrot", "Golf"});
  ui::HeadlessUser user;
  ItemBrowse browse(rec_);
  user.then([&](WindowView& v) { v.select_row("?LIST", 3); });
  user.then([&](WindowView&) {
    add("Alpha");
    browse.loaded.clear();
    proc_->Reset(true);
    EXPECT_EQ(browse.selected_name(), "Delta");
    EXPECT_EQ(browse.Selected(), 3);
    EXPECT_EQ(browse.loaded, (std::vector<std::string>{"Delta", "Echo", "Foxtrot", "Charlie", "Bravo"}));
    // The highlighted record deleted meanwhile: the next one takes its place.
    rec_.NAME = "Delta";
    ASSERT_EQ(file_->get(def_.keys[0]), 0);
    ASSERT_EQ(file_->erase(), 0);
    proc_->Reset(true);
    EXPECT_EQ(browse.selected_name(), "Echo");
    EXPECT_EQ(browse.names(), (std::vector<std::string>{"Bravo", "Charlie", "Echo", "Foxtrot", "Golf"}));
  });
  user.then([](WindowView& v) { v.close(); });
  run(browse, [&](ItemBrowse& b, ui::Window& w) { standard(b, w, 0); });
}

TEST_F(BrowseTest, ASortOrderChosenFromTheWindowReordersTheListAroundTheHighlightedRecord) {
  add("Alpha", 3);
  add("Bravo", 1);
  add("Charlie", 2);
  add("Delta", 1);
  int by_group = 0;  // stands for the chosen tab
  ui::HeadlessUser user;
  ItemBrowse browse(rec_);
  browse.choose_sort = [&](ItemBrowse& b) { b.SetSort(by_group ? 2 : 1); };
  user.then([&](WindowView& v) {
    EXPECT_EQ(browse.names(), (std::vector<std::string>{"Alpha", "Bravo", "Charlie", "Delta"}));
    v.select_row("?LIST", 3);
  });
  user.then([&](WindowView& v) {
    by_group = 1;
    // Any event of the window, such as a tab being chosen, lets the browse look.
    v.window().post(Event::Timer);
  });
  user.then([&](WindowView& v) {
    EXPECT_EQ(browse.SortOrder(), 2u);
    EXPECT_EQ(browse.selected_name(), "Charlie");
    EXPECT_EQ(browse.Selected(), 3);
    EXPECT_EQ(browse.names(), (std::vector<std::string>{"Bravo", "Delta", "Charlie", "Alpha"}));
    v.close();
  });
  run(browse, [&](ItemBrowse& b, ui::Window& w) {
    standard(b, w, 0);
    b.AddSortOrder(def_.keys[1]);
  });
}

// ---------------------------------------------------------------------------
// Ranges and reset fields.

struct RangeCase {
  const char* name;
  size_t key;
};
// Test names show the case by its name.
void PrintTo(const RangeCase& c, std::ostream* os) { *os << c.name; }

class BrowseRangeTest : public BrowseTest, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(BrowseRangeTest, OnlyRecordsWhoseRangeFieldHoldsTheValueReadAtReset) {
  add("a1", 1);
  add("b2", 2);
  add("c1", 1);
  add("d2", 2);
  add("e3", 3);
  int32_t parent = 2;
  ui::HeadlessUser user;
  ItemBrowse browse(rec_);
  user.then([&](WindowView&) {
    EXPECT_EQ(browse.names(), (std::vector<std::string>{"b2", "d2"}));
    parent = 1;
    proc_->Reset(false);
    EXPECT_EQ(browse.names(), (std::vector<std::string>{"a1", "c1"}));
    browse.loaded.clear();
    proc_->Reset(false);
    EXPECT_TRUE(browse.loaded.empty());
    parent = 9;
    proc_->Reset(false);
    EXPECT_EQ(browse.Records(), 0u);
  });
  user.then([](WindowView& v) { v.close(); });
  run(browse, [&](ItemBrowse& b, ui::Window& w) {
    standard(b, w, GetParam().key);
    b.AddRange("ITM:GRP", values::VarRef::of(parent));
  });
}

INSTANTIATE_TEST_SUITE_P(Keys, BrowseRangeTest,
                         ::testing::Values(RangeCase{"OnTheKeysFirstField", 1}, RangeCase{"OnAnotherField", 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(BrowseTest, AResetFieldRefillsOnlyAfterItsValueChanged) {
  add_names({"Alpha", "Charlie"});
  FixedString<10> watched("one");
  ui::HeadlessUser user;
  ItemBrowse browse(rec_);
  user.then([&](WindowView& v) {
    add("Bravo");
    proc_->Reset(false);
    EXPECT_EQ(browse.names(), (std::vector<std::string>{"Alpha", "Charlie"}));
    // With auto-refresh the next event resets a browse whose field changed.
    watched = "two";
    v.window().post(Event::Timer);
  });
  user.then([&](WindowView& v) {
    EXPECT_EQ(browse.names(), (std::vector<std::string>{"Alpha", "Bravo", "Charlie"}));
    v.close();
  });
  run(browse, [&](ItemBrowse& b, ui::Window& w) {
    standard(b, w, 0);
    b.AddResetField(values::VarRef::of(watched));
  });
}

// ---------------------------------------------------------------------------
// The record buffer.

TEST_F(BrowseTest, TheSelectedRowsListedFieldsGoBackIntoTheBufferAndUpdateReadsTheWholeRecord) {
  add("Alpha", 1, 1, "a-note");
  add("Bravo", 2, 2, "b-note");
  add("Charlie", 3, 3, "c-note");
  ui::HeadlessUser user;
  ItemBrowse browse(rec_);
  user.then([&](WindowView& v) {
    rec_.NOTE = "mine";
    v.select_row("?LIST", 2);
  });
  user.then([&](WindowView&) {
    EXPECT_EQ(rec_.NAME, "Bravo");
    EXPECT_EQ(rec_.GRP, 2);
    EXPECT_EQ(rec_.PRI, 2);
    // A field the list does not carry is left alone.
    EXPECT_EQ(rec_.NOTE, "mine");
    proc_->Update();
    EXPECT_EQ(rec_.NOTE, "b-note");
    // Update made the row's record the current one: a write goes to it.
    rec_.NOTE = "changed";
    ASSERT_EQ(file_->put(), 0);
  });
  user.then([](WindowView& v) { v.close(); });
  run(browse, [&](ItemBrowse& b, ui::Window& w) { standard(b, w, 0); });
  ItemRec r;
  ASSERT_TRUE(stored("Bravo", &r));
  EXPECT_EQ(r.NOTE, "changed");
  ASSERT_TRUE(stored("Charlie", &r));
  EXPECT_EQ(r.NOTE, "c-note");
}

TEST_F(BrowseTest, AnEmptyListClearsTheListedFieldsAndDisablesChangeAndDelete) {
  ui::HeadlessUser user;
  ItemBrowse browse(rec_);
  rec_.NAME = "stale";
  rec_.GRP = 4;
  rec_.PRI = 9;
  user.then([&](WindowView& v) {
    EXPECT_EQ(browse.Records(), 0u);
    EXPECT_EQ(rec_.NAME, "");
    EXPECT_EQ(rec_.GRP, 0);
    EXPECT_EQ(rec_.PRI, 0);
    EXPECT_TRUE(v.is_disabled("?CHANGE"));
    EXPECT_TRUE(v.is_disabled("?DELETE"));
    EXPECT_FALSE(v.is_disabled("?INSERT"));
    // Not a picker: the select control is out of the way.
    EXPECT_TRUE(v.is_hidden("?SELECT"));
    v.close();
  });
  run(browse, [&](ItemBrowse& b, ui::Window& w) { standard(b, w, 0); });
}

TEST_F(BrowseTest, RowsCarryTheirIconsAndColoursForTheColumnsThatAskForThem) {
  add("Alpha", 1, 0);
  add("Bravo", 1, 1);
  add("Charlie", 1, 3);
  ui::HeadlessUser user;
  ItemBrowse browse(rec_);
  user.then([&](WindowView& v) {
    auto cells = v.list_cells("?LIST");
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_EQ(cells[0][0].icon, 0);
    EXPECT_EQ(cells[1][0].icon, 1);
    EXPECT_EQ(cells[1][0].fg, -1);
    EXPECT_EQ(cells[2][0].fg, 0xFF);
    EXPECT_EQ(v.list_rows("?LIST")[2][1], "Charlie");
    v.close();
  });
  run(browse, [&](ItemBrowse& b, ui::Window& w) { standard(b, w, 0); });
}

// ---------------------------------------------------------------------------
// Update requests.

TEST_F(BrowseTest, InsertChangeAndDeleteRunTheUpdateProcedureAndSelectTheRecordAfterwards) {
  for (const char* n : {"Alpha", "Bravo", "Charlie", "Delta", "Echo", "Foxtrot", "Golf"}) {
    add(n, 0, 0, std::string("n-") + n);
  }
  ui::HeadlessUser user;
  ItemBrowse browse(rec_);
  std::vector<std::string> seen;  // what the update procedure found in the buffer
  auto update = [&](int request) {
    seen.push_back(rec_.NAME.str() + "/" + rec_.NOTE.str());
    if (request == request::Insert) {
      rec_.NAME = "Hotel";
      EXPECT_EQ(file_->add(), 0);
    } else if (request == request::Change) {
      rec_.NAME = "Zulu";
      EXPECT_EQ(file_->put(), 0);
    } else if (request == request::Delete) {
      EXPECT_EQ(file_->erase(), 0);
    }
    return response::Completed;
  };
  user.then([](WindowView& v) { v.press("?INSERT"); });
  user.then([&](WindowView& v) {
    // The new record is selected, on the last page.
    EXPECT_EQ(browse.names(), (std::vector<std::string>{"Delta", "Echo", "Foxtrot", "Golf", "Hotel"}));
    EXPECT_EQ(browse.selected_name(), "Hotel");
    EXPECT_EQ(v.focus(), "?LIST");
    v.select_row("?LIST", 1);
    v.press("?CHANGE");
  });
  user.then([&](WindowView& v) {
    EXPECT_EQ(browse.selected_name(), "Zulu");
    EXPECT_EQ(browse.names().back(), "Zulu");
    v.window().post(Event::ScrollTop, v.field("?LIST"));
  });
  user.then([&](WindowView& v) {
    v.select_row("?LIST", 2);
    v.press("?DELETE");
  });
  user.then([&](WindowView& v) {
    // The next record takes the deleted one's row.
    EXPECT_EQ(browse.names(), (std::vector<std::string>{"Alpha", "Charlie", "Echo", "Foxtrot", "Golf"}));
    EXPECT_EQ(browse.selected_name(), "Charlie");
    v.close();
  });
  run(
      browse, [&](ItemBrowse& b, ui::Window& w) { standard(b, w, 0); }, update);
  EXPECT_EQ(calls_,
            (std::vector<std::pair<int, int>>{{7, request::Insert}, {7, request::Change}, {7, request::Delete}}));
  // An insert starts from a primed (cleared) buffer; change and delete from
  // the whole record of the selected row.
  EXPECT_EQ(seen, (std::vector<std::string>{"/", "Delta/n-Delta", "Bravo/n-Bravo"}));
  EXPECT_FALSE(stored("Bravo"));
  EXPECT_FALSE(stored("Delta"));
  EXPECT_TRUE(stored("Zulu"));
}

// The story of a list and its form: the browse asks through Run(number,
// request), the procedure runs the form with the request, and the list
// follows what the form stored.
TEST_F(BrowseTest, UpdateRequestsGoThroughTheFormAndTheListFollows) {
  add("Alpha", 1, 0, "a-note");
  add("Bravo", 1, 0, "b-note");
  add("Charlie", 1, 0, "c-note");
  ui::HeadlessUser user;
  ItemBrowse browse(rec_);
  int form_request = -1;
  auto update = [&](int request) {
    GlobalRequest = request;
    auto w = make_window(item_form_window(rec_));
    ItemForm form(*w, *manager_);
    form.CancelAction = cancel_action::Close;
    GlobalResponse = form.Run();
    form_request = form.Request;
    return GlobalResponse;
  };
  user.on_window("Items", [](WindowView& v) {
    v.select_row("?LIST", 2);
    v.press("?CHANGE");
  });
  user.on_window("Item", [&](WindowView& v) {
    EXPECT_EQ(GlobalRequest, request::None);
    EXPECT_EQ(v.text("?ITM:NAME"), "Bravo");
    EXPECT_EQ(v.text("?ITM:NOTE"), "b-note");
    v.type("?ITM:NAME", "Delta");
    v.press("?OK");
  });
  user.on_window("Items", [&](WindowView& v) {
    EXPECT_EQ(form_request, request::Change);
    EXPECT_EQ(browse.names(), (std::vector<std::string>{"Alpha", "Charlie", "Delta"}));
    EXPECT_EQ(browse.selected_name(), "Delta");
    v.press("?INSERT");
  });
  user.on_window("Item", [](WindowView& v) {
    EXPECT_EQ(v.text("?ITM:NAME"), "");
    v.type("?ITM:NAME", "Bravo");
    v.press("?OK");
  });
  user.on_window("Items", [&](WindowView& v) {
    EXPECT_EQ(browse.selected_name(), "Bravo");
    v.press("?DELETE");
  });
  user.answer_message("Are you sure you want to delete the highlighted record?", ui::button::Yes);
  user.on_window("Items", [&](WindowView& v) {
    EXPECT_EQ(browse.names(), (std::vector<std::string>{"Alpha", "Charlie", "Delta"}));
    EXPECT_EQ(browse.selected_name(), "Charlie");
    v.close();
  });
  run(
      browse, [&](ItemBrowse& b, ui::Window& w) { standard(b, w, 0); }, update);
  EXPECT_FALSE(stored("Bravo"));
  ItemRec r;
  ASSERT_TRUE(stored("Delta", &r));
  EXPECT_EQ(r.NOTE, "b-note");
  EXPECT_EQ(user.windows_opened(), (std::vector<std::string>{"Items", "Item", "Item"}));
}

struct TriggerCase {
  const char* name;
  std::function<void(WindowView&)> act;
  int request;
};
// Test names show the case by its name.
void PrintTo(const TriggerCase& c, std::ostream* os) { *os << c.name; }

class BrowseTriggerTest : public BrowseTest, public ::testing::WithParamInterface<TriggerCase> {};

TEST_P(BrowseTriggerTest, KeysDoubleClickAndPopupMirrorTheButtons) {
  add_names({"Alpha", "Bravo"});
  ui::HeadlessUser user;
  ItemBrowse browse(rec_);
  user.then([&](WindowView& v) { GetParam().act(v); });
  if (std::string(GetParam().name).rfind("Popup", 0) == 0) user.choose_popup(std::string(GetParam().name + 5));
  user.then([](WindowView& v) { v.close(); });
  run(browse, [&](ItemBrowse& b, ui::Window& w) { standard(b, w, 0); });
  EXPECT_EQ(calls_, (std::vector<std::pair<int, int>>{{7, GetParam().request}}));
}

INSTANTIATE_TEST_SUITE_P(
    Triggers, BrowseTriggerTest,
    ::testing::Values(
        TriggerCase{"InsertKey", [](WindowView& v) { v.press_key("?LIST", ui::key::Insert); }, request::Insert},
        TriggerCase{"DeleteKey", [](WindowView& v) { v.press_key("?LIST", ui::key::Delete); }, request::Delete},
        TriggerCase{"CtrlEnter", [](WindowView& v) { v.press_key("?LIST", ui::key::CtrlEnter); }, request::Change},
        TriggerCase{"DoubleClick", [](WindowView& v) { v.accept_row("?LIST", 2); }, request::Change},
        TriggerCase{"PopupInsert", [](WindowView& v) { v.right_click_row("?LIST", 1); }, request::Insert},
        TriggerCase{"PopupChange", [](WindowView& v) { v.right_click_row("?LIST", 1); }, request::Change},
        TriggerCase{"PopupDelete", [](WindowView& v) { v.right_click_row("?LIST", 2); }, request::Delete}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BrowseTest, ThePopupOffersDisabledButtonsAsDisabledItemsAndKeysOfDisabledButtonsDoNothing) {
  ui::HeadlessUser user;
  ItemBrowse browse(rec_);
  user.then([](WindowView& v) {
    v.press_key("?LIST", ui::key::Delete);
    v.press_key("?LIST", ui::key::CtrlEnter);
  });
  user.then([&](WindowView& v) {
    EXPECT_TRUE(proc_->calls.empty());
    v.window().post(Event::AlertKey, v.field("?LIST"), ui::key::MouseRight);
  });
  user.choose_popup(0);
  user.then([](WindowView& v) { v.close(); });
  run(browse, [&](ItemBrowse& b, ui::Window& w) { standard(b, w, 0); });
  EXPECT_TRUE(calls_.empty());
  ASSERT_EQ(user.popups().size(), 1u);
  EXPECT_EQ(user.popups()[0], "&Insert|~Chan&ge|~&Delete");
}

// An insert button the window declares hidden and disabled stays so while
// the list fills, empties and refills; its key and its menu item do nothing.
TEST_F(BrowseTest, AnInsertButtonDeclaredHiddenAndDisabledIsNeverEnabled) {
  insert_hidden_ = true;
  add_names({"Alpha", "Bravo"});
  ui::HeadlessUser user;
  ItemBrowse browse(rec_);
  auto insert_stays_off = [](WindowView& v, const char* when) {
    SCOPED_TRACE(when);
    EXPECT_TRUE(v.is_hidden("?INSERT"));
    EXPECT_TRUE(v.is_disabled("?INSERT"));
  };
  auto update = [&](int request) {
    if (request == request::Delete) {
      EXPECT_EQ(file_->erase(), 0);
    }
    return response::Completed;
  };
  user.then([&](WindowView& v) {
    insert_stays_off(v, "with rows");
    v.press_key("?LIST", ui::key::Insert);
    v.right_click_row("?LIST", 1);
  });
  user.choose_popup(1);
  for (int i = 0; i < 2; ++i) user.then([](WindowView& v) { v.press_key("?LIST", ui::key::Delete); });
  user.then([&](WindowView& v) {
    EXPECT_EQ(browse.Records(), 0u);
    insert_stays_off(v, "emptied");
    EXPECT_TRUE(v.is_disabled("?CHANGE"));
    add("Charlie");
    proc_->Reset(true);
    EXPECT_EQ(browse.names(), std::vector<std::string>{"Charlie"});
    insert_stays_off(v, "refilled");
    v.press_key("?LIST", ui::key::Insert);
  });
  user.then([](WindowView& v) { v.close(); });
  run(
      browse, [&](ItemBrowse& b, ui::Window& w) { standard(b, w, 0); }, update);
  EXPECT_EQ(calls_, (std::vector<std::pair<int, int>>{{7, request::Delete}, {7, request::Delete}}));
  ASSERT_EQ(user.popups().size(), 1u);
  EXPECT_EQ(user.popups()[0], "~&Insert|Chan&ge|&Delete");
}

// A browse whose rows depend on the row above (ItemBrowse with chain_rows):
// RowsChanged runs whenever rows came or went, before the list shows them,
// and RequeueRows makes every row again from the top, each from its own
// record, the buffer kept.
TEST_F(BrowseTest, RowsThatDependOnTheRowAboveAreMadeAgainAfterEveryLoad) {
  add_names({"n01", "n02", "n03", "n04", "n05", "n06", "n07", "n08", "n09", "n10"});
  // The chain of the page from `first`, five rows.
  auto page_from = [](int first) {
    std::vector<std::string> out;
    auto name = [](int n) { return (n < 10 ? "n0" : "n") + std::to_string(n); };
    for (int n = first; n < first + static_cast<int>(kPage); ++n) {
      out.push_back((n == first ? "" : name(n - 1)) + ">" + name(n));
    }
    return out;
  };
  ui::HeadlessUser user;
  ItemBrowse browse(rec_);
  int changes_before_move = 0;
  struct Move {
    const char* what;
    int select;  // row selected first, 0 none
    Event event;
    int first;  // the page's first record afterwards
  };
  const std::vector<Move> moves = {{"a row down past the page", 5, Event::ScrollDown, 2},
                                   {"a row up past the page", 1, Event::ScrollUp, 1},
                                   {"a page down", 0, Event::PageDown, 6},
                                   {"a page up", 0, Event::PageUp, 1},
                                   {"to the bottom", 0, Event::ScrollBottom, 6}};
  user.then([&](WindowView&) { EXPECT_EQ(browse.chains(), page_from(1)); });
  for (const Move& m : moves) {
    user.then([&](WindowView& v) {
      if (m.select) v.select_row("?LIST", m.select);
      v.window().post(m.event, v.field("?LIST"));
    });
    user.then([&](WindowView&) {
      SCOPED_TRACE(m.what);
      EXPECT_EQ(browse.chains(), page_from(m.first));
      // The buffer holds the selected row, not the last one made.
      EXPECT_EQ(rec_.NAME.str(), browse.selected_name());
    });
  }
  user.then([&](WindowView& v) {
    // A refill around the highlighted row loads it and the rows below it
    // first, then the rows above it.
    v.select_row("?LIST", 3);
    const int before = browse.changes;
    proc_->Reset(true);
    EXPECT_EQ(browse.changes, before + 1);
    EXPECT_EQ(browse.chains(), page_from(6));
    // Moving the selection within the page changes no row.
    changes_before_move = browse.changes;
    v.window().post(Event::ScrollDown, v.field("?LIST"));
  });
  user.then([&](WindowView& v) { v.select_row("?LIST", 2); });
  user.then([&](WindowView& v) {
    EXPECT_EQ(browse.changes, changes_before_move);
    v.close();
  });
  run(browse, [&](ItemBrowse& b, ui::Window& w) {
    standard(b, w, 0);
    b.AddField(values::VarRef::of(b.chain));
    b.chain_rows = true;
  });
}

// The right-click menu in the standard texts and order, and in the buttons'
// texts with the select item first for a browse that does not ask for them.
struct PopupCase {
  const char* name;
  bool standard;
  bool picker;
  bool rows;
  const char* menu;
  const char* choose;
  int request;   // the update request the choice runs, 0 none
  int response;  // the browse's response
};
void PrintTo(const PopupCase& c, std::ostream* os) { *os << c.name; }

class BrowsePopupTest : public BrowseTest, public ::testing::WithParamInterface<PopupCase> {};

TEST_P(BrowsePopupTest, ThePopupOffersTheBrowsesControls) {
  const PopupCase& c = GetParam();
  if (c.rows) add_names({"Alpha", "Bravo"});
  ui::HeadlessUser user;
  ItemBrowse browse(rec_);
  GlobalRequest = c.picker ? request::Select : request::None;
  user.then([](WindowView& v) { v.window().post(Event::AlertKey, v.field("?LIST"), ui::key::MouseRight); });
  user.choose_popup(std::string(c.choose));
  if (c.response != response::Completed) user.then([](WindowView& v) { v.close(); });
  const int answer = run(browse, [&](ItemBrowse& b, ui::Window& w) {
    standard(b, w, 0);
    b.PopupStandardTexts = c.standard;
  });
  ASSERT_EQ(user.popups().size(), 1u);
  EXPECT_EQ(user.popups()[0], c.menu);
  if (c.request) {
    EXPECT_EQ(calls_, (std::vector<std::pair<int, int>>{{7, c.request}}));
  } else {
    EXPECT_TRUE(calls_.empty());
  }
  EXPECT_EQ(answer, c.response);
}

INSTANTIATE_TEST_SUITE_P(
    Menus, BrowsePopupTest,
    ::testing::Values(PopupCase{"StandardInAPickerSelects", true, true, true, "&Insert|&Change|&Delete|&Select",
                                "&Select", 0, response::Completed},
                      PopupCase{"StandardInAPickerChanges", true, true, true, "&Insert|&Change|&Delete|&Select",
                                "&Change", request::Change, response::Cancelled},
                      PopupCase{"StandardInAnEmptyPicker", true, true, false, "&Insert|~&Change|~&Delete|~&Select",
                                "&Insert", request::Insert, response::Cancelled},
                      PopupCase{"StandardOutsideAPicker", true, false, true, "&Insert|&Change|&Delete", "&Delete",
                                request::Delete, response::Cancelled},
                      PopupCase{"ButtonTextsInAPicker", false, true, true, "&Select|&Insert|Chan&ge|&Delete", "Chan&ge",
                                request::Change, response::Cancelled}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BrowseTest, ACancelledChangeLeavesTheListWhereItWas) {
  add_names({"Alpha", "Bravo", "Charlie"});
  ui::HeadlessUser user;
  ItemBrowse browse(rec_);
  user.then([](WindowView& v) {
    v.select_row("?LIST", 2);
    v.press("?CHANGE");
  });
  user.then([&](WindowView& v) {
    EXPECT_EQ(browse.selected_name(), "Bravo");
    EXPECT_EQ(rec_.NAME, "Bravo");
    v.close();
  });
  run(
      browse, [&](ItemBrowse& b, ui::Window& w) { standard(b, w, 0); }, [](int) { return response::Cancelled; });
  EXPECT_EQ(calls_.size(), 1u);
}

// ---------------------------------------------------------------------------
// Pickers and locators.

TEST_F(BrowseTest, APickerStartsAtTheBufferAndPicksWithADoubleClick) {
  add_names({"Alpha", "Bravo", "Charlie", "Delta", "Echo", "Foxtrot", "Golf"});
  ui::HeadlessUser user;
  ItemBrowse browse(rec_);
  rec_.NAME = "Dan";
  rec_.NOTE = "caller";
  GlobalRequest = request::Select;
  user.then([&](WindowView& v) {
    // At the nearest key position, the rows above it filled in from before it.
    EXPECT_EQ(browse.names(), (std::vector<std::string>{"Charlie", "Delta", "Echo", "Foxtrot", "Golf"}));
    EXPECT_EQ(browse.selected_name(), "Delta");
    EXPECT_FALSE(v.is_hidden("?SELECT"));
    EXPECT_FALSE(v.is_disabled("?SELECT"));
    EXPECT_EQ(v.window().default_button(), v.field("?SELECT"));
    v.accept_row("?LIST", 3);
  });
  EXPECT_EQ(run(browse, [&](ItemBrowse& b, ui::Window& w) { standard(b, w, 0); }), response::Completed);
  EXPECT_EQ(rec_.NAME, "Echo");
  EXPECT_EQ(rec_.NOTE, "caller");
  EXPECT_TRUE(calls_.empty());
}

TEST_F(BrowseTest, APickerClosedWithoutAPickPutsTheBufferBack) {
  add_names({"Alpha", "Bravo"});
  ui::HeadlessUser user;
  ItemBrowse browse(rec_);
  rec_.NAME = "Before";
  rec_.GRP = 5;
  GlobalRequest = request::Select;
  user.then([](WindowView& v) { v.select_row("?LIST", 2); });
  user.then([&](WindowView& v) {
    EXPECT_EQ(rec_.NAME, "Bravo");
    v.press("?CLOSE");
  });
  EXPECT_EQ(run(browse, [&](ItemBrowse& b, ui::Window& w) { standard(b, w, 0); }), response::Cancelled);
  EXPECT_EQ(rec_.NAME, "Before");
  EXPECT_EQ(rec_.GRP, 5);
}

TEST_F(BrowseTest, TheLocatorMovesToTheFirstRecordFromTheTypedLetterInEitherCase) {
  add_names({"Alpha", "Bravo", "Charlie", "Delta", "Echo", "Foxtrot", "Golf", "Hotel", "India"});
  ui::HeadlessUser user;
  ItemBrowse browse(rec_);
  user.then([](WindowView& v) { v.press_key("?LIST", 'g'); });
  user.then([&](WindowView& v) {
    EXPECT_EQ(browse.selected_name(), "Golf");
    EXPECT_EQ(rec_.NAME, "Golf");
    v.select_row("?LIST", 2);
    v.press_key("?LIST", 'F');
  });
  user.then([&](WindowView& v) {
    // The selected row already starts with the letter: the list stays.
    EXPECT_EQ(browse.selected_name(), "Foxtrot");
    v.press_key("?LIST", 'c');
  });
  user.then([&](WindowView& v) {
    EXPECT_EQ(browse.selected_name(), "Charlie");
    v.press_key("?LIST", 'z');
  });
  user.then([&](WindowView& v) {
    EXPECT_EQ(browse.selected_name(), "India");
    v.close();
  });
  run(browse, [&](ItemBrowse& b, ui::Window& w) { standard(b, w, 0); });
}

}  // namespace
}  // namespace qvn::framework::wm_testing
