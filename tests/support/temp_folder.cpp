#include "support/temp_folder.h"

#include <stdlib.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <system_error>

namespace qvn::test_support {

namespace fs = std::filesystem;

namespace {

// Gives the owner every right on each folder below `root`, so that a test
// that took the write right from one of its folders does not leave it behind.
void open_up(const fs::path& root) {
  std::error_code ec;
  fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ec);
  for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
  }
}

}  // namespace

fs::path TempFolder::base() {
  const char* tmpdir = std::getenv("TMPDIR");
  return tmpdir && *tmpdir ? fs::path(tmpdir) : fs::path("/tmp");
}

TempFolder::TempFolder(std::string_view prefix) {
  const std::string pattern = (base() / (std::string(prefix) + "-XXXXXX")).string();
  // mkdtemp fills in the name even when it fails, so it gets a copy and the
  // message names the pattern.
  std::string name = pattern;
  if (::mkdtemp(name.data()) == nullptr) {
    const int error = errno;
    throw std::runtime_error("cannot make a temporary folder " + pattern + ": " + std::strerror(error));
  }
  path_ = name;
}

TempFolder::~TempFolder() {
  std::error_code ec;
  fs::remove_all(path_, ec);
  if (ec) {
    open_up(path_);
    ec.clear();
    fs::remove_all(path_, ec);
  }
  if (ec) std::cerr << "could not remove the temporary folder " << path_.string() << ": " << ec.message() << "\n";
}

}  // namespace qvn::test_support
