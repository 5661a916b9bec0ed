#pragma once
// Record structs, declarations and a temporary folder for the storage tests.

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>
#include <filesystem>
#include <string>

#include "platform/core/error_state.h"
#include "platform/core/fixed_string.h"
#include "platform/storage/file_def.h"
#include "platform/storage/record_file.h"
#include "raw_sql.h"
#include "support/environment.h"
#include "support/temp_folder.h"

namespace qvn::storage::testing {

using test_support::ScratchFolder;
using test_support::WorkingFolder;

// A folder of its own for each test, removed afterwards. The storage
// layer's scratch files go there too while it lives.
class TempDir {
 public:
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  test_support::TempFolder folder_{"qvn-storage-test"};
  std::string path_ = folder_.string();
  ScratchFolder scratch_{folder_.path()};
};

struct AppRecord {
  FixedString<80> drivenpath;
  FixedString<50> application;
  int16_t tag;
  uint8_t priority;
  FixedString<250> target;
  int32_t p_ref;
};

struct ProjectRecord {
  FixedString<50> projectname;
  int32_t p_ref;
};

struct LogRecord {
  FixedString<40> apps;
  int32_t date;
  int32_t clock;
  FixedString<80> event;
};

struct TagRecord {
  FixedString<50> appname;
  FixedString<80> drivepath;
  uint8_t priority;
  FixedString<250> target;
};

inline KeyDef make_key(std::string name, std::vector<size_t> components, bool dup, bool opt, bool nocase) {
  KeyDef k;
  k.name = std::move(name);
  k.components = std::move(components);
  k.dup = dup;
  k.opt = opt;
  k.nocase = nocase;
  return k;
}

template <size_t N>
void bind_name(FileDef& def, FixedString<N>& name) {
  def.name_var = name.data();
  def.name_width = N;
}

// The application file; `prefix` "APP" or "APPS1" for its second declaration.
template <size_t N>
FileDef apps_def(FixedString<N>& name, const std::string& prefix = "APP") {
  FileDef d;
  d.label = prefix == "APP" ? "Apps" : "ProjectApps";
  d.prefix = prefix;
  d.fields = {QVN_FIELD(AppRecord, drivenpath, prefix + ":DRIVENPATH"),
              QVN_FIELD(AppRecord, application, prefix + ":APPLICATION"),
              QVN_FIELD(AppRecord, tag, prefix + ":TAG"),
              QVN_FIELD(AppRecord, priority, prefix + ":Priority"),
              QVN_FIELD(AppRecord, target, prefix + ":TARGET"),
              QVN_FIELD(AppRecord, p_ref, prefix + ":P_REF")};
  d.keys = {make_key(prefix + ":DriveKey", {1, 0}, false, true, true),
            make_key(prefix + ":PriorityKey", {3, 1}, true, false, true),
            make_key(prefix + ":P_RefKey", {5}, true, true, true)};
  d.struct_size = sizeof(AppRecord);
  bind_name(d, name);
  return d;
}

template <size_t N>
FileDef projects_def(FixedString<N>& name) {
  FileDef d;
  d.label = "Projects";
  d.prefix = "PRO";
  d.fields = {QVN_FIELD(ProjectRecord, projectname, "PRO:PROJECTNAME"), QVN_FIELD(ProjectRecord, p_ref, "PRO:P_REF")};
  d.keys = {make_key("PRO:ProjectNameKey", {0}, false, true, true),
            make_key("PRO:ProjectIDKey", {1}, false, true, true)};
  d.keys[1].primary = true;
  d.struct_size = sizeof(ProjectRecord);
  bind_name(d, name);
  return d;
}

template <size_t N>
FileDef log_def(FixedString<N>& name) {
  FileDef d;
  d.label = "TempFile";
  d.prefix = "TMP";
  d.fields = {QVN_FIELD(LogRecord, apps, "TMP:APPS"), QVN_FIELD(LogRecord, date, "TMP:DATE"),
              QVN_FIELD(LogRecord, clock, "TMP:CLOCK"), QVN_FIELD(LogRecord, event, "TMP:EVENT")};
  d.keys = {make_key("tmp:clockkey", {1, 2}, true, true, true)};
  d.struct_size = sizeof(LogRecord);
  bind_name(d, name);
  return d;
}

template <size_t N>
FileDef tag_def(FixedString<N>& name) {
  FileDef d;
  d.label = "TagFile";
  d.prefix = "TAG";
  d.fields = {QVN_FIELD(TagRecord, appname, "TAG:APPNAME"), QVN_FIELD(TagRecord, drivepath, "TAG:DRIVEPATH"),
              QVN_FIELD(TagRecord, priority, "TAG:PRIORITY"), QVN_FIELD(TagRecord, target, "TAG:TARGET")};
  d.keys = {make_key("TAG:TagFileKey", {0, 1}, false, true, true)};
  d.struct_size = sizeof(TagRecord);
  bind_name(d, name);
  return d;
}

// A child process that talks to the test through two pipes; it is killed
// when the test ends, or when the test's process dies.
class Child {
 public:
  // `temp_folder` takes the child's own scratch files, so that they go
  // with the test's folder however the child ends.
  template <class Body>
  Child(const std::string& temp_folder, Body body) {
    int to_child[2], to_parent[2];
    if (pipe(to_child) != 0 || pipe(to_parent) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      setenv(ScratchFolder::kVariable, temp_folder.c_str(), 1);
      ::close(to_child[1]);
      ::close(to_parent[0]);
      in_ = to_child[0];
      out_ = to_parent[1];
      body(*this);
      _exit(0);
    }
    ::close(to_child[0]);
    ::close(to_parent[1]);
    out_ = to_child[1];
    in_ = to_parent[0];
  }
  ~Child() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    ::close(in_);
    ::close(out_);
  }
  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  void send(int32_t v) { (void)!::write(out_, &v, sizeof v); }
  // False at end of the pipe.
  bool receive(int32_t* v) {
    size_t got = 0;
    while (got < sizeof *v) {
      ssize_t n = ::read(in_, reinterpret_cast<char*>(v) + got, sizeof *v - got);
      if (n <= 0) return false;
      got += static_cast<size_t>(n);
    }
    return true;
  }
  void kill_now() {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
};

// Adds an application through `file`, whose buffer is `rec`.
inline int add_app(RecordFile& file, AppRecord& rec, const std::string& app, const std::string& path, int priority = 1,
                   int32_t p_ref = 0) {
  file.clear_buffer();
  rec.application = app;
  rec.drivenpath = path;
  rec.priority = static_cast<uint8_t>(priority);
  rec.p_ref = p_ref;
  rec.target = app + ".EXE";
  return file.add();
}

}  // namespace qvn::storage::testing
