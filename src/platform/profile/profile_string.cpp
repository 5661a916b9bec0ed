#include "platform/profile/profile_string.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/core/error_state.h"
#include "platform/core/fixed_string.h"
#include "platform/profile/ini_text.h"
#include "platform/profile/native_path.h"

namespace qvn::profile {

namespace {

// Serialises every read-change-write of this process, so two threads that
// write keys of the same file do not lose one another's change.
std::mutex& store_lock() {
  static std::mutex m;
  return m;
}

std::string home_folder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  std::vector<char> buf(16384);
  passwd pw{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_dir) {
    return found->pw_dir;
  }
  return {};
}

struct Target {
  std::string path;
  bool user_profile = false;
};

Target target_of(std::string_view file) {
  std::string_view name = clip(file);
  if (name.empty()) return {user_profile_path(), true};
  return {native_path(name), false};
}

enum class ReadResult { Ok, Missing, Failed };

ReadResult read_file(const std::string& path, std::string& out, int& error_number) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error_number = errno;
    return (errno == ENOENT || errno == ENOTDIR) ? ReadResult::Missing : ReadResult::Failed;
  }
  out.clear();
  char buf[8192];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      error_number = errno;
      ::close(fd);
      return ReadResult::Failed;
    }
    out.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return ReadResult::Ok;
}

int code_of(int error_number) {
  switch (error_number) {
    case ENOENT:
    case ENOTDIR: return err::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS: return err::AccessDenied;
    default: return err::FileSystemError;
  }
}

std::string folder_of(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Creates the folder and the folders above it that are missing.
bool make_folders(const std::string& folder) {
  struct stat st{};
  if (::stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  std::string parent = folder_of(folder);
  if (parent != folder && !make_folders(parent)) return false;
  return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

bool write_all(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

// Writes a complete new copy beside the file, flushes it to the disk and
// renames it over the file, so a crash leaves either the old or the new file.
int replace_file(std::string path, const std::string& text) {
  struct stat st{};
  bool exists = ::lstat(path.c_str(), &st) == 0;
  if (exists && S_ISLNK(st.st_mode)) {
    // Replace the file the link names, not the link itself.
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved)) path = resolved;
    exists = ::stat(path.c_str(), &st) == 0;
  }
  if (exists && !S_ISREG(st.st_mode)) return err::AccessDenied;

  static std::atomic<unsigned> counter{0};
  const std::string folder = folder_of(path);
  const size_t slash = path.rfind('/');
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = folder + "/." + base + "." + std::to_string(::getpid()) + "." + std::to_string(counter++) + ".tmp";
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return code_of(errno);
  }
  if (fd < 0) return err::FileSystemError;

  int failure = 0;
  if (exists && ::fchmod(fd, st.st_mode & 07777) != 0) failure = errno;
  if (!failure && !write_all(fd, text)) failure = errno;
  if (!failure && ::fsync(fd) != 0) failure = errno;
  if (::close(fd) != 0 && !failure) failure = errno;
  if (!failure && ::rename(temp.c_str(), path.c_str()) != 0) failure = errno;
  if (failure) {
    ::unlink(temp.c_str());
    return code_of(failure);
  }
  // Make the rename itself durable; a folder that cannot be flushed still
  // holds a complete file, so this is not a failure of the write.
  int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return err::NoError;
}

bool holds_line_break(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

bool usable_name(std::string_view name, std::string_view forbidden) {
  return !name.empty() && !holds_line_break(name) && name.find('\0') == std::string_view::npos &&
         name.find_first_of(forbidden) == std::string_view::npos;
}

std::string_view trim_blanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

int report(int code) {
  set_error(code);
  return code;
}

}  // namespace

std::string user_profile_path() {
  if (const char* own = std::getenv(kProfileEnvVar); own && *own) return own;
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
    base = xdg;
  } else {
    std::string home = home_folder();
    if (home.empty()) return {};
    base = home + "/.config";
  }
  return base + "/qvn/profile.ini";
}

std::string get_ini(std::string_view section, std::string_view key, std::string_view default_value,
                    std::string_view file) {
  std::string value(clip(default_value));
  Target target = target_of(file);
  if (!target.path.empty()) {
    std::string text;
    int error_number = 0;
    std::lock_guard guard(store_lock());
    if (read_file(target.path, text, error_number) == ReadResult::Ok) {
      if (auto found = IniText(text).find(clip(section), clip(key))) value = std::move(*found);
    }
  }
  if (value.size() > kMaxValueLength) value.resize(kMaxValueLength);
  return value;
}

int put_ini(std::string_view section, std::string_view key, std::string_view value, std::string_view file) {
  section = trim_blanks(section);
  key = trim_blanks(key);
  // A key that a reader would take for a section header or a comment would
  // change what the lines after it mean.
  bool key_starts_a_line_kind = !key.empty() && (key.front() == '[' || key.front() == ';' || key.front() == '#');
  if (!usable_name(section, "]") || !usable_name(key, "=") || key_starts_a_line_kind) {
    return report(err::InvalidFileName);
  }
  size_t stop = value.find_first_of(std::string_view("\r\n\0", 3));
  if (stop != std::string_view::npos) value = value.substr(0, stop);
  value = clip(value);

  Target target = target_of(file);
  if (target.path.empty()) return report(err::PathNotFound);

  std::lock_guard guard(store_lock());
  if (target.user_profile && !make_folders(folder_of(target.path))) return report(code_of(errno));
  std::string text;
  int error_number = 0;
  switch (read_file(target.path, text, error_number)) {
    case ReadResult::Ok: break;
    case ReadResult::Missing: text.clear(); break;
    // Writing now would replace a file whose contents were never seen.
    case ReadResult::Failed: return report(code_of(error_number));
  }
  IniText ini(text);
  ini.set(section, key, value);
  return report(replace_file(target.path, ini.text()));
}

}  // namespace qvn::profile
