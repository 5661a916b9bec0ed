#include "local_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace idesim {

namespace {

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto low = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (low(a[i]) != low(b[i])) return false;
  }
  return true;
}

bool is_regular(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Entries of the folder whose name equals `name` without regard to case.
template <typename F>
void each_variant(const std::string& path, F&& f) {
  std::string folder = folder_of(path);
  std::string name = path.substr(folder.size());
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return;
  while (dirent* e = ::readdir(dir)) {
    if (same_name(e->d_name, name)) f(folder + e->d_name);
  }
  ::closedir(dir);
}

}  // namespace

std::string local_path(std::string_view client_path) {
  std::string p(client_path);
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
}

std::string folder_of(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

std::string base_name(const std::string& path) {
  std::string name = path.substr(folder_of(path).size());
  return name.substr(0, name.find('.'));
}

std::optional<std::string> find_file(const std::string& path) {
  if (is_regular(path)) return path;
  std::optional<std::string> found;
  each_variant(path, [&](const std::string& p) {
    if (!found && is_regular(p)) found = p;
  });
  return found;
}

bool read_file(const std::string& path, std::string& content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  content = s.str();
  return true;
}

bool write_file(const std::string& path, std::string_view content, std::string& error) {
  std::string temp = path + ".ide-sim-" + std::to_string(::getpid()) + ".tmp";
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  bool ok = true;
  for (size_t done = 0; ok && done < content.size();) {
    ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) ok = false;
    else done += static_cast<size_t>(n);
  }
  if (!ok) error = std::strerror(errno);
  ::close(fd);
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
    error = std::strerror(errno);
    ok = false;
  }
  if (ok) {
    std::string name = path.substr(folder_of(path).size());
    each_variant(path, [&](const std::string& p) {
      if (p.substr(folder_of(p).size()) != name && is_regular(p)) ::unlink(p.c_str());
    });
    return true;
  }
  ::unlink(temp.c_str());
  return false;
}

}  // namespace idesim
