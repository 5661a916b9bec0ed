#pragma once
// Small files for the manager tests, each test in a temporary folder of its
// own, with an error manager that records its messages instead of showing
// them and records a fatal message's end of the program instead of ending it.
//
// Parents (numbered by ID) own children through Child.PARENT; Items stand
// alone.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/core/error_state.h"
#include "platform/core/fixed_string.h"
#include "platform/framework/error_manager.h"
#include "platform/framework/file_manager.h"
#include "platform/framework/relation_manager.h"
#include "platform/storage/file_def.h"
#include "platform/storage/record_file.h"
#include "recording_presenter.h"
#include "support/environment.h"
#include "support/temp_folder.h"
#include "support/test_file_manager.h"

namespace qvn::framework::testing {

struct ParentRec {
  FixedString<20> NAME;
  int32_t ID = 0;
};

struct ChildRec {
  FixedString<20> NAME;
  int32_t PARENT = 0;
};

inline storage::FileDef parent_def(storage::NameVar& name) {
  storage::FileDef def;
  def.label = "Parents";
  def.prefix = "PAR";
  def.fields = {QVN_FIELD(ParentRec, NAME, "PAR:NAME"), QVN_FIELD(ParentRec, ID, "PAR:ID")};
  def.keys = {
      storage::KeyDef{.name = "PAR:NameKey", .components = {0}, .opt = true, .nocase = true},
      storage::KeyDef{.name = "PAR:IdKey", .components = {1}, .opt = true, .nocase = true, .primary = true},
  };
  def.struct_size = sizeof(ParentRec);
  def.name_var = name.data();
  def.name_width = name.width;
  return def;
}

inline storage::FileDef child_def(storage::NameVar& name) {
  storage::FileDef def;
  def.label = "Children";
  def.prefix = "CHI";
  def.fields = {QVN_FIELD(ChildRec, NAME, "CHI:NAME"), QVN_FIELD(ChildRec, PARENT, "CHI:PARENT")};
  def.keys = {
      storage::KeyDef{.name = "CHI:NameKey", .components = {0}, .nocase = true},
      storage::KeyDef{.name = "CHI:ParentKey", .components = {1}, .dup = true, .opt = true, .nocase = true},
  };
  def.struct_size = sizeof(ChildRec);
  def.name_var = name.data();
  def.name_width = name.width;
  return def;
}

using test_support::TestFileManager;

class ParentRelations : public RelationManager {
 public:
  RelationManager* children = nullptr;
  int update_mode = rule::Clear;
  int delete_mode = rule::Cascade;

 protected:
  void DeferedAddRelations() override {
    AddRelation(children, update_mode, delete_mode, children->ME->FILE->def().keys[1]);
    AddRelationLink("PAR:ID", "CHI:PARENT");
  }
};

class ChildRelations : public RelationManager {
 public:
  RelationManager* parent = nullptr;

 protected:
  void DeferedAddRelations() override { AddRelation(parent); }
};

class ManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_error();
    parent_name = (dir / "PARENTS.TPS").string();
    child_name = (dir / "CHILDREN.TPS").string();
    ASSERT_EQ(parent_name.str(), (dir / "PARENTS.TPS").string()) << "temporary folder name too long";
    errors.SetPresenter(&presenter);
    errors.SetHaltHook([this](int code) { halts.push_back(code); });

    parents_fm.Init();
    children_fm.Init();
    parents_rm.Init(&parents_fm, true);
    children_rm.Init(&children_fm, true);
    parents_rm.children = &children_rm;
    children_rm.parent = &parents_rm;
  }

  void TearDown() override {
    parents_rm.Kill();
    children_rm.Kill();
    parents_fm.Kill();
    children_fm.Kill();
    clear_error();
  }

  // Adds records straight through the files, outside the managers.
  void add_parent(const char* name, int32_t id) {
    ASSERT_EQ(parents_fm.UseFile(use::Corrupts), 0);
    parent.NAME = name;
    parent.ID = id;
    ASSERT_EQ(parent_file.add(), 0) << error_text();
  }
  void add_child(const char* name, int32_t parent_id) {
    ASSERT_EQ(children_fm.UseFile(use::Corrupts), 0);
    child.NAME = name;
    child.PARENT = parent_id;
    ASSERT_EQ(child_file.add(), 0) << error_text();
  }
  bool read_parent(int32_t id) {
    parent.ID = id;
    return parent_file.get(parent_def_.keys[1]) == 0;
  }

  // Renames a stored parent through another instance of the file, as
  // another station would.
  void rename_parent_elsewhere(int32_t id, const char* name) {
    ParentRec theirs;
    storage::RecordFile other(parent_def_, &theirs);
    ASSERT_EQ(other.open(), 0);
    theirs.ID = id;
    ASSERT_EQ(other.get(parent_def_.keys[1]), 0);
    theirs.NAME = name;
    ASSERT_EQ(other.put(), 0);
  }

  // Every child as "name:parent", in name order.
  std::vector<std::string> children_on_file() {
    std::vector<std::string> out;
    EXPECT_EQ(children_fm.UseFile(use::Benign), 0);
    child_file.set_order(child_def_.keys[0]);
    while (child_file.next() == 0) out.push_back(child.NAME.str() + ":" + std::to_string(child.PARENT));
    return out;
  }
  std::vector<int32_t> parent_ids_on_file() {
    std::vector<int32_t> out;
    EXPECT_EQ(parents_fm.UseFile(use::Benign), 0);
    parent_file.set_order(parent_def_.keys[1]);
    while (parent_file.next() == 0) out.push_back(parent.ID);
    return out;
  }

  test_support::TempFolder folder{"qvn-framework"};
  const std::filesystem::path dir = folder.path();
  test_support::ScratchFolder scratch{dir};
  storage::NameVar parent_name;
  storage::NameVar child_name;
  storage::FileDef parent_def_ = parent_def(parent_name);
  storage::FileDef child_def_ = child_def(child_name);
  ParentRec parent;
  ChildRec child;
  storage::RecordFile parent_file{parent_def_, &parent};
  storage::RecordFile child_file{child_def_, &child};

  ErrorManager errors;
  RecordingPresenter presenter;
  std::vector<int> halts;
  TestFileManager parents_fm{parent_file, parent_name, errors, "Parents", TestFileManager::Numbering::PrimaryKey};
  TestFileManager children_fm{child_file, child_name, errors, "Children", TestFileManager::Numbering::PrimaryKey};
  ParentRelations parents_rm;
  ChildRelations children_rm;
};

}  // namespace qvn::framework::testing
