#include "support/data_files.h"

#include <gtest/gtest.h>

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

}  // namespace qvn::test_support
