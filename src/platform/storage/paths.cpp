#include "platform/storage/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/core/error_state.h"

namespace qvn::storage::detail {

std::string absolute_path(const std::string& name) {
  if (!name.empty() && name[0] == '/') return name;
  std::string cwd(4096, '\0');
  if (!::getcwd(cwd.data(), cwd.size())) return name;
  cwd.resize(std::strlen(cwd.c_str()));
  return cwd + "/" + name;
}

int report_path_error(const std::string& path, int error) {
  int code;
  switch (error) {
    case ENOENT: {
      size_t slash = path.rfind('/');
      std::string folder = slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
      struct stat st {};
      code = (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) ? err::FileNotFound : err::PathNotFound;
      break;
    }
    case ENOTDIR: code = err::PathNotFound; break;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY: code = err::AccessDenied; break;
    case ENAMETOOLONG:
    case EINVAL: code = err::InvalidFileName; break;
    case EMFILE:
    case ENFILE: code = err::TooManyOpenFiles; break;
    default: set_driver_error(err::FileSystemError, error, std::strerror(error)); return err::FileSystemError;
  }
  set_error(code);
  return code;
}

}  // namespace qvn::storage::detail
