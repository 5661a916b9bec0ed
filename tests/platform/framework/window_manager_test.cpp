#include "platform/framework/window_manager.h"
#include <cctype>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/headless.h"
#include "window_test_support.h"

namespace qvn::framework::wm_testing {
namespace {

using ui::ControlKind;
using ui::Event;
using ui::WindowView;

// ---------------------------------------------------------------------------
// Dispatch of events to the steps and components.

ui::WindowDef dispatch_window() {
  ui::WindowDef def;
  def.caption = "Dispatch";
  def.controls = {control("?LIST", ControlKind::List), control("?BUTTON", ControlKind::Button, "&Go"),
                  control("?ENTRY", ControlKind::Entry)};
  def.controls[0].format = "80L@s20@";
  def.controls[2].picture = "@s10";
  return def;
}

struct Log {
  std::vector<std::string> steps;
};

class RecordingComponent final : public WindowComponent {
 public:
  RecordingComponent(Log& log, std::string name) : log_(log), name_(std::move(name)) {}
  int answer = level::Benign;
  int TakeEvent() override {
    log_.steps.push_back(name_);
    return answer;
  }

 private:
  Log& log_;
  std::string name_;
};

// Logs every step it is given and answers what the test asks of each.
class RecordingManager final : public WindowManager {
 public:
  RecordingManager(ui::Window& w, Log& log) : WindowManager(w), log_(log) {}
  using WindowManager::Run;

  std::string answer_step;  // the step that answers `answer`
  int answer = level::Benign;
  int close_refusals = 0;  // closes answered Notify before one is let through

  int Init() override {
    WindowManager::Init();
    Open();
    return level::Benign;
  }
  int TakeWindowEvent() override { return Note("TakeWindowEvent", WindowManager::TakeWindowEvent()); }
  int TakeAccepted() override { return Note("TakeAccepted", WindowManager::TakeAccepted()); }
  int TakeRejected() override { return Note("TakeRejected", level::Benign); }
  int TakeSelected() override { return Note("TakeSelected", WindowManager::TakeSelected()); }
  int TakeNewSelection() override { return Note("TakeNewSelection", WindowManager::TakeNewSelection()); }
  int TakeFieldEvent() override { return Note("TakeFieldEvent", WindowManager::TakeFieldEvent()); }
  int TakeCloseEvent() override {
    if (close_refusals > 0) {
      --close_refusals;
      return level::Notify;
    }
    return WindowManager::TakeCloseEvent();
  }

