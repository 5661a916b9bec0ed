#include "platform/values/picture.h"

#include <cctype>
#include <climits>

#include "platform/core/fixed_string.h"
#include "platform/core/std_datetime.h"

namespace qvn::values {

namespace {

constexpr size_t kMaxTextWidth = 65535;
// Wide enough for every long long with its sign.
constexpr size_t kMaxNumberWidth = 32;

const char* const kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::string_view trim(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && s[b] == ' ') ++b;
  return clip(s.substr(b));
}

// The text cut or padded with blanks to exactly `width` characters.
std::string fit_left(std::string_view s, size_t width) {
  std::string out(s.substr(0, width));
  out.resize(width, ' ');
  return out;
}

std::string fit_right(std::string_view s, size_t width) {
  if (s.size() >= width) return std::string(s.substr(s.size() - width));
  return std::string(width - s.size(), ' ') + std::string(s);
}

std::string two_digits(int v) {
  return std::string{static_cast<char>('0' + v / 10 % 10), static_cast<char>('0' + v % 10)};
}

std::string blank_lead(int v) {
  std::string s = two_digits(v);
  if (s[0] == '0') s[0] = ' ';
  return s;
}

std::string magnitude_digits(long long v) {
  unsigned long long m = v < 0 ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
  return std::to_string(m);
}

// Reads a value given as text the way the language converts text to a
// number: leading blanks, an optional sign, then digits; the rest is ignored.
long long number_of(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
  long long n = 0;
  for (; i < s.size() && is_digit(s[i]); ++i) {
    int d = s[i] - '0';
    if (n > (LLONG_MAX - d) / 10) {
      n = LLONG_MAX;
      break;
    }
    n = n * 10 + d;
  }
  return neg ? -n : n;
}

// Reads an unsigned count of up to six digits at `i`; -1 when there is none.
long read_count(std::string_view s, size_t& i) {
  size_t start = i;
  long n = 0;
  while (i < s.size() && is_digit(s[i]) && i - start < 6) n = n * 10 + (s[i++] - '0');
  if (i == start || (i < s.size() && is_digit(s[i]))) return -1;
  return n;
}

TypedValue accepted_number(long long n) {
  TypedValue v;
  v.ok = true;
  v.number = n;
  v.text = std::to_string(n);
  return v;
}

TypedValue refused(std::string error) {
  TypedValue v;
  v.error = std::move(error);
  return v;
}

// A small reader over typed date and time text.
class Scanner {
 public:
  // `also` is a second separator taken in place of a blank one (0: none).
  Scanner(std::string_view s, char separator, char also = 0) : s_(s), sep_(separator), also_(also) {}

  bool at_end() const { return i_ == s_.size(); }

  // One to `max` digits.
  bool number(int max, int& out, int* count = nullptr) {
    size_t start = i_;
    out = 0;
    while (i_ < s_.size() && is_digit(s_[i_]) && static_cast<int>(i_ - start) < max) out = out * 10 + (s_[i_++] - '0');
    if (count) *count = static_cast<int>(i_ - start);
    return i_ > start && (i_ == s_.size() || !is_digit(s_[i_]));
  }

  // The separator; a blank separator is a run of blanks (or the second
  // separator, with blanks around it), any other may have blanks around it.
  bool separator() {
    size_t start = i_;
    skip_blanks();
    if (sep_ == ' ') {
      if (also_ != 0 && i_ < s_.size() && s_[i_] == also_) {
        ++i_;
        skip_blanks();
        return true;
      }
      return i_ > start;
    }
    if (i_ >= s_.size() || s_[i_] != sep_) return false;
    ++i_;
    skip_blanks();
    return true;
  }

  // A three-letter month abbreviation, any case.
  bool month(int& out) {
    if (s_.size() - i_ < 3) return false;
    for (int m = 0; m < 12; ++m) {
      bool same = true;
      for (int k = 0; k < 3; ++k) same = same && lower(s_[i_ + static_cast<size_t>(k)]) == lower(kMonths[m][k]);
      if (same) {
        i_ += 3;
        out = m + 1;
        return true;
      }
    }
    return false;
  }

 private:
  void skip_blanks() {
    while (i_ < s_.size() && s_[i_] == ' ') ++i_;
  }
  std::string_view s_;
  char sep_;
  char also_;
  size_t i_ = 0;
};

// A two-digit year is read as the one of the hundred years from 79 years
// before to 20 years after the current year.
int full_year(int two_digit) {
  int current = civil_date(today()).year;
  if (current == 0) current = 2000;
  int year = current / 100 * 100 + two_digit;
  if (year > current + 20) year -= 100;
  if (year <= current - 80) year += 100;
  return year;
}

bool read_year(Scanner& sc, int& year) {
  int digits = 0;
  if (!sc.number(4, year, &digits)) return false;
  if (digits == 2) {
    year = full_year(year);
    return true;
  }
  return digits == 4;
}

}  // namespace

