#pragma once
// What the tests of the program's data files share: the file-name variables
// pointed into a folder or back at the bare names, and a file opened,
// made first when it is missing.

#include <filesystem>

#include "platform/storage/record_file.h"

namespace qvn::test_support {

// AppsFileName, ProjectsFileName, TempFileName and TagFileName name the
// four data files in `folder`.
void name_data_files_in(const std::filesystem::path& folder);

// The same four variables hold the bare names ("APPS.TPS" ...), which the
// program puts its data folder in front of.
void bare_data_file_names();

// Opens the file, making it first when it does not exist; a failure is the
// test's failure.
void open_or_create(storage::RecordFile& file);

}  // namespace qvn::test_support
