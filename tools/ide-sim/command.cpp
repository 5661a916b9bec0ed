#include "command.h"

#include <vector>

namespace idesim {

namespace {

bool same_word(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto low = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (low(a[i]) != low(b[i])) return false;
  }
  return true;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
  return s;
}

std::optional<std::vector<std::string>> split_arguments(std::string_view s) {
  std::vector<std::string> args;
  for (;;) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    if (!s.empty() && s.front() == '"') {
      size_t close = s.find('"', 1);
      if (close == std::string_view::npos) return std::nullopt;
      args.emplace_back(s.substr(1, close - 1));
      s.remove_prefix(close + 1);
      while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
      if (!s.empty() && s.front() != ',') return std::nullopt;
    } else {
      size_t comma = s.find(',');
      std::string_view bare = trim(s.substr(0, comma));
      if (bare.find('"') != std::string_view::npos) return std::nullopt;
      args.emplace_back(bare);
      s.remove_prefix(comma == std::string_view::npos ? s.size() : comma);
    }
    if (s.empty()) return args;
    s.remove_prefix(1);  // the comma
  }
}

struct Shape {
  std::string_view name;
  CommandKind kind;
  size_t min_args;
  size_t max_args;
};

constexpr Shape shapes[] = {
    {"ExecuteProject", CommandKind::ExecuteProject, 1, 1}, {"ImportDCT", CommandKind::ImportDct, 2, 3},
    {"ImportApp", CommandKind::ImportApp, 2, 4},           {"ExportApp", CommandKind::ExportApp, 2, 3},
    {"ExportDCT", CommandKind::ExportDct, 2, 3},
};

}  // namespace

std::optional<Command> parse_command(std::string_view text) {
  text = trim(text);
  if (text.size() < 4 || text.front() != '[' || text.back() != ']') return std::nullopt;
  text = text.substr(1, text.size() - 2);
  size_t open = text.find('(');
  if (open == std::string_view::npos || text.back() != ')') return std::nullopt;
  std::string_view name = trim(text.substr(0, open));
  auto args = split_arguments(text.substr(open + 1, text.size() - open - 2));
  if (!args) return std::nullopt;
  for (const Shape& shape : shapes) {
    if (!same_word(name, shape.name)) continue;
    if (args->size() < shape.min_args || args->size() > shape.max_args) return std::nullopt;
    Command c;
    c.kind = shape.kind;
    c.source = (*args)[0];
    if (shape.kind != CommandKind::ExecuteProject) c.output = (*args)[1];
    if (c.source.empty() || (shape.kind != CommandKind::ExecuteProject && c.output.empty())) return std::nullopt;
    return c;
  }
  return std::nullopt;
}

}  // namespace idesim
