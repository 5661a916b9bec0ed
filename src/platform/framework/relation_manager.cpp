#include "platform/framework/relation_manager.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/core/error_state.h"
#include "platform/framework/record_fields.h"

namespace qvn::framework {

namespace {

thread_local int open_pass = 0;

const storage::FieldDef& field(const FileManager* fm, size_t index) { return fm->FILE->def().fields[index]; }

// Keeps a record buffer's content across the rules' reads of that file.
class SavedBuffer {
 public:
  explicit SavedBuffer(FileManager* fm)
      : fm_(fm), copy_(static_cast<char*>(fm->BUFFER), static_cast<char*>(fm->BUFFER) + fm->FILE->def().struct_size) {}
  ~SavedBuffer() { std::memcpy(fm_->BUFFER, copy_.data(), copy_.size()); }
  SavedBuffer(const SavedBuffer&) = delete;
  SavedBuffer& operator=(const SavedBuffer&) = delete;

 private:
  FileManager* fm_;
  std::vector<char> copy_;
};

}  // namespace

void RelationManager::Init(FileManager* me, bool use_logout) {
  ME = me;
  USELOGOUT = use_logout ? 1 : 0;
  LOGOUTTIMEOUT = 2;
  RELATIONS.clear();
}

void RelationManager::Kill() {
  RELATIONS.clear();
  open_sets_.clear();
}

void RelationManager::AddRelation(RelationManager* parent) { RELATIONS.push_back(Relation{parent, {}, nullptr}); }

void RelationManager::AddRelation(RelationManager* child, int update_mode, int delete_mode,
                                  const storage::KeyDef& child_key) {
  RELATIONS.push_back(Relation{child, {}, &child_key, update_mode, delete_mode});
}

void RelationManager::AddRelationLink(std::string_view own_field, std::string_view related_field) {
  Relation& relation = RELATIONS.back();
  int own = ME->FILE->def().field_index(own_field);
  int related = relation.file->ME->FILE->def().field_index(related_field);
  if (own < 0 || related < 0) return;
  relation.links.push_back(Link{static_cast<size_t>(own), static_cast<size_t>(related)});
}

void RelationManager::SetRelations() {
  if (DEFEREDRELATIONSDONE) return;
  DEFEREDRELATIONSDONE = 1;
  DeferedAddRelations();
}

int RelationManager::Open(bool forcing) {
  FORCINGOPEN = (forcing || !ME->LAZYOPEN) ? 1 : 0;
  int rc = ME->Open();
  if (rc == level::Benign) {
    rc = ME->UseFile(use::Returns);
    if (rc != level::Benign) ME->Close();
  }
  if (rc != level::Benign) {
    FORCINGOPEN = 0;
    return rc;
  }
  SetRelations();
  int pass = ++open_pass;
  pass_ = pass;
  std::vector<RelationManager*> opened;
  for (const Relation& relation : RELATIONS) relation.file->OpenRelated(pass, FORCINGOPEN, opened);
  open_sets_.push_back(std::move(opened));
  FORCINGOPEN = 0;
  return level::Benign;
}

void RelationManager::OpenRelated(int pass, bool forcing, std::vector<RelationManager*>& opened) {
  if (pass_ == pass) return;
  pass_ = pass;
  if (ME->Open() != level::Benign) return;
  opened.push_back(this);
  if (!forcing) return;
  SetRelations();
  for (const Relation& relation : RELATIONS) relation.file->OpenRelated(pass, forcing, opened);
}

int RelationManager::Close() {
  if (!open_sets_.empty()) {
    for (RelationManager* related : open_sets_.back()) related->ME->Close();
    open_sets_.pop_back();
  }
  return ME->Close();
}

// The files a deletion or change touches: this one and, through every rule
// that acts, the children and theirs.
void RelationManager::Involved(bool for_delete, std::vector<FileManager*>& files) {
  if (std::find(files.begin(), files.end(), ME) != files.end()) return;
  files.push_back(ME);
  SetRelations();
  for (const Relation& relation : RELATIONS) {
    if (!relation.key) continue;
    int mode = for_delete ? relation.delete_mode : relation.update_mode;
    if (mode == rule::None) continue;
    if (mode == rule::Cascade) {
      relation.file->Involved(for_delete, files);
    } else {
      relation.file->SetRelations();
      if (std::find(files.begin(), files.end(), relation.file->ME) == files.end()) files.push_back(relation.file->ME);
    }
  }
}

int RelationManager::StartTransaction(storage::Transaction& transaction, const std::vector<FileManager*>& files) {
  for (FileManager* fm : files) {
    if (fm->UseFile(use::Corrupts) != level::Benign) return level::Fatal;
  }
  if (!USELOGOUT) return level::Benign;
  std::vector<storage::RecordFile*> record_files;
  for (FileManager* fm : files) record_files.push_back(fm->FILE);
  if (transaction.start(LOGOUTTIMEOUT, record_files) != err::NoError) {
    ME->Throw(Msg::LogoutFailed);
    return level::Notify;
  }
  return level::Benign;
}

int RelationManager::Children(const Relation& relation, const void* parent_record, std::vector<int64_t>& pointers) {
  FileManager* child = relation.file->ME;
  storage::RecordFile& file = *child->FILE;
  file.clear_buffer();
  for (const Link& link : relation.links) {
    copy_field(field(ME, link.own_field), parent_record, field(child, link.related_field), child->BUFFER);
  }
  int rc = file.set_order_from_buffer(*relation.key);
  while (rc == err::NoError && (rc = file.next()) == err::NoError) {
    bool linked = true;
    for (const Link& link : relation.links) {
      const storage::FieldDef& own = field(ME, link.own_field);
      const storage::FieldDef& related = field(child, link.related_field);
      bool same = is_text(own) ? field_text(own, parent_record) == field_text(related, child->BUFFER)
                               : field_number(own, parent_record) == field_number(related, child->BUFFER);
      if (!same) linked = false;
    }
    if (!linked) break;
    pointers.push_back(file.pointer());
  }
  return rc == err::RecordNotAvailable || rc == err::NoError ? err::NoError : rc;
}

int RelationManager::ApplyDeleteRules(FileManager*& failed) {
  for (const Relation& relation : RELATIONS) {
    if (!relation.key || relation.delete_mode == rule::None) continue;
    FileManager* child = relation.file->ME;
    SavedBuffer keep(child);
    std::vector<int64_t> pointers;
    int rc = Children(relation, ME->BUFFER, pointers);
    if (rc == err::NoError && relation.delete_mode == rule::Restrict && !pointers.empty()) {
      set_error(err::AccessDenied);
      rc = err::AccessDenied;
    }
    for (size_t i = 0; rc == err::NoError && i < pointers.size(); ++i) {
      rc = child->FILE->get_pointer(pointers[i]);
      if (rc != err::NoError) break;
      if (relation.delete_mode == rule::Cascade) {
        relation.file->SetRelations();
        rc = relation.file->ApplyDeleteRules(failed);
        if (rc != err::NoError) return rc;
        rc = child->TryDelete();
      } else {
        for (const Link& link : relation.links) clear_field(field(child, link.related_field), child->BUFFER);
        rc = child->TryUpdate();
      }
    }
    if (rc != err::NoError) {
      failed = child;
      return rc;
    }
  }
  return err::NoError;
}

int RelationManager::ApplyUpdateRules(const void* old_record, FileManager*& failed) {
  for (const Relation& relation : RELATIONS) {
    if (!relation.key || relation.update_mode == rule::None) continue;
    bool changed = false;
    for (const Link& link : relation.links) {
      if (!fields_equal(field(ME, link.own_field), old_record, ME->BUFFER, false)) changed = true;
    }
    if (!changed) continue;
    FileManager* child = relation.file->ME;
    SavedBuffer keep(child);
    std::vector<int64_t> pointers;
    int rc = Children(relation, old_record, pointers);
    if (rc == err::NoError && relation.update_mode == rule::Restrict && !pointers.empty()) {
      set_error(err::AccessDenied);
      rc = err::AccessDenied;
    }
    for (size_t i = 0; rc == err::NoError && i < pointers.size(); ++i) {
      rc = child->FILE->get_pointer(pointers[i]);
      if (rc != err::NoError) break;
      std::vector<char> child_old(static_cast<char*>(child->BUFFER),
                                  static_cast<char*>(child->BUFFER) + child->FILE->def().struct_size);
      for (const Link& link : relation.links) {
        const storage::FieldDef& target = field(child, link.related_field);
        if (relation.update_mode == rule::Clear) {
          clear_field(target, child->BUFFER);
        } else {
          copy_field(field(ME, link.own_field), ME->BUFFER, target, child->BUFFER);
        }
      }
      rc = child->TryUpdate();
      if (rc == err::NoError && relation.update_mode == rule::Cascade) {
        relation.file->SetRelations();
        rc = relation.file->ApplyUpdateRules(child_old.data(), failed);
        if (rc != err::NoError) return rc;
      }
    }
    if (rc != err::NoError) {
      failed = child;
      return rc;
    }
  }
  return err::NoError;
}

int RelationManager::Delete(bool ask) {
  if (ask && ME->ERRORS->Throw(Msg::ConfirmDelete, MessageContext(ME->GetName())) != level::Benign) {
    return level::Cancel;
  }
  std::vector<FileManager*> files;
  Involved(true, files);
  int64_t current = ME->FILE->pointer();
  for (;;) {
    storage::Transaction transaction;
    int rc = StartTransaction(transaction, files);
    if (rc != level::Benign) return rc;
    FileManager* failed = nullptr;
    int code = ApplyDeleteRules(failed);
    if (code == err::NoError) {
      code = ME->TryDelete();
      if (code != err::NoError) failed = ME;
    }
    if (code == err::NoError && transaction.active()) {
      code = transaction.commit();
      if (code != err::NoError) failed = ME;
    }
    if (code == err::NoError) return level::Benign;
    {
      KeepLastError keep;
      RollBack(transaction, current);
    }
    failed->Throw(Msg::DeleteFailed);
    if (ME->ERRORS->Throw(Msg::RetryDelete, MessageContext(ME->GetName())) != level::Benign) {
      return level::Notify;
    }
  }
}

int RelationManager::Update(Msg changed_elsewhere) {
  std::vector<FileManager*> files;
  Involved(false, files);
  storage::Transaction transaction;
  int rc = StartTransaction(transaction, files);
  if (rc != level::Benign) return rc;
  std::vector<char> old_record;
  bool have_old = StoredRecord(old_record);
  int64_t current = ME->FILE->pointer();
  int code = ME->TryUpdate();
  if (code != err::NoError) {
    {
      KeepLastError keep;
      RollBack(transaction, current);
    }
    ME->Throw(code == err::RecordChangedByAnotherStation ? changed_elsewhere : Msg::PutFailed);
    return level::Notify;
  }
  FileManager* failed = nullptr;
  if (have_old) code = ApplyUpdateRules(old_record.data(), failed);
  if (code == err::NoError && transaction.active()) {
    code = transaction.commit();
    if (code != err::NoError) failed = ME;
  }
  if (code == err::NoError) return level::Benign;
  {
    KeepLastError keep;
    RollBack(transaction, current);
  }
  failed->Throw(Msg::PutFailed);
  return level::Notify;
}

// A rollback leaves no record current; the caller's record is made current
// again, keeping the buffer as it is, so that the operation can be repeated.
void RelationManager::RollBack(storage::Transaction& transaction, int64_t current) {
  if (!transaction.active()) return;
  transaction.rollback();
  if (current == 0) return;
  SavedBuffer keep(ME);
  ME->FILE->get_pointer(current);
}

// Reads the record through a second instance of the file, opened under the
// absolute path the first was opened under (the working folder may have
// moved since): reading it again through the first would replace the record
// as read, which change detection compares with.
bool RelationManager::StoredRecord(std::vector<char>& out) {
  storage::RecordFile& file = *ME->FILE;
  int64_t pointer = file.pointer();
  if (pointer == 0 || !file.is_open()) return false;
  storage::FileDef def = file.def();
  std::string name = file.open_path();
  def.name_var = name.data();
  def.name_width = name.size();
  out.assign(def.struct_size, 0);
  storage::RecordFile probe(def, out.data());
  if (probe.open(storage::kReadOnly | storage::kDenyNone) != err::NoError) return false;
  bool found = probe.get_pointer(pointer) == err::NoError;
  probe.close();
  return found;
}

}  // namespace qvn::framework
