// The steps every record form shares, done by the window manager from what
// the form declares: the request taken, its relation managers opened and
// closed once, its caption per request, its buffer given back when it ends
// without a save, and a view answering cancelled.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/framework/relation_manager.h"
#include "platform/framework/window_manager.h"
#include "support/headless.h"
#include "window_test_support.h"

namespace qvn::framework::wm_testing {
namespace {

using ui::WindowView;

// A form over one item declaring its record, its relation managers and its
// captions, and keeping only what is its own: a view's Ok copies the entries
// to the buffer, and priming may fill the note.
class DeclaredForm final : public WindowManager {
 public:
  DeclaredForm(ui::Window& w, FileManager& file, ItemRec& rec, std::vector<RelationManager*> relations)
      : WindowManager(w), rec_(rec) {
    AddUpdateFile(file);
    for (RelationManager* relation : relations) AddRelation(*relation);
    Captions = {.view = "Looking at an Item", .insert = "New Item", .change = "Item will be Changed"};
  }
  using WindowManager::Run;

  std::optional<std::string> primed_note;  // what priming puts in the note, if anything
  std::function<void()> at_open;           // runs when the window opens

  int Init() override {
    if (int rc = WindowManager::Init()) return rc;
    FirstField = window().field("?ITM:NAME:PROMPT");
    CancelControl = window().field("?CANCEL");
    CancelAction = cancel_action::Close;
    if (StartForm(window().field("?OK")) != level::Benign) return level::Notify;
    Open();
    return level::Benign;
  }

  int PrimeUpdate() override {
    if (primed_note) rec_.NOTE = *primed_note;
    return WindowManager::PrimeUpdate();
  }

  int TakeAccepted() override {
    const int control = window().accepted();
    const int result = WindowManager::TakeAccepted();
    if (control == window().field("?OK") && Request == request::View) Update();
    return result;
  }

  int TakeWindowEvent() override {
    if (window().event() == ui::Event::OpenWindow && at_open) at_open();
    return WindowManager::TakeWindowEvent();
  }

 private:
  ItemRec& rec_;
};

class FormProtocolTest : public ItemFileTest {
 protected:
  void SetUp() override {
    ItemFileTest::SetUp();
    errors_.SetHaltHook([this](int code) { halts_.push_back(code); });
    items_.Init(manager_.get(), true);
  }

  void TearDown() override {
    for (auto& other : others_) other->manager.Kill();
    ItemFileTest::TearDown();
  }

  // A second item file with its own file and relation managers, in `folder`
  // under the test's own; a folder not made yet cannot be opened.
  struct OtherFile {
    storage::NameVar name;
    storage::FileDef def;
    ItemRec rec;
    std::unique_ptr<storage::RecordFile> file;
    TestFileManager manager;
    RelationManager relation;
    OtherFile(const std::filesystem::path& path, ErrorManager& errors)
        : name(make_name(path)),
          def(item_def(name)),
          file(std::make_unique<storage::RecordFile>(def, &rec)),
          manager(*file, name, errors, "Others", TestFileManager::Numbering::None) {
      manager.Init();
      relation.Init(&manager, true);
    }
    static storage::NameVar make_name(const std::filesystem::path& path) {
      storage::NameVar n;
      n = path.string();
      return n;
    }
  };
  OtherFile& other_file(const std::string& relative) {
    others_.push_back(std::make_unique<OtherFile>(dir_ / relative, errors_));
    return *others_.back();
  }

  // Runs the form with `request` as its caller would.
  int run_form(DeclaredForm& form, int request) {
    GlobalRequest = request;
    GlobalResponse = form.Run();
    return GlobalResponse;
  }

