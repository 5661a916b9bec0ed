#pragma once
// The outcome of parsing a declaration text (a picture, a list format): the
// value, or a message and the 1-based position in the text where parsing
// stopped. Nothing is thrown.

#include <cstddef>
#include <optional>
#include <string>
#include <utility>

namespace qvn::values {

template <class T>
class Parsed {
 public:
  static Parsed success(T value) {
    Parsed p;
    p.value_ = std::move(value);
    return p;
  }
  static Parsed failure(size_t position, std::string message) {
    Parsed p;
    p.position_ = position;
    p.error_ = std::move(message);
    return p;
  }

  bool ok() const { return value_.has_value(); }
  explicit operator bool() const { return ok(); }

  // REQUIRES: ok().
  const T& value() const { return *value_; }
  const T& operator*() const { return *value_; }
  const T* operator->() const { return &*value_; }

  // Empty and 0 when ok().
  const std::string& error() const { return error_; }
  size_t position() const { return position_; }

 private:
  Parsed() = default;
  std::optional<T> value_;
  std::string error_;
  size_t position_ = 0;
};

}  // namespace qvn::values
