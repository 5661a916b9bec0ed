#include "platform/files/native_path.h"

#include <algorithm>

namespace qvn::files {

std::string native_path(std::string_view name) {
  std::string path(name);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

}  // namespace qvn::files
