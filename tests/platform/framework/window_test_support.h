#pragma once
// A small keyed file of items for the window and browse manager tests, in a
// temporary folder of each test's own, with its file manager, and an error
// manager whose questions the headless user answers like any message box.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/error_state.h"
#include "platform/core/fixed_string.h"
#include "platform/framework/error_manager.h"
#include "platform/framework/file_manager.h"
#include "platform/framework/request.h"
#include "platform/framework/window_manager.h"
#include "platform/storage/file_def.h"
#include "platform/storage/record_file.h"
#include "platform/ui/backend.h"
#include "platform/ui/window.h"
#include "support/environment.h"
#include "support/framework_state.h"
#include "support/temp_folder.h"
#include "support/test_file_manager.h"

namespace qvn::framework::wm_testing {

struct ItemRec {
  FixedString<20> NAME;
  int32_t GRP = 0;
  uint8_t PRI = 0;
  FixedString<10> NOTE;
  int32_t ID = 0;
};

// Keys: by name (unique, no case), by group (duplicates), by number (unique,
// records without a number left out).
inline storage::FileDef item_def(storage::NameVar& name) {
  storage::FileDef def;
  def.label = "Items";
  def.prefix = "ITM";
  def.fields = {QVN_FIELD(ItemRec, NAME, "ITM:NAME"), QVN_FIELD(ItemRec, GRP, "ITM:GRP"),
                QVN_FIELD(ItemRec, PRI, "ITM:PRI"), QVN_FIELD(ItemRec, NOTE, "ITM:NOTE"),
                QVN_FIELD(ItemRec, ID, "ITM:ID")};
  def.keys = {
      storage::KeyDef{.name = "ITM:NameKey", .components = {0}, .nocase = true},
      storage::KeyDef{.name = "ITM:GroupKey", .components = {1}, .dup = true},
      storage::KeyDef{.name = "ITM:IdKey", .components = {4}, .opt = true, .primary = true},
  };
  def.struct_size = sizeof(ItemRec);
  def.name_var = name.data();
  def.name_width = name.width;
  return def;
}

// Shows the error manager's boxes through the window layer's message box.
class UiPresenter final : public ErrorPresenter {
 public:
  int show(const MessageBox& box) override {
    return ui::message(box.text, box.caption(), box.icon, box.buttons, box.default_button);
  }
};

using test_support::TestFileManager;

// A test's own folder with the item file, its record buffer and managers.
// Each test starts with no request and no response, and what it leaves in
// them is put back afterwards.
class ItemFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_error();
    GlobalRequest = request::None;
    GlobalResponse = response::None;
    name_ = (dir_ / "ITEMS.TPS").string();
    def_ = item_def(name_);
    file_ = std::make_unique<storage::RecordFile>(def_, &rec_);
    errors_.Init();
    errors_.SetPresenter(&presenter_);
    manager_ = std::make_unique<TestFileManager>(*file_, name_, errors_, "Items", TestFileManager::Numbering::None);
    manager_->Init();
    ASSERT_EQ(manager_->UseFile(use::Benign), level::Benign);
  }

  void TearDown() override {
    manager_->Kill();
    file_.reset();
  }

  // Adds a record through a second instance of the file, so the test's own
  // buffer and position stay as they are.
  int64_t add(std::string_view name, int32_t grp = 0, uint8_t pri = 0, std::string_view note = "") {
    ItemRec r;
    storage::RecordFile other(def_, &r);
    EXPECT_EQ(other.open(), 0);
    r.NAME = name;
    r.GRP = grp;
    r.PRI = pri;
    r.NOTE = note;
    EXPECT_EQ(other.add(), 0) << name;
    return other.pointer();
  }

  // The stored record of that name, read through a second instance.
  bool stored(std::string_view name, ItemRec* out = nullptr) {
    ItemRec r;
    storage::RecordFile other(def_, &r);
    if (other.open() != 0) return false;
    r.NAME = name;
    bool found = other.get(def_.keys[0]) == 0;
    if (found && out) *out = r;
    return found;
  }

  // From now on priming numbers new records through ITM:IdKey, reserving
  // the number by adding the record at once.
  void number_records() { manager_->KEYS[2].auto_number = true; }

  int64_t count() {
    ItemRec r;
    storage::RecordFile other(def_, &r);
    if (other.open() != 0) return -1;
    return other.records();
  }

  test_support::FrameworkState framework_state_;
  test_support::TempFolder folder_{"qvn-wm"};
  const std::filesystem::path dir_ = folder_.path();
  test_support::ScratchFolder scratch_{dir_};
  storage::NameVar name_;
  storage::FileDef def_;
  ItemRec rec_;
  std::unique_ptr<storage::RecordFile> file_;
  ErrorManager errors_;
  UiPresenter presenter_;
  std::unique_ptr<TestFileManager> manager_;
};

inline ui::ControlDef control(std::string equate, ui::ControlKind kind, std::string text = {}) {
  ui::ControlDef c;
  c.equate = std::move(equate);
  c.kind = kind;
  c.text = std::move(text);
  return c;
}

inline std::unique_ptr<ui::Window> make_window(ui::WindowDef def) {
  std::string error;
  auto w = ui::Window::create(std::move(def), &error);
  EXPECT_NE(w, nullptr) << error;
  return w;
}

// The item form's window: the name (required), the group and the note, Ok and Cancel.
inline ui::WindowDef item_form_window(ItemRec& rec) {
  ui::WindowDef def;
  def.caption = "Item";
  // clang-format off
  def.controls = {control("?ITM:NAME:PROMPT", ui::ControlKind::Prompt, "&Name:"),
                  control("?ITM:NAME", ui::ControlKind::Entry), control("?ITM:GRP", ui::ControlKind::Entry),
                  control("?ITM:NOTE", ui::ControlKind::Entry), control("?OK", ui::ControlKind::Button, "&Ok"),
                  control("?CANCEL", ui::ControlKind::Button, "&Cancel")};
  // clang-format on
  def.controls[1].picture = "@s20";
  def.controls[1].use = values::VarRef::of(rec.NAME);
  def.controls[1].required = true;
  def.controls[2].picture = "@n3";
  def.controls[2].use = values::VarRef::of(rec.GRP);
  def.controls[3].picture = "@s10";
  def.controls[3].use = values::VarRef::of(rec.NOTE);
  return def;
}

// A form over one item, in the manner of the program's forms: the request
// from GlobalRequest, PrimeUpdate in Init, Ok and Cancel controls.
class ItemForm final : public WindowManager {
 public:
  ItemForm(ui::Window& w, FileManager& file) : WindowManager(w), file_(file) {}
  using WindowManager::Run;

  std::vector<std::string> accepted;
  bool ok_in_view = false;

  int Init() override {
    Request = GlobalRequest;
    if (int rc = WindowManager::Init()) return rc;
    FirstField = window().field("?ITM:NAME:PROMPT");
    GlobalRequest = request::None;
    GlobalResponse = response::None;
    AddUpdateFile(file_);
    CancelControl = window().field("?CANCEL");
    if (Request != request::View || ok_in_view) OkControl = window().field("?OK");
    if (Request != request::View && PrimeUpdate() != level::Benign) return level::Notify;
    Open();
    return level::Benign;
  }

  int TakeAccepted() override {
    if (int f = window().accepted()) accepted.push_back(window().control(f).equate);
    return WindowManager::TakeAccepted();
  }

 private:
  FileManager& file_;
};

}  // namespace qvn::framework::wm_testing