 private:
  int Note(const char* step, int base) {
    log_.steps.push_back(step);
    return answer_step == step ? answer : base;
  }
  Log& log_;
};

struct DispatchCase {
  const char* name;
  Event event;
  const char* control;  // "" for the window
  std::vector<std::string> steps;
};
// Test names show the case by its name.
void PrintTo(const DispatchCase& c, std::ostream* os) { *os << c.name; }

class DispatchTest : public ::testing::TestWithParam<DispatchCase> {};

TEST_P(DispatchTest, StepsRunInTheOrderOfTheMainLoop) {
  const DispatchCase& c = GetParam();
  ui::HeadlessUser user;
  auto w = make_window(dispatch_window());
  Log log;
  RecordingManager wm(*w, log);
  RecordingComponent first(log, "first component"), second(log, "second component");
  wm.AddItem(first);
  wm.AddItem(second);
  user.then([&](WindowView& v) {
    log.steps.clear();
    v.window().post(c.event, *c.control ? v.field(c.control) : 0);
  });
  user.then([&](WindowView& v) {
    EXPECT_EQ(log.steps, c.steps);
    v.close();
  });
  wm.Run();
}

INSTANTIATE_TEST_SUITE_P(
    Events, DispatchTest,
    ::testing::Values(
        DispatchCase{"Accepted",
                     Event::Accepted,
                     "?BUTTON",
                     {"TakeAccepted", "TakeFieldEvent", "first component", "second component"}},
        DispatchCase{"Rejected",
                     Event::Rejected,
                     "?ENTRY",
                     {"TakeRejected", "TakeFieldEvent", "first component", "second component"}},
        DispatchCase{"Selected",
                     Event::Selected,
                     "?ENTRY",
                     {"TakeSelected", "TakeFieldEvent", "first component", "second component"}},
        DispatchCase{"NewSelection",
                     Event::NewSelection,
                     "?LIST",
                     {"TakeNewSelection", "TakeFieldEvent", "first component", "second component"}},
        DispatchCase{
            "ScrollDown", Event::ScrollDown, "?LIST", {"TakeFieldEvent", "first component", "second component"}},
        DispatchCase{"Timer", Event::Timer, "", {"TakeWindowEvent", "first component", "second component"}}),
    [](const auto& info) { return std::string(info.param.name); });

struct EarlyExitCase {
  const char* step;  // the step that answers non-zero
  std::vector<std::string> steps;
};
// Test names show the step, letters only.
void PrintTo(const EarlyExitCase& c, std::ostream* os) {
  for (const char* p = c.step; *p; ++p) *os << (std::isalpha(static_cast<unsigned char>(*p)) ? *p : '_');
}

class EarlyExitTest : public ::testing::TestWithParam<EarlyExitCase> {};

TEST_P(EarlyExitTest, TheFirstNonZeroResultEndsTheDispatch) {
  const EarlyExitCase& c = GetParam();
  ui::HeadlessUser user;
  auto w = make_window(dispatch_window());
  Log log;
  RecordingManager wm(*w, log);
  RecordingComponent first(log, "first component"), second(log, "second component");
  wm.AddItem(first);
  wm.AddItem(second);
  user.then([&](WindowView& v) {
    log.steps.clear();
    if (std::string(c.step) == "first component") {
      first.answer = level::User;
    } else {
      wm.answer_step = c.step;
      wm.answer = level::User;
    }
    v.window().post(Event::Accepted, v.field("?BUTTON"));
  });
  user.then([&](WindowView& v) {
    EXPECT_EQ(log.steps, c.steps);
    wm.answer_step.clear();
    first.answer = level::Benign;
    v.close();
  });
  wm.Run();
}

INSTANTIATE_TEST_SUITE_P(Steps, EarlyExitTest,
                         ::testing::Values(EarlyExitCase{"TakeAccepted", {"TakeAccepted"}},
                                           EarlyExitCase{"TakeFieldEvent", {"TakeAccepted", "TakeFieldEvent"}},
                                           EarlyExitCase{"first component",
                                                         {"TakeAccepted", "TakeFieldEvent", "first component"}}));

TEST(WindowManagerLoop, AFatalResultEndsTheLoopAndKillClosesTheWindow) {
  ui::HeadlessUser user;
  auto w = make_window(dispatch_window());
  Log log;
  RecordingManager wm(*w, log);
  user.then([&](WindowView& v) {
    wm.answer_step = "TakeAccepted";
    wm.answer = level::Fatal;
    v.press("?BUTTON");
  });
  EXPECT_EQ(wm.Run(), response::Cancelled);
  EXPECT_FALSE(w->is_open());
  EXPECT_TRUE(wm.Dead());
  EXPECT_EQ(wm.Kill(), level::Notify);
}

TEST(WindowManagerLoop, ACloseAnsweredNotifyKeepsTheWindow) {
  ui::HeadlessUser user;
  auto w = make_window(dispatch_window());
  Log log;
  RecordingManager wm(*w, log);
  wm.close_refusals = 1;
  user.then([](WindowView& v) { v.close(); });
  user.then([](WindowView& v) {
    EXPECT_TRUE(v.window().is_open());
    v.close();
  });
  wm.Run();
  EXPECT_FALSE(w->is_open());
  EXPECT_EQ(user.steps_left(), 0u);
}

TEST(WindowManagerRun, ClosedWithoutAResponseAnswersCancelled) {
  ui::HeadlessUser user;
  auto w = make_window(dispatch_window());
  Log log;
  RecordingManager wm(*w, log);
  user.then([](WindowView& v) { v.close(); });
  EXPECT_EQ(wm.Run(), response::Cancelled);
}

TEST(WindowManagerRun, TheOkControlCompletesAWindowWithoutARecord) {
  ui::HeadlessUser user;
  auto w = make_window(dispatch_window());
  Log log;
  RecordingManager wm(*w, log);
  wm.OkControl = w->field("?BUTTON");
  user.then([](WindowView& v) { v.press("?BUTTON"); });
  EXPECT_EQ(wm.Run(), response::Completed);
  EXPECT_FALSE(w->is_open());
}

TEST(WindowManagerRun, TheBaseUpdateProcedureRunsNothingAndLeavesTheRequestAlone) {
  ui::HeadlessUser user;
  auto w = make_window(dispatch_window());
  Log log;
  RecordingManager wm(*w, log);
  GlobalRequest = request::None;
  EXPECT_EQ(wm.Run(1, request::Change), response::Cancelled);
  EXPECT_EQ(GlobalRequest, request::None);
  EXPECT_TRUE(user.windows_opened().empty());
}

TEST(WindowManagerRun, OpeningTheWindowResetsEveryComponentAndFocusesTheFirstField) {
  class Counting final : public WindowComponent {
   public:
    int opened = 0, forced = 0;
    void Open() override { ++opened; }
    void Reset(bool force) override { forced += force ? 1 : 0; }
  };
  ui::HeadlessUser user;
  auto w = make_window(dispatch_window());
  Log log;
  RecordingManager wm(*w, log);
  wm.FirstField = w->field("?ENTRY");
  Counting component;
  wm.AddItem(component);
  user.then([&](WindowView& v) {
    EXPECT_EQ(component.opened, 1);
    EXPECT_EQ(component.forced, 1);
    EXPECT_EQ(v.focus(), "?ENTRY");
    v.close();
  });
  wm.Run();
}

// ---------------------------------------------------------------------------
// The form protocol.

class FormTest : public ItemFileTest {
 protected:
  ui::WindowDef form_window() { return item_form_window(rec_); }

