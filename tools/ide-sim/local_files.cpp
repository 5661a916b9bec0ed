#include "local_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace idesim {

namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

bool is_regular(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string name_of(const std::string& path) { return path.substr(folder_of(path).size()); }

// The entries of the folder whose names equal the file's without regard to
// case, in name order.
std::vector<std::string> variants_of(const std::string& path) {
  std::string folder = folder_of(path);
  std::string name = name_of(path);
  std::vector<std::string> found;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return found;
  while (dirent* e = ::readdir(dir)) {
    if (same_name(e->d_name, name)) found.push_back(folder + e->d_name);
  }
  ::closedir(dir);
  std::sort(found.begin(), found.end());
  return found;
}

// The regular files whose names differ from the file's only in case.
std::vector<std::string> other_cases(const std::string& path) {
  std::vector<std::string> others;
  for (const std::string& p : variants_of(path))
    if (name_of(p) != name_of(path) && is_regular(p)) others.push_back(p);
  return others;
}

// Writes all of `content` to the descriptor; false with errno set when it cannot.
bool write_all(int fd, std::string_view content) {
  for (size_t done = 0; done < content.size();) {
    ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Creates a new file of a name nobody can guess, beside `path`; -1 with the
// reason in `error`.
int create_temporary(const std::string& path, std::string& temp, std::string& error) {
  thread_local std::mt19937_64 random{std::random_device{}()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    char tag[17];
    std::snprintf(tag, sizeof tag, "%016llx", static_cast<unsigned long long>(random()));
    temp = folder_of(path) + "." + name_of(path) + ".ide-sim-" + tag + ".tmp";
    // O_EXCL makes a new file or fails, and fails on a link of that name too.
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd >= 0) return fd;
    if (errno != EEXIST) break;
  }
  error = std::strerror(errno);
  return -1;
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
  std::string name = name_of(path);
  return name.substr(0, name.find('.'));
}

bool holds_control_character(std::string_view name) {
  return std::any_of(name.begin(), name.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
  });
}

bool climbs_up(const std::string& path) {
  for (size_t start = 0; start <= path.size();) {
    size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    if (slash - start == 2 && path.compare(start, 2, "..") == 0) return true;
    start = slash + 1;
  }
  return false;
}

bool has_type(const std::string& path, std::string_view type) {
  std::string name = name_of(path);
  size_t dot = name.rfind('.');
  return dot != std::string::npos && same_name(std::string_view(name).substr(dot + 1), type);
}

bool same_folder(const std::string& a, const std::string& b) {
  std::string fa = folder_of(a), fb = folder_of(b);
  struct stat sa {
  }, sb{};
  return ::stat(fa.empty() ? "." : fa.c_str(), &sa) == 0 && ::stat(fb.empty() ? "." : fb.c_str(), &sb) == 0 &&
         S_ISDIR(sa.st_mode) && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::optional<std::string> find_file(const std::string& path) {
  if (is_regular(path)) return path;
  for (const std::string& p : variants_of(path))
    if (is_regular(p)) return p;
  return std::nullopt;
}

bool read_file(const std::string& path, std::string& content) {
  // Not blocking on the open keeps a pipe put in the file's place from
  // holding the environment up.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  content.clear();
  char buf[65536];
  while (ok) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    content.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return ok;
}

bool write_file(const std::string& path, std::string_view content, std::string& error) {
  const std::string name = name_of(path);
  struct stat st {};
  const bool named = ::lstat(path.c_str(), &st) == 0;
  const std::vector<std::string> others = other_cases(path);

  std::string temp;
  int fd = create_temporary(path, temp, error);
  if (fd < 0) return false;
  bool ok = write_all(fd, content);
  if (!ok) error = std::strerror(errno);
  if (::close(fd) != 0 && ok) {
    error = std::strerror(errno);
    ok = false;
  }
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
    error = std::strerror(errno);
    ok = false;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  // Only a file that is plainly the same one under another case is replaced;
  // with several such files none is, since it cannot be told which.
  if (!named && others.size() == 1) ::unlink(others.front().c_str());
  return true;
}

bool write_file_in_pieces(const std::string& path, std::string_view content, int pieces,
                          const std::function<bool(int piece)>& after_piece, std::string& error) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      error = "a folder of that name is in the way";
      return false;
    }
    if (::unlink(path.c_str()) != 0) {
      error = std::strerror(errno);
      return false;
    }
  } else if (const std::vector<std::string> others = other_cases(path); others.size() == 1) {
    ::unlink(others.front().c_str());
  }
  // O_EXCL makes a new file or fails, and fails on a link of that name too.
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  const size_t count = static_cast<size_t>(std::max(pieces, 1));
  bool ok = true;
  for (size_t piece = 1; ok && piece <= count; ++piece) {
    const size_t from = content.size() * (piece - 1) / count;
    const size_t to = content.size() * piece / count;
    if (!write_all(fd, content.substr(from, to - from))) {
      error = std::strerror(errno);
      ok = false;
    } else if (!after_piece(static_cast<int>(piece))) {
      error = "stopped before the last piece";
      ok = piece == count;
    }
  }
  if (::close(fd) != 0 && ok) {
    error = std::strerror(errno);
    ok = false;
  }
  return ok;
}

}  // namespace idesim
