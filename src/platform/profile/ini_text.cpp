#include "platform/profile/ini_text.h"

#include <cstddef>

namespace qvn::profile {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && is_blank(s[b])) ++b;
  while (e > b && is_blank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

IniText::IniText(std::string_view text) {
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    byte_order_mark_ = true;
    text.remove_prefix(kByteOrderMark.size());
  }
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    if (nl == std::string_view::npos) {
      lines_.push_back({std::string(text.substr(start)), false});
      break;
    }
    lines_.push_back({std::string(text.substr(start, nl - start)), true});
    start = nl + 1;
  }
}

IniText::Parsed IniText::parse(std::string_view raw) {
  if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
  std::string_view s = trim(raw);
  Parsed p;
  if (s.empty() || s.front() == ';' || s.front() == '#') return p;
  if (s.front() == '[') {
    size_t close = s.find(']');
    if (close == std::string_view::npos) return p;
    p.kind = Kind::Section;
    p.name = trim(s.substr(1, close - 1));
    return p;
  }
  size_t eq = s.find('=');
  if (eq == std::string_view::npos) return p;
  p.kind = Kind::Entry;
  p.name = trim(s.substr(0, eq));
  p.value = trim(s.substr(eq + 1));
  return p;
}

int IniText::find_line(std::string_view section, std::string_view key) const {
  section = trim(section);
  key = trim(key);
  bool inside = false;
  for (size_t i = 0; i < lines_.size(); ++i) {
    Parsed p = parse(lines_[i].raw);
    if (p.kind == Kind::Section) {
      inside = same_name(p.name, section);
    } else if (inside && p.kind == Kind::Entry && same_name(p.name, key)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

std::optional<std::string> IniText::find(std::string_view section, std::string_view key) const {
  int i = find_line(section, key);
  if (i < 0) return std::nullopt;
  std::string_view value = parse(lines_[static_cast<size_t>(i)].raw).value;
  size_t nul = value.find('\0');
  if (nul != std::string_view::npos) value = trim(value.substr(0, nul));
  return std::string(value);
}

bool IniText::has_section(std::string_view section) const {
  section = trim(section);
  for (const Line& l : lines_) {
    Parsed p = parse(l.raw);
    if (p.kind == Kind::Section && same_name(p.name, section)) return true;
  }
  return false;
}

std::string_view IniText::eol() const {
  for (const Line& l : lines_) {
    if (l.ended) return (!l.raw.empty() && l.raw.back() == '\r') ? "\r\n" : "\n";
  }
  return "\n";
}

void IniText::set(std::string_view section, std::string_view key, std::string_view value) {
  section = trim(section);
  key = trim(key);
  std::string entry = std::string(key) + "=" + std::string(value);
  const bool crlf = eol() == "\r\n";

  int found = find_line(section, key);
  if (found >= 0) {
    Line& line = lines_[static_cast<size_t>(found)];
    bool had_cr = !line.raw.empty() && line.raw.back() == '\r';
    line.raw = entry + (had_cr ? "\r" : "");
    return;
  }

  // The new entry goes after the last entry (or the header) of the first
  // section of that name, so blank lines before the next section stay there.
  int insert_after = -1;
  bool inside = false;
  bool seen = false;
  for (size_t i = 0; i < lines_.size(); ++i) {
    Parsed p = parse(lines_[i].raw);
    if (p.kind == Kind::Section) {
      if (seen && inside) break;
      inside = same_name(p.name, section);
      if (inside) {
        seen = true;
        insert_after = static_cast<int>(i);
      }
    } else if (inside && p.kind == Kind::Entry) {
      insert_after = static_cast<int>(i);
    }
  }

  std::vector<Line> added;
  if (!seen) added.push_back({"[" + std::string(section) + "]" + (crlf ? "\r" : ""), true});
  added.push_back({entry + (crlf ? "\r" : ""), true});

  size_t pos = seen ? static_cast<size_t>(insert_after) + 1 : lines_.size();
  if (pos > 0 && !lines_[pos - 1].ended) {
    lines_[pos - 1].ended = true;
    if (crlf) lines_[pos - 1].raw += "\r";
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(pos), added.begin(), added.end());
}

std::string IniText::text() const {
  std::string out(byte_order_mark_ ? kByteOrderMark : std::string_view());
  for (const Line& l : lines_) {
    out += l.raw;
    if (l.ended) out += '\n';
  }
  return out;
}

}  // namespace qvn::profile
