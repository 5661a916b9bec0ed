#pragma once
// The per-thread data dictionary: one file manager and one relation manager
// for each of the six data files, built, initialised and destroyed per thread
// in the order Apps, Dosfile, TempFile, Projects, TagFile, ProjectApps.
//
// Relations, all kept by projects_relation_manager: deleting a project
// through it deletes its applications (cascade), changing its number clears
// their link (clear); ProjectApps takes no part in the rules. Apps and
// ProjectApps only record that Projects is their parent.

#include "platform/framework/file_manager.h"
#include "platform/framework/relation_manager.h"

namespace qvn::data {

// This thread's managers; null before dct_init and after dct_kill. A file
// manager's reference is set by its Init and cleared by its Kill, a relation
// manager's when the objects are created and by its Kill.
extern thread_local framework::FileManager* apps_file_manager;
extern thread_local framework::FileManager* projectapps_file_manager;
extern thread_local framework::FileManager* projects_file_manager;
extern thread_local framework::FileManager* tempfile_file_manager;
extern thread_local framework::FileManager* tagfile_file_manager;
extern thread_local framework::FileManager* dosfile_file_manager;

extern thread_local framework::RelationManager* apps_relation_manager;
extern thread_local framework::RelationManager* projectapps_relation_manager;
extern thread_local framework::RelationManager* projects_relation_manager;
extern thread_local framework::RelationManager* tempfile_relation_manager;
extern thread_local framework::RelationManager* tagfile_relation_manager;
extern thread_local framework::RelationManager* dosfile_relation_manager;

// dct_new_managers, then dct_init_managers. Does nothing when this thread's
// managers exist already.
void dct_init();
// dct_kill_managers.
void dct_kill();
// Creates the six pairs and sets the relation-manager references.
void dct_new_managers();
// Runs each relation manager's Init (which runs its file manager's first);
// ProjectApps's relation manager names apps_relation_manager as its alias.
void dct_init_managers();
// Kills and frees each relation manager (which kills and frees its file
// manager) and clears the references.
void dct_kill_managers();

// A thread's dictionary. On every thread but the program's first its
// construction builds the thread's managers (dct_init); on the first thread
// the main program does that itself. Its destruction tears them down.
class Dictionary {
 public:
  Dictionary();
  ~Dictionary();
  Dictionary(const Dictionary&) = delete;
  Dictionary& operator=(const Dictionary&) = delete;
};

// The calling thread's dictionary, made on the first call; it lives until
// the thread ends. Each thread that uses the data files calls this when it
// starts, and so makes its state in this order: its error status, then its
// files, then its dictionary (GlobalRequest and GlobalResponse are plain
// numbers, there from the thread's start). The state is torn down in reverse
// at the thread's end, so a file the thread left open is closed while the
// error status that closing sets is still there.
Dictionary& thread_dictionary();

// True on the thread that started the program.
bool on_first_thread();

}  // namespace qvn::data
