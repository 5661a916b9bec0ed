#pragma once
// Another program's instance of PROJECTS.TPS or APPS.TPS under the names
// the file-name variables hold: its changes reach the files while the main
// window has them open.

#include <gtest/gtest.h>

#include <string>

#include "data/dictionary.h"
#include "data/files.h"
#include "platform/core/error_state.h"
#include "platform/storage/record_file.h"

namespace qvn::automation::testing {

class OtherProgram {
 public:
  void rename_project(int number, const std::string& name) {
    data::ProjectRecord record;
    storage::RecordFile file(data::ProjectsDef, &record);
    ASSERT_EQ(file.open(), 0) << error_text();
    record.P_REF = number;
    ASSERT_EQ(file.get(data::PRO_ProjectIDKey), 0) << error_text();
    record.PROJECTNAME = name;
    ASSERT_EQ(file.put(), 0) << error_text();
    file.close();
  }
  void delete_project(int number) {
    data::ProjectRecord record;
    storage::RecordFile file(data::ProjectsDef, &record);
    ASSERT_EQ(file.open(), 0) << error_text();
    record.P_REF = number;
    ASSERT_EQ(file.get(data::PRO_ProjectIDKey), 0) << error_text();
    ASSERT_EQ(file.erase(), 0) << error_text();
    file.close();
  }
  void add_project(int number, const std::string& name) {
    data::ProjectRecord record;
    storage::RecordFile file(data::ProjectsDef, &record);
    ASSERT_EQ(file.open(), 0) << error_text();
    record.P_REF = number;
    record.PROJECTNAME = name;
    ASSERT_EQ(file.add(), 0) << error_text();
    file.close();
  }
  void add_app(const std::string& application, int project) {
    data::AppRecord record;
    storage::RecordFile file(data::AppsDef, &record);
    ASSERT_EQ(file.open(), 0) << error_text();
    record.APPLICATION = application;
    record.DRIVENPATH = "/dev/null/";
    record.P_REF = project;
    ASSERT_EQ(file.add(), 0) << error_text();
    file.close();
  }
  // Deletes the first application of this name, in any folder.
  void delete_app(const std::string& application) {
    data::AppRecord record;
    storage::RecordFile file(data::AppsDef, &record);
    ASSERT_EQ(file.open(), 0) << error_text();
    file.set_order_file();
    while (file.next() == 0) {
      if (record.APPLICATION.str() == application) {
        ASSERT_EQ(file.erase(), 0) << error_text();
        file.close();
        return;
      }
    }
    file.close();
    FAIL() << application << " is not on file";
  }
};

}  // namespace qvn::automation::testing