Parsed<Picture> Picture::parse(std::string_view text) {
  Picture p;
  p.text_ = std::string(text);
  const size_t base = !text.empty() && text[0] == '@' ? 1 : 0;
  std::string_view s = text.substr(base);
  auto fail = [&](size_t at, std::string what) {
    return Parsed<Picture>::failure(base + at + 1, what + " in picture \"" + std::string(text) + "\"");
  };
  if (s.empty()) return fail(0, "Missing picture type");

  size_t i = 1;
  switch (lower(s[0])) {
    case 's': {
      long n = read_count(s, i);
      if (n < 1 || static_cast<size_t>(n) > kMaxTextWidth) return fail(1, "Text width must be 1 to 65535");
      p.kind_ = PictureKind::Text;
      p.width_ = static_cast<size_t>(n);
      break;
    }
    case 'n': {
      if (i < s.size() && s[i] == '-') ++i;
      size_t at = i;
      long n = read_count(s, i);
      if (n < 1 || static_cast<size_t>(n) > kMaxNumberWidth) return fail(at, "Number width must be 1 to 32");
      p.kind_ = PictureKind::Number;
      p.width_ = static_cast<size_t>(n);
      if (i < s.size() && lower(s[i]) == 'b') {
        p.blank_zero_ = true;
        ++i;
      }
      break;
    }
    case 'd': {
      long n = read_count(s, i);
      if (n == 1) {
        p.date_form_ = DateForm::MonthDayYear;
        p.separator_ = '/';
        p.width_ = 8;
      } else if (n == 8) {
        p.date_form_ = DateForm::DayMonYear;
        p.separator_ = ' ';
        p.width_ = 11;
      } else {
        return fail(1, "Unsupported date picture (only 1 and 8)");
      }
      p.kind_ = PictureKind::Date;
      if (i < s.size() && s[i] == '_') {
        p.separator_ = ' ';
        ++i;
      }
      break;
    }
    case 't': {
      if (read_count(s, i) != 4) return fail(1, "Unsupported time picture (only 4)");
      p.kind_ = PictureKind::Time;
      p.width_ = 8;
      p.separator_ = ':';
      if (i < s.size() && s[i] == '_') {
        p.separator_ = ' ';
        ++i;
      }
      break;
    }
    case 'p': {
      if (s.size() < 2 || lower(s.back()) != 'p') return fail(s.size() - 1, "Pattern not closed by \"p\"");
      p.kind_ = PictureKind::Pattern;
      p.pattern_ = std::string(s.substr(1, s.size() - 2));
      if (p.pattern_.find_first_of("<#") == std::string::npos) return fail(1, "Pattern without digit places");
      p.width_ = p.pattern_.size();
      i = s.size();
      break;
    }
    default: return fail(0, "Unknown picture type");
  }
  if (i != s.size()) return fail(i, "Unexpected text after the picture");
  return Parsed<Picture>::success(std::move(p));
}

std::string Picture::format(std::string_view value) const {
  if (kind_ == PictureKind::Text) return fit_left(value, width_);
  return format(number_of(value));
}

std::string Picture::format(long long value) const {
  switch (kind_) {
    case PictureKind::Text: return fit_left(std::to_string(value), width_);
    case PictureKind::Number: return format_number(value);
    case PictureKind::Date: return format_date(value);
    case PictureKind::Time: return format_time(value);
    case PictureKind::Pattern: return format_pattern(value);
  }
  return std::string(width_, ' ');
}

std::string Picture::format_number(long long v) const {
  if (v == 0 && blank_zero_) return std::string(width_, ' ');
  std::string s = (v < 0 ? "-" : "") + magnitude_digits(v);
  if (s.size() > width_) return std::string(width_, '#');
  return fit_right(s, width_);
}

std::string Picture::format_date(long long v) const {
  if (v == 0) return std::string(width_, ' ');
  CivilDate d = v >= kFirstStandardDate && v <= kLastStandardDate ? civil_date(static_cast<int32_t>(v)) : CivilDate{};
  if (d.year == 0) return std::string(width_, '#');
  const std::string sep(1, separator_);
  if (date_form_ == DateForm::MonthDayYear)
    return blank_lead(d.month) + sep + two_digits(d.day) + sep + two_digits(d.year % 100);
  return blank_lead(d.day) + sep + kMonths[d.month - 1] + sep + std::to_string(d.year);
}

std::string Picture::format_time(long long v) const {
  if (v == 0) return std::string(width_, ' ');
  if (v < 0 || v > kHundredthsPerDay) return std::string(width_, '#');
  TimeOfDay t = time_of_day(static_cast<int32_t>(v));
  const std::string sep(1, separator_);
  return blank_lead(t.hour) + sep + two_digits(t.minute) + sep + two_digits(t.second);
}

