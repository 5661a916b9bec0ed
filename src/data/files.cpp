#include "data/files.h"

#include <cstddef>

#include "platform/core/error_state.h"

namespace qvn::data {

using storage::Driver;
using storage::FileDef;
using storage::KeyDef;

storage::NameVar AppsFileName = "APPS.TPS";
storage::NameVar ProjectsFileName = "PROJECTS.TPS";
storage::NameVar TempFileName = "TEMPFILE.TPS";
storage::NameVar TagFileName = "TF.TPS";
FixedString<80> DosFileName;

namespace {

// Apps and ProjectApps share one layout under two prefixes.
FileDef app_def(const char* label, const std::string& prefix) {
  FileDef def;
  def.label = label;
  def.prefix = prefix;
  def.driver = Driver::Keyed;
  def.fields = {
      QVN_FIELD(AppRecord, DRIVENPATH, prefix + ":DRIVENPATH"),
      QVN_FIELD(AppRecord, APPLICATION, prefix + ":APPLICATION"),
      QVN_FIELD(AppRecord, TAG, prefix + ":TAG"),
      QVN_FIELD(AppRecord, Priority, prefix + ":Priority"),
      QVN_FIELD(AppRecord, TARGET, prefix + ":TARGET"),
      QVN_FIELD(AppRecord, P_REF, prefix + ":P_REF"),
  };
  def.keys = {
      KeyDef{.name = prefix + ":DriveKey", .components = {1, 0}, .opt = true, .nocase = true},
      KeyDef{.name = prefix + ":PriorityKey", .components = {3, 1}, .dup = true, .nocase = true},
      KeyDef{.name = prefix + ":P_RefKey", .components = {5}, .dup = true, .opt = true, .nocase = true},
  };
  def.struct_size = sizeof(AppRecord);
  def.name_var = AppsFileName.data();
  def.name_width = AppsFileName.width;
  return def;
}

FileDef projects_def() {
  FileDef def;
  def.label = "Projects";
  def.prefix = "PRO";
  def.fields = {
      QVN_FIELD(ProjectRecord, PROJECTNAME, "PRO:PROJECTNAME"),
      QVN_FIELD(ProjectRecord, P_REF, "PRO:P_REF"),
  };
  def.keys = {
      KeyDef{.name = "PRO:ProjectNameKey", .components = {0}, .opt = true, .nocase = true},
      KeyDef{.name = "PRO:ProjectIDKey", .components = {1}, .opt = true, .nocase = true, .primary = true},
  };
  def.struct_size = sizeof(ProjectRecord);
  def.name_var = ProjectsFileName.data();
  def.name_width = ProjectsFileName.width;
  return def;
}

FileDef tempfile_def() {
  FileDef def;
  def.label = "TempFile";
  def.prefix = "TMP";
  def.fields = {
      QVN_FIELD(TempRecord, APPS, "TMP:APPS"),
      QVN_FIELD(TempRecord, DATE, "TMP:DATE"),
      QVN_FIELD(TempRecord, CLOCK, "TMP:CLOCK"),
      QVN_FIELD(TempRecord, EVENT, "TMP:EVENT"),
  };
  def.keys = {KeyDef{.name = "tmp:clockkey", .components = {1, 2}, .dup = true, .opt = true, .nocase = true}};
  def.struct_size = sizeof(TempRecord);
  def.name_var = TempFileName.data();
  def.name_width = TempFileName.width;
  return def;
}

FileDef tagfile_def() {
  FileDef def;
  def.label = "TagFile";
  def.prefix = "TAG";
  def.fields = {
      QVN_FIELD(TagRecord, APPNAME, "TAG:APPNAME"),
      QVN_FIELD(TagRecord, DRIVEPATH, "TAG:DRIVEPATH"),
      QVN_FIELD(TagRecord, PRIORITY, "TAG:PRIORITY"),
      QVN_FIELD(TagRecord, TARGET, "TAG:TARGET"),
  };
  def.keys = {KeyDef{.name = "TAG:TagFileKey", .components = {0, 1}, .opt = true, .nocase = true}};
  def.struct_size = sizeof(TagRecord);
  def.name_var = TagFileName.data();
  def.name_width = TagFileName.width;
  return def;
}

FileDef dosfile_def() {
  FileDef def;
  def.label = "Dosfile";
  def.prefix = "";
  def.driver = Driver::Dos;
  def.struct_size = sizeof(DosRecord);
  def.name_var = DosFileName.data();
  def.name_width = DosFileName.width;
  return def;
}

// One thread's buffers and files. Members are destroyed in reverse order, so
// the files are released ProjectApps first and Apps last.
struct ThreadFiles {
  AppRecord app;
  AppRecord apps1;
  ProjectRecord pro;
  TempRecord tmp;
  TagRecord tag;
  DosRecord dos;
  storage::RecordFile apps{AppsDef, &app};
  storage::RecordFile dosfile{DosfileDef, &dos};
  storage::RecordFile tempfile{TempFileDef, &tmp};
  storage::RecordFile projects{ProjectsDef, &pro};
  storage::RecordFile tagfile{TagFileDef, &tag};
  storage::RecordFile projectapps{ProjectAppsDef, &apps1};
};

ThreadFiles& thread_files() {
  // The error status is made before the files so that it outlives them: a
  // file still open when its thread ends closes as it is destroyed, and
  // closing sets the status.
  make_thread_error_state();
  thread_local ThreadFiles files;
  return files;
}

}  // namespace

const FileDef AppsDef = app_def("Apps", "APP");
const FileDef ProjectAppsDef = app_def("ProjectApps", "APPS1");
const FileDef ProjectsDef = projects_def();
const FileDef TempFileDef = tempfile_def();
const FileDef TagFileDef = tagfile_def();
const FileDef DosfileDef = dosfile_def();

const KeyDef& APP_DriveKey = AppsDef.keys[0];
const KeyDef& APP_PriorityKey = AppsDef.keys[1];
const KeyDef& APP_P_RefKey = AppsDef.keys[2];
const KeyDef& APPS1_DriveKey = ProjectAppsDef.keys[0];
const KeyDef& APPS1_PriorityKey = ProjectAppsDef.keys[1];
const KeyDef& APPS1_P_RefKey = ProjectAppsDef.keys[2];
const KeyDef& PRO_ProjectNameKey = ProjectsDef.keys[0];
const KeyDef& PRO_ProjectIDKey = ProjectsDef.keys[1];
const KeyDef& tmp_clockkey = TempFileDef.keys[0];
const KeyDef& TAG_TagFileKey = TagFileDef.keys[0];

thread_local AppRecord& APP = thread_files().app;
thread_local AppRecord& APPS1 = thread_files().apps1;
thread_local ProjectRecord& PRO = thread_files().pro;
thread_local TempRecord& TMP = thread_files().tmp;
thread_local TagRecord& TAG = thread_files().tag;

thread_local storage::RecordFile& Apps = thread_files().apps;
thread_local storage::RecordFile& ProjectApps = thread_files().projectapps;
thread_local storage::RecordFile& Projects = thread_files().projects;
thread_local storage::RecordFile& TempFile = thread_files().tempfile;
thread_local storage::RecordFile& TagFile = thread_files().tagfile;
thread_local storage::RecordFile& Dosfile = thread_files().dosfile;

void make_thread_files() { thread_files(); }

}  // namespace qvn::data
