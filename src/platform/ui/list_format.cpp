#include "platform/ui/list_format.h"

#include <cctype>
#include <optional>

namespace qvn::ui {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
char upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

std::optional<Align> align_of(char c) {
  switch (upper(c)) {
    case 'L': return Align::Left;
    case 'R': return Align::Right;
    case 'C': return Align::Center;
    case 'D': return Align::Decimal;
    default: return std::nullopt;
  }
}

std::optional<int32_t> color_of(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  if (s.empty()) return kNoColor;
  if (s.size() > 1 && (s.back() == 'H' || s.back() == 'h')) {
    s.remove_suffix(1);
    if (!is_digit(s.front()) || s.size() > 9) return std::nullopt;
    uint64_t v = 0;
    for (char c : s) {
      if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
      v = v * 16 + static_cast<uint64_t>(is_digit(c) ? c - '0' : upper(c) - 'A' + 10);
    }
    if (v > 0xFFFFFFFFu) return std::nullopt;
    return static_cast<int32_t>(static_cast<uint32_t>(v));
  }
  bool neg = s.front() == '-';
  if (neg) s.remove_prefix(1);
  if (s.empty() || s.size() > 10) return std::nullopt;
  int64_t v = 0;
  for (char c : s) {
    if (!is_digit(c)) return std::nullopt;
    v = v * 10 + (c - '0');
  }
  if (neg) v = -v;
  if (v < INT32_MIN || v > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(v);
}

class FormatParser {
 public:
  explicit FormatParser(std::string_view f) : f_(f) {}

  values::Parsed<ListFormat> run() {
    ListFormat lf;
    if (f_.empty()) return fail(0, "Empty list format");
    int next_field = 0;
    while (i_ < f_.size()) {
      Column col;
      if (!column(col, static_cast<int>(lf.columns.size()) + 1)) return std::move(*failure_);
      col.first_field = next_field;
      next_field += col.field_count();
      lf.columns.push_back(std::move(col));
    }
    return values::Parsed<ListFormat>::success(std::move(lf));
  }

 private:
  bool column(Column& col, int number) {
    const size_t start = i_;
    if (!count(col.width)) return error(start, "Column width (1 to 5 digits) expected");
    if (i_ >= f_.size() || !align_of(f_[i_])) return error(i_, "Data alignment (L, R, C or D) expected");
    col.align = *align_of(f_[i_++]);
    if (!indent(col.indent)) return false;
    bool has_picture = false;
    while (i_ < f_.size() && !is_digit(f_[i_])) {
      const size_t at = i_;
      switch (upper(f_[i_])) {
        case '|':
          col.right_border = true;
          ++i_;
          break;
        case 'M':
          col.resizable = true;
          ++i_;
          break;
        case '*':
          col.colors = true;
          ++i_;
          break;
        case 'I':
          col.icon = true;
          ++i_;
          break;
        case 'T':
          col.tree = true;
          ++i_;
          break;
        case '~': {
          if (col.has_header) return error(at, "Second header in one column");
          size_t close = f_.find('~', at + 1);
          if (close == std::string_view::npos) return error(at, "Header not closed by \"~\"");
          col.has_header = true;
          col.header = std::string(f_.substr(at + 1, close - at - 1));
          i_ = close + 1;
          if (i_ < f_.size() && align_of(f_[i_])) {
            col.header_align = *align_of(f_[i_++]);
            if (!indent(col.header_indent)) return false;
          } else {
            col.header_align = col.align;
            col.header_indent = col.indent;
          }
          break;
        }
        case 'S': {
          ++i_;
          if (i_ >= f_.size() || f_[i_] != '(') return error(at, "Scroll width S(n) expected");
          if (!indent(col.scroll_width)) return false;
          break;
        }
        case 'E':
          if (!colors(col.default_colors)) return false;
          break;
        case '@': {
          if (has_picture) return error(at, "Second picture in one column");
          size_t close = f_.find('@', at + 1);
          if (close == std::string_view::npos) return error(at, "Picture not closed by \"@\"");
          auto pic = values::Picture::parse(f_.substr(at, close - at));
          if (!pic) return error(at + pic.position() - 1, pic.error());
          col.picture = *pic;
          has_picture = true;
          i_ = close + 1;
          break;
        }
        default:
          if (align_of(f_[i_])) return error(at, "Alignment out of place");
          return error(at, "Unknown modifier");
      }
    }
    if (!has_picture) return error(start, "Column " + std::to_string(number) + " has no picture");
    return true;
  }

  // Digits at the current place; false when there are none.
  bool count(int& out) {
    const size_t start = i_;
    long v = 0;
    while (i_ < f_.size() && is_digit(f_[i_])) {
      if (i_ - start >= 5) return false;
      v = v * 10 + (f_[i_++] - '0');
    }
    out = static_cast<int>(v);
    return i_ > start;
  }

  // An optional "(n)"; a malformed one is an error.
  bool indent(int& out) {
    if (i_ >= f_.size() || f_[i_] != '(') return true;
    const size_t open = i_++;
    if (!count(out) || i_ >= f_.size() || f_[i_] != ')') return error(open, "Number in parentheses expected");
    ++i_;
    return true;
  }

  // "E(fg,bg,selected fg,selected bg)"; fewer parts leave the rest not set.
  bool colors(ColumnColors& out) {
    const size_t at = i_++;
    if (i_ >= f_.size() || f_[i_] != '(') return error(at, "Colours E(...) expected");
    size_t close = f_.find(')', i_);
    if (close == std::string_view::npos) return error(at, "Colours not closed by \")\"");
    int32_t* slots[] = {&out.fg, &out.bg, &out.selected_fg, &out.selected_bg};
    size_t part_start = i_ + 1;
    for (int k = 0;; ++k) {
      size_t comma = f_.find(',', part_start);
      size_t part_end = comma == std::string_view::npos || comma > close ? close : comma;
      if (k == 4) return error(part_start, "More than four colours");
      auto c = color_of(f_.substr(part_start, part_end - part_start));
      if (!c) return error(part_start, "Not a colour");
      *slots[k] = *c;
      if (part_end == close) break;
      part_start = part_end + 1;
    }
    i_ = close + 1;
    return true;
  }

  bool error(size_t at, const std::string& what) {
    std::string excerpt(f_.substr(at, 24));
    if (at + 24 < f_.size()) excerpt += "...";
    failure_ = values::Parsed<ListFormat>::failure(
        at + 1, what + " at position " + std::to_string(at + 1) + " of list format: \"" + excerpt + "\"");
    return false;
  }

  values::Parsed<ListFormat> fail(size_t at, const std::string& what) {
    error(at, what);
    return std::move(*failure_);
  }

  std::string_view f_;
  size_t i_ = 0;
  std::optional<values::Parsed<ListFormat>> failure_;
};

}  // namespace

int ListFormat::field_count() const {
  int n = 0;
  for (const auto& c : columns) n += c.field_count();
  return n;
}

values::Parsed<ListFormat> ListFormat::parse(std::string_view format) { return FormatParser(format).run(); }

}  // namespace qvn::ui