std::string Picture::format_pattern(long long v) const {
  size_t places = 0;
  for (char c : pattern_) places += c == '<' || c == '#';
  std::string digits = magnitude_digits(v);
  const bool fits = v >= 0 && digits.size() <= places;
  if (fits) digits = std::string(places - digits.size(), '0') + digits;
  std::string out;
  size_t k = 0;
  bool leading = true;
  for (char c : pattern_) {
    if (c != '<' && c != '#') {
      out += c;
      continue;
    }
    if (!fits) {
      out += '#';
      continue;
    }
    char d = digits[k++];
    if (leading && d == '0' && c == '<') {
      out += ' ';
    } else {
      leading = false;
      out += d;
    }
  }
  return out;
}

TypedValue Picture::deformat(std::string_view typed) const {
  switch (kind_) {
    case PictureKind::Text: return deformat_text(typed);
    case PictureKind::Number: return deformat_number(typed);
    case PictureKind::Date: return deformat_date(typed);
    case PictureKind::Time: return deformat_time(typed);
    case PictureKind::Pattern: return deformat_pattern(typed);
  }
  return refused("Unknown picture");
}

TypedValue Picture::deformat_text(std::string_view typed) const {
  std::string_view s = clip(typed);
  if (s.size() > width_) return refused("Longer than " + std::to_string(width_) + " characters for " + text_);
  TypedValue v;
  v.ok = true;
  v.text = std::string(s);
  v.number = number_of(s);
  return v;
}

TypedValue Picture::deformat_number(std::string_view typed) const {
  std::string_view s = trim(typed);
  if (s.empty()) return accepted_number(0);
  size_t i = 0;
  bool neg = false;
  if (s[0] == '-' || s[0] == '+') {
    neg = s[0] == '-';
    ++i;
  }
  if (i == s.size()) return refused("Not a number for " + text_);
  long long n = 0;
  for (; i < s.size(); ++i) {
    if (!is_digit(s[i])) return refused("Not a number for " + text_);
    int d = s[i] - '0';
    if (n > (LLONG_MAX - d) / 10) return refused("Too large for " + text_);
    n = n * 10 + d;
  }
  if (neg) n = -n;
  std::string shown = (neg && n != 0 ? "-" : "") + magnitude_digits(n);
  if (shown.size() > width_) return refused("Does not fit in " + std::to_string(width_) + " places of " + text_);
  return accepted_number(n);
}

TypedValue Picture::deformat_date(std::string_view typed) const {
  std::string_view s = trim(typed);
  if (s.empty()) return accepted_number(0);
  Scanner sc(s, separator_);
  CivilDate d;
  bool read = false;
  if (date_form_ == DateForm::MonthDayYear) {
    read = sc.number(2, d.month) && sc.separator() && sc.number(2, d.day) && sc.separator() && read_year(sc, d.year);
  } else {
    read = sc.number(2, d.day) && sc.separator() && sc.month(d.month) && sc.separator() && read_year(sc, d.year);
  }
  if (!read || !sc.at_end()) return refused("Not a date for " + text_);
  int32_t n = standard_date(d);
  if (n == 0) return refused("Not a valid date for " + text_);
  return accepted_number(n);
}

TypedValue Picture::deformat_time(std::string_view typed) const {
  std::string_view s = trim(typed);
  if (s.empty()) return accepted_number(0);
  // A time shown with blanks for separators is also read as typed with ":".
  Scanner sc(s, separator_, ':');
  TimeOfDay t;
  if (!sc.number(2, t.hour) || !sc.separator() || !sc.number(2, t.minute)) return refused("Not a time for " + text_);
  if (!sc.at_end() && (!sc.separator() || !sc.number(2, t.second) || !sc.at_end()))
    return refused("Not a time for " + text_);
  if (t.hour > 23 || t.minute > 59 || t.second > 59) return refused("Not a valid time for " + text_);
  return accepted_number(standard_time(t));
}

TypedValue Picture::deformat_pattern(std::string_view typed) const {
  std::string_view s = clip(typed);
  if (trim(s).empty()) return accepted_number(0);
  if (s.size() > width_) return refused("Longer than the pattern " + text_);
  long long n = 0;
  bool leading = true;
  for (size_t k = 0; k < pattern_.size(); ++k) {
    const char want = pattern_[k];
    const char got = k < s.size() ? s[k] : ' ';
    if (want != '<' && want != '#') {
      if (got != want) return refused("Does not match the pattern " + text_);
      continue;
    }
    if (got == ' ' && want == '<' && leading) continue;
    if (!is_digit(got)) return refused("Does not match the pattern " + text_);
    leading = false;
    if (n > (LLONG_MAX - 9) / 10) return refused("Too large for " + text_);
    n = n * 10 + (got - '0');
  }
  return accepted_number(n);
}

}  // namespace qvn::values