  RelationManager items_;
  std::vector<std::unique_ptr<OtherFile>> others_;
  std::vector<int> halts_;
};

// ---------------------------------------------------------------------------
// The buffer: saved as the caller left it, put back when the form ends
// without a save, kept after a save and after a view's Ok.

enum class Ending { Ok, Cancel, CloseBox };

struct BufferCase {
  const char* name;
  int request;
  Ending ending;
  bool primes;              // priming writes "primed" to the note
  const char* note_after;   // the buffer's note once the form has ended
  const char* stored_note;  // Alpha's note on file; null: Alpha was not stored
  int response;
};
void PrintTo(const BufferCase& c, std::ostream* os) { *os << c.name; }

class FormBufferTest : public FormProtocolTest, public ::testing::WithParamInterface<BufferCase> {};

TEST_P(FormBufferTest, TheBufferEndsAsTheFormLeavesIt) {
  const BufferCase& c = GetParam();
  if (c.request != request::Insert) {
    add("Alpha", 1, 0, "caller");
    rec_.NAME = "Alpha";
    ASSERT_EQ(file_->get(def_.keys[0]), 0);
  } else {
    file_->clear_buffer();
    rec_.NAME = "Alpha";
    rec_.NOTE = "caller";
  }
  ui::HeadlessUser user;
  user.then([&](WindowView& v) {
    v.type("?ITM:NOTE", "typed");
    switch (c.ending) {
      case Ending::Ok: v.press("?OK"); break;
      case Ending::Cancel: v.press("?CANCEL"); break;
      case Ending::CloseBox: v.close(); break;
    }
  });
  auto w = make_window(item_form_window(rec_));
  DeclaredForm form(*w, *manager_, rec_, {});
  if (c.primes) form.primed_note = "primed";
  EXPECT_EQ(run_form(form, c.request), c.response);
  EXPECT_EQ(rec_.NAME, "Alpha");
  EXPECT_EQ(rec_.NOTE, c.note_after);
  ItemRec r;
  if (c.stored_note) {
    ASSERT_TRUE(stored("Alpha", &r));
    EXPECT_EQ(r.NOTE, c.stored_note);
  } else {
    EXPECT_FALSE(stored("Alpha"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Endings, FormBufferTest,
    ::testing::Values(
        BufferCase{"InsertCancelled", request::Insert, Ending::Cancel, false, "caller", nullptr, response::Cancelled},
        BufferCase{"InsertClosedByTheCloseBox", request::Insert, Ending::CloseBox, false, "caller", nullptr,
                   response::Cancelled},
        // What priming made of the record is not what the caller left.
        BufferCase{"PrimedInsertCancelled", request::Insert, Ending::Cancel, true, "caller", nullptr,
                   response::Cancelled},
        BufferCase{"InsertSaved", request::Insert, Ending::Ok, false, "typed", "typed", response::Completed},
        BufferCase{"ChangeCancelled", request::Change, Ending::Cancel, false, "caller", "caller", response::Cancelled},
        BufferCase{"ChangeSaved", request::Change, Ending::Ok, false, "typed", "typed", response::Completed},
        BufferCase{"ViewCancelled", request::View, Ending::Cancel, false, "caller", "caller", response::Cancelled},
        // A view's Ok keeps what its entries hold, and stores nothing.
        BufferCase{"ViewClosedByOk", request::View, Ending::Ok, false, "typed", "caller", response::Cancelled}),
    [](const ::testing::TestParamInfo<BufferCase>& info) { return std::string(info.param.name); });

TEST_F(FormProtocolTest, AFormNeverShownLeavesTheBufferAsItsWorkLeftIt) {
  // A delete is carried out without the window: the buffer is what the
  // delete left, not the copy taken before it.
  add("Alpha", 1, 0, "caller");
  rec_.NAME = "Alpha";
  ASSERT_EQ(file_->get(def_.keys[0]), 0);
  ui::HeadlessUser user;
  user.answer_message("Are you sure you want to delete the highlighted record?", ui::button::Yes);
  auto w = make_window(item_form_window(rec_));
  DeclaredForm form(*w, *manager_, rec_, {});
  form.primed_note = "primed";
  EXPECT_EQ(run_form(form, request::Delete), response::Completed);
  EXPECT_TRUE(user.windows_opened().empty());
  EXPECT_FALSE(stored("Alpha"));
  EXPECT_EQ(rec_.NOTE, "primed");
}

// ---------------------------------------------------------------------------
// The relation managers.

TEST_F(FormProtocolTest, TheDeclaredRelationManagersAreOpenedOnceAndClosedOnce) {
  const int before = manager_->OPENED;
  ui::HeadlessUser user;
  auto w = make_window(item_form_window(rec_));
  // Declared twice, and opened again once the window shows: still one open.
  DeclaredForm form(*w, *manager_, rec_, {&items_, &items_});
  form.at_open = [&] { EXPECT_EQ(form.OpenRelations(), level::Benign); };
  user.then([&](WindowView& v) {
    EXPECT_EQ(manager_->OPENED, before + 1);
    v.press("?CANCEL");
  });
  run_form(form, request::Change);
  EXPECT_EQ(manager_->OPENED, before);
  // A second run of the same form opens and closes them again.
  user.then([&](WindowView& v) {
    EXPECT_EQ(manager_->OPENED, before + 1);
    v.press("?CANCEL");
  });
  run_form(form, request::Change);
  EXPECT_EQ(manager_->OPENED, before);
  EXPECT_EQ(user.windows_opened().size(), 2u);
}

TEST_F(FormProtocolTest, AnInitStoppedByARelationThatCannotOpenClosesOnlyWhatItOpened) {
  OtherFile& unreachable = other_file("MISSING/OTHERS.TPS");
  // Someone else holds the third file open; the form never came to open it.
  OtherFile& held = other_file("HELD.TPS");
  ASSERT_EQ(held.manager.Open(), level::Benign);
  const int items_before = manager_->OPENED;
  const int held_before = held.manager.OPENED;
  ui::HeadlessUser user;
  user.answer_any_message(ui::button::Ok);
  auto w = make_window(item_form_window(rec_));
  DeclaredForm form(*w, *manager_, rec_, {&items_, &unreachable.relation, &held.relation});
  EXPECT_EQ(run_form(form, request::Change), response::Cancelled);
  EXPECT_TRUE(user.windows_opened().empty());
  EXPECT_FALSE(user.messages().empty());
  EXPECT_EQ(halts_.size(), 1u);
  EXPECT_EQ(manager_->OPENED, items_before);
  EXPECT_EQ(unreachable.manager.OPENED, 0);
  EXPECT_EQ(held.manager.OPENED, held_before);
  held.manager.Close();
}

// ---------------------------------------------------------------------------
// The caption per request, and a view's answer.

struct CaptionCase {
  const char* name;
  int request;
  const char* other;  // the caption declared for other requests
  const char* caption;
};
void PrintTo(const CaptionCase& c, std::ostream* os) { *os << c.name; }

class FormCaptionTest : public FormProtocolTest, public ::testing::WithParamInterface<CaptionCase> {};

TEST_P(FormCaptionTest, TheWindowShowsTheCaptionOfItsRequest) {
  const CaptionCase& c = GetParam();
  file_->clear_buffer();
  ui::HeadlessUser user;
  std::string seen;
  user.then([&](WindowView& v) {
    seen = v.caption();
    v.press("?CANCEL");
  });
  auto w = make_window(item_form_window(rec_));
  DeclaredForm form(*w, *manager_, rec_, {});
  form.Captions.other = c.other;
  run_form(form, c.request);
  EXPECT_EQ(seen, c.caption);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, FormCaptionTest,
    ::testing::Values(CaptionCase{"View", request::View, nullptr, "Looking at an Item"},
                      CaptionCase{"Insert", request::Insert, nullptr, "New Item"},
                      CaptionCase{"Change", request::Change, nullptr, "Item will be Changed"},
                      // Without one declared, the window keeps its structure's caption.
                      CaptionCase{"NoRequestKeepsTheStructuresCaption", request::None, nullptr, "Item"},
                      CaptionCase{"NoRequestWithItsOwnCaption", request::None, "", ""}),
    [](const ::testing::TestParamInfo<CaptionCase>& info) { return std::string(info.param.name); });

TEST_F(FormProtocolTest, AViewAnswersCancelledWhateverItsResponse) {
  add("Alpha", 1, 0, "one");
  rec_.NAME = "Alpha";
  ASSERT_EQ(file_->get(def_.keys[0]), 0);
  ui::HeadlessUser user;
  auto w = make_window(item_form_window(rec_));
  DeclaredForm form(*w, *manager_, rec_, {});
  user.then([&](WindowView& v) {
    form.Response = response::Completed;
    v.close();
  });
  EXPECT_EQ(run_form(form, request::View), response::Cancelled);
  EXPECT_EQ(GlobalRequest, request::None);
}

// A browse's update procedure: the one declared for its number, given the
// request; none in a view, nor for a number without one.
struct UpdateCase {
  const char* name;
  int own_request;  // the window's
  int number;
  std::vector<int> ran;  // the requests procedure 1 was called with
  int answer;
};
void PrintTo(const UpdateCase& c, std::ostream* os) { *os << c.name; }

class UpdateProcedureTest : public FormProtocolTest, public ::testing::WithParamInterface<UpdateCase> {};

TEST_P(UpdateProcedureTest, TheDeclaredProcedureRunsWithTheRequest) {
  const UpdateCase& c = GetParam();
  file_->clear_buffer();
  std::vector<int> ran;
  ui::HeadlessUser user;
  auto w = make_window(item_form_window(rec_));
  DeclaredForm form(*w, *manager_, rec_, {});
  form.AddUpdateProcedure(1, [] { GlobalResponse = response::Cancelled; });
  form.AddUpdateProcedure(1, [&ran] {
    ran.push_back(GlobalRequest);
    GlobalRequest = request::None;
    GlobalResponse = response::Completed;
  });
  int answer = -1;
  user.then([&](WindowView& v) {
    answer = form.Run(c.number, request::Change);
    v.press("?CANCEL");
  });
  run_form(form, c.own_request);
  EXPECT_EQ(ran, c.ran);
  EXPECT_EQ(answer, c.answer);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, UpdateProcedureTest,
    ::testing::Values(UpdateCase{"Declared", request::Change, 1, {request::Change}, response::Completed},
                      UpdateCase{"NotDeclared", request::Change, 2, {}, response::Cancelled},
                      UpdateCase{"InAView", request::View, 1, {}, response::Cancelled}),
    [](const ::testing::TestParamInfo<UpdateCase>& info) { return std::string(info.param.name); });

TEST_F(FormProtocolTest, InitTakesTheRequestAndClearsBothGlobals) {
  file_->clear_buffer();
  ui::HeadlessUser user;
  int request_seen = -1, global_request = -1, global_response = -1;
  auto w = make_window(item_form_window(rec_));
  DeclaredForm form(*w, *manager_, rec_, {});
  user.then([&](WindowView& v) {
    request_seen = form.Request;
    global_request = GlobalRequest;
    global_response = GlobalResponse;
    v.press("?CANCEL");
  });
  GlobalResponse = response::Completed;  // an earlier procedure's
  run_form(form, request::Insert);
  EXPECT_EQ(request_seen, request::Insert);
  EXPECT_EQ(global_request, request::None);
  EXPECT_EQ(global_response, response::None);
}

}  // namespace
}  // namespace qvn::framework::wm_testing
