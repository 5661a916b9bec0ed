#include "sample_file.h"

#include <cstdlib>
#include <optional>

namespace idesim {

namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::string upper(std::string_view s) {
  std::string u(s);
  for (char& c : u)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return u;
}

bool is_yes(std::string_view v) { return v == "1" || upper(v) == "YES" || upper(v) == "Y"; }

// Seconds from 0 to 3600, fractions allowed; nothing for any other text.
std::optional<double> seconds(std::string_view value) {
  std::string v(value);
  char* end = nullptr;
  double d = std::strtod(v.c_str(), &end);
  if (end != v.c_str() && *end == '\0' && d >= 0 && d <= 3600) return d;
  return std::nullopt;
}

}  // namespace

SampleFile read_sample(std::string_view text) {
  SampleFile s;
  while (!text.empty()) {
    size_t nl = text.find('\n');
    std::string_view line = trim(text.substr(0, nl));
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    size_t eq = line.find('=');
    if (line.empty() || line.front() == ';' || eq == std::string_view::npos) continue;
    std::string key = upper(trim(line.substr(0, eq)));
    std::string_view value = trim(line.substr(eq + 1));
    if (key == "TARGET") {
      s.target = value;
    } else if (key == "BUILD-SECONDS") {
      if (auto d = seconds(value)) s.build_seconds = d;
    } else if (key == "WRITE-SECONDS") {
      if (auto d = seconds(value)) s.write_seconds = d;
    } else if (key == "ACK-SECONDS") {
      if (auto d = seconds(value)) s.ack_seconds = d;
    } else if (key == "OUTPUT-CASE") {
      const std::string v = upper(value);
      if (v == "LOWER") s.output_case = OutputCase::Lower;
      if (v == "UPPER") s.output_case = OutputCase::Upper;
    } else if (key == "EXIT-AFTER") {
      s.exit_after = is_yes(value);
    } else if (key == "FAIL") {
      s.fail = value;
    } else if (key == "REFUSE") {
      s.refuse = value;
    } else if (key == "NO-ACK") {
      s.no_ack = is_yes(value);
    } else if (key == "EXIT") {
      s.exit = is_yes(value);
    }
  }
  return s;
}

std::string export_text(std::string_view header, std::string_view content) {
  std::string out(header);
  out += '\n';
  out += content;
  if (!content.empty() && content.back() != '\n') out += '\n';
  return out;
}

std::string import_text(std::string_view header, std::string_view text) {
  size_t nl = text.find('\n');
  std::string_view first = trim(text.substr(0, nl));
  if (upper(first) == upper(header)) text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
  return std::string(text);
}

}  // namespace idesim
