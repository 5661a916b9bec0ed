#include "platform/process/command_line.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "platform/core/error_state.h"

extern char** environ;

namespace qvn::process {

std::optional<std::vector<std::string>> split_command_line(std::string_view line) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == ' ' || c == '\t') {
      if (in_word) words.push_back(std::move(word));
      word.clear();
      in_word = false;
      continue;
    }
    in_word = true;
    if (c == '\'') {
      const size_t close = line.find('\'', i + 1);
      if (close == std::string_view::npos) return std::nullopt;
      word.append(line.substr(i + 1, close - i - 1));
      i = close;
    } else if (c == '"') {
      size_t j = i + 1;
      for (; j < line.size() && line[j] != '"'; ++j) {
        if (line[j] == '\\' && j + 1 < line.size() && (line[j + 1] == '"' || line[j + 1] == '\\')) ++j;
        word.push_back(line[j]);
      }
      if (j >= line.size()) return std::nullopt;
      i = j;
    } else {
      word.push_back(c);
    }
  }
  if (in_word) words.push_back(std::move(word));
  return words;
}

std::string command_line_word(std::string_view word) {
  if (!word.empty() && word.find_first_of(" \t\"'") == std::string_view::npos) return std::string(word);
  std::string quoted = "\"";
  for (const char c : word) {
    if (c == '"' || c == '\\') quoted.push_back('\\');
    quoted.push_back(c);
  }
  quoted.push_back('"');
  return quoted;
}

namespace {

int start_error(int system_error) {
  switch (system_error) {
    case ENOENT:
    case ENOTDIR: return err::FileNotFound;
    case EACCES:
    case EPERM: return err::AccessDenied;
    default: return err::FileSystemError;
  }
}

}  // namespace

pid_t start_program(std::string_view command_line) {
  clear_error();
  auto words = split_command_line(command_line);
  if (!words || words->empty() || words->front().empty()) {
    set_error(err::InvalidFileName);
    return 0;
  }
  std::vector<char*> argv;
  for (std::string& w : *words) argv.push_back(w.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);

  // The program starts with no blocked signals and the usual actions for the
  // ones a program of ours may ignore.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attr, &none);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (int s : {SIGPIPE, SIGINT, SIGTERM, SIGQUIT, SIGHUP, SIGCHLD}) sigaddset(&defaults, s);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    const int code = start_error(rc);
    set_error(code, code == err::FileSystemError ? std::string_view(std::strerror(rc)) : std::string_view());
    return 0;
  }
  std::thread([pid] {
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return pid;
}

}  // namespace qvn::process
