#pragma once
// File names as the program gives them, and the errors the file system
// reports for them.

#include <string>

namespace qvn::storage::detail {

// The name made absolute against the current working folder.
std::string absolute_path(const std::string& name);
// Sets the thread's error for a failed file-system call on `path` (errno
// `error`) and returns the code: FileNotFound when the folder exists but
// the file does not, PathNotFound when the folder is missing, AccessDenied,
// InvalidFileName, or the layer's own failure.
int report_path_error(const std::string& path, int error);

}  // namespace qvn::storage::detail
