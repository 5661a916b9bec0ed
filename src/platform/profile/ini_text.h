#pragma once
// The text of one INI file, kept line by line exactly as it was read, so that
// changing one key leaves every other line (other sections, other keys,
// comments, lines it cannot make sense of) as it was.
//
// A line "[name]" starts a section; "key=value" is an entry of the section
// above it; lines starting with ";" or "#" are comments. Section names and
// keys compare without regard to case and without their surrounding blanks.
// When a section or key appears more than once, the first one counts.
// A UTF-8 byte-order mark at the very start is not part of the first line;
// it is kept, and written again in front of the text.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qvn::profile {

class IniText {
 public:
  IniText() = default;
  explicit IniText(std::string_view text);

  // The value of the key, without surrounding blanks and cut at a NUL byte;
  // nullopt when the section or the key is missing.
  std::optional<std::string> find(std::string_view section, std::string_view key) const;
  // True when a line starts the section.
  bool has_section(std::string_view section) const;

  // Sets the key to the value, adding the key after the section's last entry,
  // or the section at the end, when missing. REQUIRES: section and key are
  // non-empty, without line breaks, the key without "=" and the section
  // without "]"; the value without line breaks.
  void set(std::string_view section, std::string_view key, std::string_view value);

  // The whole text; new lines take the line end the file already uses.
  std::string text() const;

 private:
  struct Line {
    std::string raw;  // without "\n", with a "\r" that preceded it
    bool ended = true;
  };
  enum class Kind { Other, Section, Entry };
  struct Parsed {
    Kind kind = Kind::Other;
    std::string_view name;   // section name or key
    std::string_view value;  // entry value
  };

  static Parsed parse(std::string_view raw);
  // Index of the entry line for the key, or -1.
  int find_line(std::string_view section, std::string_view key) const;
  std::string_view eol() const;

  std::vector<Line> lines_;
  bool byte_order_mark_ = false;
};

}  // namespace qvn::profile
