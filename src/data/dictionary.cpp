#include "data/dictionary.h"

#include <array>
#include <memory>
#include <thread>

#include "data/files.h"
#include "platform/core/error_state.h"
#include "platform/framework/error_manager.h"

namespace qvn::data {

using framework::FileManager;
using framework::RelationManager;

thread_local FileManager* apps_file_manager = nullptr;
thread_local FileManager* projectapps_file_manager = nullptr;
thread_local FileManager* projects_file_manager = nullptr;
thread_local FileManager* tempfile_file_manager = nullptr;
thread_local FileManager* tagfile_file_manager = nullptr;
thread_local FileManager* dosfile_file_manager = nullptr;

thread_local RelationManager* apps_relation_manager = nullptr;
thread_local RelationManager* projectapps_relation_manager = nullptr;
thread_local RelationManager* projects_relation_manager = nullptr;
thread_local RelationManager* tempfile_relation_manager = nullptr;
thread_local RelationManager* tagfile_relation_manager = nullptr;
thread_local RelationManager* dosfile_relation_manager = nullptr;

namespace {

const std::thread::id first_thread = std::this_thread::get_id();

struct KeySetup {
  const storage::KeyDef* key;
  const char* name;
  bool auto_number;
};

// What sets one file's pair apart. The thread-local parts are reached
// through functions, so that each thread binds its own.
struct FileSetup {
  const char* label;
  storage::RecordFile& (*file)();
  std::span<char> name_var;
  std::vector<KeySetup> keys;
  FileManager*& (*file_manager)();
  RelationManager*& (*relation_manager)();
  FileManager* (*aliased_file)();
  void (*add_relations)(RelationManager& self);
};

void add_parent_projects(RelationManager& self) { self.AddRelation(projects_relation_manager); }

void add_project_children(RelationManager& self) {
  self.AddRelation(projectapps_relation_manager, framework::rule::None, framework::rule::None, APPS1_P_RefKey);
  self.AddRelationLink("PRO:P_REF", "APPS1:P_REF");
  self.AddRelation(apps_relation_manager, framework::rule::Clear, framework::rule::Cascade, APP_P_RefKey);
  self.AddRelationLink("PRO:P_REF", "APP:P_REF");
}

void add_nothing(RelationManager&) {}

FileManager* no_alias() { return nullptr; }

// In the order the pairs are built, initialised and killed.
const std::array<FileSetup, 6>& file_setups() {
  static const std::array<FileSetup, 6> setups = {{
      {"Apps",
       []() -> storage::RecordFile& { return Apps; },
       std::span<char>(AppsFileName.data(), AppsFileName.width),
       {{&APP_DriveKey, "APP:DriveKey", false},
        {&APP_PriorityKey, "APP:PriorityKey", false},
        {&APP_P_RefKey, "APP:P_RefKey", false}},
       []() -> FileManager*& { return apps_file_manager; },
       []() -> RelationManager*& { return apps_relation_manager; },
       no_alias,
       add_parent_projects},
      {"Dosfile",
       []() -> storage::RecordFile& { return Dosfile; },
       std::span<char>(DosFileName.data(), DosFileName.width),
       {},
       []() -> FileManager*& { return dosfile_file_manager; },
       []() -> RelationManager*& { return dosfile_relation_manager; },
       no_alias,
       add_nothing},
      {"TempFile",
       []() -> storage::RecordFile& { return TempFile; },
       std::span<char>(TempFileName.data(), TempFileName.width),
       {{&tmp_clockkey, "tmp:clockkey", false}},
       []() -> FileManager*& { return tempfile_file_manager; },
       []() -> RelationManager*& { return tempfile_relation_manager; },
       no_alias,
       add_nothing},
      {"Projects",
       []() -> storage::RecordFile& { return Projects; },
       std::span<char>(ProjectsFileName.data(), ProjectsFileName.width),
       {{&PRO_ProjectNameKey, "PRO:ProjectNameKey", false}, {&PRO_ProjectIDKey, "PRO:ProjectIDKey", true}},
       []() -> FileManager*& { return projects_file_manager; },
       []() -> RelationManager*& { return projects_relation_manager; },
       no_alias,
       add_project_children},
      {"TagFile",
       []() -> storage::RecordFile& { return TagFile; },
       std::span<char>(TagFileName.data(), TagFileName.width),
       {{&TAG_TagFileKey, "TAG:TagFileKey", false}},
       []() -> FileManager*& { return tagfile_file_manager; },
       []() -> RelationManager*& { return tagfile_relation_manager; },
       no_alias,
       add_nothing},
      {"ProjectApps",
       []() -> storage::RecordFile& { return ProjectApps; },
       std::span<char>(AppsFileName.data(), AppsFileName.width),
       {{&APPS1_DriveKey, "APPS1:DriveKey", false},
        {&APPS1_PriorityKey, "APPS1:PriorityKey", false},
        {&APPS1_P_RefKey, "APPS1:P_RefKey", false}},
       []() -> FileManager*& { return projectapps_file_manager; },
       []() -> RelationManager*& { return projectapps_relation_manager; },
       []() -> FileManager* { return apps_file_manager; },
       add_parent_projects},
  }};
  return setups;
}

class DataFileManager final : public FileManager {
 public:
  explicit DataFileManager(const FileSetup& setup) : setup_(setup) {}

