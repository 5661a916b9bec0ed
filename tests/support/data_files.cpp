#include "support/data_files.h"

#include <gtest/gtest.h>

#include <functional>

#include "data/files.h"
#include "platform/core/error_state.h"

namespace qvn::test_support {

void name_data_files_in(const std::filesystem::path& folder) {
  data::AppsFileName = (folder / "APPS.TPS").string();
  data::ProjectsFileName = (folder / "PROJECTS.TPS").string();
  data::TempFileName = (folder / "TEMPFILE.TPS").string();
  data::TagFileName = (folder / "TF.TPS").string();
}

void bare_data_file_names() {
  data::AppsFileName = "APPS.TPS";
  data::ProjectsFileName = "PROJECTS.TPS";
  data::TempFileName = "TEMPFILE.TPS";
  data::TagFileName = "TF.TPS";
}

void open_or_create(storage::RecordFile& file) {
  if (file.open() == err::FileNotFound) {
    ASSERT_EQ(file.create(), 0) << error_text();
    ASSERT_EQ(file.open(), 0) << error_text();
  }
}

namespace {

// Adds one record per item, each filled by `fill` into a cleared buffer.
template <typename Item>
void seed(storage::RecordFile& file, const std::vector<Item>& items, const std::function<void(const Item&)>& fill) {
  open_or_create(file);
  if (::testing::Test::HasFatalFailure()) return;
  for (const Item& item : items) {
    file.clear_buffer();
    fill(item);
    EXPECT_EQ(file.add(), 0) << error_text();
  }
  file.close();
  file.clear_buffer();
}

// Reads every record, in the key's order or in storage order (nullptr),
// opening the file only when it is not open already.
void read_all(storage::RecordFile& file, const storage::KeyDef* order, const std::function<void()>& take) {
  const bool was_open = file.is_open();
  if (!was_open) {
    EXPECT_EQ(file.open(), 0) << error_text();
  }
  if (order) {
    file.set_order(*order);
  } else {
    file.set_order_file();
  }
  while (file.next() == 0) take();
  if (!was_open) file.close();
}

}  // namespace

void seed_apps(const std::vector<AppOnFile>& apps) {
  seed<AppOnFile>(data::Apps, apps, [](const AppOnFile& a) {
    data::APP.APPLICATION = a.application;
    data::APP.DRIVENPATH = a.folder;
    data::APP.Priority = static_cast<uint8_t>(a.priority);
    data::APP.TAG = static_cast<int16_t>(a.tag);
    data::APP.P_REF = a.project;
    data::APP.TARGET = a.target;
  });
}

void seed_projects(const std::vector<ProjectOnFile>& projects) {
  seed<ProjectOnFile>(data::Projects, projects, [](const ProjectOnFile& p) {
    data::PRO.P_REF = p.first;
    data::PRO.PROJECTNAME = p.second;
  });
}

void seed_log(const std::vector<LogOnFile>& entries) {
  seed<LogOnFile>(data::TempFile, entries, [](const LogOnFile& e) {
    data::TMP.APPS = e.app;
    data::TMP.DATE = e.date;
    data::TMP.CLOCK = e.clock;
    data::TMP.EVENT = e.event;
  });
}

AppOnFile app_in_buffer() {
  return AppOnFile{data::APP.APPLICATION.str(), data::APP.DRIVENPATH.str(),
                   data::APP.Priority,          data::APP.P_REF,
                   data::APP.TARGET.str(),      data::APP.TAG};
}

std::vector<AppOnFile> apps_on_file(const storage::KeyDef& order) {
  std::vector<AppOnFile> out;
  read_all(data::Apps, &order, [&] { out.push_back(app_in_buffer()); });
  return out;
}

std::vector<ProjectOnFile> projects_on_file() {
  std::vector<ProjectOnFile> out;
  read_all(data::Projects, &data::PRO_ProjectIDKey,
           [&] { out.emplace_back(data::PRO.P_REF, data::PRO.PROJECTNAME.str()); });
  return out;
}

std::vector<LogOnFile> log_on_file() {
  std::vector<LogOnFile> out;
  read_all(data::TempFile, nullptr, [&] {
    out.push_back(LogOnFile{data::TMP.APPS.str(), data::TMP.DATE, data::TMP.CLOCK, data::TMP.EVENT.str()});
  });
  return out;
}

}  // namespace qvn::test_support
