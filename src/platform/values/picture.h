#pragma once
// Display pictures: how a control or a report shows a value, and how an
// entry reads typed text back into one.
//
// A picture text is parsed once into a Picture. The leading "@" is optional
// ("@s50" and "s50" are the same picture). Letters are not case-sensitive.
//
//   @sN          text, N characters, left-aligned
//   @nN          number, right-aligned in N characters
//   @n-N         the same with the leading minus sign written out
//   @nNB         the same, blank when the value is 0
//   @d1          m/dd/yy       (month's leading zero blank)
//   @D8          d MON yyyy    (day's leading zero blank, JAN to DEC)
//   @t4          h:mm:ss       (24-hour clock, hour's leading zero blank)
//   @d1_, @t4_   the same with blanks in place of the separators
//   @p...p       pattern: "<" a digit shown blank while it is a leading zero,
//                "#" a digit always shown, anything else literal text
//
// Dates and times are standard dates and times (core/std_datetime.h); 0 shows
// blank. A negative number always shows its minus sign. A value that does not
// fit shows as "#" in every place it would take. Numbers show without
// thousand separators.

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/values/parsed.h"

namespace qvn::values {

enum class PictureKind { Text, Number, Date, Time, Pattern };

// Typed text read back through a picture.
struct TypedValue {
  bool ok = false;
  // The value to store: the text itself for a text picture, else the number
  // in decimal digits.
  std::string text;
  long long number = 0;
  // Why the typed text does not fit the picture; empty when ok.
  std::string error;
};

class Picture {
 public:
  // An empty text picture: shows nothing.
  Picture() = default;

  static Parsed<Picture> parse(std::string_view text);

  PictureKind kind() const { return kind_; }
  // The picture as it was written.
  const std::string& text() const { return text_; }
  // Characters of every formatted value.
  size_t width() const { return width_; }
  bool blank_when_zero() const { return blank_zero_; }

  // The value as shown, exactly width() characters. A value given as text is
  // read as a number (leading blanks, sign, digits) by every picture but a
  // text picture, and a number is shown in decimal digits by a text picture.
  std::string format(std::string_view value) const;
  std::string format(long long value) const;

  // Reads what the user typed. Blank text is 0 for every picture but a text
  // picture. Dates take a two- or four-digit year; a two-digit one is read
  // as the year of the hundred from 79 years before to 20 years after today.
  // Times may leave out the seconds; a time picture with blanks for its
  // separators also reads ":" in their place.
  TypedValue deformat(std::string_view typed) const;

 private:
  enum class DateForm { MonthDayYear, DayMonYear };

  std::string format_number(long long v) const;
  std::string format_date(long long v) const;
  std::string format_time(long long v) const;
  std::string format_pattern(long long v) const;
  TypedValue deformat_text(std::string_view typed) const;
  TypedValue deformat_number(std::string_view typed) const;
  TypedValue deformat_date(std::string_view typed) const;
  TypedValue deformat_time(std::string_view typed) const;
  TypedValue deformat_pattern(std::string_view typed) const;

  PictureKind kind_ = PictureKind::Text;
  std::string text_;
  size_t width_ = 0;
  bool blank_zero_ = false;
  DateForm date_form_ = DateForm::MonthDayYear;
  char separator_ = ':';
  std::string pattern_;  // the pattern between its delimiters
};

}  // namespace qvn::values