  void Init() override {
    INITIALIZED = 0;
    FILE = &setup_.file();
    BUFFER = FILE->buffer();
    ALIASEDFILE = setup_.aliased_file();
    FILENAMEVALUE = setup_.label;
    ERRORS = &error_manager;
    FILENAME = setup_.name_var;
    FileManager::Init();
    setup_.file_manager() = this;
  }

  int UseFile(int kind) override {
    if (!INITIALIZED) {
      InitFile();
      CREATE = 1;
      LOCKRECOVER = 10;
      for (const KeySetup& k : setup_.keys) AddKey(*k.key, k.name, k.auto_number);
    }
    return FileManager::UseFile(kind);
  }

  void Kill() override {
    FileManager::Kill();
    setup_.file_manager() = nullptr;
  }

 private:
  const FileSetup& setup_;
};

class DataRelationManager final : public RelationManager {
 public:
  DataRelationManager(const FileSetup& setup, std::unique_ptr<DataFileManager> file_manager)
      : setup_(setup), file_manager_(std::move(file_manager)) {}

  void Init() {
    file_manager_->Init();
    RelationManager::Init(file_manager_.get(), true);
  }

  void Kill() override {
    file_manager_->Kill();
    RelationManager::Kill();
    setup_.relation_manager() = nullptr;
    file_manager_.reset();
    ME = nullptr;
  }

 protected:
  void DeferedAddRelations() override { setup_.add_relations(*this); }

 private:
  const FileSetup& setup_;
  std::unique_ptr<DataFileManager> file_manager_;
};

}  // namespace

void dct_new_managers() {
  std::array<RelationManager*, 6> made{};
  const auto& setups = file_setups();
  for (size_t i = 0; i < setups.size(); ++i) {
    auto fm = std::make_unique<DataFileManager>(setups[i]);
    auto* rm = new DataRelationManager(setups[i], std::move(fm));
    rm->DEFEREDRELATIONSDONE = 0;
    made[i] = rm;
  }
  for (size_t i = 0; i < setups.size(); ++i) setups[i].relation_manager() = made[i];
}

void dct_init_managers() {
  for (const FileSetup& setup : file_setups()) {
    static_cast<DataRelationManager*>(setup.relation_manager())->Init();
  }
  projectapps_relation_manager->SetAlias(apps_relation_manager);
}

void dct_kill_managers() {
  for (const FileSetup& setup : file_setups()) {
    RelationManager* rm = setup.relation_manager();
    if (!rm) continue;
    rm->Kill();
    delete rm;
    setup.relation_manager() = nullptr;
  }
}

void dct_init() {
  if (apps_relation_manager) return;
  make_thread_files();
  dct_new_managers();
  dct_init_managers();
}

void dct_kill() { dct_kill_managers(); }

bool on_first_thread() { return std::this_thread::get_id() == first_thread; }

Dictionary::Dictionary() {
  // Thread-local objects are destroyed in the reverse order of their making.
  // The error status is made first, so that it is still there while the
  // managers and the files close the files at the thread's end; then the
  // files, so that they outlive the managers that close them.
  make_thread_error_state();
  make_thread_files();
  if (!on_first_thread()) dct_init();
}

Dictionary::~Dictionary() { dct_kill(); }

Dictionary& thread_dictionary() {
  thread_local Dictionary dictionary;
  return dictionary;
}

}  // namespace qvn::data
