#include "platform/dde/socket_folder.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/core/error_state.h"

namespace qvn::dde {

namespace {

constexpr std::string_view socket_suffix = ".sock";

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Finds the service and process id parts of "<service>.<pid>.<n>.sock";
// false for a name of another form.
bool split_socket_name(std::string_view name, std::string_view& service, std::string_view& pid) {
  if (name.size() <= socket_suffix.size() || name.substr(name.size() - socket_suffix.size()) != socket_suffix)
    return false;
  name.remove_suffix(socket_suffix.size());
  for (int part = 0; part < 2; ++part) {
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == name.size()) return false;
    std::string_view digits = name.substr(dot + 1);
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
    pid = digits;
    name = name.substr(0, dot);
  }
  if (name.empty()) return false;
  service = name;
  return true;
}

}  // namespace

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

std::string socket_folder() {
  if (const char* dir = std::getenv("QVN_DDE_DIR"); dir && *dir) return dir;
  if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && *run) return std::string(run) + "/qvn-dde";
  return "/tmp/qvn-dde-" + std::to_string(::geteuid());
}

bool folder_is_private(const std::string& folder) {
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

bool make_private_folder(const std::string& folder) {
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    set_error(errno == ENOENT ? err::PathNotFound : err::AccessDenied,
              "Cannot create the conversation folder " + folder);
    return false;
  }
  if (!folder_is_private(folder)) {
    set_error(err::AccessDenied, "The conversation folder " + folder + " is not private to this user");
    return false;
  }
  return true;
}

std::string socket_file_name(std::string_view service, long pid, unsigned serial) {
  if (service.empty() || service.find('/') != std::string_view::npos || service.find('\0') != std::string_view::npos ||
      service.front() == '.')
    return "";
  return std::string(service) + "." + std::to_string(pid) + "." + std::to_string(serial) + std::string(socket_suffix);
}

long socket_pid(std::string_view name) {
  size_t slash = name.rfind('/');
  if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
  std::string_view service, digits;
  // A number too long for a process id names none.
  if (!split_socket_name(name, service, digits) || digits.size() > 9) return -1;
  long pid = 0;
  for (char c : digits) pid = pid * 10 + (c - '0');
  return pid;
}

bool remove_stale_socket(const std::string& path, const struct stat& refused) {
  long pid = socket_pid(path);
  if (pid <= 0) return false;
  // EPERM means the process exists (under another user); only ESRCH says it is gone.
  if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) return false;
  struct stat now {};
  if (::lstat(path.c_str(), &now) != 0 || !S_ISSOCK(now.st_mode) || now.st_dev != refused.st_dev ||
      now.st_ino != refused.st_ino)
    return false;
  return ::unlink(path.c_str()) == 0;
}

std::vector<std::string> service_sockets(const std::string& folder, std::string_view service) {
  std::vector<std::string> found;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return found;
  while (dirent* e = ::readdir(dir)) {
    std::string_view name = e->d_name;
    std::string_view its_service, its_pid;
    if (split_socket_name(name, its_service, its_pid) && same_name(its_service, service))
      found.push_back(folder + "/" + std::string(name));
  }
  ::closedir(dir);
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace qvn::dde
