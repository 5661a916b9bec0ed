#pragma once
// The relation manager: one per file and thread. It opens its file together
// with the files related to it, and applies the rules between a parent and
// its children when a parent record is deleted or changed through it.
//
// Rules act on the children that hold the parent's linking values, read
// through the child's key: clear sets the child's linking fields to zero (or
// blank) and stores the child, cascade deletes the child (or, on a change,
// gives it the new values), restrict refuses while children exist. A
// deletion or change and all that its rules do form one transaction: either
// all of it is stored or none of it.

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/framework/file_manager.h"

namespace qvn::framework {

namespace rule {
inline constexpr int None = 0;
inline constexpr int Clear = 1;
inline constexpr int Restrict = 2;
inline constexpr int Cascade = 3;
}  // namespace rule

class RelationManager {
 public:
  // A pair of linking fields: this file's field and the related file's, as
  // indexes into their FileDefs.
  struct Link {
    size_t own_field;
    size_t related_field;
  };
  struct Relation {
    RelationManager* file = nullptr;
    std::vector<Link> links;
    const storage::KeyDef* key = nullptr;  // the child's key; nullptr when the related file is a parent
    int update_mode = rule::None;
    int delete_mode = rule::None;
  };

  RelationManager() = default;
  virtual ~RelationManager() = default;
  RelationManager(const RelationManager&) = delete;
  RelationManager& operator=(const RelationManager&) = delete;

  FileManager* ME = nullptr;
  std::vector<Relation> RELATIONS;
  RelationManager* ALIASFILE = nullptr;
  uint8_t USELOGOUT = 0;
  uint8_t LOGOUTTIMEOUT = 0;
  uint8_t FORCINGOPEN = 0;
  uint8_t DEFEREDRELATIONSDONE = 0;

  // LOGOUTTIMEOUT = 2 and an empty relation list.
  void Init(FileManager* me, bool use_logout);
  // Frees the relation list.
  virtual void Kill();
  void SetAlias(RelationManager* alias) { ALIASFILE = alias; }

  // This file is a child of `parent`; the parent keeps the rules.
  void AddRelation(RelationManager* parent);
  // `child` holds records linked to this file's records, found through `child_key`.
  void AddRelation(RelationManager* child, int update_mode, int delete_mode, const storage::KeyDef& child_key);
  // A pair of linking fields of the relation added last, by field name.
  void AddRelationLink(std::string_view own_field, std::string_view related_field);

  // Opens the own file physically at once, and counts an open of each
  // related file, which is physically opened at its first use. With
  // `forcing` (or a file manager that is not lazy) the related files' own
  // relations are opened the same way.
  int Open(bool forcing = false);
  // Closes what the matching Open opened.
  int Close();

  // Deletes the current record after applying each relation's delete rule
  // to its children. With ask, "Confirm Delete" first. A failure rolls back,
  // is reported, and "Record Delete Error" offers to try again.
  int Delete(bool ask);
  // Stores the current record; when its linking fields changed since it was
  // read, applies each relation's update rule to the children of the old
  // values. `changed_elsewhere` is the message shown when another station
  // changed the record since it was read.
  int Update(Msg changed_elsewhere = Msg::ConcurrencyFailed);

 protected:
  // Adds the relations; runs once, at the first open, delete or change.
  virtual void DeferedAddRelations() {}

 private:
  void SetRelations();
  void OpenRelated(int pass, bool forcing, std::vector<RelationManager*>& opened);
  void Involved(bool for_delete, std::vector<FileManager*>& files);
  int StartTransaction(storage::Transaction& transaction, const std::vector<FileManager*>& files);
  // The pointers of the children of `parent_record` (a record of this file) in one relation.
  int Children(const Relation& relation, const void* parent_record, std::vector<int64_t>& pointers);
  int ApplyDeleteRules(FileManager*& failed);
  int ApplyUpdateRules(const void* old_record, FileManager*& failed);
  // A copy of the current record as stored, before the buffer's changes.
  bool StoredRecord(std::vector<char>& out);
  void RollBack(storage::Transaction& transaction, int64_t current);

  std::vector<std::vector<RelationManager*>> open_sets_;
  int pass_ = 0;
};

}  // namespace qvn::framework