  // Runs the form with `request` as its caller would, leaving its response
  // in GlobalResponse.
  int run_form(int request, int cancel_action = cancel_action::Close, ItemForm** out = nullptr) {
    auto w = make_window(form_window());
    ItemForm form(*w, *manager_);
    form.CancelAction = cancel_action;
    if (out) *out = &form;
    GlobalRequest = request;
    GlobalResponse = form.Run();
    last_accepted_ = form.accepted;
    if (out) *out = nullptr;
    return GlobalResponse;
  }

  // Makes the named record current in the buffer, as a browse leaves it.
  void make_current(std::string_view name) {
    rec_.NAME = name;
    ASSERT_EQ(file_->get(def_.keys[0]), 0) << name;
  }

  std::vector<std::string> last_accepted_;
};

TEST_F(FormTest, OkPassStopsAtAnEmptyRequiredEntryAndStoresOnceItIsFilled) {
  ui::HeadlessUser user;
  file_->clear_buffer();
  user.then([&](WindowView& v) {
    v.type("?ITM:NOTE", "first");
    v.press("?OK");
  });
  user.then([&](WindowView& v) {
    EXPECT_EQ(v.focus(), "?ITM:NAME");
    EXPECT_EQ(count(), 0);
    v.type("?ITM:NAME", "Alpha");
    v.press("?OK");
  });
  EXPECT_EQ(run_form(request::Insert), response::Completed);
  ItemRec r;
  ASSERT_TRUE(stored("Alpha", &r));
  EXPECT_EQ(r.NOTE, "first");
  // The first Ok's pass stopped before the required entry; the second went
  // over every control with a variable, in field order.
  std::vector<std::string> expected{"?ITM:NOTE", "?OK", "?ITM:NAME", "?OK", "?ITM:NAME", "?ITM:GRP", "?ITM:NOTE"};
  EXPECT_EQ(last_accepted_, expected);
}

TEST_F(FormTest, AFailedInsertKeepsTheFormOpenWithTheFocusOnTheFirstField) {
  add("Alpha");
  ui::HeadlessUser user;
  file_->clear_buffer();
  user.then([](WindowView& v) {
    v.type("?ITM:NAME", "alpha");
    v.press("?OK");
  });
  user.answer_message("Adding this record creates a duplicate entry for the key: ITM:NameKey", ui::button::Ok);
  user.then([](WindowView& v) {
    EXPECT_EQ(v.focus(), "?ITM:NAME");
    v.type("?ITM:NAME", "Beta");
    v.press("?OK");
  });
  EXPECT_EQ(run_form(request::Insert), response::Completed);
  EXPECT_EQ(count(), 2);
  EXPECT_TRUE(stored("Beta"));
}

TEST_F(FormTest, AChangeIsStoredOnlyWhenTheRecordDiffersFromItsStartCopy) {
  add("Alpha", 1, 0, "one");
  ui::HeadlessUser user;
  make_current("Alpha");
  // Someone else changes the note while the form is open; an Ok without
  // changes must not write the form's stale copy over it.
  user.then([&](WindowView& v) {
    ItemRec other_rec;
    storage::RecordFile other(def_, &other_rec);
    ASSERT_EQ(other.open(), 0);
    other_rec.NAME = "Alpha";
    ASSERT_EQ(other.get(def_.keys[0]), 0);
    other_rec.NOTE = "theirs";
    ASSERT_EQ(other.put(), 0);
    v.press("?OK");
  });
  EXPECT_EQ(run_form(request::Change), response::Completed);
  ItemRec r;
  ASSERT_TRUE(stored("Alpha", &r));
  EXPECT_EQ(r.NOTE, "theirs");

  make_current("Alpha");
  user.then([](WindowView& v) {
    v.type("?ITM:NOTE", "mine");
    v.press("?OK");
  });
  EXPECT_EQ(run_form(request::Change), response::Completed);
  ASSERT_TRUE(stored("Alpha", &r));
  EXPECT_EQ(r.NOTE, "mine");
}

TEST_F(FormTest, AChangeMeetingAnotherProgramsChangeShowsTheStoredRecordAndStaysOpen) {
  add("Alpha", 1, 0, "one");
  ui::HeadlessUser user;
  file_->watch();
  make_current("Alpha");
  user.then([&](WindowView& v) {
    ItemRec other_rec;
    storage::RecordFile other(def_, &other_rec);
    ASSERT_EQ(other.open(), 0);
    other_rec.NAME = "Alpha";
    ASSERT_EQ(other.get(def_.keys[0]), 0);
    other_rec.NOTE = "theirs";
    ASSERT_EQ(other.put(), 0);
    v.type("?ITM:NOTE", "mine");
    v.press("?OK");
  });
  user.answer_message("This record was changed by another station.", ui::button::Ok);
  user.then([](WindowView& v) {
    EXPECT_EQ(v.text("?ITM:NOTE"), "theirs");
    v.press("?CANCEL");
  });
  EXPECT_EQ(run_form(request::Change), response::Cancelled);
  ItemRec r;
  ASSERT_TRUE(stored("Alpha", &r));
  EXPECT_EQ(r.NOTE, "theirs");
}

// "Record Was Not Updated" in the form's words: with a history key it also
// tells how the user's own values come back; without one it is the short
// notice. Both through the update file and through the primary relation
// manager, which real forms store through.
struct ChangedElsewhereCase {
  const char* name;
  int history_key;
  bool through_primary;
  const char* text;
};
void PrintTo(const ChangedElsewhereCase& c, std::ostream* os) { *os << c.name; }

class ChangedElsewhereTest : public FormTest, public ::testing::WithParamInterface<ChangedElsewhereCase> {};

TEST_P(ChangedElsewhereTest, TheNoticeSuitsTheForm) {
  const ChangedElsewhereCase& c = GetParam();
  add("Alpha", 1, 0, "one");
  RelationManager primary;
  primary.Init(manager_.get(), false);
  ItemRec history;
  ui::HeadlessUser user;
  file_->watch();
  make_current("Alpha");
  user.then([&](WindowView& v) {
    ItemRec other_rec;
    storage::RecordFile other(def_, &other_rec);
    ASSERT_EQ(other.open(), 0);
    other_rec.NAME = "Alpha";
    ASSERT_EQ(other.get(def_.keys[0]), 0);
    other_rec.NOTE = "theirs";
    ASSERT_EQ(other.put(), 0);
    v.type("?ITM:NOTE", "mine");
    v.press("?OK");
  });
  user.answer_message(c.text, ui::button::Ok);
  user.then([](WindowView& v) {
    EXPECT_EQ(v.text("?ITM:NOTE"), "theirs");
    v.press("?CANCEL");
  });
  auto w = make_window(form_window());
  ItemForm form(*w, *manager_);
  form.CancelAction = cancel_action::Close;
  form.HistoryKey = c.history_key;
  if (c.history_key) form.AddHistoryFile(&history);
  if (c.through_primary) form.Primary = &primary;
  GlobalRequest = request::Change;
  EXPECT_EQ(form.Run(), response::Cancelled);
  primary.Kill();
  ItemRec r;
  ASSERT_TRUE(stored("Alpha", &r));
  EXPECT_EQ(r.NOTE, "theirs");
}

constexpr const char* kShortNotice = "This record was changed by another station.";
constexpr const char* kHistoryNotice =
    "This record was changed by another station. Those changes will now be displayed. Use the Ditto Button or "
    "Ctrl+H to recall your changes.";

INSTANTIATE_TEST_SUITE_P(
    Forms, ChangedElsewhereTest,
    ::testing::Values(ChangedElsewhereCase{"WithoutHistoryKey", 0, false, kShortNotice},
                      ChangedElsewhereCase{"WithoutHistoryKeyThroughPrimary", 0, true, kShortNotice},
                      ChangedElsewhereCase{"WithHistoryKey", ui::key::CtrlApostrophe, false, kHistoryNotice},
                      ChangedElsewhereCase{"WithHistoryKeyThroughPrimary", ui::key::CtrlApostrophe, true,
                                           kHistoryNotice}),
    [](const auto& info) { return std::string(info.param.name); });

struct DeleteCase {
  int answer;
  bool kept;
  int response;
};
void PrintTo(const DeleteCase& c, std::ostream* os) { *os << "answer" << c.answer; }

class FormDeleteTest : public FormTest, public ::testing::WithParamInterface<DeleteCase> {};

TEST_P(FormDeleteTest, ADeleteRequestAsksWithoutShowingTheWindow) {
  add("Alpha");
  add("Beta");
  ui::HeadlessUser user;
  make_current("Alpha");
  user.answer_message("Are you sure you want to delete the highlighted record?", GetParam().answer);
  EXPECT_EQ(run_form(request::Delete), GetParam().response);
  EXPECT_TRUE(user.windows_opened().empty());
  EXPECT_EQ(stored("Alpha"), GetParam().kept);
  EXPECT_TRUE(stored("Beta"));
}

INSTANTIATE_TEST_SUITE_P(Answers, FormDeleteTest,
                         ::testing::Values(DeleteCase{ui::button::Yes, false, response::Completed},
                                           DeleteCase{ui::button::No, true, response::Cancelled}));

TEST_F(FormTest, AViewStoresNothingAndAnswersCancelled) {
  add("Alpha", 1, 0, "one");
  ui::HeadlessUser user;
  make_current("Alpha");
  auto w = make_window(form_window());
  ItemForm form(*w, *manager_);
  form.ok_in_view = true;
  user.then([](WindowView& v) {
    v.type("?ITM:NOTE", "changed");
    v.press("?OK");
  });
  GlobalRequest = request::View;
  EXPECT_EQ(form.Run(), response::Cancelled);
  ItemRec r;
  ASSERT_TRUE(stored("Alpha", &r));
  EXPECT_EQ(r.NOTE, "one");
}

TEST_F(FormTest, AnInsertClosedWithoutOkRemovesTheRecordPrimingAdded) {
  number_records();
  add("Other");
  ui::HeadlessUser user;
  ASSERT_EQ(manager_->PrimeRecord(), level::Benign);
  ASSERT_EQ(count(), 2);
  user.then([](WindowView& v) {
    v.type("?ITM:NAME", "Draft");
    v.press("?CANCEL");
  });
  EXPECT_EQ(run_form(request::Insert), response::Cancelled);
  EXPECT_EQ(count(), 1);
  EXPECT_TRUE(stored("Other"));
  EXPECT_TRUE(user.messages().empty());
}

// Parts belong to an item through PRT:OWNER = ITM:ID; changing an item's
// number clears its parts' link, deleting an item deletes its parts.
struct PartRec {
  FixedString<20> NAME;
  int32_t OWNER = 0;
};

class OwnerRelations final : public RelationManager {
 public:
  RelationManager* parts = nullptr;

