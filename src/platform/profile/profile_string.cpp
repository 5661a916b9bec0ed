#include "platform/profile/profile_string.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/core/error_state.h"
#include "platform/core/fixed_string.h"
#include "platform/files/native_path.h"
#include "platform/profile/ini_text.h"

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
  return {files::native_path(name), false};
}

enum class ReadResult { Ok, Missing, NotRegular, Failed };

ReadResult read_file(const std::string& path, std::string& out, int& error_number) {
  out.clear();
  // A name that is not a regular file is not opened at all, and the open
  // does not wait for a pipe's writer, should one take its place meanwhile.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    error_number = errno;
    return (errno == ENOENT || errno == ENOTDIR) ? ReadResult::Missing : ReadResult::Failed;
  }
  if (!S_ISREG(st.st_mode)) return ReadResult::NotRegular;
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error_number = errno;
    return (errno == ENOENT || errno == ENOTDIR) ? ReadResult::Missing : ReadResult::Failed;
  }
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return ReadResult::NotRegular;
  }
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
  struct stat st {};
  if (::stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  std::string parent = folder_of(folder);
  if (parent != folder && !make_folders(parent)) return false;
  return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

std::string base_of(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A file of ours beside the file: ".<name><suffix>" in its folder.
std::string companion(const std::string& path, const std::string& suffix) {
  return folder_of(path) + "/." + base_of(path) + suffix;
}

// The file a write changes: the one a link names, not the link itself.
std::string file_behind_link(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

// The advisory lock of a file's companion ".<name>.lock", held from take()
// until the lock goes. Each take opens the companion anew, so the threads of
// one process exclude one another as well as other processes do.
class WriteLock {
 public:
  WriteLock() = default;
  ~WriteLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  WriteLock(const WriteLock&) = delete;
  WriteLock& operator=(const WriteLock&) = delete;

  // 0 once the lock is held; otherwise the error code of the write. A lock
  // that another program holds past kWriteLockWaitMs (one that hangs in the
  // middle of a write) gives AccessDenied rather than a wait without end.
  int take(const std::string& path) {
    const std::string name = companion(path, ".lock");
    fd_ = ::open(name.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd_ < 0) return code_of(errno);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWriteLockWaitMs);
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      if (errno == EINTR) continue;
      if (errno != EWOULDBLOCK) return code_of(errno);
      if (std::chrono::steady_clock::now() >= until) return err::AccessDenied;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return err::NoError;
  }

 private:
  int fd_ = -1;
};

// The process id in the name of a copy ".<name>.<pid>.<n>.tmp" of the file
// named `base`; 0 when the name is not of that form.
pid_t copy_owner(std::string_view name, const std::string& base) {
  const std::string prefix = "." + base + ".";
  constexpr std::string_view suffix = ".tmp";
  if (name.size() <= prefix.size() + suffix.size() || name.substr(0, prefix.size()) != prefix ||
      name.substr(name.size() - suffix.size()) != suffix) {
    return 0;
  }
  name = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
  const size_t dot = name.find('.');
  if (dot == std::string_view::npos || dot == 0 || dot + 1 == name.size()) return 0;
  long long pid = 0;
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (i == dot) continue;
    if (c < '0' || c > '9') return 0;
    if (i < dot && pid < INT_MAX) pid = pid * 10 + (c - '0');
  }
  return pid > 0 && pid < INT_MAX ? static_cast<pid_t>(pid) : 0;
}

// Removes the copies of the file that a writer of ours left behind when it
// was killed between making a copy and renaming it: those of a process that
// is gone, and this process's own, since none of its writes is under way
// while it holds the store lock. Anything else in the folder stays.
void remove_stale_copies(const std::string& path) {
  const std::string folder = folder_of(path);
  const std::string base = base_of(path);
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  while (const dirent* entry = ::readdir(dir)) {
    const pid_t owner = copy_owner(entry->d_name, base);
    if (owner == 0) continue;
    const bool gone = owner == ::getpid() || (::kill(owner, 0) != 0 && errno == ESRCH);
    if (!gone) continue;
    const std::string copy = folder + "/" + entry->d_name;
    struct stat st {};
    if (::lstat(copy.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid()) ::unlink(copy.c_str());
  }
  ::closedir(dir);
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
int replace_file(const std::string& path, const std::string& text) {
  struct stat st {};
  const bool exists = ::stat(path.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) return err::AccessDenied;

  static std::atomic<unsigned> counter{0};
  const std::string folder = folder_of(path);
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = companion(path, "." + std::to_string(::getpid()) + "." + std::to_string(counter++) + ".tmp");
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

IniFile read_ini_file(std::string_view file) {
  IniFile ini;
  Target target = target_of(file);
  ini.path = target.path;
  if (ini.path.empty()) return ini;
  std::string text;
  int error_number = 0;
  ReadResult result;
  {
    std::lock_guard guard(store_lock());
    result = read_file(ini.path, text, error_number);
  }
  switch (result) {
    case ReadResult::Ok:
      ini.status = IniStatus::Read;
      ini.text = IniText(text);
      break;
    case ReadResult::Missing: ini.status = IniStatus::Missing; break;
    case ReadResult::NotRegular:
      ini.status = IniStatus::NotRegular;
      ini.code = err::AccessDenied;
      break;
    case ReadResult::Failed:
      ini.status = IniStatus::Unreadable;
      ini.code = code_of(error_number);
      break;
  }
  return ini;
}

std::string get_ini(std::string_view section, std::string_view key, std::string_view default_value,
                    std::string_view file) {
  std::string value(clip(default_value));
  if (auto found = read_ini_file(file).text.find(clip(section), clip(key))) value = std::move(*found);
  if (value.size() > kMaxValueLength) value.resize(kMaxValueLength);
  return value;
}

int put_ini(std::string_view section, std::string_view key, std::string_view value, std::string_view file) {
  const IniEntry entry{key, value};
  return put_ini_keys(section, std::span<const IniEntry>(&entry, 1), file);
}

int put_ini_keys(std::string_view section, std::span<const IniEntry> entries, std::string_view file) {
  section = trim_blanks(section);
  if (!usable_name(section, "]")) return report(err::InvalidFileName);
  std::vector<IniEntry> clean;
  clean.reserve(entries.size());
  for (IniEntry entry : entries) {
    entry.key = trim_blanks(entry.key);
    // A key that a reader would take for a section header or a comment
    // would change what the lines after it mean.
    const std::string_view key = entry.key;
    const bool key_starts_a_line_kind =
        !key.empty() && (key.front() == '[' || key.front() == ';' || key.front() == '#');
    if (!usable_name(key, "=") || key_starts_a_line_kind) return report(err::InvalidFileName);
    const size_t stop = entry.value.find_first_of(std::string_view("\r\n\0", 3));
    if (stop != std::string_view::npos) entry.value = entry.value.substr(0, stop);
    entry.value = clip(entry.value);
    clean.push_back(entry);
  }

  Target target = target_of(file);
  if (target.path.empty()) return report(err::PathNotFound);

  std::lock_guard guard(store_lock());
  if (target.user_profile && !make_folders(folder_of(target.path))) return report(code_of(errno));
  const std::string path = file_behind_link(target.path);
  // From reading the file to renaming its new copy over it no other writer,
  // in this process or another, may change it, or one of the changes is lost.
  WriteLock lock;
  if (int code = lock.take(path); code != err::NoError) return report(code);
  remove_stale_copies(path);
  std::string text;
  int error_number = 0;
  switch (read_file(path, text, error_number)) {
    case ReadResult::Ok: break;
    case ReadResult::Missing: text.clear(); break;
    case ReadResult::NotRegular: return report(err::AccessDenied);
    // Writing now would replace a file whose contents were never seen.
    case ReadResult::Failed: return report(code_of(error_number));
  }
  IniText ini(text);
  for (const IniEntry& entry : clean) ini.set(section, entry.key, entry.value);
  return report(replace_file(path, ini.text()));
}

}  // namespace qvn::profile
