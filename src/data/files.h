#pragma once
// The program's six data files: their records, keys and name variables.
//
// Names follow the data's own labels. A file's label is its name here
// (`Apps`, `Projects`); a record buffer is named by the file's prefix and
// holds the fields under their labels, so APP:Priority is `APP.Priority` and
// APPS1:P_REF is `APPS1.P_REF`; a key is the prefix and the key's label
// joined by an underscore, so APP:DriveKey is `APP_DriveKey` and
// tmp:clockkey is `tmp_clockkey`.
//
// Every thread has its own file instances and record buffers (a record read
// on one thread is not in another thread's buffer); the name variables are
// shared by all threads. `Apps` and `ProjectApps` are two declarations of one
// physical file, each with its own buffer.

#include <cstdint>

#include "platform/core/fixed_string.h"
#include "platform/storage/file_def.h"
#include "platform/storage/record_file.h"

namespace qvn::data {

struct AppRecord {
  FixedString<80> DRIVENPATH;   // folder of the application file, ending in "/" (in "\" when stored before)
  FixedString<50> APPLICATION;  // file name with extension, without folder
  int16_t TAG = 0;              // 1 = tagged for the batch runs
  uint8_t Priority = 0;         // lower builds first
  FixedString<250> TARGET;      // the file the build produces, with or without folder
  int32_t P_REF = 0;            // number of the owning project; 0 = none
};

struct ProjectRecord {
  FixedString<50> PROJECTNAME;
  int32_t P_REF = 0;  // project number, given when the record is primed
};

// One entry of the activity log.
struct TempRecord {
  FixedString<40> APPS;  // file name of the application concerned
  int32_t DATE = 0;      // standard date
  int32_t CLOCK = 0;     // standard time
  FixedString<80> EVENT;
};

// One retained entry of a project subset; the name comes before the folder.
struct TagRecord {
  FixedString<50> APPNAME;
  FixedString<80> DRIVEPATH;
  uint8_t PRIORITY = 0;
  FixedString<250> TARGET;
};

// The file-deletion handle has an empty record.
struct DosRecord {};

// Declarations, shared by all threads.
extern const storage::FileDef AppsDef;
extern const storage::FileDef ProjectAppsDef;
extern const storage::FileDef ProjectsDef;
extern const storage::FileDef TempFileDef;
extern const storage::FileDef TagFileDef;
extern const storage::FileDef DosfileDef;

extern const storage::KeyDef& APP_DriveKey;
extern const storage::KeyDef& APP_PriorityKey;
extern const storage::KeyDef& APP_P_RefKey;
extern const storage::KeyDef& APPS1_DriveKey;
extern const storage::KeyDef& APPS1_PriorityKey;
extern const storage::KeyDef& APPS1_P_RefKey;
extern const storage::KeyDef& PRO_ProjectNameKey;
extern const storage::KeyDef& PRO_ProjectIDKey;
extern const storage::KeyDef& tmp_clockkey;
extern const storage::KeyDef& TAG_TagFileKey;

// File-name variables, program-wide. One value of AppsFileName serves both
// Apps and ProjectApps.
extern storage::NameVar AppsFileName;      // "APPS.TPS"
extern storage::NameVar ProjectsFileName;  // "PROJECTS.TPS"
extern storage::NameVar TempFileName;      // "TEMPFILE.TPS"
extern storage::NameVar TagFileName;       // "TF.TPS"
extern FixedString<80> DosFileName;        // blank

// This thread's record buffers and file instances.
extern thread_local AppRecord& APP;
extern thread_local AppRecord& APPS1;
extern thread_local ProjectRecord& PRO;
extern thread_local TempRecord& TMP;
extern thread_local TagRecord& TAG;

extern thread_local storage::RecordFile& Apps;
extern thread_local storage::RecordFile& ProjectApps;
extern thread_local storage::RecordFile& Projects;
extern thread_local storage::RecordFile& TempFile;
extern thread_local storage::RecordFile& TagFile;
extern thread_local storage::RecordFile& Dosfile;

// Makes this thread's file instances and buffers if they do not exist yet.
// They are released when the thread ends, each closed if still open, in the
// order ProjectApps, TagFile, Projects, TempFile, Dosfile, Apps.
void make_thread_files();

}  // namespace qvn::data