 protected:
  void DeferedAddRelations() override {
    AddRelation(parts, rule::Clear, rule::Cascade, parts->ME->FILE->def().keys[1]);
    AddRelationLink("ITM:ID", "PRT:OWNER");
  }
};

class PartRelations final : public RelationManager {
 public:
  RelationManager* owner = nullptr;

 protected:
  void DeferedAddRelations() override { AddRelation(owner); }
};

TEST_F(FormTest, AnInsertClosedWithoutOkFreesTheRecordsLinkedToItsReservedNumber) {
  storage::NameVar part_name;
  part_name = (dir_ / "PARTS.TPS").string();
  storage::FileDef part_def;
  part_def.label = "Parts";
  part_def.prefix = "PRT";
  part_def.fields = {QVN_FIELD(PartRec, NAME, "PRT:NAME"), QVN_FIELD(PartRec, OWNER, "PRT:OWNER")};
  part_def.keys = {storage::KeyDef{.name = "PRT:NameKey", .components = {0}},
                   storage::KeyDef{.name = "PRT:OwnerKey", .components = {1}, .dup = true, .opt = true}};
  part_def.struct_size = sizeof(PartRec);
  part_def.name_var = part_name.data();
  part_def.name_width = part_name.width;
  PartRec part;
  storage::RecordFile part_file(part_def, &part);
  TestFileManager part_manager(part_file, part_name, errors_, "Parts", TestFileManager::Numbering::None);
  part_manager.Init();
  OwnerRelations items;
  PartRelations parts;
  items.Init(manager_.get(), true);
  parts.Init(&part_manager, true);
  items.parts = &parts;
  parts.owner = &items;
  ASSERT_EQ(items.Open(), level::Benign);
  ASSERT_EQ(part_manager.UseFile(use::Benign), level::Benign);

  number_records();
  ASSERT_EQ(manager_->PrimeRecord(), level::Benign);
  const int32_t reserved = rec_.ID;
  ASSERT_NE(reserved, 0);

  ui::HeadlessUser user;
  auto w = make_window(form_window());
  ItemForm form(*w, *manager_);
  form.CancelAction = cancel_action::Close;
  form.Primary = &items;
  user.then([&](WindowView& v) {
    // A part joins the new item before the item is saved, as an
    // application joins a new project.
    part.NAME = "bolt";
    part.OWNER = reserved;
    ASSERT_EQ(part_file.add(), 0);
    v.type("?ITM:NAME", "Draft");
    v.press("?CANCEL");
  });
  GlobalRequest = request::Insert;
  EXPECT_EQ(form.Run(), response::Cancelled);
  EXPECT_EQ(count(), 0);
  part.NAME = "bolt";
  ASSERT_EQ(part_file.get(part_def.keys[0]), 0);
  EXPECT_EQ(part.OWNER, 0);
  items.Close();
  part_manager.Kill();
}

struct SaveCase {
  const char* name;
  int answer;
  int response;
  int64_t records;  // after the form, with one record primed
};
// Test names show the case by its name.
void PrintTo(const SaveCase& c, std::ostream* os) { *os << c.name; }

class SaveRecordTest : public FormTest, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(SaveRecordTest, ClosingAChangedInsertAsksSaveRecord) {
  const SaveCase& c = GetParam();
  number_records();
  ui::HeadlessUser user;
  ASSERT_EQ(manager_->PrimeRecord(), level::Benign);
  int32_t number = rec_.ID;
  user.then([](WindowView& v) {
    v.type("?ITM:NAME", "Draft");
    v.close();
  });
  user.answer_message("Do you want to save the changes to this record?", c.answer);
  if (c.answer == ui::button::Cancel) {
    user.then([](WindowView& v) {
      EXPECT_EQ(v.focus(), "?ITM:NAME");
      v.press("?OK");
    });
  }
  EXPECT_EQ(run_form(request::Insert, cancel_action::AskSave), c.response);
  EXPECT_EQ(count(), c.records);
  ItemRec r;
  if (c.records == 1) {
    ASSERT_TRUE(stored("Draft", &r));
    EXPECT_NE(number, 0);
    EXPECT_EQ(r.ID, number);  // stored over the record priming added
  }
}

INSTANTIATE_TEST_SUITE_P(Answers, SaveRecordTest,
                         ::testing::Values(SaveCase{"Yes", ui::button::Yes, response::Completed, 1},
                                           SaveCase{"No", ui::button::No, response::Cancelled, 0},
                                           SaveCase{"Cancel", ui::button::Cancel, response::Completed, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

// A change the file refuses: "Record Update Error" answered No closes the
// form without storing, and without asking "Save Record" as well.
TEST_F(FormTest, AFailedChangeGivenUpClosesWithoutAskingSaveRecord) {
  add("Alpha");
  add("Beta");
  ui::HeadlessUser user;
  make_current("Alpha");
  user.then([](WindowView& v) {
    v.type("?ITM:NAME", "Beta");
    v.press("?OK");
  });
  user.answer_any_message(ui::button::Ok);
  user.answer_message("An error was experienced changing this record. Do you want to try to save again?",
                      ui::button::No);
  EXPECT_EQ(run_form(request::Change, cancel_action::AskSave), response::Cancelled);
  ASSERT_EQ(user.messages().size(), 2u);
  EXPECT_EQ(user.messages()[0].box.caption, "Record was not updated");
  EXPECT_TRUE(stored("Alpha"));
  EXPECT_EQ(count(), 2);
}

TEST_F(FormTest, ClosingAnUnchangedChangeAsksNothing) {
  add("Alpha");
  ui::HeadlessUser user;
  make_current("Alpha");
  user.then([](WindowView& v) { v.press("?CANCEL"); });
  EXPECT_EQ(run_form(request::Change, cancel_action::AskSave), response::Cancelled);
  EXPECT_TRUE(user.messages().empty());
  EXPECT_TRUE(stored("Alpha"));
}

TEST_F(FormTest, TheHistoryKeyPutsBackTheFieldAsItWasAtTheLastOk) {
  ItemRec history;
  auto run_with_history = [&](int request) {
    auto w = make_window(form_window());
    ItemForm form(*w, *manager_);
    form.CancelAction = cancel_action::Close;
    form.HistoryKey = ui::key::CtrlApostrophe;
    form.AddHistoryFile(&history);
    form.AddHistoryField(w->field("?ITM:NAME"), 1);
    GlobalRequest = request;
    return form.Run();
  };
  ui::HeadlessUser user;
  file_->clear_buffer();
  user.then([](WindowView& v) {
    v.type("?ITM:NAME", "Alpha");
    v.press("?OK");
  });
  ASSERT_EQ(run_with_history(request::Insert), response::Completed);

  file_->clear_buffer();
  user.then([](WindowView& v) {
    EXPECT_EQ(v.text("?ITM:NAME"), "");
    v.press_key("?ITM:NAME", ui::key::CtrlApostrophe);
  });
  user.then([](WindowView& v) {
    EXPECT_EQ(v.text("?ITM:NAME"), "Alpha");
    v.press("?CANCEL");
  });
  EXPECT_EQ(run_with_history(request::Insert), response::Cancelled);
  EXPECT_EQ(rec_.NAME, "Alpha");
}

}  // namespace
}  // namespace qvn::framework::wm_testing
