#include "platform/framework/record_fields.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "platform/core/fixed_string.h"

namespace qvn::framework {

using storage::FieldDef;
using storage::FieldKind;

namespace {

const char* at(const FieldDef& f, const void* record) { return static_cast<const char*>(record) + f.offset; }
char* at(const FieldDef& f, void* record) { return static_cast<char*>(record) + f.offset; }

template <class T>
T load(const FieldDef& f, const void* record) {
  T v;
  std::memcpy(&v, at(f, record), sizeof v);
  return v;
}

template <class T>
void store(const FieldDef& f, void* record, T v) {
  std::memcpy(at(f, record), &v, sizeof v);
}

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

bool is_text(const FieldDef& f) { return f.kind == FieldKind::String || f.kind == FieldKind::CString; }

std::string field_text(const FieldDef& f, const void* record) {
  if (f.kind == FieldKind::String) return std::string(clip(std::string_view(at(f, record), f.width)));
  if (f.kind == FieldKind::CString) {
    const char* p = at(f, record);
    return std::string(clip(std::string_view(p, strnlen(p, f.width))));
  }
  return std::to_string(field_number(f, record));
}

int64_t field_number(const FieldDef& f, const void* record) {
  switch (f.kind) {
    case FieldKind::Byte: return load<uint8_t>(f, record);
    case FieldKind::Short: return load<int16_t>(f, record);
    case FieldKind::UShort: return load<uint16_t>(f, record);
    case FieldKind::Long: return load<int32_t>(f, record);
    case FieldKind::String:
    case FieldKind::CString: return std::strtoll(field_text(f, record).c_str(), nullptr, 10);
  }
  return 0;
}

void set_field_number(const FieldDef& f, void* record, int64_t value) {
  switch (f.kind) {
    case FieldKind::Byte: store(f, record, static_cast<uint8_t>(value)); break;
    case FieldKind::Short: store(f, record, static_cast<int16_t>(value)); break;
    case FieldKind::UShort: store(f, record, static_cast<uint16_t>(value)); break;
    case FieldKind::Long: store(f, record, static_cast<int32_t>(value)); break;
    case FieldKind::String:
    case FieldKind::CString: set_field_text(f, record, std::to_string(value)); break;
  }
}

void set_field_text(const FieldDef& f, void* record, std::string_view value) {
  char* p = at(f, record);
  if (f.kind == FieldKind::String) {
    size_t n = std::min(value.size(), f.width);
    std::memcpy(p, value.data(), n);
    std::memset(p + n, ' ', f.width - n);
  } else if (f.kind == FieldKind::CString) {
    size_t n = std::min(value.size(), f.width - 1);
    std::memcpy(p, value.data(), n);
    p[n] = '\0';
  } else {
    set_field_number(f, record, std::strtoll(std::string(value).c_str(), nullptr, 10));
  }
}

bool field_empty(const FieldDef& f, const void* record) {
  return is_text(f) ? field_text(f, record).empty() : field_number(f, record) == 0;
}

void clear_field(const FieldDef& f, void* record) {
  if (is_text(f)) {
    set_field_text(f, record, "");
  } else {
    set_field_number(f, record, 0);
  }
}

bool fields_equal(const FieldDef& f, const void* a, const void* b, bool nocase) {
  if (!is_text(f)) return field_number(f, a) == field_number(f, b);
  std::string x = field_text(f, a);
  std::string y = field_text(f, b);
  return nocase ? upper(x) == upper(y) : x == y;
}

void copy_field(const FieldDef& from, const void* from_record, const FieldDef& to, void* to_record) {
  if (is_text(to)) {
    set_field_text(to, to_record, field_text(from, from_record));
  } else {
    set_field_number(to, to_record, field_number(from, from_record));
  }
}

}  // namespace qvn::framework
