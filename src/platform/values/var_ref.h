#pragma once
// A reference to a program variable that a control or a report item is
// bound to. Controls show a variable through their picture and write typed
// values back into it; the variable's own type does the padding, clipping or
// truncation. A report item only reads it.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/core/fixed_string.h"

namespace qvn::values {

class VarRef {
 public:
  VarRef() = default;

  template <size_t N>
  static VarRef of(FixedString<N>& v) {
    return VarRef([&v] { return std::string(v.raw()); }, [&v](std::string_view s) { v = s; }, false);
  }
  template <size_t N>
  static VarRef of(CString<N>& v) {
    return VarRef([&v] { return v.str(); }, [&v](std::string_view s) { v = s; }, false);
  }
  static VarRef of(std::string& v) {
    return VarRef([&v] { return v; }, [&v](std::string_view s) { v = std::string(s); }, false);
  }
  template <class Int>
  requires std::is_integral_v<Int>
  static VarRef of(Int& v) {
    return VarRef([&v] { return std::to_string(static_cast<long long>(v)); },
                  [&v](std::string_view s) { v = static_cast<Int>(parse_number(s)); }, true);
  }

  bool bound() const { return static_cast<bool>(get_); }
  bool numeric() const { return numeric_; }
  // The value as text (numbers in decimal digits, texts with their padding).
  std::string get() const { return get_ ? get_() : std::string(); }
  // Assigns text (numbers: decimal digits, as the language converts them).
  void set(std::string_view s) const {
    if (set_) set_(s);
  }
  long long get_number() const { return parse_number(get()); }
  void set_number(long long n) const { set(std::to_string(n)); }

  // Decimal digits with an optional sign; anything after them is ignored.
  static long long parse_number(std::string_view s);

 private:
  VarRef(std::function<std::string()> g, std::function<void(std::string_view)> s, bool numeric)
      : get_(std::move(g)), set_(std::move(s)), numeric_(numeric) {}
  std::function<std::string()> get_;
  std::function<void(std::string_view)> set_;
  bool numeric_ = false;
};

inline long long VarRef::parse_number(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
  long long n = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    if (n < 1000000000000000000LL) n = n * 10 + (s[i] - '0');
  }
  return neg ? -n : n;
}

}  // namespace qvn::values
