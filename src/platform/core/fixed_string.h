#pragma once
// Fixed-width text fields as the record files and settings hold them.
//
// FixedString<N> is STRING(N): exactly N bytes, blank-padded on the right, no
// terminator. Assignment clips to N and pads with blanks, so no caller ever
// pads by hand. Comparisons ignore trailing blanks.
//
// CString<N> is CSTRING(N): at most N-1 characters and a terminator.
//
// Both are standard-layout types whose only member is their storage, so a
// record struct built from them can be described field by field with offsetof.

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace qvn {

// Text without its trailing blanks.
inline std::string_view clip(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && s[n - 1] == ' ') --n;
  return s.substr(0, n);
}

template <size_t N>
class FixedString {
  static_assert(N > 0);

 public:
  static constexpr size_t width = N;

  FixedString() { std::memset(data_, ' ', N); }
  FixedString(std::string_view s) { assign(s); }  // NOLINT: implicit like the language's assignment
  FixedString(const char* s) { assign(s); }       // NOLINT

  FixedString& operator=(std::string_view s) {
    assign(s);
    return *this;
  }
  FixedString& operator=(const char* s) {
    assign(s);
    return *this;
  }
  FixedString& operator=(const std::string& s) {
    assign(s);
    return *this;
  }

  // Clips to N characters and pads with blanks.
  void assign(std::string_view s) {
    size_t n = std::min(s.size(), N);
    if (n) std::memcpy(data_, s.data(), n);
    std::memset(data_ + n, ' ', N - n);
  }
  void clear() { std::memset(data_, ' ', N); }

  // The whole N-character value, trailing blanks included.
  std::string_view raw() const { return std::string_view(data_, N); }
  // The value without trailing blanks.
  std::string_view clipped() const { return clip(raw()); }
  std::string str() const { return std::string(clipped()); }
  bool blank() const { return clipped().empty(); }

  char* data() { return data_; }
  const char* data() const { return data_; }
  char operator[](size_t i) const { return data_[i]; }

  friend bool operator==(const FixedString& a, const FixedString& b) { return a.clipped() == b.clipped(); }
  friend bool operator==(const FixedString& a, std::string_view b) { return a.clipped() == clip(b); }
  friend bool operator==(const FixedString& a, const char* b) { return a.clipped() == clip(b); }
  friend bool operator==(const FixedString& a, const std::string& b) { return a.clipped() == clip(b); }

 private:
  char data_[N];
};

template <size_t N>
class CString {
  static_assert(N > 1);

 public:
  static constexpr size_t capacity = N - 1;

  CString() { data_[0] = '\0'; }
  CString(std::string_view s) { assign(s); }  // NOLINT
  CString(const char* s) { assign(s); }       // NOLINT

  CString& operator=(std::string_view s) {
    assign(s);
    return *this;
  }
  CString& operator=(const char* s) {
    assign(s);
    return *this;
  }
  CString& operator=(const std::string& s) {
    assign(s);
    return *this;
  }

  // Keeps at most N-1 characters; stops at an embedded terminator.
  void assign(std::string_view s) {
    size_t n = std::min(s.size(), capacity);
    const void* nul = n ? std::memchr(s.data(), '\0', n) : nullptr;
    if (nul) n = static_cast<size_t>(static_cast<const char*>(nul) - s.data());
    if (n) std::memcpy(data_, s.data(), n);
    data_[n] = '\0';
  }
  void clear() { data_[0] = '\0'; }

  std::string_view view() const { return std::string_view(data_); }
  std::string_view clipped() const { return clip(view()); }
  std::string str() const { return std::string(view()); }
  bool empty() const { return data_[0] == '\0'; }
  const char* c_str() const { return data_; }
  char* data() { return data_; }

  friend bool operator==(const CString& a, std::string_view b) { return a.view() == b; }
  friend bool operator==(const CString& a, const char* b) { return a.view() == std::string_view(b); }

 private:
  char data_[N];
};

}  // namespace qvn
